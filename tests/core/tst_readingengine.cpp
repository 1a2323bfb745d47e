#include "casetable.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingchain.h"
#include "core/reading/readingengine.h"
#include "core/reading/readingtables.h"
#include "core/reading/userreadings.h"
#include "core/reading/wordlist.h"
#include "core/ruby/rubytext.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

// Analyses written out: words as surface/READING/pos (pos ending in ! for a word
// the dictionary lacks), space separated, \t for a space in the text; further
// analyses after " || ".
class FakeAnalyzer : public PhoneticService
{
public:
    explicit FakeAnalyzer(const QString &written) : m_written(written) { }
    Result<QString> reading(const QString &text) override { return text; }
    Result<QList<QList<AnalysedWord>>> analyses(const QString &text, int paths) override
    {
        QList<QList<AnalysedWord>> found;
        for (const QString &path : m_written.split(u" || "_qs).mid(0, paths)) {
            QList<AnalysedWord> words;
            qsizetype at = 0;
            for (const QString &token : path.split(u' ', Qt::SkipEmptyParts)) {
                const QStringList f = token.split(u'/');
                if (f[0] == u"\t") { // the analyzer skips ASCII spaces
                    at += f[0].size();
                    continue;
                }
                QString pos = f.value(2);
                const bool known = !pos.endsWith(u'!');
                pos.remove(u'!');
                words.append({at, f[0].size(), f[0], f.value(1), false, pos, known});
                at += f[0].size();
            }
            if (at != text.size()) {
                return std::unexpected(
                    Error {ErrorKind::AnalysisFailed, u"analysis does not cover "_qs + text, EIO});
            }
            found.append(words);
        }
        return found;
    }

private:
    QString m_written;
};

QString text(const QString &written)
{
    QString out;
    for (const QString &token : written.section(u" || "_qs, 0, 0).split(u' ', Qt::SkipEmptyParts))
        out += token.section(u'/', 0, 0);
    return out;
}

} // namespace

class TestReadingEngine : public QObject
{
    Q_OBJECT

private slots:
    // Each stage with its own table; the engine's own through readSpan and readText.
    void numberStage_data() { addCaseRows("numberstage.tsv"); }
    void numberStage() { stage(); }
    void unknownStage_data() { addCaseRows("unknownstage.tsv"); }
    void unknownStage() { stage(); }
    void joiningStage_data() { addCaseRows("joiningstage.tsv"); }
    void joiningStage() { stage(); }
    void homographStage_data() { addCaseRows("homographstage.tsv"); }
    void homographStage() { stage(); }
    void wordListStage_data() { addCaseRows("wordliststage.tsv"); }
    void wordListStage() { stage(); }
    void fixedStage_data() { addCaseRows("fixedstage.tsv"); }
    void fixedStage() { stage(); }
    void rankingStage_data() { addCaseRows("rankingstage.tsv"); }
    void rankingStage() { stage(); }
    void userStage_data() { addCaseRows("userstage.tsv"); }
    void userStage() { stage(); }
    void engine_data() { addCaseRows("readingengine.tsv"); }
    void engine() { stage(); }
    void commonForms_data();
    void commonForms();
    void missingTable();
    void builtInTables_data();
    void builtInTables();
    void eucJpWordList();
    void rarerKanji();
    void evaluation_data();
    void evaluation();

private:
    void stage();
};

