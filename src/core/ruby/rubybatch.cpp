#include "core/ruby/rubybatch.h"

#include "core/ruby/blocktext.h"
#include "core/ruby/htmlscan.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/ruby/rubytext.h"

#include <algorithm>

namespace {

// Longest stretch handed to the tokenizer at once; longer text is cut at a
// sentence end, else at a character that is not a kanji.
constexpr qsizetype kChunk = 2048;

bool isSentenceEnd(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'。' || u == u'！' || u == u'？' || u == u'\n' || u == u'．' || u == u'!'
        || u == u'?';
}

// Characters the tokenizer is never given: controls (NUL among them) and
// surrogates without their other half.
bool isBreak(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
        return true;
    if (c.isHighSurrogate())
        return i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !text.at(i - 1).isHighSurrogate();
    return false;
}

// Where to cut [start, ...) at or before limit: after a sentence end, else
// before a kana or other non-kanji, else at the limit; never inside a pair.
qsizetype cutPoint(const QString &text, qsizetype start, qsizetype limit)
{
    const qsizetype floor = start + (limit - start) / 2;
    for (qsizetype at = limit; at > floor; --at)
        if (isSentenceEnd(text.at(at - 1)))
            return at;
    for (qsizetype at = limit; at > floor; --at)
        if (!text.at(at).isLowSurrogate() && !isKanji(text.at(at).unicode())
            && !text.at(at).isHighSurrogate())
            return at;
    return text.at(limit).isLowSurrogate() ? limit - 1 : limit;
}

bool isKanaChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x3041 && u <= 0x3096) || (u >= 0x30A1 && u <= 0x30FA) || u == 0x30FC;
}

struct WordPart
{
    qsizetype start; // in the base
    qsizetype length;
    bool kana;
    qsizetype readingStart = 0;
    qsizetype readingLength = 0;
};

// Fits the runs from `run` on into the reading from `at`: kana runs must be
// there as they are, each kanji run takes at least one character. Counts the
// ways, up to two, and keeps the first.
int fitRuns(QList<WordPart> &runs, qsizetype run, const QString &katakanaBase,
            const QString &reading, qsizetype at)
{
    if (run == runs.size())
        return at == reading.size() ? 1 : 0;
    WordPart &part = runs[run];
    if (part.kana) {
        if (!QStringView(reading).sliced(at).startsWith(
                QStringView(katakanaBase).sliced(part.start, part.length)))
            return 0;
        part.readingStart = at;
        part.readingLength = part.length;
        return fitRuns(runs, run + 1, katakanaBase, reading, at + part.length);
    }
    int ways = 0;
    const QList<WordPart> before = runs;
    for (qsizetype length = 1; at + length <= reading.size() && ways < 2; ++length) {
        QList<WordPart> tried = before;
        tried[run].readingStart = at;
        tried[run].readingLength = length;
        const int found = fitRuns(tried, run + 1, katakanaBase, reading, at + length);
        if (found > 0 && ways == 0)
            runs = tried;
        ways += found;
    }
    return ways;
}

// The kanji runs and kana runs of a word with their readings, when the word's
// kana are found in its reading in exactly one way; else nothing.
QList<WordPart> divideAtKana(const QString &base, const QString &reading)
{
    constexpr qsizetype kLongestWord = 32;
    // Only a word of kana and kanji both divides; most words are kanji alone.
    if (std::all_of(base.cbegin(), base.cend(), isKanaChar)
        || std::none_of(base.cbegin(), base.cend(), isKanaChar))
        return {};
    const QString katakanaBase = katakanaForm(base);
    const QString katakanaReading = katakanaForm(reading);
    if (base.size() > kLongestWord || katakanaReading.size() != reading.size())
        return {};
    QList<WordPart> runs;
    for (qsizetype i = 0; i < base.size(); ++i) {
        const bool kana = isKanaChar(base.at(i));
        if (!runs.isEmpty() && runs.last().kana == kana)
            ++runs.last().length;
        else
            runs.append({i, 1, kana});
    }
    if (runs.size() < 2 || fitRuns(runs, 0, katakanaBase, katakanaReading, 0) != 1)
        return {};
    // Kana the word was given with at its ends (okurigana kept) stay in the
    // element next to them: only kana between kanji are left out.
    const auto merge = [&runs](qsizetype into, qsizetype from) {
        WordPart &kept = runs[into];
        const WordPart &gone = runs.at(from);
        kept.start = std::min(kept.start, gone.start);
        kept.length += gone.length;
        kept.readingStart = std::min(kept.readingStart, gone.readingStart);
        kept.readingLength += gone.readingLength;
        runs.remove(from);
    };
    if (runs.size() > 1 && runs.first().kana)
        merge(1, 0);
    if (runs.size() > 1 && runs.last().kana)
        merge(runs.size() - 2, runs.size() - 1);
    return runs.size() < 2 ? QList<WordPart>() : runs;
}

