#include "core/reading/rankingstage.h"

using namespace stagekit;

Result<void> RankingStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        QStringList ranked;
        const auto add = [&ranked](const QString &reading) {
            if (isKatakanaReading(reading) && !ranked.contains(reading))
                ranked.append(reading);
        };
        add(word.reading);
        for (const QString &reading : std::as_const(word.candidates))
            add(reading);
        for (const QList<ReadingWord> &analysis : std::as_const(sentence.alternatives))
            for (const ReadingWord &other : analysis)
                if (other.start == word.start && other.length == word.length)
                    add(other.reading);
        word.candidates = ranked.mid(0, 6);
    }
    return {};
}
