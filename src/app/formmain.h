#pragma once

#include "core/document/documentfile.h"
#include "core/document/encodings.h"
#include "core/document/previewfile.h"
#include "core/reading/readingengine.h"
#include "core/reading/readingtoken.h"
#include "core/ruby/rubybatch.h"
#include "core/document/safesave.h"
#include "core/text/lineendindex.h"
#include "core/settingsfile.h"
#include "ui/commondialog.h"

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class DirListBox;
class DocumentCommands;
class DriveListBox;
class EditorControl;
class FileListBox;
class HtmlHighlighter;

class PlatformServices;
class ReadingEngine;
struct Error;
struct RubyChoice;
struct RubyForm;
class UserReadings;
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
    CommonDialog CDlg;

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
    quint8 mKanaMode = 1;

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
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void CheckHTML_Click();
    void RTB1_OLEDragDrop(const QStringList &files);
    // Moves the panel to a folder (a load does this); failures are reported there.
    void showFolderInPanel(const QString &folder);

    // Ruby command and options (ruby/formmain_ruby.cpp)
    void MERuby_Click();
    // Replaces the selection with the element of base and the choice, as one step.
    void insertRuby(const QString &base, const RubyChoice &choice);
    // How elements are written now: the kana option, the attribute, per kanji.
    RubyForm rubyForm() const;
    void OptionKana_Click(int index);
    void MOReadings_Click();

    // Whole-page ruby, reviewed in a list (formmain_batch.cpp)
    void MEBatch_Click();
    // The engine over the window's reading service and the user's readings.
    ReadingEngine &batchEngine();
    std::unique_ptr<ReadingEngine> mBatchEngine;
    // Which kanji and which occurrences get ruby, as last chosen.
    int mRubyLevel = 0;
    FirstOnly mRubyFirst = FirstOnly::Every;

    // Removing ruby from the selection or the page (formmain_strip.cpp)
    void MEStrip_Click();

    // Edit commands, context menu, font and colours (edit/formmain_edit.cpp)
    void MEBack_Click();
    void MERedo_Click();
    void MECut_Click();
    void MECopy_Click();
    void MEPaste_Click();
    void MEDel_Click();
    void MEAll_Click();
    void RTB1_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &position);
    void MOFont_Click();
    void MOfColor_Click();
    void MObColor_Click();

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

    // Remembered choices and recent files (formmain_settings.cpp). Without
    // settings attached (tests) nothing is read or kept; a file that start-up found
    // read-only or damaged is read and never written, and its state is told.
    void useSettings(QSettings *settings, const SettingsFileState &state = {});
    void storeSettings();
    void noteRecentFile(const QString &path);
    void openRecentFile(const QString &path);
    QStringList mRecentFiles;
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
    void MFPrint_Click();
    void MSNext_Click();
    void MSPrevious_Click();
    void setNewLineEnd(LineEnd end);
    LineEnd newLineEnd() const { return mNewLineEnd; }
    void setHtmlColours(bool on);
    bool htmlColours() const { return m_highlighter != nullptr; }
    // Points added to the chosen font size: steps of one point, 0 back to it.
    void zoomEditor(int steps);
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
    void connectEditKeys(); // edit/formmain_edit.cpp
    void createEncodingMenu(); // formmain_encoding.cpp
    void createStatusBar();
    void createDesktopMenus(); // formmain_desktop.cpp
    void findAgain(bool forward);
    LineEnd mNewLineEnd = LineEnd::Lf;
    HtmlHighlighter *m_highlighter = nullptr;
    double m_zoom = 0; // points added to the font the user chose
    double m_zoomedSize = 0; // the size shown while zoomed
    void showCaret();
    void showLineEnds();
    void showLineEnds(QStringView text);
    QTimer *m_statusTimer = nullptr;
    QSplitter *m_splitter = nullptr;

    PlatformServices &m_platform;
    void rebuildRecentMenu();

    QString m_caption;
    bool m_unloaded = false;
    QSettings *m_settings = nullptr;
    bool m_settingsWritable = true;
    bool settingsWritable() const;
    void reportSettingsProblem(const SettingsFileState &state);
    PreviewFiles m_previewFiles;
    // Corrections the user made to proposed readings, read on the first ruby command.
    std::unique_ptr<UserReadings> m_userReadings;
    UserReadings &userReadings();
    std::unique_ptr<ReadingEngine> m_readingEngine;
    ReadingEngine &readingEngine();
    // The ruby attribute offered in the dialog, kept for the run only.
    struct RubyAttribute
    {
        QString text = QStringLiteral("style=\"font-size:7pt\"");
        bool on = false;
    } m_rubyAttribute;
    void showError(const Error &error);
    DocumentCommands *m_documents = nullptr;
};
