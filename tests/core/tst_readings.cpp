#include "core/mecabphoneticservice.h"
#include "core/readingrules.h"
#include "core/rubytext.h"
#include "core/userreadings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

// "前[選択]後" as the three parts of a context.
ReadingContext marked(const QString &line)
{
    const qsizetype open = line.indexOf(QLatin1Char('['));
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    return {line.left(open), line.mid(open + 1, close - open - 1), line.mid(close + 1)};
}

QString withEnv(const char *name, const QByteArray &value, const std::function<QString()> &run)
{
    const QByteArray saved = qgetenv(name);
    qputenv(name, value);
    const QString result = run();
    if (saved.isNull())
        qunsetenv(name);
    else
        qputenv(name, saved);
    return result;
}

} // namespace

class TestReadings : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void context_data();
    void context();
    void evaluation();
    void dictionaries_data();
    void dictionaries();
    void unknownLayoutIsAnError();
    void badInputNeverHangs_data();
    void badInputNeverHangs();
    void userReadings_data();
    void userReadings();
    void readingToolModes();

private:
    MecabPhoneticService mService;
};

void TestReadings::numbers_data()
{
    QTest::addColumn<QString>("numeral");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("reading");
    const auto row = [](const char *numeral, const char *counter, const char *reading) {
        QTest::newRow(qPrintable(QString::fromUtf8(numeral) + QString::fromUtf8(counter)))
            << QString::fromUtf8(numeral) << QString::fromUtf8(counter)
            << QString::fromUtf8(reading);
    };
    row("千九百八十四", "年", "センキュウヒャクハチジュウヨネン");
    row("１５０", "円", "ヒャクゴジュウエン");
    row("三百", "", "サンビャク");
    row("六百", "", "ロッピャク");
    row("八千", "", "ハッセン");
    row("一千万", "", "イッセンマン");
    row("二〇二六", "", "ニセンニジュウロク");
    row("一", "人", "ヒトリ");
    row("二", "人", "フタリ");
    row("四", "人", "ヨニン");
    row("二十一", "人", "ニジュウイチニン");
    row("二十", "日", "ハツカ");
    row("十四", "日", "ジュウヨッカ");
    row("十七", "日", "ジュウシチニチ");
    row("十", "分", "ジュップン");
    row("四", "分", "ヨンプン");
    row("三", "本", "サンボン");
    row("百", "本", "ヒャッポン");
    row("三百", "本", "サンビャッポン");
    row("千", "本", "センボン");
    row("二十", "本", "ニジュッポン");
    row("六", "杯", "ロッパイ");
    row("三", "階", "サンガイ");
    row("八", "歳", "ハッサイ");
    row("六", "冊", "ロクサツ");
    row("九", "月", "クガツ");
    row("四", "時", "ヨジ");
    row("〇〇七", "", ""); // a code, not a number
    row("万", "", "");
}

void TestReadings::numbers()
{
    QFETCH(QString, numeral);
    QFETCH(QString, counter);
    QFETCH(QString, reading);
    QCOMPARE(counter.isEmpty() ? numberReading(numeral) : countedReading(numeral, counter),
             reading);
}

void TestReadings::context_data()
{
    QTest::addColumn<QString>("text"); // the selection in brackets
    QTest::addColumn<QString>("expected"); // context as 前|選択|後
    QTest::newRow("sentence marks end it") << "前文。彼は[十分]待った！次"
                                           << "彼は|十分|待った！";
    QTest::newRow("line ends end it") << "上\r\n彼は[十分]待った\r\n下"
                                      << "彼は|十分|待った";
    QTest::newRow("tags end it") << "<p>彼は[十分]待った</p>"
                                 << "彼は|十分|待った";
    QTest::newRow("inside an attribute: alone") << "<a title=\"彼は[十分]\">"
                                                << "|十分|";
    QTest::newRow("selection with a tag: alone") << "彼は[<b>十分]</b>"
                                                 << "|<b>十分|";
    QTest::newRow("at most 200 each way")
        << QString(QString(300, QChar(u'あ')) + "[字]" + QString(300, QChar(u'い')))
        << QString(QString(200, QChar(u'あ')) + "|字|" + QString(200, QChar(u'い')));
}

