#include "app/formmain.h"

#include "app/editorcontrol.h"
#include "app/errorreport.h"
#include "app/paths.h"
#include "app/platform.h"
#include "document/documentfile.h"

void FormMain::ComIE_Click()
{
    const QString path = joinFolderAndName(platform().programFolder(), QStringLiteral("_tmp.html"));
    // Written exactly as a save writes a document; the document itself is not touched.
    const ErrorReport error = saveDocumentFile(path, RTB1->Text(), platform().codePage());
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
