#include "core/text/textsearch.h"

#include <QtAlgorithms>

#include <type_traits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

char16_t computeLooseKey(char16_t c)
{
    if (QChar::isSurrogate(c))
        return c;
    // Full-width and half-width forms (and the ideographic space) to their plain form.
    const QChar character(c);
    const auto tag = character.decompositionTag();
    if (tag == QChar::Wide || tag == QChar::Narrow) {
        const QString plain = character.decomposition();
        if (plain.size() == 1)
            c = plain.at(0).unicode();
    }
    // The voiced sound marks: half-width (decomposed to the combining ones above),
    // combining and spacing forms are one mark.
    if (c == 0x3099)
        c = 0x309B;
    else if (c == 0x309A)
        c = 0x309C;
    // Hiragana to katakana, iteration marks included.
    if (c >= 0x3041 && c <= 0x3096)
        c = char16_t(c + 0x60);
    else if (c == 0x309D || c == 0x309E)
        c = char16_t(c + 0x60);
    const char32_t folded = QChar::toCaseFolded(char32_t(c));
    return folded <= 0xFFFF ? char16_t(folded) : c;
}

struct LooseKeyTable
{
    char16_t keys[0x10000];
    // Every character grouped by its key: the characters with key k are
    // byKey[firstOfKey[k]] up to byKey[firstOfKey[k + 1]].
    char16_t byKey[0x10000];
    qint32 firstOfKey[0x10001];

    LooseKeyTable()
    {
        std::vector<qint32> counts(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c) {
            keys[c] = computeLooseKey(char16_t(c));
            ++counts[keys[c]];
        }
        firstOfKey[0] = 0;
        for (qint32 k = 0; k < 0x10000; ++k)
            firstOfKey[k + 1] = firstOfKey[k] + counts[k];
        for (char32_t c = 0; c < 0x10000; ++c)
            byKey[firstOfKey[keys[c] + 1] - counts[keys[c]]--] = char16_t(c);
    }
};

const LooseKeyTable &looseKeyTable()
{
    static const LooseKeyTable table;
    return table;
}

const char16_t *looseKeys()
{
    return looseKeyTable().keys;
}

constexpr char16_t kNoCharacter = 0;

// The characters between progress reports.
constexpr qsizetype kProgressChunk = qsizetype(1) << 20;

struct ExactKey
{
    char16_t operator()(char16_t c) const { return c; }
};

struct LooseKey
{
    const char16_t *keys;
    char16_t operator()(char16_t c) const { return keys[c]; }
};

// Every occurrence of one search text, found in time linear in the lengths of the
// text and the search text (Knuth-Morris-Pratt over the compared keys), so no
// search text, however long or repetitive, makes a search quadratic. The search
// text is folded once; the document is folded as it is read.
class Matcher
{
    static constexpr qsizetype kMaxFirstForms = 6;

public:
    Matcher(QStringView search, CompareMode mode)
        : m_exact(mode == CompareMode::Exact)
        , m_keys(looseKeys())
        , m_wanted(search.size())
        , m_border(search.size() + 1)
    {
        const qsizetype n = search.size();
        for (qsizetype i = 0; i < n; ++i)
            m_wanted[i] = m_exact ? search[i].unicode() : m_keys[search[i].unicode()];
        // m_border[q]: the longest proper border of the first q keys.
        m_border[0] = 0;
        if (n > 0)
            m_border[1] = 0;
        qint32 k = 0;
        for (qsizetype q = 1; q < n; ++q) {
            while (k > 0 && m_wanted[q] != m_wanted[k])
                k = m_border[k];
            if (m_wanted[q] == m_wanted[k])
                ++k;
            m_border[q + 1] = k;
        }
    }

    qsizetype size() const { return qsizetype(m_wanted.size()); }

