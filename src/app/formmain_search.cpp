#include "app/formmain.h"

#include "ui/formsearch.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

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
    // F3 and Shift+F3 repeat the window's last search after it is closed.
    for (QPushButton *button : {form->ComSearch, form->ComReplace, form->ComAllReplace}) {
        connect(button, &QPushButton::clicked, this, [this, form] {
            mLastSearch = form->TextSearch->text();
            mLastSearchExact = form->CheckStr->isChecked();
        });
    }
    form->show();
    // The window opens with the focus in its search box.
    form->activateWindow();
}
