#include "app/formmain.h"

#include "ui/formsearch.h"

void FormMain::MSSearch_Click()
{
    // An open window only comes to the front and keeps its texts and boxes.
    if (searchForm && searchForm->isVisible()) {
        searchForm->raise();
        searchForm->activateWindow();
        return;
    }
    auto *form = new FormSearch(this, platform(), RTB1);
    searchForm = form;
    form->show();
    // The window opens with the focus in its search box.
    form->activateWindow();
}