    // 0-based position of the first hit at or after from that does not split a
    // line end, or -1. before is the character in front of from. Returns -1 too
    // when progress asks to stop (then *stopped is set).
    qsizetype find(QStringView text, qsizetype from, char16_t before, Progress *progress,
                   bool *stopped) const
    {
        const qsizetype n = size();
        if (n == 0 || from < 0 || from > text.size() - n)
            return -1;
        if (m_exact)
            return scan(text, from, before, ExactKey(), progress, stopped);
        return scan(text, from, before, LooseKey {m_keys}, progress, stopped);
    }

private:
    template<typename Key>
    qsizetype scan(QStringView text, qsizetype from, char16_t before, Key key, Progress *progress,
                   bool *stopped) const
    {
        const qsizetype n = size();
        const qsizetype size = text.size();
        const char16_t *t = reinterpret_cast<const char16_t *>(text.data());
        const char16_t *wanted = m_wanted.data();
        const qint32 *border = m_border.data();
        const char16_t first = wanted[0];
        const FirstForms forms = std::is_same_v<Key, ExactKey> ? FirstForms() : firstForms(first);
        qsizetype q = 0; // keys of the search text matched so far
        qsizetype i = from;
        while (i < size) {
            const qsizetype chunkEnd = qMin(size, i + kProgressChunk);
            while (i < chunkEnd) {
                if (q == 0) {
                    // Nothing matched: skip quickly to the next possible start.
                    if constexpr (std::is_same_v<Key, ExactKey>) {
                        const qsizetype at
                            = QStringView(text.data() + i, chunkEnd - i).indexOf(QChar(first));
                        i = at < 0 ? chunkEnd : i + at;
                    } else {
                        i = skipToFirst(t, i, chunkEnd, key, first, forms);
                    }
                    if (i == chunkEnd)
                        break;
                    q = 1;
                    ++i;
                } else {
                    const char16_t c = key(t[i]);
                    while (q > 0 && wanted[q] != c)
                        q = border[q];
                    if (wanted[q] == c)
                        ++q;
                    ++i;
                }
                if (q == n) {
                    const qsizetype p = i - n;
                    if (!splitsLineEnd(t, size, from, p, n, before))
                        return p;
                    q = border[n];
                }
            }
            if (progress && i < size && !progress->advance(i, size)) {
                *stopped = true;
                return -1;
            }
        }
        return -1;
    }

    // The characters whose key is the first key, to be looked for side by side.
    struct FirstForms
    {
#ifdef __SSE2__
        __m128i forms[kMaxFirstForms];
#endif
        qsizetype count = 0; // 0: too many, one at a time
    };

    FirstForms firstForms(char16_t first) const
    {
        FirstForms result;
#ifdef __SSE2__
        const LooseKeyTable &table = looseKeyTable();
        const qint32 start = table.firstOfKey[first];
        const qsizetype count = table.firstOfKey[first + 1] - start;
        if (count <= kMaxFirstForms) {
            for (qsizetype f = 0; f < count; ++f)
                result.forms[f] = _mm_set1_epi16(short(table.byKey[start + f]));
            result.count = count;
        }
#else
        Q_UNUSED(first);
#endif
        return result;
    }

    // The first position from i on, before end, whose key is first; end when none.
    template<typename Key>
    static qsizetype skipToFirst(const char16_t *t, qsizetype i, qsizetype end, Key key,
                                 char16_t first, const FirstForms &forms)
    {
#ifdef __SSE2__
        if (forms.count > 0) {
            // Eight characters at a time against each form.
            for (; i + 8 <= end; i += 8) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + i));
                __m128i any = _mm_cmpeq_epi16(chunk, forms.forms[0]);
                for (qsizetype f = 1; f < forms.count; ++f)
                    any = _mm_or_si128(any, _mm_cmpeq_epi16(chunk, forms.forms[f]));
                const int mask = _mm_movemask_epi8(any);
                if (mask != 0)
                    return i + qCountTrailingZeroBits(uint(mask)) / 2;
            }
        }
#else
        Q_UNUSED(forms);
#endif
        while (i < end && key(t[i]) != first)
            ++i;
        return i;
    }

    // Whether a hit at p of length n would begin or end between the CR and the LF
    // of a line end. before is the character in front of p when p == from.
    static bool splitsLineEnd(const char16_t *t, qsizetype size, qsizetype from, qsizetype p,
                              qsizetype n, char16_t before)
    {
        const char16_t previous = p == from ? before : t[p - 1];
        if (previous == u'\r' && t[p] == u'\n')
            return true;
        return p + n < size && t[p + n - 1] == u'\r' && t[p + n] == u'\n';
    }

    bool m_exact;
    const char16_t *m_keys;
    std::vector<char16_t> m_wanted;
    std::vector<qint32> m_border; // search texts are far shorter than 2^31
};

} // namespace

bool textsEqual(QStringView a, QStringView b, CompareMode mode)
{
    if (a.size() != b.size())
        return false;
    if (mode == CompareMode::Exact)
        return a == b;
    const char16_t *keys = looseKeys();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (keys[a[i].unicode()] != keys[b[i].unicode()])
            return false;
    }
    return true;
}

