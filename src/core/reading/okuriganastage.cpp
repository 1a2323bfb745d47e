#include "core/reading/okuriganastage.h"

#include "core/reading/kanjireadings.h"
#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

OkuriganaStage::OkuriganaStage(const KanjiReadings &kanji)
    : m_kanji(kanji)
{ }

Result<void> OkuriganaStage::rewrite(ReadingSentence &sentence) const
{
    for (qsizetype i = 0; i < sentence.words.size(); ++i) {
        ReadingWord &word = sentence.words[i];
        if (word.source != ReadingSource::Dictionary || !allKanji(word.surface))
            continue;
        const ReadingWord *next = i + 1 < sentence.words.size() ? &sentence.words.at(i + 1) : nullptr;
        const QStringView after = QStringView(sentence.text).sliced(word.start + word.length);
        for (qsizetype n = 2; n >= 1; --n) {
            if (after.size() < n || !std::all_of(after.cbegin(), after.cbegin() + n, isHiragana))
                continue;
            const QString kana = after.first(n).toString();
            // A particle of its own is no okurigana (初詣 before で、).
            if (next && next->surface == kana
                && (next->pos.startsWith(QStringLiteral("助詞"))
                    || next->pos.startsWith(QStringLiteral("助動詞"))))
                break;
            const QString tail = katakanaForm(kana);
            if (word.reading.size() <= tail.size() || !word.reading.endsWith(tail))
                continue;
            // Only where the kanji alone can't say the whole reading and, with
            // the kana written after them, can (母 ハハ before は keeps it).
            if (!divideReading(word.surface, word.reading, m_kanji, NameReadings::Never).isEmpty()
                || divideReading(word.surface + kana, word.reading, m_kanji, NameReadings::Never)
                       .isEmpty())
                continue;
            word.candidates.prepend(word.reading);
            word.reading.chop(tail.size());
            word.source = ReadingSource::Rule;
            break;
        }
    }
    return {};
}