// Reads a stretch of text into words; an error stops the whole search.
using RunReader = std::function<Result<QList<ReadingRun>>(const QString &text)>;

class Finder
{
public:
    Finder(const QString &html, const RunReader &read, const RubyOptions &options)
        : m_html(html)
        , m_read(read)
        , m_options(options)
    { }

    void run(const BlockText &block);
    QList<RubyCandidate> found;
    std::optional<Error> error;

private:
    void chunk(qsizetype start, qsizetype end);
    void place(qsizetype at, const QString &base, const QString &reading, bool guessed,
               const QStringList &others, ReadingConfidence confidence);
    void placeInPieces(qsizetype at, const QString &base, const QString &reading, bool guessed,
                       ReadingConfidence confidence);
    // Whether block characters i and i + 1 stand side by side in the page.
    bool joined(qsizetype i) const;
    qsizetype sourceEnd(qsizetype i) const;

    const BlockText *m_block = nullptr;

    const QString &m_html;
    const RunReader &m_read;
    const RubyOptions &m_options;
};

void Finder::run(const BlockText &block)
{
    m_block = &block;
    qsizetype from = 0;
    for (qsizetype i = 0; i < block.text.size(); ++i) {
        if (isBreak(block.text, i)) {
            chunk(from, i);
            from = i + 1;
        }
    }
    chunk(from, block.text.size());
}

bool Finder::joined(qsizetype i) const
{
    const qsizetype a = m_block->source.at(i), b = m_block->source.at(i + 1);
    if (a < 0 || b <= a)
        return false;
    for (qsizetype at = a + 1; at < b; at += m_html.at(at).isHighSurrogate() ? 2 : 1) {
        if (!isVariationSelectorAt(m_html, at))
            return false;
    }
    return true;
}

// After the character, with the variation selectors that go with it.
qsizetype Finder::sourceEnd(qsizetype i) const
{
    qsizetype end = m_block->source.at(i) + 1;
    while (end < m_html.size() && isVariationSelectorAt(m_html, end))
        end += m_html.at(end).isHighSurrogate() ? 2 : 1;
    return end;
}

// A word whose characters stand together in the page is one candidate.
void Finder::place(qsizetype at, const QString &base, const QString &reading, bool guessed,
                   const QStringList &others, ReadingConfidence confidence)
{
    const qsizetype last = at + base.size() - 1;
    bool whole = m_block->source.at(at) >= 0;
    for (qsizetype i = at; whole && i < last; ++i)
        whole = joined(i);
    if (!whole) {
        placeInPieces(at, base, reading, guessed, confidence);
        return;
    }
    const qsizetype start = m_block->source.at(at);
    found.append({start, m_html.sliced(start, sourceEnd(last) - start), reading, guessed, others,
                  confidence});
}

