#include "fuzztargets.h"

#include "core/text/textsearch.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

// UTF-16 units taken two bytes at a time, so any code unit (surrogates, CR, LF,
// half-width marks) can appear.
QString unitsOf(const uint8_t *data, size_t size)
{
    QString text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

} // namespace

void fuzzSearch(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    const CompareMode mode = (data[0] & 1) ? CompareMode::Loose : CompareMode::Exact;
    const bool fromTop = data[0] & 2;
    const uint8_t flags = data[0];
    const uint8_t selectionSeed = data[1];
    data += 2;
    size -= 2;

    // text 0x00 0x00 search 0x00 0x00 replacement
    const uint8_t *parts[3] = {data, nullptr, nullptr};
    size_t lengths[3] = {size, 0, 0};
    int part = 0;
    for (size_t i = 0; i + 1 < size && part < 2; i += 2) {
        if (data[i] == 0 && data[i + 1] == 0) {
            lengths[part] = i - size_t(parts[part] - data);
            ++part;
            parts[part] = data + i + 2;
            lengths[part] = size - (i + 2);
        }
    }
    // The other bits of the first byte repeat the text and the search text, for
    // long search texts made of a repeated piece (the hardest for a linear search).
    const QString text = unitsOf(parts[0], lengths[0]).repeated(1 + ((flags >> 2) & 7) * 9);
    const QString search
        = parts[1] ? unitsOf(parts[1], lengths[1]).repeated(1 + (flags >> 5) * 9) : QString();
    const QString replacement = parts[2] ? unitsOf(parts[2], lengths[2]) : QString();

    // Every hit is a whole occurrence, as long as the search text.
    qsizetype start = 1;
    int hits = 0;
    while (hits < 10000) {
        const qsizetype hit = findText(text, search, start, mode);
        if (hit == 0)
            break;
        if (hit < start || hit + search.size() - 1 > text.size())
            fail("a hit lies inside the text, at or after the start");
        if (!textsEqual(QStringView(text).mid(hit - 1, search.size()), search, mode))
            fail("a hit compares equal to the search text");
        if (text.size() * search.size() < 4'000'000) {
            // No earlier occurrence was passed over (a line end split is one reason).
            for (qsizetype p = start; p < hit; ++p) {
                const bool splitAtStart = p > 1 && text[p - 2] == u'\r' && text[p - 1] == u'\n';
                const qsizetype end = p - 1 + search.size();
                const bool splitAtEnd
                    = end < text.size() && text[end - 1] == u'\r' && text[end] == u'\n';
                if (!splitAtStart && !splitAtEnd
                    && textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode))
                    fail("the first occurrence is the one found");
            }
        }
        start = hit + search.size();
        ++hits;
    }

    const qsizetype selStart = text.isEmpty() ? 0 : selectionSeed % (text.size() + 1);
    const qsizetype selLength = (selectionSeed / 7) % (text.size() - selStart + 1);
    const ReplaceAllResult result
        = replaceAll(text, selStart, selLength, fromTop, search, replacement, mode);
    const QString after = appliedTo(text, result);
    if (result.changeStart < 0 || result.changeStart + result.changeLength > text.size())
        fail("the change lies inside the text");
    if (result.selStart < 0 || result.selStart + result.selLength > after.size())
        fail("the selection lies inside the new text");
    if (result.replacements == 0 && after != text)
        fail("no replacement leaves the text as it was");
    if (search.isEmpty() && result.replacements != 0)
        fail("an empty search text replaces nothing");
    // Text before the starting point is never changed.
    const qsizetype untouched = fromTop ? 0 : selStart;
    if (result.replacements > 0 && result.changeStart < untouched)
        fail("text before the start stays as it was");
}

#ifdef RUBELLO_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSearch(data, size);
    return 0;
}
#endif