// One stage (or the whole engine through readSpan/readText) on a fake analysis.
void TestReadingEngine::stage()
{
    QFETCH(QByteArrayList, f); // stage, analysis, expected, user readings
    const QString stage = caseText(f[0]), written = caseText(f[1]), sentence = text(written);
    FakeAnalyzer analyzer(written);
    const KanjiReadings &kanji = KanjiReadings::system();
    if (kanji.isEmpty())
        QSKIP("kanjidic is not installed");
    // Corrections as base=reading, or before|base|after=reading for one place,
    // written by one engine and read back from the file by another.
    QTemporaryDir dir;
    UserReadings writer(dir.filePath(u"readings.tsv"_qs)), user(writer.path());
    ReadingEngine writing(analyzer, &writer, kanji, *ReadingTables::builtIn());
    for (const QString &entry : caseText(f.value(3)).split(u' ', Qt::SkipEmptyParts)) {
        const QStringList place = entry.section(u'=', 0, 0).split(u'|');
        const QString before = place.size() == 3 ? place[0] : QString(), base = place.value(1, place[0]);
        QVERIFY(writing.remember(before + base + place.value(2), before.size(), base.size(),
                                 entry.section(u'=', 1)));
    }
    static const RareWordList words(QStringLiteral(RUBELLO_TEST_DATA "/wordlist.skk"));
    ReadingEngine engine(analyzer, &user, kanji, *ReadingTables::builtIn(), &words);
    QStringList got;
    if (stage.startsWith(u"span ")) { // span START LENGTH: the reading and candidates
        const Result<ReadingRun> run = engine.readSpan(sentence, stage.section(u' ', 1, 1).toInt(),
                                                       stage.section(u' ', 2, 2).toInt());
        QVERIFY(run);
        got = run->candidates.isEmpty() ? QStringList {run->reading} : run->candidates;
        // A row names the candidates it vouches for, best first; a guess's further
        // compositions are not pinned.
        const QString expected = caseText(f[2]);
        got = got.mid(0, expected.count(u'|') + 1);
        QCOMPARE(got.join(u'|') + (run->guessed() ? u"?"_qs : QString()), expected);
        return;
    }
    if (stage == u"text" || stage == u"marks") { // marks: kanji runs, ? unsure, ?? guessed
        const bool marks = stage == u"marks";
        const Result<QList<ReadingRun>> runs
            = marks ? engine.readKanjiRuns(sentence) : engine.readText(sentence);
        QVERIFY(runs);
        for (const ReadingRun &run : *runs)
            got.append(sentence.sliced(run.start, run.length) + u'=' + run.reading
                       + QString(marks ? int(run.confidence) : 0, u'?'));
        QCOMPARE(got.join(u' '), caseText(f[2]));
        return;
    }
    ReadingSentence analysed {sentence, {}, {}};
    const QList<QList<AnalysedWord>> found
        = analyzer.analyses(sentence, 8).value_or(QList<QList<AnalysedWord>>());
    for (qsizetype i = 0; i < found.size(); ++i) {
        QList<ReadingWord> words;
        for (const AnalysedWord &w : found.at(i))
            words.append({w.start, w.length, w.surface, w.reading, w.pos, w.known,
                          ReadingSource::Dictionary, {}, {}, {}});
        (i == 0 ? analysed.words : analysed.alternatives.emplaceBack()) = words;
    }
    bool ran = false;
    for (const auto &one : standardStages(*ReadingTables::builtIn(), kanji, &user, &words)) {
        if (one->name() == stage) {
            QVERIFY(one->rewrite(analysed));
            ran = true;
        }
    }
    QVERIFY2(ran, qPrintable(stage));
    for (const ReadingWord &word : analysed.words) {
        QString shown = word.surface + u'=' + word.reading;
        if (stage == u"ranking" || stage == u"user")
            shown += u'|' + word.candidates.mid(1).join(u'|');
        got.append(shown + (word.source == ReadingSource::Guess ? u"?"_qs : QString())
                   + (word.weighed == ReadingConfidence::Unsure ? u"~"_qs : QString()));
    }
    QCOMPARE(got.join(u' '), caseText(f[2]));
}

// The analyzer is given the common kanji of a variant, one for one.
void TestReadingEngine::commonForms_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("common");
    QTest::newRow("a variant in a name") << u"髙島屋と宮﨑"_qs << u"高島屋と宮崎"_qs;
    QTest::newRow("a compatibility ideograph") << u"\uFA10本"_qs << u"塚本"_qs;
    QTest::newRow("kana with a combining mark stay") << u"か\u3099"_qs << u"か\u3099"_qs;
}

void TestReadingEngine::commonForms()
{
    QFETCH(QString, written);
    QFETCH(QString, common);
    QCOMPARE(commonKanjiForms(written), common);
}

void TestReadingEngine::builtInTables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("columns");
    for (const auto &[name, columns] : {std::pair {"counters.tsv", 7}, {"native.tsv", 2},
                                        {"fixed.tsv", 4}, {"joints.tsv", 2}, {"clans.tsv", 3},
                                        {"homographs.tsv", 4}, {"stems.tsv", 3}})
        QTest::newRow(name) << QString::fromLatin1(name) << columns;
}