// A word split by tags, references or line breaks: each piece gets the part of
// the reading over it, where the reading divides at the piece's edges; the
// kanji of a piece that cannot take ruby, or whose reading does not divide
// there, get none.
void Finder::placeInPieces(qsizetype at, const QString &base, const QString &reading, bool guessed,
                           ReadingConfidence confidence)
{
    const KanjiReadings &kanji
        = m_options.form.kanji ? *m_options.form.kanji : KanjiReadings::system();
    QList<ReadingPart> parts = divideReading(base, reading, kanji);
    if (parts.size() < 2) {
        parts.clear();
        for (const WordPart &p : divideAtKana(base, reading))
            parts.append({p.start, p.length, p.readingStart, p.readingLength, !p.kana});
    }
    // Kanji parts side by side in one piece become one candidate.
    qsizetype from = -1, readingFrom = 0, readingTo = 0;
    const auto close = [&](qsizetype to) {
        if (from >= 0 && m_block->source.at(at + from) >= 0) {
            const qsizetype start = m_block->source.at(at + from);
            found.append({start, m_html.sliced(start, sourceEnd(at + to - 1) - start),
                          reading.sliced(readingFrom, readingTo - readingFrom), guessed, {},
                          confidence});
        }
        from = -1;
    };
    for (const ReadingPart &part : parts) {
        bool inOnePiece = true;
        for (qsizetype i = part.baseStart; inOnePiece && i + 1 < part.baseStart + part.baseLength; ++i)
            inOnePiece = joined(at + i);
        if (!part.ruby || !inOnePiece) {
            close(part.baseStart);
            continue;
        }
        if (from >= 0 && !joined(at + part.baseStart - 1))
            close(part.baseStart);
        if (from < 0) {
            from = part.baseStart;
            readingFrom = part.readingStart;
        }
        readingTo = part.readingStart + part.readingLength;
    }
    close(base.size());
}

void Finder::chunk(qsizetype start, qsizetype end)
{
    while (end - start > kChunk) {
        const qsizetype at = cutPoint(m_block->text, start, start + kChunk);
        chunk(start, at);
        start = at;
    }
    const QString &block = m_block->text;
    if (error || start >= end || !containsKanji(QStringView(block).sliced(start, end - start)))
        return;
    const QString text = block.sliced(start, end - start);
    const Result<QList<ReadingRun>> runs = m_read(text);
    if (!runs) {
        error = runs.error();
        return;
    }
    qsizetype done = 0;
    for (const ReadingRun &token : *runs) {
        if (token.start < done || token.length <= 0 || token.start + token.length > text.size()
            || token.reading.isEmpty())
            continue;
        done = token.start + token.length;
        const QStringView word = QStringView(text).sliced(token.start, token.length);
        if (!needsRuby(word, m_options.knownKanji))
            continue;
        QString base = word.toString();
        QString reading = token.reading;
        if (m_options.omitOkurigana) {
            const OkuriganaOmission omission = omitOkurigana(base, reading);
            base.truncate(omission.baseLength);
            reading = omission.reading;
        }
        // Kana that a word starts with and its reading too (に対し, お茶) stay
        // outside, as when only the kanji are selected for F5.
        const QString katakanaBase = katakanaForm(base);
        qsizetype lead = 0;
        while (lead < base.size() && lead < reading.size() && !isKanji(base.at(lead).unicode())
               && !base.at(lead).isSurrogate() && katakanaBase.at(lead) == reading.at(lead))
            ++lead;
        base.remove(0, lead);
        reading.remove(0, lead);
        if (base.isEmpty() || reading.isEmpty() || !containsKanji(base))
            continue;
        // The other readings lose the same ending and leading kana.
        const qsizetype dropped = token.reading.size() - lead - reading.size();
        QStringList others;
        for (const QString &other : token.candidates) {
            if (other.size() <= lead + dropped || other == token.reading
                || other.first(lead) != token.reading.first(lead)
                || other.last(dropped) != token.reading.last(dropped))
                continue;
            const QString kept = other.sliced(lead, other.size() - lead - dropped);
            if (!others.contains(kept) && kept != reading)
                others.append(kept);
        }
        place(start + token.start + lead, base, reading, token.guessed(), others, token.confidence);
    }
}

// Progress is told every so many characters of text.
constexpr qsizetype kProgressStep = 64 * 1024;

} // namespace

