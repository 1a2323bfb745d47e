#include "ui/filepanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Made under its raw name, bytes and all.
QByteArray makeFile(const QTemporaryDir &folder, const QByteArray &rawName)
{
    const QByteArray path = QFile::encodeName(folder.path()) + '/' + rawName;
    ::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600));
    return path;
}

} // namespace

class TestFilePanelWatch : public QObject
{
    Q_OBJECT

private slots:
    void everyNameIsListed_data()
    {
        QTest::addColumn<QByteArray>("rawName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese in UTF-8") << QByteArray("日本語.html") << "日本語.html";
        QTest::newRow("Shift-JIS bytes")
            << QByteArray("\x93\xfa\x96\x7b.html") << "\uFFFD\uFFFD\uFFFD{.html";
    }

    void everyNameIsListed()
    {
        QFETCH(QByteArray, rawName);
        QFETCH(QString, shown);
        QTemporaryDir folder;
        const QByteArray path = makeFile(folder, rawName);
        FileList list;
        QVERIFY(list.setPath(folder.path()));
        list.setCurrentRow(0);
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->text(), shown);
        QCOMPARE(list.fileName(), shown);
        QCOMPARE(list.fileNameUndecodable(), shown.contains(u'\uFFFD'));
        ::unlink(path.constData()); // the temporary folder's clean-up does not see it
    }

    void filesMadeElsewhereShowAtOnce()
    {
        QTemporaryDir folder;
        makeFile(folder, "b.html");
        FileList list;
        QVERIFY(list.setPattern(QStringLiteral("*.htm*")));
        QVERIFY(list.setPath(folder.path()));
        list.setCurrentRow(0);
        makeFile(folder, "a.html");
        makeFile(folder, "c.txt");
        QTRY_COMPARE(list.count(), 2);
        QCOMPARE(list.item(0)->text(), QStringLiteral("a.html"));
        QCOMPARE(list.fileName(), QStringLiteral("b.html")); // the selection stays
        QVERIFY(QFile::remove(folder.filePath("b.html")));
        QTRY_COMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->text(), QStringLiteral("a.html"));
        QCOMPARE(list.fileName(), QString());
    }
};

QTEST_MAIN(TestFilePanelWatch)
#include "tst_filepanelwatch.moc"
