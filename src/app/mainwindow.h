#pragma once

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "core/document/documentfile.h"
#include "core/document/encodings.h"
#include "core/document/previewfile.h"
#include "core/reading/readingengine.h"
#include "core/reading/readingtoken.h"
#include "core/ruby/rubybatch.h"
#include "core/document/safesave.h"
#include "core/text/lineendindex.h"
#include "core/document/settingsfile.h"

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class FolderList;
class DocumentCommands;
class DriveList;
class EditorControl;
class FileBrowser;
class FileList;

class PlatformServices;
class PreviewPane;
struct Error;
class RubyCommands;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QSettings;
class QSplitter;
class QTimer;
class QToolButton;
class QUrl;

// The main window: the file panel and ruby options on the left, the editor
// filling the rest. Its command handlers live beside the area they belong to
// (documents, ruby, edit, preview, search); this file holds the window itself.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(PlatformServices &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The caption, without Qt's placeholder handling.
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    static QString programTitle();
    PlatformServices &platform() { return m_platform; }

    // Lifecycle (this file)
    void initialize();
    // Asks about a changed document; true when the window may close.
    bool maybeClose();
    void unload();
    void quit();
    // The session ends (SIGTERM, SIGHUP): no question can be asked, so changed
    // text goes to a copy beside the document, and the window closes.
    void endOnSignal();

    // The document, its file and the commands that ask about them.
    DocumentCommands &documentCommands() { return *m_documents; }

    // File panel and drops (document/mainwindow_filepanel.cpp)
    void openDroppedFiles(const QStringList &files);
    // Asks to keep the changes, then loads the file (from the panel or the recent files).
    void openFile(const QString &path);
    // Moves the panel to a folder (a load does this); failures are reported there.
    void showFolderInPanel(const QString &folder);

    // F5, whole-page ruby, removing ruby and the ruby options.
    RubyCommands &rubyCommands() const { return *m_ruby; }

    // Edit commands, context menu, font, colours, zoom and printing, the editor's own
    EditorCommands &editorCommands() const { return *m_editorCommands; }

    // Preview, help, About (preview/mainwindow_preview.cpp)
    void preview();
    void previewFromMenu();
    void showHelp();
    void showAbout();
    // The rendered preview beside the editor; its engine starts when first shown.
    void setPreviewShown(bool shown);
    bool previewShown() const;
    PreviewPane *previewPane() const { return m_previewPane; }
    QAction *previewPaneAction() const { return m_previewPaneAction; }
    QAction *previewScriptsAction() const { return m_previewScriptsAction; }
    QAction *previewRemoteAction() const { return m_previewRemoteAction; }

    // Encodings and the status bar (mainwindow_encoding.cpp)
    // After a load or a save: the encoding and the text's line ends.
    void showDocumentState(QStringView text);

    // Search window (search/mainwindow_search.cpp)
    void showSearch();

    // Remembered choices and recent files (mainwindow_settings.cpp), kept by
    // WindowSettings; the window shows what it read and tells it what to keep.
    void useSettings(QSettings *settings, const SettingsFileState &state = {});
    void storeSettings();
    // Keeps the whole window, frame and all, within its screen's available area.
    void fitToScreen();
    // The editor's font until the user chooses one: the system's fixed-width font,
    // Japanese from a CJK font.
    static QFont defaultEditorFont();
    void noteRecentFile(const QString &path);
    WindowSettings &windowSettings() const { return *m_windowSettings; }
    // The file named on the command line, through the normal load.
    void openFromCommandLine(const QString &path);

    // Printing, find again, zoom, the new documents' line end and the colours of
    // HTML (mainwindow_desktop.cpp)
    void setNewLineEnd(LineEnd end);
    LineEnd newLineEnd() const { return m_newLineEnd; }

    // Its widgets, for tests and the windows that work with it.
    EditorControl *editor() const { return m_editor; }
    QRadioButton *kanaButton(int index) const { return m_kanaButtons[index]; }
    QComboBox *longVowelBox() const { return m_longVowelBox; }
    QCheckBox *omitOkuriganaCheck() const { return m_omitOkuriganaCheck; }
    FolderList *folderList() const { return m_folderList; }
    FileList *fileList() const { return m_fileList; }
    QCheckBox *htmlOnlyCheck() const { return m_htmlOnlyCheck; }
    QAction *newAction() const { return m_newAction; }
    QAction *saveAction() const { return m_saveAction; }
    QMenu *recentMenu() const { return m_recentMenu; }
    QAction *perKanjiAction() const { return m_perKanjiAction; }
    QAction *perWordAction() const { return m_perWordAction; }
    QAction *stripRubyAction() const { return m_stripRubyAction; }
    QMenu *formatMenu() const { return m_formatMenu; }
    QAction *fontAction() const { return m_fontAction; }
    QAction *backgroundColourAction() const { return m_backgroundColourAction; }
    QMenu *reopenMenu() const { return m_reopenMenu; }
    QMenu *convertMenu() const { return m_convertMenu; }
    QAction *readingsAction() const { return m_readingsAction; }
    // The search window while it is open.
    QDialog *searchDialog() const { return m_searchDialog.data(); }
    QString unsavedCopy() const { return m_unsavedCopy; }
    QLabel *encodingLabel() const { return m_encodingLabel; }
    QLabel *lineEndLabel() const { return m_lineEndLabel; }
    QLabel *caretLabel() const { return m_caretLabel; }
    QAction *printAction() const { return m_printAction; }
    QAction *printPreviewAction() const { return m_printPreviewAction; }
    QAction *findNextAction() const { return m_findNextAction; }
    QAction *findPreviousAction() const { return m_findPreviousAction; }
    QAction *newCrLfAction() const { return m_newCrLfAction; }
    QAction *htmlColoursAction() const { return m_htmlColoursAction; }
    QAction *lineNumbersAction() const { return m_lineNumbersAction; }
    QAction *softWrapAction() const { return m_softWrapAction; }
    QAction *zoomResetAction() const { return m_zoomResetAction; }
    QString lastSearch() const { return m_lastSearch; }
    // What F3 and Shift+F3 look for until the search window says otherwise.
    void setLastSearch(const QString &search, bool exact)
    {
        m_lastSearch = search;
        m_lastSearchExact = exact;
    }
    bool lastSearchExact() const { return m_lastSearchExact; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    EditorControl *m_editor = nullptr;
    QGroupBox *m_rubyOptions = nullptr;
    QRadioButton *m_kanaButtons[4] = {};
    QComboBox *m_longVowelBox = nullptr; // how romaji writes long vowels
    QCheckBox *m_omitOkuriganaCheck = nullptr;
    QToolButton *m_previewButton = nullptr;
    DriveList *m_driveList = nullptr;
    FolderList *m_folderList = nullptr;
    FileList *m_fileList = nullptr;
    QCheckBox *m_htmlOnlyCheck = nullptr;
    QMenu *m_fileMenu = nullptr;
    QAction *m_newAction = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_saveAsAction = nullptr;
    QMenu *m_recentMenu = nullptr; // 最近使ったファイル
    QAction *m_quitAction = nullptr;
    QMenu *m_editMenu = nullptr;
    QAction *m_rubyAction = nullptr;
    QAction *m_annotatePageAction = nullptr;
    QAction *m_perKanjiAction = nullptr;
    QAction *m_perWordAction = nullptr;
    QAction *m_stripRubyAction = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_cutAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_selectAllAction = nullptr;
    QMenu *m_searchMenu = nullptr;
    QAction *m_findAction = nullptr;
    QMenu *m_formatMenu = nullptr;
    QAction *m_fontAction = nullptr;
    QAction *m_textColourAction = nullptr;
    QAction *m_backgroundColourAction = nullptr;
    QMenu *m_encodingMenu = nullptr;
    QMenu *m_reopenMenu = nullptr;
    QMenu *m_convertMenu = nullptr;
    QAction *m_readingsAction = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_helpAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QPointer<QDialog> m_searchDialog;
    QString m_unsavedCopy; // where endOnSignal kept the text
    QLabel *m_encodingLabel = nullptr;
    QLabel *m_lineEndLabel = nullptr;
    QLabel *m_caretLabel = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_printPreviewAction = nullptr;
    QAction *m_findNextAction = nullptr;
    QAction *m_findPreviousAction = nullptr;
    QMenu *m_newLineEndMenu = nullptr; // 新規文書の改行
    QAction *m_newLfAction = nullptr;
    QAction *m_newCrLfAction = nullptr;
    QAction *m_htmlColoursAction = nullptr; // HTMLの色分け
    QAction *m_lineNumbersAction = nullptr;
    QAction *m_softWrapAction = nullptr;
    QAction *m_zoomInAction = nullptr;
    QAction *m_zoomOutAction = nullptr;
    QAction *m_zoomResetAction = nullptr;
    QString m_lastSearch;
    bool m_lastSearchExact = false;

    void createControls();
    void createMenus();
    void setTabOrder();
    void connectHandlers();
    void connectFilePanel(); // document/mainwindow_filepanel.cpp
    FileBrowser *m_fileBrowser = nullptr;
    void createEncodingMenu(); // mainwindow_encoding.cpp
    void createStatusBar();
    void createDesktopMenus(); // mainwindow_desktop.cpp
    void findAgain(bool forward);
    LineEnd m_newLineEnd = LineEnd::Lf;
    EditorCommands *m_editorCommands = nullptr;
    void showCaret();
    void showLineEnds();
    void showLineEnds(QStringView text);
    QTimer *m_statusTimer = nullptr;
    QSplitter *m_splitter = nullptr;

    PlatformServices &m_platform;
    WindowSettings *m_windowSettings = nullptr;

    QString m_caption;
    bool m_unloaded = false;
    PreviewFiles m_previewFiles;
    RubyCommands *m_ruby = nullptr;
    void showError(const Error &error);
    DocumentCommands *m_documents = nullptr;

    // The rendered preview (mainwindow_preview.cpp)
    void createPreviewMenu();
    void createPreviewPane();
    void openPreviewLink(const QUrl &url);
    void usePreviewChoices(const RememberedChoices &choices);
    void keepPreviewChoices(RememberedChoices &choices) const;
    PreviewPane *m_previewPane = nullptr;
    QAction *m_previewPaneAction = nullptr;
    QAction *m_previewScriptsAction = nullptr;
    QAction *m_previewRemoteAction = nullptr;
    int m_previewWidth = 0;
    bool m_previewWanted = false;
};
