// The reading engine against bare MeCab: runs read right on the dev and held-out
// sets (whole text and F5 on each run), the speed of reading 1 MB of text
// against MeCab cutting it alone in the same run, and F5's latency.

#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/wordlist.h"
#include "core/ruby/rubytext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

namespace {

struct Row
{
    QString sentence;
    QStringList runs, readings; // readings in katakana
};

QList<Row> rows(const QString &set)
{
    QList<Row> out;
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/") + set);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        Row row {line.section(u'\t', 0, 0), {}, {}};
        for (const QString &pair : line.section(u'\t', 1).split(u' ')) {
            row.runs.append(pair.section(u'=', 0, 0));
            row.readings.append(katakanaForm(pair.section(u'=', 1)));
        }
        out.append(row);
    }
    return out;
}

// MeCab's own words over a run: a word reaching past the run is matched with
// its kana written out and the part inside the run taken (as the scorer does).
QString mecabRun(const QList<AnalysedWord> &words, qsizetype start, qsizetype end)
{
    QString out;
    for (const AnalysedWord &w : words) {
        const qsizetype a = qMax(start, w.start), b = qMin(end, w.start + w.length);
        if (a >= b)
            continue;
        QString pattern = QStringLiteral("^");
        for (qsizetype i = w.start; i < w.start + w.length; ++i) {
            const QString c = katakanaForm(w.surface.at(i - w.start));
            if (i == a)
                pattern += QStringLiteral("(.+?)");
            else if (i < a || i >= b)
                pattern += containsKanji(c) ? QStringLiteral(".+?") : QRegularExpression::escape(c);
        }
        const QRegularExpressionMatch m = QRegularExpression(pattern + u'$').match(w.reading);
        out += m.hasMatch() ? m.captured(1) : QStringLiteral("?");
    }
    return out;
}

void accuracy(const QString &set, ReadingEngine &engine, MecabPhoneticService &mecab)
{
    int runs = 0, whole = 0, span = 0, bare = 0;
    for (const Row &row : rows(set)) {
        const Result<QList<ReadingRun>> found = engine.readKanjiRuns(row.sentence);
        const QList<AnalysedWord> words
            = mecab.analyses(row.sentence, 1).value_or(QList<QList<AnalysedWord>>()).value(0);
        for (qsizetype i = 0; found && i < found->size() && i < row.readings.size(); ++i) {
            const ReadingRun &run = found->at(i);
            const Result<ReadingRun> selected = engine.readSpan(row.sentence, run.start, run.length);
            ++runs;
            whole += run.reading == row.readings.at(i);
            span += selected && selected->reading == row.readings.at(i);
            bare += mecabRun(words, run.start, run.start + run.length) == row.readings.at(i);
        }
    }
    const auto pct = [runs](int n) { return runs ? 100.0 * n / runs : 0.0; };
    std::printf("%s runs: %d\n", qPrintable(set), runs);
    std::printf("%s engine whole text: %.1f %%\n", qPrintable(set), pct(whole));
    std::printf("%s engine F5 on each run: %.1f %%\n", qPrintable(set), pct(span));
    std::printf("%s bare MeCab whole text: %.1f %%\n", qPrintable(set), pct(bare));
}

} // namespace

int main(int argc, char **argv)
{
    // --speed: the timings alone, without the accuracy of the sets.
    const bool speedOnly = argc > 1 && qstrcmp(argv[1], "--speed") == 0;
    MecabPhoneticService mecab;
    QElapsedTimer start;
    start.start();
    // The list of names and rare words, read here at once; the program reads
    // it on a worker thread.
    const bool listed = !RareWordList::system().isEmpty();
    std::printf("word list load: %.1f ms (%s)\n", start.nsecsElapsed() / 1e6,
                listed ? "read" : "not read");
    start.restart();
    KanjiReadings::system().readSupplement();
    std::printf("rarer kanji load: %.1f ms\n", start.nsecsElapsed() / 1e6);
    start.restart();
    const std::unique_ptr<ReadingEngine> engine = ReadingEngine::create(std::make_unique<MecabPhoneticService>(), QString());
    std::printf("engine start-up: %.1f ms\n", start.nsecsElapsed() / 1e6);
    start.restart();
    (void)engine->readSpan(QStringLiteral("鍼灸院に通う。"), 0, 3);
    std::printf("first F5 after start-up: %.1f ms\n", start.nsecsElapsed() / 1e6);
    for (const char *set : {"readingdev.tsv", "readingeval.tsv", "rarewordsdev.tsv", "rarewordseval.tsv"})
        if (!speedOnly)
            accuracy(QString::fromLatin1(set), *engine, mecab);

    // 1 MB of the dev set's sentences, a line each: a fixed size, so the figures
    // stay comparable as the set grows.
    QString text;
    const QList<Row> all = rows(QStringLiteral("readingdev.tsv"));
    for (qsizetype bytes = 0, i = 0; !all.isEmpty() && bytes < 1024 * 1024; ++i) {
        const QString line = all.at(i % all.size()).sentence + u'\n';
        text += line;
        bytes += line.toUtf8().size();
    }
    QElapsedTimer clock;
    clock.start();
    qsizetype words = 0;
    for (qsizetype at = 0; at < text.size(); at += 2048)
        words += mecab.tokens(text.mid(at, 2048)).value_or(QList<AnalysedWord>()).size();
    const double mecabMs = clock.nsecsElapsed() / 1e6;
    clock.restart();
    const Result<QList<ReadingRun>> runs = engine->readText(text);
    const double engineMs = clock.nsecsElapsed() / 1e6;
    std::printf("1 MB bare MeCab: %.0f ms (%lld words)\n", mecabMs, qlonglong(words));
    std::printf("1 MB engine readText: %.0f ms (%lld runs)\n", engineMs,
                qlonglong(runs ? runs->size() : 0));
    std::printf("1 MB engine / MeCab: %.2f x\n", engineMs / mecabMs);
    // The same engine with no stage: what the analysis and the cutting into lines
    // cost apart from the rules.
    const std::unique_ptr<ReadingEngine> bare = ReadingEngine::create(std::make_unique<MecabPhoneticService>(), QString());
    for (const QString &stage : bare->stageNames())
        bare->leaveOut(stage);
    clock.restart();
    (void)bare->readText(text);
    const double bareMs = clock.nsecsElapsed() / 1e6;
    std::printf("1 MB engine without stages: %.0f ms (%.2f x MeCab; stages %.2f x)\n", bareMs,
                bareMs / mecabMs, engineMs / bareMs);

    // F5: a run in the middle of a long page.
    const qsizetype at = text.indexOf(QStringLiteral("漢字"), text.size() / 2);
    clock.restart();
    constexpr int kTimes = 200;
    for (int i = 0; i < kTimes; ++i)
        (void)engine->readSpan(text, at < 0 ? text.size() / 2 : at, 2);
    std::printf("readSpan latency: %.2f ms\n", clock.nsecsElapsed() / 1e6 / kTimes);
    return 0;
}
