// The real program on a desktop that names it the handler of HTML: help and
// preview reach the web browser, never a second Rubello; without a browser the
// help shows inside. Two files on the command line open two windows.

#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDesktopEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pagesGoToTheBrowser_data();
    void pagesGoToTheBrowser();

private:
    QString m_why;
};

namespace {

void writeFile(const QString &path, const QByteArray &bytes, bool program = false)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    if (program)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList lines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
        : QStringList();
}

} // namespace

void TestDesktopEndToEnd::initTestCase()
{
    XSession probe;
    if (!probe.startDisplay(&m_why))
        QSKIP(qPrintable(m_why));
}

void TestDesktopEndToEnd::pagesGoToTheBrowser_data()
{
    QTest::addColumn<bool>("browser");
    QTest::newRow("Rubello the handler of HTML, a stub the default browser") << true;
    QTest::newRow("Rubello the handler of HTML, no browser at all") << false;
}

void TestDesktopEndToEnd::pagesGoToTheBrowser()
{
    QFETCH(bool, browser);
    QTemporaryDir work;
    writeFile(work.filePath(u"a.htm"_s), "<p>a</p>\n");
    writeFile(work.filePath(u"b.htm"_s), "<p>b</p>\n");
    XSession session;
    QVERIFY(session.startDisplay(&m_why));
    const QString home = session.home();
    const QString data = home + u"/data"_s;
    // Rubello installed as the desktop's program for HTML; the stub logs its arguments.
    writeFile(data + u"/applications/rubello.desktop"_s,
              "[Desktop Entry]\nType=Application\nName=Rubello\nMimeType=text/html;\nExec="
                  RUBELLO_BINARY " %F\n");
    writeFile(home + u"/browser/stub"_s,
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$HOME/browser.log\"; done\n",
              true);
    writeFile(data + u"/applications/stub-browser.desktop"_s,
              "[Desktop Entry]\nType=Application\nName=Stub\nExec=" + home.toUtf8()
                  + "/browser/stub --new-window %u\n");
    QByteArray handlers = "[Default Applications]\ntext/html=rubello.desktop\n";
    if (browser)
        handlers += "x-scheme-handler/http=stub-browser.desktop\n"
                    "x-scheme-handler/https=stub-browser.desktop\n";
    writeFile(home + u"/config/mimeapps.list"_s, handlers);
    session.setEnvironment(u"XDG_DATA_HOME"_s, data);
    session.setEnvironment(u"XDG_DATA_DIRS"_s, data);
    session.setEnvironment(u"BROWSER"_s, QString());
    // Nothing of the machine's on the path: no browser but the desktop's.
    session.setEnvironment(u"PATH"_s, home + u"/bin"_s);

    // Two files, a window each; the second is in front.
    QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), work.path(),
                                 {u"a.htm"_s, u"b.htm"_s}, u"a.htm"_s));
    QVERIFY(!session.waitForDialog(u"b.htm"_s).isEmpty());
    const QString window = session.windowsNamed(u"b.htm"_s).value(0);
    session.focus(window);
    session.key(u"F1"_s);
    if (browser) {
        QTRY_VERIFY_WITH_TIMEOUT(lines(home + u"/browser.log"_s).size() == 2, 10000);
        session.key(u"F8"_s);
        QTRY_VERIFY_WITH_TIMEOUT(lines(home + u"/browser.log"_s).size() == 4, 10000);
        const QStringList log = lines(home + u"/browser.log"_s);
        QCOMPARE(log.at(0), u"--new-window"_s);
        QVERIFY2(log.at(1).startsWith(u"file:///"_s) && log.at(1).endsWith(u"/index.html"_s),
                 qPrintable(log.join(u' ')));
        QVERIFY2(log.at(3).endsWith(u"/_tmp.html"_s), qPrintable(log.join(u' ')));
    } else {
        QVERIFY(!session.waitForDialog(u"Rubello ヘルプ"_s).isEmpty());
        session.focus(window);
        session.key(u"F8"_s);
        const QString box = session.waitForDialog(u"Rubello"_s);
        QVERIFY2(!box.isEmpty(), "no word that there is no browser");
        session.key(u"Escape"_s);
        QVERIFY(session.waitForNoDialog(u"Rubello"_s));
    }
    // Never a second Rubello with a page in it, nor the desktop's open action.
    QVERIFY(session.windowsNamed(u"index.html"_s).isEmpty());
    QVERIFY(session.windowsNamed(u"_tmp.html"_s).isEmpty());
    QCOMPARE(session.opened(), QStringList());
    QVERIFY(session.programRunning());
}

QTEST_GUILESS_MAIN(TestDesktopEndToEnd)
#include "tst_desktop_e2e.moc"