void TestReadings::context()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const ReadingContext parts = marked(text);
    const ReadingContext found = readingContext(parts.before + parts.selection + parts.after,
                                                parts.before.size(), parts.selection.size());
    QCOMPARE(found.before + '|' + found.selection + '|' + found.after, expected);
}

// The hand-made list: the word read alone and in its sentence, against a careful reader.
void TestReadings::evaluation()
{
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/readingsevaluation.tsv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    int total = 0, alone = 0, inSentence = 0;
    QStringList misses;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split('\t');
        QCOMPARE(fields.size(), 2);
        const ReadingContext context = marked(fields.at(0));
        const QString expected = katakanaForm(fields.at(1));
        const ReadingCandidates found = mService.candidates(context);
        const ReadingCandidates single
            = mService.candidates({QString(), context.selection, QString()});
        QVERIFY2(found.ok() && single.ok(), qPrintable(found.error));
        ++total;
        alone += single.proposed() == expected;
        inSentence += found.proposed() == expected;
        if (found.proposed() != expected)
            misses.append(fields.at(0) + ' ' + hiraganaForm(found.proposed()) + " ≠ "
                          + fields.at(1));
    }
    const double aloneRate = 100.0 * alone / total;
    const double sentenceRate = 100.0 * inSentence / total;
    qInfo("readings: %d words, alone %.1f%%, in the sentence %.1f%%", total, aloneRate,
          sentenceRate);
    for (const QString &miss : std::as_const(misses))
        qInfo("  %s", qPrintable(miss));
    QVERIFY2(sentenceRate >= RUBELLO_SENTENCE_FLOOR, qPrintable(QString::number(sentenceRate)));
    QVERIFY2(aloneRate >= RUBELLO_ALONE_FLOOR, qPrintable(QString::number(aloneRate)));
}

void TestReadings::dictionaries_data()
{
    QTest::addColumn<QString>("dicdir"); // empty: IPADIC by its folder
    QTest::newRow("IPADIC by its folder") << QString();
    QTest::newRow("UniDic as the system's dictionary")
        << QStringLiteral("/var/lib/mecab/dic/unidic");
}

void TestReadings::dictionaries()
{
    QFETCH(QString, dicdir);
    if (!dicdir.isEmpty() && !QFile::exists(dicdir + QStringLiteral("/sys.dic")))
        QSKIP("unidic-mecab is not installed");
    QTemporaryDir dir;
    const QString rc = dir.filePath(QStringLiteral("mecabrc"));
    QFile file(rc);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("dicdir = "
               + QFile::encodeName(dicdir.isEmpty() ? QStringLiteral("/nowhere") : dicdir) + "\n");
    file.close();
    const QString got = withEnv("MECABRC", QFile::encodeName(rc), [&] {
        MecabPhoneticService service(
            QString(),
            dicdir.isEmpty() ? MecabPhoneticService::standardIpadicFolders() : QStringList());
        const ReadingCandidates found = service.candidates(
            {QStringLiteral("彼は"), QStringLiteral("漢字"), QStringLiteral("を書いた。")});
        return found.ok() ? found.proposed() + service.reading(QStringLiteral("送り仮名")).reading
                          : found.error;
    });
    QCOMPARE(got, QStringLiteral("カンジオクリガナ"));
}

