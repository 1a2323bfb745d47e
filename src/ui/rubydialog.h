#pragma once

#include <QComboBox>
#include <QDialog>
#include <QStringList>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The reading box: typed into like a line edit, with the other candidate
// readings in its list (Alt+Down opens it).
class ReadingBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ReadingBox(QWidget *parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString &text) { setEditText(text); }
    // The proposed reading first; typing keeps what the box shows.
    void setCandidates(const QStringList &readings);
};

// What the ruby dialog starts from: the reading in the kana form shown.
struct RubyProposal
{
    QString reading;
    QStringList candidates; // the reading first
    bool guessed = false; // said so beside the box
    QString attribute;
    bool attributeOn = false;
    bool unsure = false; // read two ways and no rule decided: said so, with the others
};

// What the user confirmed. The attribute is the one to keep for the next
// opening: the edited text when ticked, the former one when not.
struct RubyChoice
{
    QString reading;
    QString attribute;
    bool attributeOn = false;
};

// "ルビの挿入": confirms the proposed reading. It returns a choice and never
// touches the document; the command inserts the element.
class RubyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RubyDialog(const RubyProposal &proposal, QWidget *parent = nullptr);

    // Runs the dialog; nothing when the user cancels.
    static std::optional<RubyChoice> ask(const RubyProposal &proposal, QWidget *parent);

    // Set once the user confirmed.
    std::optional<RubyChoice> choice() const { return m_choice; }

    ReadingBox *readingBox() const { return m_reading; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *cancelButton() const { return m_cancel; }
    QCheckBox *attributeCheck() const { return m_attributeOn; }
    QLineEdit *attributeEdit() const { return m_attribute; }
    // Says when the reading is a guess or unsure, or why it cannot be inserted.
    QLabel *noteLabel() const { return m_note; }

private:
    void confirm();

    ReadingBox *m_reading = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_cancel = nullptr;
    QCheckBox *m_attributeOn = nullptr;
    QLineEdit *m_attribute = nullptr;
    QLabel *m_note = nullptr;
    QString m_formerAttribute;
    std::optional<RubyChoice> m_choice;
};
