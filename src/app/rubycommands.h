#pragma once

#include "core/ruby/rubybatch.h"
#include "core/ruby/rubytext.h"

#include <QObject>
#include <QString>

#include <memory>

class EditorControl;
class PlatformServices;
class QAction;
class ReadingEngine;
class UserReadings;
class QWidget;
struct Error;
struct RubyChoice;
struct RubyProposal;

// The ruby commands of the main window: F5 on the selection, ruby for the whole
// page through the review list, removing ruby, and the folder of the user's
// readings. It keeps how elements are written (the window's option controls
// set it) and owns the reading engines over the user's readings.
class RubyCommands : public QObject
{
    Q_OBJECT

public:
    // Dialogs and messages open over window; the commands work on editor.
    RubyCommands(EditorControl *editor, PlatformServices &platform, QWidget *window);
    ~RubyCommands() override;

    // The actions the window places in its menus.
    struct Actions
    {
        QAction *insertRuby, *annotatePage, *perKanji, *perWord, *stripRuby, *editReadings;
    };
    const Actions &actions() const { return m_actions; }

    KanaForm kanaForm() const { return m_kanaForm; }
    bool omitOkurigana() const { return m_omitOkurigana; }
    bool perKanji() const { return m_perKanji; }
    bool perWord() const { return m_perWord; }
    // Which kanji and which occurrences whole-page ruby offers, as last chosen.
    int gradeLevel() const { return m_gradeLevel; }
    FirstOnly firstOnly() const { return m_firstOnly; }
    void setGradeLevel(int level) { m_gradeLevel = level; }
    void setFirstOnly(FirstOnly first) { m_firstOnly = first; }
    // How elements are written now: the kana form, the attribute, per kanji.
    RubyForm rubyForm() const;

    // The engine F5 reads with, and the one whole-page ruby reads with.
    ReadingEngine &readingEngine();
    ReadingEngine &pageEngine();
    // Read on first use; a damaged file is reported once and then left alone:
    // corrections are kept in memory only.
    UserReadings *userReadings();
    void tellNotRemembered(const Error &error);
    // Says once, in the status bar, that the list of names and rare words
    // could not be read: readings go on without it.
    void tellWordList(const ReadingEngine &engine);

    // Replaces the selection with the element of base and the choice, as one
    // step, and keeps the choice's attribute for the next time.
    RubyProposal proposalOf(const QString &reading, const QStringList &others, bool guessed,
                            bool unsure) const;
    void insertElement(const QString &base, const RubyChoice &choice);

public slots:
    void setKanaForm(KanaForm form) { m_kanaForm = form; }
    void setOmitOkurigana(bool omit) { m_omitOkurigana = omit; }
    void setPerKanji(bool perKanji) { m_perKanji = perKanji; }
    void setPerWord(bool perWord) { m_perWord = perWord; }

    void insertRuby();
    void annotatePage();
    void stripRuby();
    // Opens the folder of the user's readings file in the desktop's file manager.
    void editReadings();

signals:
    // A sentence for the window's status bar.
    void statusMessage(const QString &message);

private:
    void createActions();
    void showError(const Error &error);
    void showInformation(const QString &title, const QString &text);
    // Hands the keyboard back to the window after a dialog: without a window
    // manager nobody else does.
    void returnToWindow();

    EditorControl *m_editor;
    PlatformServices &m_platform;
    QWidget *m_window;
    KanaForm m_kanaForm = KanaForm::Hiragana;
    bool m_omitOkurigana = true;
    bool m_perKanji = false;
    bool m_perWord = false; // one element over the whole word, kana inside too
    int m_gradeLevel = 0;
    FirstOnly m_firstOnly = FirstOnly::Every;
    // The attribute offered in the dialog, kept for the run only.
    QString m_attribute = QStringLiteral("style=\"font-size:7pt\"");
    bool m_attributeOn = false;
    std::unique_ptr<UserReadings> m_userReadings;
    bool m_toldUnsaved = false; // that corrections are kept in memory only
    bool m_toldWordList = false;
    std::unique_ptr<ReadingEngine> m_readingEngine;
    std::unique_ptr<ReadingEngine> m_pageEngine;
    Actions m_actions {};
};