void TestReadings::unknownLayoutIsAnError()
{
    // IPADIC without the description of its columns.
    QTemporaryDir dir;
    for (const char *name : {"char.bin", "matrix.bin", "sys.dic", "unk.dic"})
        QVERIFY(QFile::link(standardIpadicUtf8Folder() + '/' + name, dir.filePath(name)));
    QFile original(standardIpadicUtf8Folder() + QStringLiteral("/dicrc"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QFile dicrc(dir.filePath(QStringLiteral("dicrc")));
    QVERIFY(dicrc.open(QIODevice::WriteOnly));
    dicrc.write(original.readAll().replace("node-format-yomi", "node-format-other"));
    dicrc.close();
    MecabPhoneticService service(dir.path());
    const PhoneticResult result = service.reading(QStringLiteral("漢字"));
    QVERIFY(!result.ok());
    QVERIFY(result.reading.isEmpty());
    QCOMPARE(result.errorNumber, EINVAL);
    QVERIFY2(result.error.contains(QStringLiteral("mecab-ipadic-utf8")), qPrintable(result.error));
}

void TestReadings::badInputNeverHangs_data()
{
    QTest::addColumn<QString>("selection");
    QTest::newRow("100,000 characters") << QStringLiteral("漢字を書く。").repeated(100000 / 6);
    QTest::newRow("NUL inside") << QStringLiteral("漢") + QChar(0) + QStringLiteral("字");
    QTest::newRow("lone surrogates")
        << QStringLiteral("漢") + QChar(0xD800) + QStringLiteral("字") + QChar(0xDC00);
    QTest::newRow("only an iteration mark") << QStringLiteral("々");
}

void TestReadings::badInputNeverHangs()
{
    QFETCH(QString, selection);
    QElapsedTimer clock;
    clock.start();
    const ReadingCandidates found
        = mService.candidates({QStringLiteral("前の文"), selection, QStringLiteral("後の文。")});
    QVERIFY(found.ok());
    QVERIFY(!found.proposed().isEmpty());
    QVERIFY(clock.elapsed() < 10000);
}

void TestReadings::userReadings_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file yet
    QTest::addColumn<bool>("damaged");
    QTest::newRow("no file yet") << QByteArray() << false;
    QTest::newRow("good lines") << QByteArray("日本\tニッポン\r\n\n") << false;
    QTest::newRow("a line without a tab") << QByteArray("日本 ニッポン\n") << true;
    QTest::newRow("Shift_JIS") << QByteArray("\x93\xfa\x96\x7b\t\x83\x6a\n") << true;
}

void TestReadings::userReadings()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/readings.tsv"));
    if (!file.isNull()) {
        QDir().mkpath(dir.filePath(QStringLiteral("sub")));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    UserReadings readings(path);
    QCOMPARE(readings.load().isError(), damaged);
    QVERIFY(!readings.load().isError()); // reported once
    QVERIFY(!readings.remember(QStringLiteral("空行"), QStringLiteral("クウギョウ")).isError());
    UserReadings again(path);
    QCOMPARE(again.lookup(QStringLiteral("空行")),
             damaged ? QString() : QStringLiteral("クウギョウ"));
    if (damaged) {
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), file); // the user's file is never overwritten
    }
    QCOMPARE(fullwidthKatakana(QStringLiteral("ｸﾞｳ")), QStringLiteral("グウ"));
}

void TestReadings::readingToolModes()
{
    QProcess tool;
    const auto run = [&](const QString &option, const QString &input) {
        tool.start(QStringLiteral(RUBELLO_READING_PATH),
                   option.isEmpty() ? QStringList() : QStringList {option});
        tool.waitForStarted();
        tool.write(input.toUtf8());
        tool.closeWriteChannel();
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput());
    };
    QCOMPARE(run("--context", "四月\t一日\tに会う。\n\t一日\t中\n"),
             QStringLiteral("ツイタチ\nイチニチ\n"));
    QCOMPARE(run("--candidates", "彼は\t十分\t後に来た。\n").trimmed().split('\t').first(),
             QStringLiteral("ジュップン"));
    QVERIFY(run("--help", QString()).contains(QStringLiteral("--candidates")));
    QCOMPARE(tool.exitCode(), 0);
}

QTEST_APPLESS_MAIN(TestReadings)
#include "tst_readings.moc"