qsizetype findText(QStringView text, QStringView search, qsizetype start, CompareMode mode)
{
    if (start < 1 || start > text.size())
        return 0;
    const qsizetype from = start - 1;
    const char16_t before = from > 0 ? text[from - 1].unicode() : kNoCharacter;
    bool stopped = false;
    return Matcher(search, mode).find(text, from, before, nullptr, &stopped) + 1;
}

ReplaceAllResult replaceAll(QStringView text, qsizetype selStart, qsizetype selLength, bool fromTop,
                            QStringView search, QStringView replacement, CompareMode mode,
                            Progress *progress)
{
    ReplaceAllResult result;
    result.selStart = selStart;
    result.selLength = selLength;
    const qsizetype n = search.size();
    const Matcher matcher(search, mode);
    const char16_t replacementEnd
        = replacement.isEmpty() ? kNoCharacter : replacement.back().unicode();

    // The first pass: with fromTop it only searches from the top; otherwise it
    // replaces the selection when that is the search text.
    const bool selectionFirst = !fromTop && n > 0 && selLength == n && selStart >= 0
        && selStart + n <= text.size() && textsEqual(text.sliced(selStart, n), search, mode);
    const qsizetype firstFrom = fromTop ? 0 : selStart + selLength;

    // Each later pass selects the next hit after the last insertion (or after the
    // unchanged selection); the pass after it replaces that hit, which is selected
    // whole, and searches on from just after the replacement. The run is made
    // twice: once to measure the new text, once to write it into its exact room,
    // so a large result is never copied while it grows.
    qsizetype lastCopied = 0;
    const auto run = [&](const auto &onHit) {
        qsizetype from = firstFrom;
        // The character in front of from in the new text.
        char16_t before = from > 0 && from <= text.size() ? text[from - 1].unicode() : kNoCharacter;
        qsizetype hits = 0;
        if (selectionFirst) {
            onHit(selStart);
            ++hits;
            before = replacement.isEmpty()
                ? (selStart > 0 ? text[selStart - 1].unicode() : kNoCharacter)
                : replacementEnd;
        }
        for (;;) {
            bool stopped = false;
            const qsizetype hit = matcher.find(text, from, before, progress, &stopped);
            if (stopped)
                return qsizetype(-1);
            if (hit < 0)
                break;
            if (hit > from)
                before = text[hit - 1].unicode();
            if (!replacement.isEmpty())
                before = replacementEnd;
            onHit(hit);
            ++hits;
            from = hit + n;
            if (progress && hits % 4096 == 0 && !progress->advance(from, text.size()))
                return qsizetype(-1);
        }
        lastCopied = from;
        return hits;
    };

    qsizetype firstHit = -1;
    qsizetype lastHit = -1;
    const qsizetype hits = run([&](qsizetype hit) {
        if (firstHit < 0)
            firstHit = hit;
        lastHit = hit;
    });
    if (hits < 0) {
        result.stopped = true;
        return result;
    }
    if (hits == 0) {
        result.lastSearchStart = lastCopied + 1;
        return result;
    }
    result.searches = hits + (selectionFirst ? 0 : 1);
    result.replacements = hits;
    result.changeStart = firstHit;
    result.changeLength = lastHit + n - firstHit;
    const qsizetype newLength = result.changeLength + hits * (replacement.size() - n);
    result.changeText.reserve(newLength);
    qsizetype copiedTo = firstHit;
    const qsizetype again = run([&](qsizetype hit) {
        result.changeText.append(text.sliced(copiedTo, hit - copiedTo));
        result.changeText.append(replacement);
        copiedTo = hit + n;
    });
    if (again < 0) {
        result = ReplaceAllResult();
        result.stopped = true;
        return result;
    }
    // The run ends with the caret just after the last replacement.
    result.selStart = result.changeStart + result.changeText.size();
    result.selLength = 0;
    result.lastSearchStart = result.selStart + 1;
    return result;
}

QString appliedTo(QStringView text, const ReplaceAllResult &result)
{
    if (result.replacements == 0)
        return text.toString();
    QString out;
    out.reserve(text.size() - result.changeLength + result.changeText.size());
    out.append(text.left(result.changeStart));
    out.append(result.changeText);
    out.append(text.mid(result.changeStart + result.changeLength));
    return out;
}
