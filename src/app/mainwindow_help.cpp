#include "app/mainwindow.h"
#include "core/document/installlayout.h"
#include "ui/aboutdialog.h"
#include "ui/platform.h"

void MainWindow::showHelp()
{
    // Whether the page is there is not checked: the browser reports it. Without a
    // browser the page is simple enough to show here.
    const QString page = helpPagePath(platform().programFolder());
    if (!platform().openInBrowser(page))
        platform().showHelpWindow(this, page);
}

void MainWindow::showAbout()
{
    AboutDialog form(platform());
    form.exec();
}
