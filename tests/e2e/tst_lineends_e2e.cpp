// A file with LF line ends, edited in the real program, keeps LF line ends.

#include "xsession.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestLineEndsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void lfFileStaysLf();
};

void TestLineEndsEndToEnd::lfFileStaysLf()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unix.htm"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<p>one</p>\n<p>two</p>\n");
    }
    XSession session;
    QString why;
    if (!session.startDisplay(&why))
        QSKIP(qPrintable(why));
    QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path()));
    const QString window = session.mainWindow();

    session.focus(window);
    session.key(QStringLiteral("ctrl+o"));
    const QString dialog = session.waitForDialog(QStringLiteral("ファイルを開く"));
    QVERIFY2(!dialog.isEmpty(), "the open dialog did not appear");
    session.focus(dialog);
    session.type(path);
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ファイルを開く")));
    session.focus(window);
    QVERIFY(session.waitForTitle(window, QStringLiteral("unix.htm")));

    session.key(QStringLiteral("End Return"));
    session.type(QStringLiteral("<p>new</p>"));
    session.key(QStringLiteral("Down shift+Return"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("unix.htm (更新)")));
    session.key(QStringLiteral("ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("unix.htm")));

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("<p>one</p>\n<p>new</p>\n<p>two</p>\n\n"));
}

QTEST_GUILESS_MAIN(TestLineEndsEndToEnd)
#include "tst_lineends_e2e.moc"
