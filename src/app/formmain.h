#pragma once

#include "core/document/documentfile.h"
#include "core/document/encodings.h"
#include "core/module1.h"
#include "core/document/previewfile.h"
#include "core/reading/readingtoken.h"
#include "core/document/safesave.h"
#include "core/settingsfile.h"
#include "ui/commondialog.h"

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class DirListBox;
class DriveListBox;
class EditorControl;
class FileListBox;

class PlatformServices;
class UserReadings;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QSettings;
class QTimer;
class QToolButton;

// The main window: the file panel and ruby options on the left, the editor RTB1
// filling the rest. Its command handlers live beside the area they belong to
// (documents, ruby, edit, preview, search); this file holds the window itself.
class FormMain : public QMainWindow
{
    Q_OBJECT

public:
    FormMain(Module1 &module, PlatformServices &platform, QWidget *parent = nullptr);
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
    QString mFilePath;
    qint16 mFileNo = 0;
    qint16 mModified = kFalse;
    quint8 mKanaMode = 1;
    QString mRubyBase;

    Module1 &module() { return m_module; }
    PlatformServices &platform() { return m_platform; }
    // The search window while it is loaded.
    QPointer<QDialog> searchForm;

    // Lifecycle (this file)
    void Form_Load();
    void Form_Resize();
    void RTB1_Change();
    qint16 Form_QueryUnload();
    void Form_Unload();
    void MFEnd_Click();
    // The session ends (SIGTERM, SIGHUP): no question can be asked, so changed
    // text goes to a copy beside the document, and the window closes.
    void endOnSignal();
    QString mUnsavedCopy; // where endOnSignal kept the text

    // Documents and the save prompt (document/formmain_documents.cpp)
    void MFNew_Click();
    void MFOpen_Click();
    void MFSave_Click();
    void MFSaveAs_Click();
    qint16 ConfirmSaveChanges();
    void LoadDocument();
    // mFilePath as the document commands last left it: a failed load goes back to it.
    QString mDocumentPath;
    // The document's file as last read or written, and a change the user chose to keep.
    FileIdentity mFileIdentity;
    FileIdentity mReloadDeclined;
    // The largest file a load accepts; a save that would go beyond it asks first.
    qint64 mLoadLimit = kMaxDocumentBytes;
    // Encodes and writes the text after the questions a save may need; false when
    // nothing was written, as when the file is no longer the one seen before them.
    bool WriteDocument(const QString &path, const FileIdentity &seen);
    // Asks before Save writes over a file that another program changed or removed;
    // approved is the file as it was when the user was asked.
    bool ConfirmOverwriteOnDisk(FileIdentity *approved);
    // Offers to read the file again when it changed on disk and the document did not.
    void OfferReload();

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
    void OptionKana_Click(int index);
    void MOReadings_Click();
    void MEBatch_Click();
    // Readings the user corrected in the batch dialog, by word and proposal.
    QHash<QString, QString> mRubyCorrections;
    // Words and readings for the batch; MeCab unless a test sets another.
    TextTokenizer mBatchTokenizer;

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
    TextEncoding mEncoding; // what the document is written in; empty: the system's code page
    TextEncoding documentEncoding() const;
    void MCReopen_Click(const TextEncoding &encoding);
    void MCConvert_Click(const TextEncoding &encoding);
    // Asks before a save whose encoding the text's own declaration contradicts.
    bool declarationAllowsSave(const QString &text);
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

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void setTabOrder();
    void connectHandlers();
    void connectFilePanel(); // document/formmain_filepanel.cpp
    void connectEditKeys(); // edit/formmain_edit.cpp
    void createEncodingMenu(); // formmain_encoding.cpp
    void createStatusBar();
    void showCaret();
    void showLineEnds();
    QTimer *m_statusTimer = nullptr;

    Module1 &m_module;
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
    bool m_offeringReload = false;
};
