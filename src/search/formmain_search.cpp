#include "app/formmain.h"

#include "search/formsearch.h"

void FormMain::MSSearch_Click()
{
    // An open window only comes to the front and keeps its texts and boxes.
    if (searchForm && module().gSearchLoaded == kTrue) {
        searchForm->raise();
        searchForm->activateWindow();
        return;
    }
    auto *form = new FormSearch(*this);
    searchForm = form;
    form->show();
    // The window opens with the focus in its search box.
    form->activateWindow();
}
