#include "core/mecabphoneticservice.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TestMecabPhoneticService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(!mShared.isOpen()); }
    void readings_data();
    void readings();
    void unusableDictionaryIsAClearError_data();
    void unusableDictionaryIsAClearError();
    void brokenSystemSettingFallsBackToIpadic();
    void readingToolPrintsOneLineEach();

private:
    // Opened on the first lookup and kept: every reading comes from the same dictionary.
    MecabPhoneticService mShared;
};

void TestMecabPhoneticService::readings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reading");
    const auto row = [](const char *name, const QString &text, const QString &reading) {
        QTest::newRow(name) << text << reading;
    };

    row("送り", "送り", "オクリ");
    row("reading, not pronunciation: 十一月", "十一月", "ジュウイチガツ");
    row("取り扱い", "取り扱い", "トリアツカイ");
    row("漢字", "漢字", "カンジ");
    row("送り again from the open dictionary", "送り", "オクリ");
    row("particle は reads ハ", "は", "ハ");
    row("Latin word reads as itself", "Hello", "Hello");
    row("unknown hiragana become katakana", "ゔぁゔぁ", "ヴァヴァ");
    row("unknown kanji outside the BMP stays", "𠮷", "𠮷");
    row("spaces between words kept", "東京 タワー", "トウキョウ タワー");
    row("line break kept", "東京\r\n大阪", "トウキョウ\r\nオオサカ");
    row("empty text", "", "");
}

void TestMecabPhoneticService::readings()
{
    QFETCH(QString, text);
    QFETCH(QString, reading);
    const PhoneticResult result = mShared.reading(text);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.reading, reading);
    QVERIFY(mShared.isOpen());
}

void TestMecabPhoneticService::unusableDictionaryIsAClearError_data()
{
    QTest::addColumn<QString>("folder"); // relative: under an empty temporary folder
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QStringList>("named");

    QTest::newRow("missing dictionary")
        << "none" << ENOENT << QStringList {"mecab-ipadic-utf8", "辞書"};
    // mecab-ipadic installs the EUC-JP build beside the UTF-8 one.
    QTest::newRow("dictionary not in UTF-8")
        << "/var/lib/mecab/dic/ipadic" << EILSEQ << QStringList {"UTF-8", "EUC-JP"};
}

void TestMecabPhoneticService::unusableDictionaryIsAClearError()
{
    QFETCH(QString, folder);
    QFETCH(int, errorNumber);
    QFETCH(QStringList, named);

    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const QString path = QDir(empty.path()).filePath(folder);
    if (errorNumber == EILSEQ && !QFile::exists(path + QStringLiteral("/sys.dic")))
        QSKIP("no EUC-JP dictionary installed");
    MecabPhoneticService service(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const PhoneticResult result = service.reading(QStringLiteral("送り"));
        QVERIFY(!result.ok());
        QVERIFY(result.reading.isEmpty());
        QCOMPARE(result.errorNumber, errorNumber);
        for (const QString &name : named)
            QVERIFY2(result.error.contains(name), qPrintable(result.error));
        QVERIFY(!service.isOpen());
    }
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
