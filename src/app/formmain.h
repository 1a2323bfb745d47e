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
#include "core/settingsfile.h"

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class DirListBox;
class DocumentCommands;
class DriveListBox;
class EditorControl;
class FileBrowser;
class FileListBox;

class PlatformServices;
struct Error;
class RubyCommands;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QSettings;
class QSplitter;
class QTimer;
class QToolButton;

// The main window: the file panel and ruby options on the left, the editor RTB1
// filling the rest. Its command handlers live beside the area they belong to
// (documents, ruby, edit, preview, search); this file holds the window itself.
class FormMain : public QMainWindow
{
    Q_OBJECT

public:
    FormMain(PlatformServices &platform, QWidget *parent = nullptr);
    ~FormMain() override;

    // The caption, without Qt's placeholder handling.
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // Controls
    EditorControl *RTB1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QRadioButton *OptionKana[3] = {};
    QCheckBox *CheckSentKana = nullptr;
    QToolButton *ComIE = nullptr;
    DriveListBox *Drive1 = nullptr;
    DirListBox *Dir1 = nullptr;
    FileListBox *File1 = nullptr;
    QCheckBox *CheckHTML = nullptr;

    // Menus and items
    QMenu *MFile = nullptr;
    QAction *MFNew = nullptr;
    QAction *MFOpen = nullptr;
    QAction *MFSave = nullptr;
    QAction *MFSaveAs = nullptr;
    QMenu *MFRecent = nullptr; // 最近使ったファイル
    QAction *MFEnd = nullptr;
    QMenu *MEdit = nullptr;
    QAction *MERuby = nullptr;
    QAction *MEBatch = nullptr;
    QAction *MEPerKanji = nullptr;
    QAction *MEStrip = nullptr;
    QAction *MEIe = nullptr;
    QAction *MEBack = nullptr;
    QAction *MERedo = nullptr;
    QAction *MECut = nullptr;
    QAction *MECopy = nullptr;
    QAction *MEPaste = nullptr;
    QAction *MEDel = nullptr;
    QAction *MEAll = nullptr;
    QMenu *MSearch = nullptr;
    QAction *MSSearch = nullptr;
    QMenu *MOption = nullptr;
    QAction *MOFont = nullptr;
    QAction *MOfColor = nullptr;
    QAction *MObColor = nullptr;
    QMenu *MCode = nullptr;
    QMenu *MCReopen = nullptr;
    QMenu *MCConvert = nullptr;
    QAction *MOReadings = nullptr;
    QMenu *MHelp = nullptr;
    QAction *MHHelp = nullptr;
    QAction *MHVersion = nullptr;

    // Window state
    qint16 mFileNo = 0;

    static QString programTitle();
    PlatformServices &platform() { return m_platform; }
    // The search window while it is loaded.
    QPointer<QDialog> searchForm;

    // Lifecycle (this file)
    void Form_Load();
    bool Form_QueryUnload();
    void Form_Unload();
    void MFEnd_Click();
    // The session ends (SIGTERM, SIGHUP): no question can be asked, so changed
    // text goes to a copy beside the document, and the window closes.
    void endOnSignal();
    QString mUnsavedCopy; // where endOnSignal kept the text

    // The document, its file and the commands that ask about them.
    DocumentCommands &documentCommands() { return *m_documents; }

    // File panel and drops (document/formmain_filepanel.cpp)
    void RTB1_OLEDragDrop(const QStringList &files);
    // Asks to keep the changes, then loads the file (from the panel or the recent files).
    void openFile(const QString &path);
    // Moves the panel to a folder (a load does this); failures are reported there.
    void showFolderInPanel(const QString &folder);

    // F5, whole-page ruby, removing ruby and the ruby options.
    RubyCommands &rubyCommands() const { return *m_ruby; }

    // Edit commands, context menu, font, colours, zoom and printing, the editor's own
    EditorCommands &editorCommands() const { return *m_editorCommands; }

    // Preview, help, About (preview/formmain_preview.cpp)
    void ComIE_Click();
    void MEIe_Click();
    void MHHelp_Click();
    void MHVersion_Click();

    // Encodings and the status bar (formmain_encoding.cpp)
    // After a load or a save: the encoding and the text's line ends.
    void showDocumentState(QStringView text);
    QLabel *StatusEncoding = nullptr;
    QLabel *StatusLineEnds = nullptr;
    QLabel *StatusCaret = nullptr;

    // Search window (search/formmain_search.cpp)
    void MSSearch_Click();

    // Remembered choices and recent files (formmain_settings.cpp), kept by
    // WindowSettings; the window shows what it read and tells it what to keep.
    void useSettings(QSettings *settings, const SettingsFileState &state = {});
    void storeSettings();
    void noteRecentFile(const QString &path);
    WindowSettings &windowSettings() const { return *m_windowSettings; }
    // The file named on the command line, through the normal load.
    void openFromCommandLine(const QString &path);

    // Printing, find again, zoom, the new documents' line end and the colours of
    // HTML (formmain_desktop.cpp)
    QAction *MFPrint = nullptr;
    QAction *MSNext = nullptr;
    QAction *MSPrevious = nullptr;
    QMenu *MONewLineEnd = nullptr; // 新規文書の改行
    QAction *MONewLf = nullptr;
    QAction *MONewCrLf = nullptr;
    QAction *MOColours = nullptr; // HTMLの色分け
    QAction *MOZoomIn = nullptr;
    QAction *MOZoomOut = nullptr;
    QAction *MOZoomReset = nullptr;
    void setNewLineEnd(LineEnd end);
    LineEnd newLineEnd() const { return mNewLineEnd; }
    // The last search of the search window, for F3 and Shift+F3.
    QString mLastSearch;
    bool mLastSearchExact = false;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void setTabOrder();
    void connectHandlers();
    void connectFilePanel(); // document/formmain_filepanel.cpp
    FileBrowser *m_fileBrowser = nullptr;
    void createEncodingMenu(); // formmain_encoding.cpp
    void createStatusBar();
    void createDesktopMenus(); // formmain_desktop.cpp
    void findAgain(bool forward);
    LineEnd mNewLineEnd = LineEnd::Lf;
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
};