bool needsRuby(QStringView word, const QSet<char32_t> &known)
{
    for (const char32_t c : word.toUcs4()) {
        if (isKanji(c) && c != U'々' && (known.isEmpty() || !known.contains(c)))
            return true;
    }
    return false;
}

QString rubyMarkup(const QString &base, const QString &reading, const RubyForm &form)
{
    const auto element = [&](const QString &b, const QString &r, QStringView following = {}) {
        const QString shown = kanaForm(r, form.kana, following);
        return form.withAttribute ? rubyElementWithAttribute(b, form.attribute, shown)
                                  : rubyElement(b, shown);
    };
    if (!form.perKanji || !form.kanji) {
        const QList<WordPart> parts = form.perWord ? QList<WordPart>() : divideAtKana(base, reading);
        if (parts.isEmpty())
            return element(base, reading);
        QString markup;
        for (const WordPart &part : parts) {
            const QString b = base.sliced(part.start, part.length);
            markup += part.kana ? b
                                : element(b, reading.sliced(part.readingStart, part.readingLength));
        }
        return markup;
    }
    QList<ReadingPart> parts = divideReading(base, reading, *form.kanji);
    // A half-width reading (ｼﾞﾝﾌﾞﾂ) divides as its full-width form, each part
    // going back to half-width.
    QString divided = reading;
    bool halfwidth = false;
    if (parts.size() < 2 && reading != fullwidthKatakana(reading)
        && std::any_of(reading.cbegin(), reading.cend(),
                       [](QChar c) { return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F; })) {
        divided = fullwidthKatakana(reading);
        parts = divideReading(base, divided, *form.kanji);
        halfwidth = true;
    }
    if (parts.size() < 2)
        return element(base, reading);
    QString markup;
    for (const ReadingPart &part : parts) {
        const QString b = base.sliced(part.baseStart, part.baseLength);
        const QString r = divided.sliced(part.readingStart, part.readingLength);
        const QStringView following = QStringView(divided).sliced(part.readingStart + part.readingLength);
        markup += part.ruby ? element(b, halfwidth ? halfwidthForm(r) : r, following) : b;
    }
    return markup;
}

namespace {

Result<std::optional<QList<RubyCandidate>>> find(const QString &html, const RunReader &read,
                                                 const RubyOptions &options,
                                                 const RubyProgress &progress)
{
    const HtmlScan scan = scanHtml(html, options.skipCodeAndPre);
    Finder finder(html, read, options);
    qsizetype told = 0;
    bool cancelled = false;
    // Blocks come in parts of bounded size, so progress moves and cancel is heard.
    forEachBlock(html, scan, [&](const BlockText &block) {
        finder.run(block);
        if (finder.error)
            return false;
        const qsizetype at = block.source.isEmpty() ? told : std::max(told, block.source.back());
        if (progress && at - told >= kProgressStep) {
            told = at;
            cancelled = !progress(at, html.size());
        }
        return !cancelled;
    });
    if (finder.error)
        return std::unexpected(*finder.error);
    if (cancelled)
        return std::nullopt;
    if (progress && !progress(html.size(), html.size()))
        return std::nullopt;
    return finder.found;
}

} // namespace

std::optional<QList<RubyCandidate>> findRubyCandidates(const QString &html,
                                                       const TextTokenizer &tokenize,
                                                       const RubyOptions &options,
                                                       const RubyProgress &progress)
{
    const RunReader read = [&tokenize](const QString &text) -> Result<QList<ReadingRun>> {
        QList<ReadingRun> runs;
        for (const ReadingToken &t : tokenize(text))
            runs.append({t.offset, t.length, t.reading, ReadingSource::Dictionary, {}});
        return runs;
    };
    return find(html, read, options, progress).value_or(std::nullopt);
}

Result<std::optional<QList<RubyCandidate>>> findRubyCandidates(const QString &html,
                                                               ReadingEngine &engine,
                                                               const RubyOptions &options,
                                                               const RubyProgress &progress)
{
    const RunReader read = [&engine](const QString &text) { return engine.readText(text); };
    return find(html, read, options, progress);
}