// Every row of the shipped tables has its columns and a reading in hiragana (a
// homograph's may be open: ?, or leaning: ほう?), and no comment is glued onto
// a row, where it would hide the alternatives before it.
void TestReadingEngine::builtInTables()
{
    QFETCH(QString, name);
    QFETCH(int, columns);
    QFile file(u":/reading/"_qs + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    static const QRegularExpression reading(u"^[ぁ-ゖー]+$"_qs);
    int line = 0;
    for (const QString &row : QString::fromUtf8(file.readAll()).split(u'\n')) {
        ++line;
        if (row.isEmpty() || row.startsWith(u'#'))
            continue;
        const QStringList fields = row.split(u'\t');
        const QString where = u"%1:%2"_qs.arg(name).arg(line);
        QVERIFY2(fields.size() >= 2 && fields.size() <= columns, qPrintable(where));
        QVERIFY2(!row.contains(u'#'), qPrintable(where));
        QString said = fields.at(1);
        if (name == u"homographs.tsv" && said.endsWith(u'?'))
            said.chop(1);
        QVERIFY2(said.isEmpty() ? name == u"homographs.tsv" : reading.match(said).hasMatch(),
                 qPrintable(where));
    }
}

// A table that cannot be read is an error naming it, never an empty table.
void TestReadingEngine::missingTable()
{
    QTemporaryDir dir;
    for (const char *name : {"counters.tsv", "native.tsv", "fixed.tsv", "joints.tsv"}) {
        QFile table(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(table.open(QIODevice::WriteOnly));
    }
    const Result<ReadingTables> tables = ReadingTables::load(dir.path());
    QVERIFY(!tables);
    QCOMPARE(tables.error().kind, ErrorKind::NotFound);
    QCOMPARE(tables.error().path, dir.filePath(u"clans.tsv"_qs));
    // The list of names and rare words too: missing, or holding no word.
    QVERIFY(QFile(dir.filePath(u"empty.skk"_qs)).open(QIODevice::WriteOnly));
    for (const QString &name : {u"missing.skk"_qs, u"empty.skk"_qs}) {
        const RareWordList list(dir.filePath(name));
        QVERIFY(list.readings(u"東海林"_qs).isEmpty());
        QCOMPARE(list.loadError().value_or(Error {}).kind, ErrorKind::WordListUnreadable);
    }
}

// Kanji only KANJIDIC2 has come with their readings; KANJIDIC's own stay as
// they are, and a kanji with no Japanese reading is not added.
void TestReadingEngine::rarerKanji()
{
    QTemporaryDir dir;
    QFile common(dir.filePath(u"kanjidic"_qs));
    QVERIFY(common.open(QIODevice::WriteOnly));
    common.write(QStringEncoder("EUC-JP").encode(u"亜 3021 U4e9c ア つ.ぐ\n"_qs));
    common.close();
    // The supplement cut short, in its text or in its checksum: its kanji before
    // the cut are not taken either.
    QFile whole(QStringLiteral(RUBELLO_TEST_DATA "/kanjidic2.xml.gz"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray packed = whole.readAll();
    QStringList cuts;
    for (const qsizetype chop : {16, 4}) {
        QFile cut(dir.filePath(u"cut%1.xml.gz"_qs.arg(chop)));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(packed.chopped(chop));
        cuts.append(cut.fileName());
    }
    for (const QString &supplement : {QStringLiteral(RUBELLO_TEST_DATA "/kanjidic2.xml.gz"),
                                      dir.filePath(u"missing.xml.gz"_qs), common.fileName(),
                                      cuts.at(0), cuts.at(1)}) {
        KanjiReadings kanji;
        QVERIFY(kanji.load(common.fileName()));
        kanji.useSupplement(supplement);
        const bool found = supplement.endsWith(u"kanjidic2.xml.gz");
        const QStringList dengReadings = found ? QStringList {u"トウ"_qs, u"クニ"_qs} : QStringList();
        QCOMPARE(kanji.readings(U'鄧', false), dengReadings);
        QCOMPARE(kanji.onReading(U'鄧'), found ? u"トウ"_qs : QString());
        QVERIFY(kanji.readings(U'㐀', true).isEmpty());
        QCOMPARE(kanji.readings(U'亜', false), (QStringList {u"ア"_qs, u"ツ"_qs}));
    }
}

// The Debian lists are EUC-JP: a word reads the same from either encoding,
// words with kana (瞬く間) and misreadings (大掃除) included.
void TestReadingEngine::eucJpWordList()
{
    QFile utf8(QStringLiteral(RUBELLO_TEST_DATA "/wordlist.skk"));
    QVERIFY(utf8.open(QIODevice::ReadOnly));
    QByteArray text = utf8.readAll();
    text.remove(0, text.indexOf('\n') + 1); // the line saying utf-8
    QTemporaryDir dir;
    QFile euc(dir.filePath(u"euc.skk"_qs));
    QVERIFY(euc.open(QIODevice::WriteOnly));
    euc.write(QStringEncoder("EUC-JP").encode(QString::fromUtf8(text)));
    euc.close();
    const RareWordList fromUtf8(utf8.fileName()), fromEuc(euc.fileName());
    for (const QString &word : {u"蒟蒻"_qs, u"東海林"_qs, u"瞬く間"_qs, u"大掃除"_qs, u"送り仮名"_qs}) {
        QVERIFY2(!fromUtf8.readings(word).isEmpty(), qPrintable(word));
        QCOMPARE(fromEuc.readings(word), fromUtf8.readings(word));
    }
    QCOMPARE(fromEuc.readings(u"大掃除"_qs), QStringList {u"オオソウジ"_qs});
    // Each list answers for itself, though answers are kept between lookups.
    QFile other(dir.filePath(u"other.skk"_qs));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QStringEncoder("EUC-JP").encode(u"かんじ /漢字/\n"_qs));
    other.close();
    const RareWordList small(other.fileName());
    QVERIFY(small.readings(u"蒟蒻"_qs).isEmpty());
    QCOMPARE(small.readings(u"漢字"_qs), QStringList {u"カンジ"_qs});
}

void TestReadingEngine::evaluation_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<double>("wholeFloor");
    QTest::addColumn<double>("spanFloor");
    QTest::newRow("held-out set") << u"readingeval.tsv"_qs << RUBELLO_EVAL_FLOOR << RUBELLO_F5_FLOOR;
    QTest::newRow("held-out homographs") << u"homographeval.tsv"_qs << RUBELLO_HOMOGRAPH_FLOOR
                                         << RUBELLO_HOMOGRAPH_FLOOR;
    QTest::newRow("held-out names and rare words")
        << u"rarewordseval.tsv"_qs << RUBELLO_RAREWORDS_FLOOR << RUBELLO_RAREWORDS_FLOOR;
}

// The held-out set, read by the real analyzer: whole-page ruby and F5 on each run.
void TestReadingEngine::evaluation()
{
    QFETCH(QString, set);
    QFETCH(double, wholeFloor);
    QFETCH(double, spanFloor);
    if (!MecabPhoneticService().reading(u"漢字"_qs))
        QSKIP("MeCab with IPADIC is not installed");
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/") + set);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::unique_ptr<ReadingEngine> engine = ReadingEngine::create(std::make_unique<MecabPhoneticService>(), QString());
    int runs = 0, whole = 0, span = 0;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString sentence = line.section(u'\t', 0, 0);
        const QStringList expected = line.section(u'\t', 1).split(u' ');
        const Result<QList<ReadingRun>> found = engine->readKanjiRuns(sentence);
        QVERIFY(found && found->size() == expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const ReadingRun &run = found->at(i);
            const QString want = katakanaForm(expected.at(i).section(u'=', 1));
            ++runs;
            whole += run.reading == want;
            const Result<ReadingRun> selected = engine->readSpan(sentence, run.start, run.length);
            span += selected && selected->reading == want;
        }
    }
    const double wholeRate = 100.0 * whole / runs, spanRate = 100.0 * span / runs;
    qInfo("%s: %d runs, whole text %.1f%%, F5 on each run %.1f%%", qPrintable(set), runs,
          wholeRate, spanRate);
    QVERIFY2(wholeRate >= wholeFloor, qPrintable(QString::number(wholeRate)));
    QVERIFY2(spanRate >= spanFloor, qPrintable(QString::number(spanRate)));
}

QTEST_APPLESS_MAIN(TestReadingEngine)
#include "tst_readingengine.moc"
