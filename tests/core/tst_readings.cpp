#include "casetable.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/numberstage.h"
#include "core/ruby/rubytext.h"
#include "core/reading/userreadings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>

namespace {

// "前[選択]後" as the three parts of a context.
ReadingContext marked(const QString &line)
{
    const qsizetype open = line.indexOf(u'['), close = line.indexOf(u']');
    return {line.left(open), line.mid(open + 1, close - open - 1), line.mid(close + 1)};
}

} // namespace

class TestReadings : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data() { addCaseRows("numbers.tsv"); }
    void numbers();
    void context_data() { addCaseRows("readingcontext.tsv"); }
    void context();
    void dictionaries_data();
    void dictionaries();
    void unknownLayoutIsAnError();
    void badInputNeverHangs_data();
    void badInputNeverHangs();
    void userReadings_data();
    void userReadings();
    void userReadingsShared();
    void readingToolModes();
    void readingsFolderIsNamedAsTheSettings();
    void analysesInTurn_data() { addCaseRows("analysesinturn.tsv"); }
    void analysesInTurn();
    void variantKanjiReadAsTheirCommonForm();

private:
    MecabPhoneticService m_service;
};

void TestReadings::numbers()
{
    QFETCH(QByteArrayList, f); // numeral, counter, reading
    const QString numeral = caseText(f[0]), counter = caseText(f[1]);
    QCOMPARE(counter.isEmpty() ? numeralReading(numeral)
                               : countedReading(numeral, counter, *ReadingTables::builtIn()),
             caseText(f.value(2)));
}

void TestReadings::context()
{
    QFETCH(QByteArrayList, f); // text, context as 前|選択|後
    const ReadingContext parts = marked(caseText(f[0]));
    const ReadingContext found = readingContext(parts.before + parts.selection + parts.after,
                                                parts.before.size(), parts.selection.size());
    QCOMPARE(found.before + '|' + found.selection + '|' + found.after, caseText(f[1]));
}

void TestReadings::dictionaries_data()
{
    QTest::addColumn<QString>("dicdir"); // empty: IPADIC by its folder
    QTest::newRow("IPADIC by its folder") << QString();
    // Its kana in column 9 where IPADIC has the word itself: the column is read from
    // its dicrc, as UniDic's is.
    QTest::newRow("a dictionary of another layout as the system's") << u"tinydic"_qs;
}

void TestReadings::dictionaries()
{
    QFETCH(QString, dicdir);
    QTemporaryDir dir;
    if (!dicdir.isEmpty()) {
        // Compiled here from a few lines of source, as a dictionary's own build does.
        const QString source = QStringLiteral(RUBELLO_TEST_DATA "/") + dicdir;
        dicdir = dir.filePath(dicdir);
        QVERIFY(QDir().mkpath(dicdir));
        for (const QString &name : QDir(source).entryList(QDir::Files))
            QVERIFY(QFile::copy(source + u'/' + name, dicdir + u'/' + name));
        const QString indexer = u"/usr/lib/mecab/mecab-dict-index"_qs;
        QVERIFY2(QFile::exists(indexer), "mecab-dict-index (Debian's mecab-utils) is not installed");
        QProcess index;
        index.setWorkingDirectory(dicdir);
        index.start(indexer, {u"-d"_qs, dicdir, u"-o"_qs, dicdir, u"-f"_qs, u"utf-8"_qs, u"-t"_qs, u"utf-8"_qs});
        QVERIFY(index.waitForFinished(60000));
        QVERIFY2(index.exitCode() == 0 && QFile::exists(dicdir + u"/sys.dic"_qs),
                 index.readAllStandardError().constData());
    }
    QFile rc(dir.filePath(u"mecabrc"_qs));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write("dicdir = " + QFile::encodeName(dicdir.isEmpty() ? u"/nowhere"_qs : dicdir) + "\n");
    rc.close();
    const QByteArray saved = qgetenv("MECABRC");
    qputenv("MECABRC", QFile::encodeName(rc.fileName()));
    MecabPhoneticService service(QString(),
                                 dicdir.isEmpty() ? MecabPhoneticService::standardIpadicFolders()
                                                  : QStringList());
    const Result<QString> found = service.reading(u"漢字"_qs);
    const QString got = found ? *found + service.reading(u"送り仮名"_qs).value_or(QString())
                              : found.error().detail;
    saved.isNull() ? qunsetenv("MECABRC") : qputenv("MECABRC", saved);
    QCOMPARE(got, u"カンジオクリガナ"_qs);
}

