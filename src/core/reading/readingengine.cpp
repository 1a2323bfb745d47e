#include "core/reading/readingengine.h"

#include "core/reading/kanjireadings.h"
#include "core/reading/phoneticservice.h"
#include "core/reading/readingchain.h"
#include "core/reading/readingtables.h"
#include "core/reading/userreadings.h"
#include "core/reading/wordlist.h"
#include "core/reading/userstage.h"
#include "core/text/kana.h"


#include <algorithm>
#include <cerrno>

namespace {

// Longest stretch analysed at once; longer text is cut after a sentence end.
constexpr qsizetype kChunk = 2048;
// Analyses asked for candidates; only for a sentence of reasonable length.
constexpr int kPaths = 8;
// Analyses of a line read run by run: enough to see where they disagree. The
// whole page asks for one, to stay within a small multiple of MeCab's time.
constexpr int kRunPaths = 3;
constexpr qsizetype kMaxNbestText = 1000;

bool endsSentence(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'。' || u == u'！' || u == u'？' || u == u'\n' || u == u'．';
}

struct SpanReading
{
    QString reading;
    ReadingSource source = ReadingSource::Dictionary;
    QStringList candidates;
    ReadingConfidence confidence = ReadingConfidence::Sure;
};

// A word the dictionary read while another analysis reads it otherwise: no
// rule of ours decided between them.
// A kanji that is a word alone and has both a Sino-Japanese and a native
// reading (数 スウ/カズ): the dictionary's choice is one of several.
bool severalWays(const ReadingWord &word, const KanjiReadings &kanji)
{
    if (word.surface.size() != 1 || word.source != ReadingSource::Dictionary
        || !word.pos.startsWith(QStringLiteral("名詞")) || word.pos.contains(QStringLiteral("数"))
        || word.pos.contains(QStringLiteral("接尾")) || !isKanji(word.surface.front().unicode()))
        return false;
    const char32_t c = word.surface.front().unicode();
    // Read the Sino-Japanese way alone while a native word is written so (数 スウ).
    if (!kanji.isOnReading(c, word.reading))
        return false;
    for (const QString &reading : kanji.readings(c, false))
        if (!kanji.isOnReading(c, reading))
            return true;
    return false;
}

ReadingConfidence confidenceOf(const ReadingWord &word, const KanjiReadings &kanji)
{
    if (word.source == ReadingSource::Guess)
        return ReadingConfidence::Guessed;
    if (word.weighed)
        return *word.weighed;
    // A person's name has more readings than the dictionary knows.
    if (word.pos.contains(QStringLiteral("人名")) || severalWays(word, kanji))
        return ReadingConfidence::Unsure;
    if (word.source == ReadingSource::Dictionary && containsKanji(word.surface)
        && word.candidates.size() > 1)
        return ReadingConfidence::Unsure;
    return ReadingConfidence::Sure;
}

// A digit, a Latin letter or a kanji left in a reading is a word no rule could
// read, never something to put over the text.
bool speakable(const QString &reading)
{
    for (const QChar c : reading) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')
            || (u >= u'０' && u <= u'９') || (u >= u'Ａ' && u <= u'Ｚ') || (u >= u'ａ' && u <= u'ｚ')
            || isKanji(u))
            return false;
    }
    return true;
}

// strict: the span is kanji and digits only, so nothing of it is kept as written.
std::optional<SpanReading> spanReading(const ReadingSentence &sentence, qsizetype start,
                                       qsizetype end, const KanjiReadings &kanji,
                                       bool strict = true)
{
    SpanReading found;
    bool guessed = false, sourced = false;
    const ReadingWord *previous = nullptr;
    for (const ReadingWord &word : sentence.words) {
        const qsizetype a = qMax(start, word.start), b = qMin(end, word.start + word.length);
        if (a >= b)
            continue;
        // A kanji read as a word of its own beside another word of the run.
        if (previous && containsKanji(previous->surface)
            && stagekit::loneKanjiBeside(*previous, word))
            found.confidence = std::max(found.confidence, ReadingConfidence::Unsure);
        previous = &word;
        // A compound cut at a joint gives its parts' readings.
        const QList<std::pair<qsizetype, QString>> parts = word.parts.isEmpty()
            ? QList<std::pair<qsizetype, QString>> {{word.length, word.reading}}
            : word.parts;
        qsizetype at = word.start;
        for (const auto &[length, reading] : parts) {
            const qsizetype pa = qMax(a, at), pb = qMin(b, at + length);
            if (pa < pb) {
                const std::optional<QString> part = partReading(
                    word.surface.sliced(at - word.start, length), reading, pa - at, pb - at, kanji);
                // Kanji nobody could read leave the span unread, not read in part.
                if (!part
                    || (part->isEmpty()
                        && containsKanji(QStringView(word.surface).sliced(pa - word.start, pb - pa))))
                    return std::nullopt;
                found.reading += *part;
            }
            at += length;
        }
        guessed = guessed || word.source == ReadingSource::Guess;
        found.confidence = std::max(found.confidence, confidenceOf(word, kanji));
        if (!sourced && containsKanji(word.surface)) {
            found.source = word.source;
            sourced = true;
        }
        if (word.start == start && word.start + word.length == end)
            found.candidates = word.candidates;
    }
    if (guessed)
        found.source = ReadingSource::Guess;
    if (strict && !speakable(found.reading)) {
        found.reading.clear();
        found.confidence = ReadingConfidence::Guessed;
    }
    found.candidates.removeIf([](const QString &c) { return !speakable(c); });
    found.candidates.removeAll(found.reading);
    found.candidates.prepend(found.reading);
    found.candidates = found.candidates.mid(0, 6);
    return found;
}

