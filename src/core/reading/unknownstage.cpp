#include "core/reading/unknownstage.h"

#include "core/reading/kanjireadings.h"
#include "core/text/kana.h"

using namespace stagekit;

UnknownStage::UnknownStage(const KanjiReadings &kanji)
    : m_kanji(kanji)
{ }

Result<void> UnknownStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (!containsKanji(word.surface) || isKatakanaReading(word.reading)
            || (word.source != ReadingSource::Dictionary && word.known))
            continue;
        word.reading = composedReading(word.surface, m_kanji);
        word.parts.clear();
        word.source = ReadingSource::Guess;
        // Each kanji's first native reading as a second proposal (鉤爪).
        QString native;
        for (const char32_t c : word.surface.toUcs4()) {
            const QStringList all = m_kanji.readings(c, false);
            const QString on = m_kanji.onReading(c);
            QString kun;
            for (const QString &r : all)
                if (r != on && kun.isEmpty() && !m_kanji.isOnReading(c, r))
                    kun = r;
            native += isKanji(c) ? (kun.isEmpty() ? on : kun) : katakanaForm(QString::fromUcs4(&c, 1));
        }
        word.candidates.clear();
        if (!native.isEmpty() && native != word.reading && !containsKanji(native))
            word.candidates.append(native);
    }
    return {};
}
