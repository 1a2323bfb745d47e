#pragma once

#include "core/ruby/gradelevels.h"
#include "core/ruby/rubybatch.h"

#include <QAbstractItemModel>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The words whole-page ruby would write, grouped by word and proposed reading,
// each group holding its occurrences with their context. A reading per group,
// and per occurrence where the user sets one; a tick for both.
class RubyReviewModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { Word, Reading, Count, Guessed, ColumnCount };
    enum Role {
        CandidatesRole = Qt::UserRole + 1, // the readings to offer, in the shown kana form
        OffsetRole, // where the occurrence is in the page
        LeftRole, // the context before and after the word
        RightRole,
        GuessedRole,
    };
    // Unsure first: guesses, then words read two ways, then the rest.
    enum class Order { Appearance, Frequency, GuessedFirst, UnsureFirst };

    RubyReviewModel(const QString &html, const QList<RubyCandidate> &found, KanaForm kana,
                    QObject *parent = nullptr);

    // Which occurrences are listed at all (the rest are not written).
    void setIncluded(const QList<bool> &included);
    void setOrder(Order order);
    void setFilter(const QString &text);
    // Only the groups at least this doubtful are listed.
    void setLeastConfidence(ReadingConfidence least);

    // The ticked occurrences with their readings in full-width katakana.
    QList<RubyCandidate> choice() const;
    // Words whose group reading the user changed: base and reading in katakana.
    QList<std::pair<QString, QString>> corrections() const;
    // Where each of those was made: the page offset of its group's first place.
    QList<qsizetype> correctionPlaces() const;
    // The next group after row that is a guess, or an invalid index.
    QModelIndex nextGuessed(const QModelIndex &from) const;
    const QList<RubyCandidate> &found() const { return m_found; }
    int occurrencesListed() const;
    // The words with a ticked place, and the ticked places.
    std::pair<int, int> tickedCounts() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Group
    {
        QString base;
        QString proposed; // katakana
        QString reading; // as shown, the user's when edited
        QStringList candidates; // shown form
        bool guessed = false;
        ReadingConfidence confidence = ReadingConfidence::Sure; // the least sure place's
        QList<int> occurrences; // into m_found, included ones only
    };
    struct Occurrence
    {
        QString reading; // the user's own, shown form; empty: the group's
        bool ticked = true;
        bool included = true;
    };

    void rebuild();
    QString readingOf(const Group &group, int occurrence) const;
    // The katakana reading a shown one stands for (romaji: the candidate written so).
    QString readingIn(const QString &shown, int occurrence) const;
    Qt::CheckState groupCheck(const Group &group) const;
    // The user set a reading of their own: no longer a proposal to doubt.
    bool corrected(const Group &group) const;
    // The group's reading to remember, in katakana; empty when none.
    QString correctionOf(const Group &group) const;
    QVariant confidenceData(const Group &group, int role) const;

    QString m_html; // shared, not copied
    QList<RubyCandidate> m_found;
    QList<std::pair<QString, QString>> m_context; // shown text before and after each
    KanaForm m_kana;
    QList<Occurrence> m_state;
    QHash<QString, QString> m_groupReading; // base \t proposed -> the user's reading
    QList<Group> m_groups; // every group with an included occurrence
    QList<int> m_shown; // the rows: groups in order, filtered
    Order m_order = Order::UnsureFirst;
    QString m_filter;
    ReadingConfidence m_least = ReadingConfidence::Sure;
};

// The whole-page dialog: which kanji get ruby and which occurrence only, the
// list to review, and whether corrections are remembered. It returns a choice;
// the command that opened it changes the document.
class RubyReviewDialog : public QDialog
{
    Q_OBJECT

public:
    // level: kanji of grades up to it are known (0 none, 7 every jōyō kanji).
    RubyReviewDialog(const QString &html, const QList<RubyCandidate> &found, KanaForm kana,
                     int level, FirstOnly first, QWidget *parent = nullptr);

    RubyReviewModel *model() const { return m_model; }
    QTreeView *view() const { return m_view; }

    int level() const;
    FirstOnly first() const;
    bool rememberCorrections() const;
    // Moves to the next guessed word (F3).
    void nextGuessed();

    // Its widgets, for tests.
    QCheckBox *rememberCheck() const { return m_rememberCheck; }
    QPushButton *insertButton() const { return m_insertButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QComboBox *levelBox() const { return m_levelBox; }
    QComboBox *firstBox() const { return m_firstBox; }
    QComboBox *orderBox() const { return m_orderBox; }
    QComboBox *confidenceBox() const { return m_confidenceBox; }
    QLabel *countLabel() const { return m_countLabel; }
    QLineEdit *filterEdit() const { return m_filterEdit; }

signals:
    // The user asks to see an occurrence in the editor (double-click or F4).
    void showOccurrence(qsizetype offset, qsizetype length);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *m_levelBox = nullptr;
    QComboBox *m_firstBox = nullptr;
    QComboBox *m_orderBox = nullptr;
    QComboBox *m_confidenceBox = nullptr;
    QLineEdit *m_filterEdit = nullptr;
    QCheckBox *m_rememberCheck = nullptr;
    QLabel *m_countLabel = nullptr;
    QPushButton *m_insertButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    void refilter();
    void updateCount();
    // As wide as a context line and the longest reading, as tall as the list,
    // within the screen.
    void fitToContent();
    void showCurrent();

    QString m_html; // shared, not copied
    RubyReviewModel *m_model = nullptr;
    QTreeView *m_view = nullptr;
};
