#include "app/formmain.h"

#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "core/paths.h"
#include "ui/platform.h"
#include "core/documentfile.h"
#include "ui/filepanel.h"
#include "ui/progresswindow.h"

#include <QAction>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");

constexpr int kOpenFlags = 4100; // no read-only check box, an existing file only
constexpr int kSaveAsFlags = 2; // ask before overwriting

// A failed dialog is reported; a cancelled one is not. True when the dialog was accepted.
bool dialogAccepted(PlatformServices &platform, QWidget *parent, const CommonDialogResult &result)
{
    if (result.outcome == CommonDialogResult::Accepted)
        return true;
    if (result.outcome == CommonDialogResult::Failed && result.errorNumber != kCancelErrorNumber)
        showErrorBox(platform, parent, {result.errorNumber, result.errorDescription});
    return false;
}

} // namespace

void FormMain::MFNew_Click()
{
    if (ConfirmSaveChanges() == kTrue)
        return;
    RTB1->setText(QString());
    mEncoding = {};
    showDocumentState(QString());
    setCaption(kProgramTitle);
    mModified = kFalse;
    MFSave->setEnabled(false);
}

void FormMain::MFOpen_Click()
{
    if (ConfirmSaveChanges() == kTrue)
        return;
    CDlg.DialogTitle = QStringLiteral("ファイルを開く");
    CDlg.FileName = File1->FileName();
    CDlg.Flags = kOpenFlags;
    if (!dialogAccepted(platform(), this, CDlg.ShowOpen()))
        return;
    mFilePath = CDlg.FileName;
    LoadDocument();
}

void FormMain::LoadDocument()
{
    const QString previousTitle = Caption();
    const qsizetype slash = mFilePath.lastIndexOf(QLatin1Char('/'));
    showFolderInPanel(mFilePath.left(slash + 1));
    const QString name = mFilePath.mid(slash + 1);
    setCaption(name);

    ProgressWindow progress(this, QStringLiteral("読み込んでいます..."));
    LoadedText loaded
        = openDocumentFile(mFilePath, platform().codePage(), kMaxDocumentBytes, &progress);
    if (loaded.error.isError() || loaded.stopped) {
        // Left naming the failed file, a following Save would write this text over it.
        setCaption(previousTitle);
        mFilePath = mDocumentPath;
        if (!loaded.stopped)
            showErrorBox(platform(), this, loaded.error);
        return;
    }
    progress.setCancellable(false);
    RTB1->setText(loaded.text, &progress);
    RTB1->setSelStart(0);
    mEncoding = loaded.encoding;
    showDocumentState(loaded.text);
    module().gUndoText = std::move(loaded.text);
    MFSave->setEnabled(true);
    // The text write put the marker on; the loaded document is unchanged.
    setCaption(name);
    mModified = kFalse;
    mDocumentPath = mFilePath;
    noteRecentFile(mFilePath);
}

void FormMain::MFSave_Click()
{
    const QString text = RTB1->Text();
    if (!declarationAllowsSave(text))
        return;
    const ErrorReport error = saveDocumentFile(mFilePath, text, documentEncoding());
    if (error.isError()) {
        showErrorBox(platform(), this, error);
        return;
    }
    mModified = kFalse;
    setCaption(fileNameOfPath(mFilePath));
    showDocumentState(text);
}

void FormMain::MFSaveAs_Click()
{
    CDlg.DialogTitle = QStringLiteral("名前を付けて保存");
    CDlg.FileName = File1->FileName();
    CDlg.Flags = kSaveAsFlags;
    if (!dialogAccepted(platform(), this, CDlg.ShowSave()))
        return;
    const QString text = RTB1->Text();
    if (!declarationAllowsSave(text))
        return;
    mFilePath = CDlg.FileName;
    mDocumentPath = mFilePath;
    const ErrorReport error = saveDocumentFile(mFilePath, text, documentEncoding());
    if (error.isError()) {
        showErrorBox(platform(), this, error);
        return;
    }
    mModified = kFalse;
    MFSave->setEnabled(true);
    setCaption(fileNameOfPath(mFilePath));
    showDocumentState(text);
    noteRecentFile(mFilePath);
}
