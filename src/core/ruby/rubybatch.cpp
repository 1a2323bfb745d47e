#include "core/ruby/rubybatch.h"

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

    void run(qsizetype start, qsizetype end);
    QList<RubyCandidate> found;
    std::optional<Error> error;

private:
    void chunk(qsizetype start, qsizetype end);

    const QString &m_html;
    const RunReader &m_read;
    const RubyOptions &m_options;
};

void Finder::run(qsizetype start, qsizetype end)
{
    qsizetype from = start;
    for (qsizetype i = start; i < end; ++i) {
        if (isBreak(m_html, i)) {
            chunk(from, i);
            from = i + 1;
        }
    }
    chunk(from, end);
}

void Finder::chunk(qsizetype start, qsizetype end)
{
    while (end - start > kChunk) {
        const qsizetype at = cutPoint(m_html, start, start + kChunk);
        chunk(start, at);
        start = at;
    }
    if (error || start >= end || !containsKanji(QStringView(m_html).sliced(start, end - start)))
        return;
    const QString text = m_html.sliced(start, end - start);
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
        found.append({start + token.start + lead, base, reading, token.guessed(), others});
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
    if (!form.perKanji || !form.kanji)
        return element(base, reading);
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
    for (const HtmlRange &range : scan.ranges) {
        if (range.place != HtmlPlace::Text)
            continue;
        // Long runs go in steps, so progress moves and cancel is heard.
        for (qsizetype at = range.start; at < range.end;) {
            const qsizetype end = range.end - at > kProgressStep
                ? cutPoint(html, at, at + kProgressStep)
                : range.end;
            finder.run(at, end);
            if (finder.error)
                return std::unexpected(*finder.error);
            at = end;
            if (progress && at - told >= kProgressStep) {
                told = at;
                if (!progress(at, html.size()))
                    return std::nullopt;
            }
        }
    }
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
            existing.append({element.start, base});
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
        if (!seen.contains(c.base)) {
            seen.insert(c.base);
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
