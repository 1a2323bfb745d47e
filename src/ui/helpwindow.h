#pragma once

#include <QWidget>

class QTextBrowser;

// The help page inside the program, for a desktop without a web browser: the
// page is simple HTML, its links to its own parts work here.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    void showPage(const QString &helpPage);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
