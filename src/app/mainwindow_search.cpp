#include "app/mainwindow.h"

#include "app/editorcommands.h"
#include "ui/searchdialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

void MainWindow::showSearch()
{
    // An open window only comes to the front and keeps its texts and boxes.
    if (m_searchDialog && m_searchDialog->isVisible()) {
        m_searchDialog->raise();
        m_searchDialog->activateWindow();
        return;
    }
    auto *form = new SearchDialog(this, platform(), m_editor);
    m_searchDialog = form;
    // F3 and Shift+F3 repeat the window's last search after it is closed.
    for (QPushButton *button : {form->findButton(), form->replaceButton(), form->replaceAllButton()}) {
        connect(button, &QPushButton::clicked, this, [this, form] {
            m_lastSearch = form->searchEdit()->text();
            m_lastSearchExact = form->exactCheck()->isChecked();
        });
    }
    connect(form, &SearchDialog::statusMessage, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    form->show();
    // The window opens with the focus in its search box.
    form->activateWindow();
}

void MainWindow::findAgain(bool forward)
{
    // The search window's texts while it is open, else its last search.
    if (auto *form = qobject_cast<SearchDialog *>(m_searchDialog.data());
        form && form->isVisible() && !form->searchEdit()->text().isEmpty()) {
        m_lastSearch = form->searchEdit()->text();
        m_lastSearchExact = form->exactCheck()->isChecked();
    }
    if (m_lastSearch.isEmpty()) {
        showSearch();
        return;
    }
    m_editorCommands->findAgain(m_lastSearch, m_lastSearchExact, forward);
}
