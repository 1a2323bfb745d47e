#include "ui/filepanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList texts(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

// A file made under its raw name, bytes and all.
void makeFile(const QString &folder, const QByteArray &rawName)
{
    const int fd
        = ::open((QFile::encodeName(folder) + '/' + rawName).constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
}

} // namespace

class TestFilePanelWatch : public QObject
{
    Q_OBJECT

private slots:
    void everyNameIsListed_data();
    void everyNameIsListed();
    void filesMadeElsewhereShowAtOnce();
};

void TestFilePanelWatch::everyNameIsListed_data()
{
    QTest::addColumn<QByteArray>("rawName");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("undecodable");
    QTest::newRow("Japanese in UTF-8") << QByteArray("日本語.html") << "日本語.html" << false;
    QTest::newRow("Shift-JIS bytes")
        << QByteArray("\x93\xfa\x96\x7b.html") << "\uFFFD\uFFFD\uFFFD{.html" << true;
    QTest::newRow("a stray byte") << QByteArray("b\xff.html") << "b\uFFFD.html" << true;
}

void TestFilePanelWatch::everyNameIsListed()
{
    QFETCH(QByteArray, rawName);
    QFETCH(QString, shown);
    QFETCH(bool, undecodable);
    QTemporaryDir folder;
    makeFile(folder.path(), rawName);
    FileListBox list;
    QVERIFY(!list.setPath(folder.path()).isError());
    QCOMPARE(texts(&list), QStringList {shown});
    list.setCurrentRow(0);
    QCOMPARE(list.FileName(), shown);
    QCOMPARE(list.fileNameUndecodable(), undecodable);
    // The temporary folder's own clean-up does not see such names.
    ::unlink((QFile::encodeName(folder.path()) + '/' + rawName).constData());
}

void TestFilePanelWatch::filesMadeElsewhereShowAtOnce()
{
    QTemporaryDir folder;
    makeFile(folder.path(), "b.html");
    FileListBox list;
    QVERIFY(!list.setPattern(QStringLiteral("*.htm*")).isError());
    QVERIFY(!list.setPath(folder.path()).isError());
    list.setCurrentRow(0);
    makeFile(folder.path(), "a.html");
    makeFile(folder.path(), "c.txt");
    QTRY_COMPARE(texts(&list), (QStringList {"a.html", "b.html"}));
    QCOMPARE(list.FileName(), QStringLiteral("b.html")); // the selection stays
    QVERIFY(QFile::remove(folder.filePath("b.html")));
    QTRY_COMPARE(texts(&list), QStringList {"a.html"});
    QCOMPARE(list.FileName(), QString());
}

QTEST_MAIN(TestFilePanelWatch)
#include "tst_filepanelwatch.moc"