void TestReadings::unknownLayoutIsAnError()
{
    // IPADIC without the description of its columns.
    QTemporaryDir dir;
    for (const char *name : {"char.bin", "matrix.bin", "sys.dic", "unk.dic"})
        QVERIFY(QFile::link(standardIpadicUtf8Folder() + '/' + name, dir.filePath(name)));
    QFile original(standardIpadicUtf8Folder() + u"/dicrc"_qs), dicrc(dir.filePath(u"dicrc"_qs));
    QVERIFY(original.open(QIODevice::ReadOnly) && dicrc.open(QIODevice::WriteOnly));
    dicrc.write(original.readAll().replace("node-format-yomi", "node-format-other"));
    dicrc.close();
    const Result<QString> result = MecabPhoneticService(dir.path()).reading(u"漢字"_qs);
    QVERIFY(!result);
    QCOMPARE(result.error().kind, ErrorKind::DictionaryUnusable);
    QCOMPARE(result.error().systemCode, EINVAL);
    QCOMPARE(result.error().path, dir.path());
}

void TestReadings::badInputNeverHangs_data()
{
    QTest::addColumn<QString>("selection");
    QTest::newRow("100,000 characters") << u"漢字を書く。"_qs.repeated(100000 / 6);
    QTest::newRow("NUL inside") << u"漢"_qs + QChar(0) + u"字"_qs;
    QTest::newRow("lone surrogates") << u"漢"_qs + QChar(0xD800) + u"字"_qs + QChar(0xDC00);
    QTest::newRow("only an iteration mark") << u"々"_qs;
}

void TestReadings::badInputNeverHangs()
{
    QFETCH(QString, selection);
    QElapsedTimer clock;
    clock.start();
    const QString before = u"前の文"_qs;
    const Result<ReadingRun> found = ReadingEngine(m_service).readSpan(
        before + selection + u"後の文。"_qs, before.size(), selection.size());
    QVERIFY(found && !found->reading.isEmpty());
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
    const QString path = dir.filePath(u"sub/readings.tsv"_qs);
    QFile kept(path);
    if (!file.isNull()) {
        QDir().mkpath(dir.filePath(u"sub"_qs));
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write(file) == file.size());
        kept.close();
    }
    UserReadings readings(path);
    QCOMPARE(!readings.load(), damaged);
    QCOMPARE(!readings.load(), damaged); // the error stays: no empty table in its place
    // An engine made before the first correction reads the page with it.
    ReadingEngine engine(m_service, &readings);
    // Over a damaged file the correction lives in memory only, and remember says so.
    QCOMPARE(readings.remember(u"空行"_qs, u"クウギョウ"_qs).has_value(), !damaged);
    QCOMPARE(readings.lookup(u"空行"_qs).value_or(u"error"_qs), u"クウギョウ"_qs);
    QCOMPARE(engine.readText(u"空行です"_qs).value_or(QList<ReadingRun>()).value(0).reading,
             u"クウギョウ"_qs);
    QCOMPARE(UserReadings(path).lookup(u"空行"_qs).value_or(u"error"_qs),
             damaged ? QString() : u"クウギョウ"_qs);
    if (damaged) { // the user's file is never overwritten
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), file);
    }
    QCOMPARE(fullwidthKatakana(u"ｸﾞｳ"_qs), u"グウ"_qs);
}

// Two windows keep each other's corrections; a file made read-only stays as it is.
void TestReadings::userReadingsShared()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"readings.tsv"_qs);
    UserReadings first(path), second(path);
    QVERIFY(first.lookup(u"運指"_qs) == QString() && second.lookup(u"運指"_qs) == QString());
    QVERIFY(first.remember(u"運指"_qs, u"ウンシ"_qs));
    QVERIFY(second.remember(u"符頭"_qs, u"フトウ"_qs));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("符頭\tフトウ\n運指\tウンシ\n"));
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
    QCOMPARE(UserReadings(path).remember(u"値"_qs, u"アタイ"_qs).error().systemCode, EACCES);
    QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("アタイ"));
}