QList<RubyCandidate> firstOccurrences(const QString &html, const QList<RubyCandidate> &candidates,
                                      FirstOnly scope, bool skipCodeAndPre)
{
    if (scope == FirstOnly::Every)
        return candidates;
    const HtmlScan scan = scanHtml(html, skipCodeAndPre);
    // Where sections start, and the bases of ruby already there, in page order.
    QList<qsizetype> sections;
    QList<std::pair<qsizetype, QString>> existing;
    for (const HtmlRange &element : scan.rubyElements) {
        QString base, reading;
        if (parseRubyElement(html.sliced(element.start, element.end - element.start), &base,
                             &reading))
            existing.append({element.start, base + u'\t' + fullwidthKatakana(reading)});
    }
    for (const HtmlRange &range : scan.ranges) {
        if (scope != FirstOnly::Section || range.place != HtmlPlace::Tag)
            continue;
        // Neighbouring tags come as one range: each start tag in it counts.
        const QStringView part = QStringView(html).sliced(range.start, range.end - range.start);
        for (qsizetype lt = part.indexOf(u'<'); lt >= 0; lt = part.indexOf(u'<', lt + 1)) {
            const QStringView tag = part.sliced(lt);
            if (tag.size() >= 3 && (tag.at(1) == u'h' || tag.at(1) == u'H') && tag.at(2) >= u'1'
                && tag.at(2) <= u'6' && (tag.size() == 3 || !tag.at(3).isLetterOrNumber()))
                sections.append(range.start + lt);
        }
    }
    QList<RubyCandidate> kept;
    QSet<QString> seen;
    qsizetype nextSection = 0, nextExisting = 0;
    for (const RubyCandidate &c : candidates) {
        while (nextSection < sections.size() && sections.at(nextSection) <= c.offset) {
            seen.clear();
            ++nextSection;
        }
        while (nextExisting < existing.size() && existing.at(nextExisting).first <= c.offset) {
            // Ruby before this section's start has been forgotten with it.
            if (nextSection == 0 || existing.at(nextExisting).first >= sections.at(nextSection - 1))
                seen.insert(existing.at(nextExisting).second);
            ++nextExisting;
        }
        // A word read two ways (上 うえ, 上 じょう) is two words.
        const QString word = c.base + u'\t' + fullwidthKatakana(c.reading);
        if (!seen.contains(word)) {
            seen.insert(word);
            kept.append(c);
        }
    }
    return kept;
}

AnnotatedText applyRuby(const QString &html, const QList<RubyCandidate> &candidates,
                        const RubyForm &form)
{
    AnnotatedText result;
    result.text.reserve(html.size() + candidates.size() * 48);
    qsizetype copied = 0;
    for (const RubyCandidate &c : candidates) {
        if (c.offset < copied || c.reading.isEmpty() || c.offset + c.base.size() > html.size()
            || QStringView(html).sliced(c.offset, c.base.size()) != c.base)
            continue;
        result.text += QStringView(html).sliced(copied, c.offset - copied);
        result.text += rubyMarkup(c.base, c.reading, form);
        copied = c.offset + c.base.size();
        result.done.append(c);
    }
    result.text += QStringView(html).sliced(copied);
    return result;
}

AnnotatedText annotateHtml(const QString &html, const TextTokenizer &tokenize,
                           const RubyOptions &options)
{
    return applyRuby(html, findRubyCandidates(html, tokenize, options).value_or(QList<RubyCandidate>()),
                     options.form);
}

Result<AnnotatedText> annotateHtml(const QString &html, ReadingEngine &engine,
                                   const RubyOptions &options)
{
    const Result<std::optional<QList<RubyCandidate>>> found
        = findRubyCandidates(html, engine, options);
    if (!found)
        return std::unexpected(found.error());
    return applyRuby(html, found->value_or(QList<RubyCandidate>()), options.form);
}

QSet<char32_t> kanjiSet(const QString &text)
{
    QSet<char32_t> set;
    for (const char32_t c : text.toUcs4())
        if (isKanji(c))
            set.insert(c);
    return set;
}
