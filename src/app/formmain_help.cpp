#include "app/formmain.h"
#include "core/installlayout.h"
#include "ui/formversion.h"
#include "ui/platform.h"

void FormMain::MHHelp_Click()
{
    // Whether the page is there is not checked: the browser reports it. Without a
    // browser the page is simple enough to show here.
    const QString page = helpPagePath(platform().programFolder());
    if (!platform().openInBrowser(page))
        platform().showHelpWindow(this, page);
}

void FormMain::MHVersion_Click()
{
    FormVersion form(platform());
    form.exec();
}
