#include "app/formmain.h"

#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "core/paths.h"
#include "ui/platform.h"
#include "core/documentfile.h"

void FormMain::ComIE_Click()
{
    const QString path = joinFolderAndName(platform().programFolder(), QStringLiteral("_tmp.html"));
    // Written exactly as a save writes a document; the document itself is not touched.
    const ErrorReport error = saveDocumentFile(path, RTB1->Text(), documentEncoding());
    if (error.isError()) {
        showErrorBox(platform(), this, error);
        return;
    }
    platform().openWithDesktop(path);
}

void FormMain::MEIe_Click()
{
    ComIE_Click();
}
