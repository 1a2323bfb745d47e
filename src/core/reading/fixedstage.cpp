#include "core/reading/fixedstage.h"

#include "core/text/kana.h"

using namespace stagekit;

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
            if (!fixed.fits(before, after))
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