// Digits that end a Latin name (F1, MP3, Windows10) are said as the name is,
// not in Japanese numerals; a paper size (A4, B5) is said in Japanese, and so
// is a count after a name (PBR1倍, USB2本). Counters that also begin nouns
// (品種, 代表, 形式, 版, and 日 of 日本) are left out: F1品種 is a name.
bool partOfLatinName(const QString &text, qsizetype digitsAt, qsizetype digitsEnd)
{
    static const QString counts
        = QStringLiteral("倍個本枚台回人件点歳匹冊軒社名割円位番階号巻章条杯頭羽着足週年月時分秒");
    if (digitsEnd < text.size() && counts.contains(text.at(digitsEnd)))
        return false;
    const auto latin = [&text](qsizetype i) {
        if (i < 0)
            return false;
        const QChar c = text.at(i);
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'Ａ' && c <= u'Ｚ')
            || (c >= u'ａ' && c <= u'ｚ');
    };
    // A hyphen joins a name to its number too (U-23, COVID-19).
    const QChar before = digitsAt > 0 ? text.at(digitsAt - 1) : QChar();
    if ((before == u'-' || before == u'‐') && latin(digitsAt - 2))
        return true;
    if (!latin(digitsAt - 1))
        return false;
    const QChar letter = text.at(digitsAt - 1).toUpper();
    const bool paperSize = (letter == u'A' || letter == u'B' || letter == u'Ａ' || letter == u'Ｂ')
        && !latin(digitsAt - 2);
    return !paperSize;
}

// Maximal kanji runs; digits directly before a kanji (or ヶ and a kanji) join it.
QList<std::pair<qsizetype, qsizetype>> kanjiRuns(const QString &text)
{
    const auto digit = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９');
    };
    const auto kanjiAt = [&text](qsizetype i) {
        if (i >= text.size())
            return false;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            return isKanji(QChar::surrogateToUcs4(text.at(i), text.at(i + 1)));
        return isKanji(text.at(i).unicode());
    };
    QList<bool> mark(text.size(), false);
    for (qsizetype i = 0; i < text.size(); ++i)
        mark[i] = kanjiAt(i) || (text.at(i).isLowSurrogate() && i > 0 && mark[i - 1]);
    for (qsizetype i = 0; i < text.size();) {
        if (!digit(text.at(i))) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < text.size()
               && (digit(text.at(j))
                   || ((text.at(j) == u',' || text.at(j) == u'.' || text.at(j) == u'，'
                        || text.at(j) == u'．')
                       && j > i && j + 1 < text.size() && digit(text.at(j + 1)))))
            ++j;
        const bool small = j < text.size() && (text.at(j) == u'ヶ' || text.at(j) == u'ヵ');
        if ((kanjiAt(j) || (small && kanjiAt(j + 1))) && !partOfLatinName(text, i, j))
            for (qsizetype k = i; k < j; ++k)
                mark[k] = true;
        i = j;
    }
    for (qsizetype i = 1; i + 1 < text.size(); ++i)
        if ((text.at(i) == u'ヶ' || text.at(i) == u'ヵ') && mark[i - 1] && kanjiAt(i + 1))
            mark[i] = true;
    QList<std::pair<qsizetype, qsizetype>> runs;
    for (qsizetype i = 0; i < text.size();) {
        if (!mark[i]) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < text.size() && mark[j])
            ++j;
        runs.append({i, j});
        i = j;
    }
    return runs;
}

// The shipped tables; when they cannot be read the engine reports that on
// every reading and the stages see empty ones.
const ReadingTables &builtInTables()
{
    static const ReadingTables none;
    const Result<ReadingTables> &tables = ReadingTables::builtIn();
    return tables ? *tables : none;
}

