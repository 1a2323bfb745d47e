#include "ruby/mecabphoneticservice.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TestMecabPhoneticService : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void dictionaryOpensOnceOnFirstLookup();
    void missingDictionaryIsAClearError();
    void dictionaryNotInUtf8IsRefused();
    void brokenSystemSettingFallsBackToIpadic();
    void readingToolPrintsOneLineEach();
};

void TestMecabPhoneticService::readings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reading");

    QTest::newRow("送り") << "送り" << "オクリ";
    QTest::newRow("reading, not pronunciation: 十一月") << "十一月" << "ジュウイチガツ";
    QTest::newRow("取り扱い") << "取り扱い" << "トリアツカイ";
    QTest::newRow("particle は reads ハ") << "は" << "ハ";
    QTest::newRow("Latin word reads as itself") << "Hello" << "Hello";
    QTest::newRow("unknown hiragana become katakana") << "ゔぁゔぁ" << "ヴァヴァ";
    QTest::newRow("unknown kanji outside the BMP stays") << "𠮷" << "𠮷";
    QTest::newRow("spaces between words kept") << "東京 タワー" << "トウキョウ タワー";
    QTest::newRow("line break kept") << "東京\r\n大阪" << "トウキョウ\r\nオオサカ";
    QTest::newRow("empty text") << "" << "";
}

void TestMecabPhoneticService::readings()
{
    QFETCH(QString, text);
    QFETCH(QString, reading);
    MecabPhoneticService service;
    const PhoneticResult result = service.reading(text);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.reading, reading);
}

void TestMecabPhoneticService::dictionaryOpensOnceOnFirstLookup()
{
    MecabPhoneticService service;
    QVERIFY(!service.isOpen());
    QCOMPARE(service.reading(QStringLiteral("送り")).reading, QStringLiteral("オクリ"));
    QVERIFY(service.isOpen());
    // Later lookups use the same dictionary and do not disturb each other.
    QCOMPARE(service.reading(QStringLiteral("漢字")).reading, QStringLiteral("カンジ"));
    QCOMPARE(service.reading(QStringLiteral("送り")).reading, QStringLiteral("オクリ"));
}

void TestMecabPhoneticService::missingDictionaryIsAClearError()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    MecabPhoneticService service(empty.path() + QStringLiteral("/none"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const PhoneticResult result = service.reading(QStringLiteral("送り"));
        QVERIFY(!result.ok());
        QVERIFY(result.reading.isEmpty());
        QCOMPARE(result.errorNumber, ENOENT);
        QVERIFY2(result.error.contains(QStringLiteral("mecab-ipadic-utf8")),
                 qPrintable(result.error));
        QVERIFY(result.error.contains(QStringLiteral("辞書")));
        QVERIFY(!service.isOpen());
    }
}

void TestMecabPhoneticService::dictionaryNotInUtf8IsRefused()
{
    // mecab-ipadic installs the EUC-JP build beside the UTF-8 one.
    const QString eucJp = QStringLiteral("/var/lib/mecab/dic/ipadic");
    if (!QFile::exists(eucJp + QStringLiteral("/sys.dic")))
        QSKIP("no EUC-JP dictionary installed");
    MecabPhoneticService service(eucJp);
    const PhoneticResult result = service.reading(QStringLiteral("送り"));
    QVERIFY(!result.ok());
    QCOMPARE(result.errorNumber, EILSEQ);
    QVERIFY2(result.error.contains(QStringLiteral("UTF-8")), qPrintable(result.error));
    QVERIFY(result.error.contains(QStringLiteral("EUC-JP")));
    QVERIFY(!service.isOpen());
}

void TestMecabPhoneticService::brokenSystemSettingFallsBackToIpadic()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray saved = qgetenv("MECABRC");
    qputenv("MECABRC", QFile::encodeName(dir.filePath(QStringLiteral("missing-mecabrc"))));
    MecabPhoneticService service;
    const PhoneticResult result = service.reading(QStringLiteral("十一月"));
    if (saved.isNull())
        qunsetenv("MECABRC");
    else
        qputenv("MECABRC", saved);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.reading, QStringLiteral("ジュウイチガツ"));
}

void TestMecabPhoneticService::readingToolPrintsOneLineEach()
{
    QProcess tool;
    tool.start(QStringLiteral(RUBELLO_READING_PATH), {});
    QVERIFY(tool.waitForStarted());
    tool.write(QStringLiteral("送り\n十一月\r\n\nHello world\n取り扱い").toUtf8());
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()),
             QStringLiteral("オクリ\nジュウイチガツ\n\nHello world\nトリアツカイ\n"));
}

QTEST_APPLESS_MAIN(TestMecabPhoneticService)
#include "tst_mecabphoneticservice.moc"
