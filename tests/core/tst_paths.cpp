#include "core/paths.h"

#include <QTest>

class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    void join_data();
    void join();
    void fileName_data();
    void fileName();
};

void TestPaths::join_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder without separator") << "/opt/tools"
                                              << "_tmp.html"
                                              << "/opt/tools/_tmp.html";
    QTest::newRow("folder with separator") << "/opt/tools/"
                                           << "index.html"
                                           << "/opt/tools/index.html";
    QTest::newRow("root") << "/"
                          << "a.htm"
                          << "/a.htm";
    QTest::newRow("empty folder") << ""
                                  << "a.htm"
                                  << "/a.htm";
}

void TestPaths::join()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(joinFolderAndName(folder, name), path);
}

void TestPaths::fileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("full path") << "/home/u/a.htm"
                               << "a.htm";
    QTest::newRow("root file") << "/a.htm"
                               << "a.htm";
    QTest::newRow("no folder") << "a.htm"
                               << "a.htm";
    QTest::newRow("folder only") << "/home/u/"
                                 << "";
}

void TestPaths::fileName()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(fileNameOfPath(path), name);
}

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