ReadingWord wordOf(const AnalysedWord &word)
{
    ReadingWord out;
    out.start = word.start;
    out.length = word.length;
    out.surface = word.surface;
    out.reading = word.reading;
    out.pos = word.numeral && word.pos.isEmpty() ? QStringLiteral("名詞,数") : word.pos;
    out.known = word.known;
    // Some entries give the pronunciation's ヅ, ヂ at the start (図形 ヅケイ);
    // a suffix voiced after the word before it spells them so (米作り ヅクリ).
    const bool suffix = out.pos.contains(QStringLiteral("接尾"));
    if (!suffix && out.reading.startsWith(u'ヅ'))
        out.reading[0] = QChar(u'ズ');
    else if (!suffix && out.reading.startsWith(u'ヂ'))
        out.reading[0] = QChar(u'ジ');
    return out;
}

} // namespace

ReadingEngine::ReadingEngine(PhoneticService &analyzer, UserReadings *userReadings)
    : ReadingEngine(analyzer, userReadings, KanjiReadings::system(),
                    builtInTables(), &RareWordList::system())
{
    RareWordList::prepareSystem();
    if (!ReadingTables::builtIn())
        m_tablesError = ReadingTables::builtIn().error();
}

ReadingEngine::ReadingEngine(PhoneticService &analyzer, UserReadings *userReadings,
                             const KanjiReadings &kanji, const ReadingTables &tables,
                             const RareWordList *words)
    : m_analyzer(&analyzer)
    , m_userReadings(userReadings)
    , m_kanji(kanji)
    , m_words(words)
    , m_stages(standardStages(tables, kanji, userReadings, words))
{ }

std::optional<Error> ReadingEngine::wordListError() const
{
    return m_words && m_words->loaded() ? m_words->loadError() : std::nullopt;
}

ReadingEngine::~ReadingEngine() = default;

std::unique_ptr<ReadingEngine> ReadingEngine::create(std::unique_ptr<PhoneticService> analyzer,
                                                     const QString &userFile)
{
    auto user = userFile.isEmpty() ? nullptr : std::make_unique<UserReadings>(userFile);
    auto engine = std::make_unique<ReadingEngine>(*analyzer, user.get());
    engine->m_ownedAnalyzer = std::move(analyzer);
    engine->m_ownedUser = std::move(user);
    return engine;
}

QStringList ReadingEngine::stageNames() const
{
    QStringList names;
    for (const auto &stage : m_stages)
        names.append(stage->name());
    return names;
}

bool ReadingEngine::leaveOut(const QString &stageName)
{
    return m_stages.removeIf([&](const auto &stage) { return stage->name() == stageName; }) > 0;
}

Result<ReadingSentence> ReadingEngine::analyse(const QString &text, int paths,
                                              qsizetype focusStart, qsizetype focusLength) const
{
    if (m_tablesError)
        return std::unexpected(*m_tablesError);
    ReadingSentence sentence;
    sentence.text = commonKanjiForms(text);
    sentence.focusStart = focusStart;
    sentence.focusLength = focusLength;
    const Result<QList<QList<AnalysedWord>>> found
        = m_analyzer->analyses(sentence.text, text.size() > kMaxNbestText ? 1 : paths);
    if (!found)
        return std::unexpected(found.error());
    for (qsizetype i = 0; i < found->size(); ++i) {
        QList<ReadingWord> words;
        words.reserve(found->at(i).size());
        for (const AnalysedWord &word : found->at(i))
            words.append(wordOf(word));
        if (i == 0)
            sentence.words = std::move(words);
        else
            sentence.alternatives.append(std::move(words));
    }
    for (const auto &stage : m_stages)
        if (const Result<void> done = stage->rewrite(sentence); !done)
            return std::unexpected(done.error());
    return sentence;
}

