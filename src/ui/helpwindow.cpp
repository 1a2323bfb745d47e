#include "ui/helpwindow.h"

#include <QCoreApplication>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    // Only the page's own links are followed: there is no browser for the others.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        const QUrl target = m_browser->source().resolved(link);
        if (target.isLocalFile())
            m_browser->setSource(target);
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QCoreApplication::translate("HelpWindow", "ヘルプ") : title);
    });
    resize(720, 600);
}

void HelpWindow::showPage(const QString &helpPage)
{
    m_browser->setSource(QUrl::fromLocalFile(helpPage));
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QCoreApplication::translate("HelpWindow", "ヘルプ") : title);
    show();
    raise();
    activateWindow();
}
