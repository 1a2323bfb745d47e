// A file with LF line ends, edited in the real program, keeps LF line ends.

#include "xsession.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLineEndsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void lfFileStaysLf()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("unix.htm")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<p>one</p>\n<p>two</p>\n") > 0);
        file.close();
        XSession session;
        QString why;
        if (!session.startDisplay(&why))
            QSKIP(qPrintable(why));
        QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path(),
                                     {file.fileName()}, QStringLiteral("unix.htm")));
        session.focus(session.mainWindow());
        session.key(QStringLiteral("End Return"));
        session.type(QStringLiteral("<p>new</p>"));
        session.key(QStringLiteral("Down shift+Return"));
        QVERIFY(session.waitForTitle(session.mainWindow(), QStringLiteral("unix.htm (更新)")));
        session.key(QStringLiteral("ctrl+s"));
        QVERIFY(session.waitForTitle(session.mainWindow(), QStringLiteral("unix.htm")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("<p>one</p>\n<p>new</p>\n<p>two</p>\n\n"));
    }
};

QTEST_GUILESS_MAIN(TestLineEndsEndToEnd)
#include "tst_lineends_e2e.moc"
