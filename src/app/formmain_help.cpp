#include "app/formmain.h"
#include "core/paths.h"
#include "ui/platform.h"
#include "ui/formversion.h"

void FormMain::MHHelp_Click()
{
    // Whether the page is there or opened is not checked: the desktop reports it.
    platform().openWithDesktop(
        joinFolderAndName(platform().programFolder(), QStringLiteral("index.html")));
}

void FormMain::MHVersion_Click()
{
    FormVersion form(platform());
    form.exec();
}
