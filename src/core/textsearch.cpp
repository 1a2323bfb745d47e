#include "core/textsearch.h"

#include <QVarLengthArray>

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

    LooseKeyTable()
    {
        for (char32_t c = 0; c < 0x10000; ++c)
            keys[c] = computeLooseKey(char16_t(c));
    }
};

const char16_t *looseKeys()
{
    static const LooseKeyTable table;
    return table.keys;
}

constexpr char16_t kNoCharacter = 0;

// Whether a hit at p of length n would begin or end between the CR and the LF of a
// line end. before is the character in front of p when p == from.
bool splitsLineEnd(const QChar *t, qsizetype size, qsizetype from, qsizetype p, qsizetype n,
                   char16_t before)
{
    const char16_t previous = p == from ? before : t[p - 1].unicode();
    if (previous == u'\r' && t[p] == u'\n')
        return true;
    return p + n < size && t[p + n - 1] == u'\r' && t[p + n] == u'\n';
}

// 0-based position of the first hit at or after from, or -1.
qsizetype findFrom(QStringView text, qsizetype from, QStringView search, CompareMode mode,
                   char16_t before)
{
    const qsizetype n = search.size();
    const qsizetype size = text.size();
    if (n == 0 || from < 0 || from > size - n)
        return -1;
    const QChar *t = text.data();

    if (mode == CompareMode::Exact) {
        for (qsizetype p = from;; ++p) {
            p = text.indexOf(search, p, Qt::CaseSensitive);
            if (p < 0)
                return -1;
            if (!splitsLineEnd(t, size, from, p, n, before))
                return p;
        }
    }

    const char16_t *keys = looseKeys();
    QVarLengthArray<char16_t, 64> wanted(n);
    for (qsizetype i = 0; i < n; ++i)
        wanted[i] = keys[search[i].unicode()];
    const char16_t first = wanted[0];
    const char16_t *restWanted = wanted.constData() + 1;
    const char16_t *raw = reinterpret_cast<const char16_t *>(t);
    const qsizetype last = size - n;
    for (qsizetype p = from; p <= last; ++p) {
        if (keys[raw[p]] != first)
            continue;
        const char16_t *candidate = raw + p + 1;
        qsizetype i = 0;
        while (i < n - 1 && keys[candidate[i]] == restWanted[i])
            ++i;
        if (i == n - 1 && !splitsLineEnd(t, size, from, p, n, before))
            return p;
    }
    return -1;
}

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
    return findFrom(text, from, search, mode, before) + 1;
}

ReplaceAllResult replaceAll(QStringView text, qsizetype selStart, qsizetype selLength, bool fromTop,
                            QStringView search, QStringView replacement, CompareMode mode)
{
    ReplaceAllResult result;
    result.selStart = selStart;
    result.selLength = selLength;
    const qsizetype n = search.size();

    // The first pass: with fromTop it only searches from the top; otherwise it
    // replaces the selection when that is the search text.
    qsizetype from = 0; // where the next search begins, in the original text
    qsizetype copiedTo = 0; // end of the original text taken into changeText so far
    if (fromTop) {
        from = 0;
    } else if (n > 0 && selLength == n && selStart >= 0 && selStart + n <= text.size()
               && textsEqual(text.sliced(selStart, n), search, mode)) {
        result.changeStart = selStart;
        result.changeText.append(replacement);
        result.replacements = 1;
        copiedTo = selStart + n;
        from = copiedTo;
    } else {
        from = selStart + selLength;
    }

    // Each later pass selects the next hit after the last insertion (or after the
    // unchanged selection); the pass after it replaces that hit, which is selected
    // whole, and searches on from just after the replacement.
    for (;;) {
        char16_t before = kNoCharacter;
        if (result.replacements > 0) {
            if (!result.changeText.isEmpty())
                before = result.changeText.back().unicode();
            else if (result.changeStart > 0)
                before = text[result.changeStart - 1].unicode();
        } else if (from > 0 && from <= text.size()) {
            before = text[from - 1].unicode();
        }
        const qsizetype hit = findFrom(text, from, search, mode, before);
        if (hit < 0)
            break;
        ++result.searches;
        if (result.replacements == 0)
            result.changeStart = hit;
        else
            result.changeText.append(text.sliced(copiedTo, hit - copiedTo));
        result.changeText.append(replacement);
        ++result.replacements;
        copiedTo = hit + n;
        from = copiedTo;
    }

    if (result.replacements == 0) {
        result.lastSearchStart = from + 1;
        return result;
    }
    // The run ends with the caret just after the last replacement.
    result.changeLength = copiedTo - result.changeStart;
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
