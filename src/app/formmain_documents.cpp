#include "app/formmain.h"

#include "core/document/documentfile.h"
#include "core/paths.h"
#include "core/document/safesave.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/filepanel.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"

#include <QAction>
#include <QEvent>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");

} // namespace

void FormMain::MFNew_Click()
{
    if (ConfirmSaveChanges())
        return;
    RTB1->setText(QString());
    RTB1->setLineEndConvention(newLineEnd());
    mEncoding = {};
    showDocumentState(QString());
    setCaption(kProgramTitle);
    mModified = false;
    MFSave->setEnabled(false);
}

void FormMain::MFOpen_Click()
{
    if (ConfirmSaveChanges())
        return;
    const std::optional<QString> path
        = platform().askOpenPath(this, QStringLiteral("ファイルを開く"), File1->FileName());
    if (!path)
        return;
    mFilePath = *path;
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
    LoadedText loaded = openDocumentFile(mFilePath, platform().codePage(), mLoadLimit, &progress);
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
    noteOverruledDeclaration(loaded);
    mFileIdentity = fileIdentity(mFilePath);
    mReloadDeclined = FileIdentity();
    MFSave->setEnabled(true);
    // The text write put the marker on; the loaded document is unchanged.
    setCaption(name);
    mModified = false;
    mDocumentPath = mFilePath;
    noteRecentFile(mFilePath);
}

bool FormMain::WriteDocument(const QString &path, const FileIdentity &seen)
{
    QString text = RTB1->Text();
    if (!declarationAllowsSave(text))
        return false;
    const EncodedText encoded = encodeDocument(text, documentEncoding());
    if (encoded.error.isError()) {
        showErrorBox(platform(), this, encoded.error);
        return false;
    }
    if (encoded.bytes.size() > mLoadLimit) {
        const QString prompt = QStringLiteral("保存すると %1 バイトになり、このプログラムで"
                                              "開ける大きさ（%2 バイトまで）を超えます。")
                                   .arg(encoded.bytes.size())
                                   .arg(mLoadLimit)
            + QStringLiteral("\r\n") + QStringLiteral("保存しますか？");
        if (platform().showMessage(this, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    if (isReadOnlyForOwner(path)) {
        const QString prompt = fileNameOfPath(path) + QStringLiteral("　は読み取り専用です。")
            + QStringLiteral("\r\n") + QStringLiteral("上書きしますか？");
        if (platform().showMessage(this, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    // The file must still be the one seen before the questions.
    const SaveOutcome outcome = saveBytesSafely(path, encoded.bytes, &seen);
    if (outcome.error.isError()) {
        showErrorBox(platform(), this, outcome.error);
        return false;
    }
    mFileIdentity = outcome.identity;
    mReloadDeclined = FileIdentity();
    showDocumentState(text);
    return true;
}

bool FormMain::ConfirmOverwriteOnDisk(FileIdentity *approved)
{
    const FileIdentity now = fileIdentity(mFilePath);
    *approved = now;
    if (!mFileIdentity.exists)
        return true;
    // What is no file now (a folder, a FIFO) is refused by the write itself.
    if (now == mFileIdentity || (now.exists && !now.regular))
        return true;
    const QString name = fileNameOfPath(mFilePath);
    if (!now.exists) {
        return platform().askTwoWay(this, kProgramTitle,
                                    name + QStringLiteral("　は削除されたか、移動されました。")
                                        + QStringLiteral("\r\n")
                                        + QStringLiteral("作成し直しますか？"),
                                    QStringLiteral("作成し直す"), QStringLiteral("キャンセル"));
    }
    return platform().askTwoWay(this, kProgramTitle,
                                name
                                    + QStringLiteral("　は他のプログラムによって変更されています。")
                                    + QStringLiteral("\r\n") + QStringLiteral("上書きしますか？"),
                                QStringLiteral("上書き"), QStringLiteral("保存しない"));
}

void FormMain::OfferReload()
{
    if (m_offeringReload || mModified || !MFSave->isEnabled() || !mFileIdentity.exists)
        return;
    const FileIdentity now = fileIdentity(mFilePath);
    if (!now.exists || now == mFileIdentity || now == mReloadDeclined)
        return;
    QScopedValueRollback guard(m_offeringReload, true);
    const QString prompt = fileNameOfPath(mFilePath)
        + QStringLiteral("　は他のプログラムによって変更されました。") + QStringLiteral("\r\n")
        + QStringLiteral("読み込み直しますか？");
    if (platform().showMessage(this, QMessageBox::Question, kProgramTitle, prompt,
                               QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes) {
        mReloadDeclined = now;
        return;
    }
    // The document may have changed while the question was up.
    if (!mModified)
        LoadDocument();
}

void FormMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, &FormMain::OfferReload);
}

void FormMain::MFSave_Click()
{
    FileIdentity approved;
    if (!ConfirmOverwriteOnDisk(&approved) || !WriteDocument(mFilePath, approved))
        return;
    mModified = false;
    setCaption(fileNameOfPath(mFilePath));
}

void FormMain::MFSaveAs_Click()
{
    // A document with a file starts at that file's folder and name.
    const std::optional<QString> chosen = platform().askSavePath(
        this, QStringLiteral("名前を付けて保存"), MFSave->isEnabled() ? mFilePath : File1->FileName());
    if (!chosen)
        return; // a cancel is no failure
    // The document keeps its path until the new file is really written.
    const QString path = *chosen;
    if (!WriteDocument(path, fileIdentity(path)))
        return;
    mFilePath = path;
    mDocumentPath = path;
    mModified = false;
    MFSave->setEnabled(true);
    setCaption(fileNameOfPath(mFilePath));
    noteRecentFile(mFilePath);
}
