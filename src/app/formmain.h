#pragma once

#include "ui/commondialog.h"
#include "core/module1.h"
#include "core/documentfile.h"
#include "core/safesave.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

class DirListBox;
class DriveListBox;
class EditorControl;
class FileListBox;

class PlatformServices;
class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QRadioButton;
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
    QAction *MFEnd = nullptr;
    QMenu *MEdit = nullptr;
    QAction *MERuby = nullptr;
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
    // nothing was written.
    bool WriteDocument(const QString &path);
    // Asks before Save writes over a file that another program changed or removed.
    bool ConfirmOverwriteOnDisk();
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

    // Search window (search/formmain_search.cpp)
    void MSSearch_Click();

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

    Module1 &m_module;
    PlatformServices &m_platform;
    QString m_caption;
    bool m_unloaded = false;
    bool m_offeringReload = false;
};
