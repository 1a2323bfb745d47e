#include "app/formmain.h"
#include "core/installlayout.h"
#include "ui/formversion.h"
#include "ui/platform.h"

void FormMain::MHHelp_Click()
{
    // Whether the page is there or opened is not checked: the desktop reports it.
    platform().openWithDesktop(helpPagePath(platform().programFolder()));
}

void FormMain::MHVersion_Click()
{
    FormVersion form(platform());
    form.exec();
}