void TestReadings::readingToolModes()
{
    QProcess tool;
    const auto run = [&](const QString &options, const QString &input) {
        tool.start(QStringLiteral(RUBELLO_READING_PATH),
                   options.split(u' ') + QStringList {u"--no-user-readings"_qs});
        tool.waitForStarted();
        tool.write(input.toUtf8());
        tool.closeWriteChannel();
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput());
    };
    QCOMPARE(run("--context", "四月\t一日\tに会う。\n\t一日\t中\n"), u"ツイタチ\nイチニチ\n"_qs);
    QCOMPARE(run("--candidates", "彼は\t十分\t後に来た。\n").section('\t', 0, 0), u"ジュップン"_qs);
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(run("--runs", "1足の靴を3回、5と泣きながら\n"), u"1足=いっそく 靴=くつ 3回=さんかい 泣=な\n"_qs);
    // A guess and a word the analyses read two ways are marked; the rest not.
    QCOMPARE(run("--runs --confidence", "鉤状を引く。市場に行った。\n"),
             u"鉤状=こうじょう?? 引=ひ 市場=いちば 行=い?\n"_qs);
    // A word the analyzer lacks that the list of names and rare words reads is no guess.
    QCOMPARE(run("--runs --confidence", "描線を引く。\n"), u"描線=びょうせん 引=ひ\n"_qs);
    QCOMPARE(run("--runs --confidence --without wordlist", "描線を引く。\n"),
             u"描線=びょうせん?? 引=ひ\n"_qs);
    QCOMPARE(run("--runs --without homographs", "他の\n"), u"他=た\n"_qs);
    QCOMPARE(run("--runs --without nothing", "他の\n"), QString());
    QCOMPARE(tool.exitCode(), 2);
    QCOMPARE(run("--runs", "漢字\n" + QString(1024 * 1024 + 1, u'a') + "\n"), u"漢字=かんじ\n"_qs);
    QCOMPARE(tool.exitCode(), 1); // the second line is refused, named in the message
    QVERIFY(tool.readAllStandardError().contains("2"));
}

void TestReadings::readingsFolderIsNamedAsTheSettings()
{
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    // A user's corrections from a version that named the folder "Rubello" are taken over.
    QVERIFY(QDir(home.path()).mkpath(u"Rubello"_qs));
    QFile former(home.filePath(u"Rubello/readings.tsv"_qs));
    QVERIFY(former.open(QIODevice::WriteOnly) && former.write("漢字\tかんじ\n") > 0);
    former.close();
    const QString path = UserReadings::standardPath();
    saved.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(path, home.filePath(u"rubello/readings.tsv"_qs));
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(home.filePath(u"Rubello"_qs)));
}

// One analyzer keeps its lattice and strings from text to text: each text, in
// turn, is analysed as an analyzer opened for it alone would.
void TestReadings::analysesInTurn()
{
    QFETCH(QByteArrayList, f); // texts in turn, "paths:text", separated by " | "
    const auto written = [](const Result<QList<QList<AnalysedWord>>> &found) {
        QStringList out;
        for (const QList<AnalysedWord> &path : found.value_or(QList<QList<AnalysedWord>>()))
            for (const AnalysedWord &w : path)
                out.append(u"%1/%2/%3/%4/%5%6"_qs.arg(w.start).arg(w.surface, w.reading, w.pos)
                               .arg(w.known).arg(w.numeral));
        return out.join(u' ');
    };
    for (const QString &step : QString::fromUtf8(f.value(0)).split(u" | "_qs)) {
        const int paths = step.section(u':', 0, 0).toInt();
        const QString text = step.section(u':', 1);
        QCOMPARE(written(m_service.analyses(text, paths)),
                 written(MecabPhoneticService().analyses(text, paths)));
    }
}

// 髙 of 髙島屋 is a variant the analyzer's dictionary lacks: read as 高, in place.
void TestReadings::variantKanjiReadAsTheirCommonForm()
{
    const QString text = u"百貨店の髙島屋で買った。"_qs;
    const Result<ReadingRun> found = ReadingEngine(m_service).readSpan(text, 4, 3);
    QVERIFY(found);
    QCOMPARE(found->reading, u"タカシマヤ"_qs);
}

QTEST_APPLESS_MAIN(TestReadings)
#include "tst_readings.moc"
