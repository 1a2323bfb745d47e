// Inputs the fuzzers found or started from, kept as regression cases.

#include "fuzztargets.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void load_data() { addRows(QStringLiteral("load")); }
    void load() { run(fuzzLoad); }
    void search_data() { addRows(QStringLiteral("search")); }
    void search() { run(fuzzSearch); }

private:
    void addRows(const QString &target)
    {
        QTest::addColumn<QByteArray>("input");
        const QDir folder(QStringLiteral(FUZZ_CORPUS) + QLatin1Char('/') + target);
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), "the corpus is empty");
        for (const QString &name : names) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(target + QLatin1Char('/') + name)) << file.readAll();
        }
    }

    static void run(void (*target)(const uint8_t *, size_t))
    {
        QFETCH(QByteArray, input);
        // A broken invariant aborts, which fails the test.
        target(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