Result<ReadingRun> ReadingEngine::readSpan(const QString &text, qsizetype start, qsizetype length)
{
    start = qBound<qsizetype>(0, start, text.size());
    length = qBound<qsizetype>(0, length, text.size() - start);
    const ReadingContext context = readingContext(text, start, length);
    ReadingRun run {start, length, QString(), ReadingSource::Dictionary, {}};
    if (length == 0)
        return run;
    const QString sentence = context.before + context.selection + context.after;
    const qsizetype from = context.before.size(), to = from + length;
    const Result<ReadingSentence> analysed = analyse(sentence, kPaths, from, length);
    if (!analysed)
        return std::unexpected(analysed.error());
    // Latin letters and digits of a selection without kanji next to them are
    // read as written (Hello, 3D); a selection of kanji and digits never is.
    const bool strict = containsKanji(context.selection)
        && std::none_of(context.selection.cbegin(), context.selection.cend(), [](QChar c) {
               const char16_t u = c.unicode();
               return c.isLetter() && (u < 0x3000 || (u >= u'Ａ' && u <= u'ｚ'));
           });
    std::optional<SpanReading> found = spanReading(*analysed, from, to, m_kanji, strict);
    if (!found && context.selection != sentence) {
        // A cut the sentence cannot explain: the selection read alone.
        const Result<ReadingSentence> alone = analyse(context.selection, kPaths, 0, length);
        if (!alone)
            return std::unexpected(alone.error());
        found = spanReading(*alone, 0, length, m_kanji, strict);
    }
    if (!found) {
        const QString composed = composedReading(context.selection, m_kanji);
        found = SpanReading {speakable(composed) ? composed : QString(), ReadingSource::Guess, {}};
    }
    run.reading = found->reading;
    run.source = found->source;
    run.candidates = found->candidates;
    run.confidence = found->source == ReadingSource::Guess ? ReadingConfidence::Guessed
                                                            : found->confidence;
    run.candidates.removeAll(QString());
    return run;
}

Result<QList<ReadingRun>> ReadingEngine::readChunks(const QString &text, bool kanjiRuns_)
{
    QList<ReadingRun> runs;
    for (qsizetype from = 0; from < text.size();) {
        // Cut at a line end, else after a sentence end, else at the limit.
        qsizetype to = qMin(text.size(), from + kChunk);
        const qsizetype line = text.indexOf(u'\n', from);
        if (line >= 0 && line < to) {
            to = line + 1;
        } else if (to < text.size()) {
            qsizetype at = to;
            while (at > from + kChunk / 2 && !endsSentence(text.at(at - 1)))
                --at;
            if (at > from + kChunk / 2)
                to = at;
            else if (text.at(to - 1).isHighSurrogate())
                --to;
        }
        const QString chunk = text.sliced(from, to - from);
        if (containsKanji(chunk)) {
            const Result<ReadingSentence> analysed = analyse(chunk, kanjiRuns_ ? kRunPaths : 1);
            if (!analysed)
                return std::unexpected(analysed.error());
            if (kanjiRuns_) {
                for (const auto &[s, e] : kanjiRuns(chunk)) {
                    std::optional<SpanReading> found = spanReading(*analysed, s, e, m_kanji);
                    if (!found) {
                        const Result<ReadingSentence> alone = analyse(chunk.sliced(s, e - s), 1);
                        if (alone)
                            found = spanReading(*alone, 0, e - s, m_kanji);
                    }
                    if (found)
                        runs.append({from + s, e - s, found->reading, found->source,
                                     found->candidates, found->confidence});
                }
            } else {
                for (const ReadingWord &word : analysed->words) {
                    if (!containsKanji(word.surface) || word.reading.isEmpty()
                        || !speakable(word.reading))
                        continue;
                    runs.append({from + word.start, word.length, word.reading, word.source,
                                 word.candidates.isEmpty() ? QStringList {word.reading}
                                                           : word.candidates,
                                 confidenceOf(word, m_kanji)});
                }
            }
        }
        from = to;
    }
    return runs;
}

Result<QList<ReadingRun>> ReadingEngine::readText(const QString &text)
{
    return readChunks(text, false);
}

Result<QList<ReadingRun>> ReadingEngine::readKanjiRuns(const QString &text)
{
    return readChunks(text, true);
}

Result<void> ReadingEngine::remember(const QString &base, const QString &reading)
{
    return remember(base, 0, base.size(), reading);
}

Result<void> ReadingEngine::remember(const QString &written, qsizetype start, qsizetype length,
                                     const QString &reading, bool inPlace)
{
    if (!m_userReadings)
        return {};
    // Kept as the readings are looked up: in the analyzer's spelling.
    const QString text = commonKanjiForms(written);
    start = qBound<qsizetype>(0, start, text.size());
    length = qBound<qsizetype>(0, length, text.size() - start);
    const ReadingContext context = readingContext(text, start, length);
    const qsizetype from = context.before.size(), to = from + context.selection.size();
    // A context the analyzer cannot read leaves the correction for the span as a word.
    const Result<ReadingSentence> analysed
        = analyse(context.before + context.selection + context.after, kPaths);
    const QString within = analysed ? wordWithKanaAround(analysed->words, from, to) : QString();
    return inPlace ? m_userReadings->remember(context.selection, reading, context.before,
                                              context.after, within)
                   : m_userReadings->remember(context.selection, reading, {}, {}, within);
}
