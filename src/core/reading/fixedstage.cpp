#include "core/reading/fixedstage.h"

#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

namespace {

bool matchesAny(const QString &alternatives, QStringView text, bool atEnd)
{
    if (alternatives.isEmpty())
        return true;
    for (const QString &one : alternatives.split(u'|', Qt::SkipEmptyParts))
        if (atEnd ? text.endsWith(one) : text.startsWith(one))
            return true;
    return false;
}

} // namespace

FixedStage::FixedStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

Result<void> FixedStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (word.source == ReadingSource::User)
            continue;
        mendStem(word);
        const QStringView before = QStringView(sentence.text).left(word.start);
        const QStringView after = QStringView(sentence.text).sliced(word.start + word.length);
        // The rows of a word in their table order, without a list made for each word.
        auto [it, end] = m_tables.fixedStarts.mayBegin(word.surface)
            ? m_tables.fixed.equal_range(word.surface)
            : std::pair(m_tables.fixed.cend(), m_tables.fixed.cend());
        for (; it != end; ++it) {
            const ReadingTables::Fixed &fixed = *it;
            if (!matchesAny(fixed.before, before, true) || !matchesAny(fixed.after, after, false))
                continue;
            if (fixed.reading != word.reading) {
                if (word.source == ReadingSource::Dictionary && isKatakanaReading(word.reading))
                    word.candidates.prepend(word.reading);
                word.reading = fixed.reading;
                word.source = ReadingSource::Rule;
                word.parts.clear();
            }
            word.weighed = ReadingConfidence::Sure; // a row for this very word decided
            break;
        }
        mendParts(word, sentence.text);
    }
    return {};
}

// A verb the analyzer's dictionary misreads in all its forms (放す ホカス, 預ける
// アヅケル): the stem is mended whatever okurigana follows, but only where the
// analyzer gave that very misreading, so 割れる stays ワレル beside 割る ワル.
void FixedStage::mendStem(ReadingWord &word) const
{
    qsizetype stemLength = word.surface.size();
    while (stemLength > 0 && isHiragana(word.surface.at(stemLength - 1)))
        --stemLength;
    if (stemLength == 0 || stemLength == word.surface.size()
        || !allKanji(word.surface.first(stemLength)))
        return;
    const auto stem = m_tables.misreadStems.constFind(word.surface.first(stemLength));
    if (stem == m_tables.misreadStems.cend())
        return;
    const QString tail = katakanaForm(word.surface.sliced(stemLength));
    if (word.reading != stem->misreading + tail)
        return;
    word.candidates.prepend(word.reading);
    word.reading = stem->reading + tail;
    word.source = ReadingSource::Rule;
    word.weighed = ReadingConfidence::Sure;
}

// A fixed word among the parts of a compound the analyzer cut up (山手線 with
// 山手 before 線, 坂本龍馬 with 龍 馬). A single part needs a fixed word bound to
// its place: 他 alone is not ほか inside 他部署.
void FixedStage::mendParts(ReadingWord &word, const QString &text) const
{
    QList<std::pair<qsizetype, QString>> &parts = word.parts;
    const QString was = word.reading;
    qsizetype at = word.start;
    for (qsizetype p = 0; p < parts.size(); at += parts.at(p++).first) {
        if (!m_tables.fixedStarts.mayBegin(QStringView(text).sliced(at)))
            continue;
        for (qsizetype n = qMin<qsizetype>(3, parts.size() - p); n >= 1; --n) {
            if (n == parts.size())
                continue;
            qsizetype length = 0;
            for (qsizetype k = p; k < p + n; ++k)
                length += parts.at(k).first;
            const QStringView before = QStringView(text).left(at);
            const QStringView after = QStringView(text).sliced(at + length);
            const auto fits = [&](const ReadingTables::Fixed &fixed) {
                return (n > 1 || !fixed.before.isEmpty() || !fixed.after.isEmpty())
                    && matchesAny(fixed.before, before, true)
                    && matchesAny(fixed.after, after, false);
            };
            const auto [first, last] = m_tables.fixed.equal_range(text.sliced(at, length));
            const auto found = std::find_if(first, last, fits);
            if (found == last)
                continue;
            parts.remove(p, n);
            parts.insert(p, {length, found->reading});
            break;
        }
    }
    if (const QString reading = partsReading(parts); !parts.isEmpty() && reading != was) {
        word.candidates.prepend(was);
        word.reading = reading;
        word.source = ReadingSource::Rule;
    }
}
