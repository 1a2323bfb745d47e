#include "app/mainwindow.h"

#include "app/documentcommands.h"

#include "core/document/documentfile.h"
#include "core/paths.h"
#include "core/document/previewfile.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"

#include <QCoreApplication>

void MainWindow::preview()
{
    const QString programFolder = platform().programFolder();
    const QString folder = previewFolder(programFolder);
    if (folder != programFolder) {
        const Result<void> ready = preparePrivateFolder(folder);
        if (!ready) {
            showPreviewError(platform(), this, ready.error());
            return;
        }
    }
    const QString path = joinFolderAndName(folder, QStringLiteral("_tmp.html"));
    // Encoded as a save encodes the document; only this copy gets the base address.
    QString text = m_editor->text();
    const QString document = m_documents->session().path();
    if (!document.isEmpty())
        text = withDocumentBase(text, document.left(document.lastIndexOf(QLatin1Char('/')) + 1));
    const Result<QByteArray> encoded = m_documents->session().encode(text);
    if (!encoded) {
        showDocumentError(platform(), this, encoded.error());
        return;
    }
    if (const Result<void> written = m_previewFiles.write(path, *encoded); !written) {
        showPreviewError(platform(), this, written.error());
        return;
    }
    if (platform().openInBrowser(path))
        return;
    const QString message = QCoreApplication::translate("MainWindow", "ブラウザが見つからないため、表示できません。")
        + QStringLiteral("\r\n") + QCoreApplication::translate("MainWindow", "確認用のファイル: ") + path;
    if (platform().askTwoWay(this, QStringLiteral("Rubello"), message,
                             QCoreApplication::translate("MainWindow", "パスをコピー (&C)"), QCoreApplication::translate("MainWindow", "閉じる")))
        platform().copyText(path);
}

void MainWindow::previewFromMenu()
{
    preview();
}
