#include "core/reading/rankingstage.h"

using namespace stagekit;

Result<void> RankingStage::rewrite(ReadingSentence &sentence) const
{
    // Where each analysis stands: both go through the sentence in order.
    QList<qsizetype> next(sentence.alternatives.size(), 0);
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
        for (qsizetype a = 0; a < sentence.alternatives.size(); ++a) {
            const QList<ReadingWord> &analysis = sentence.alternatives.at(a);
            qsizetype &k = next[a];
            while (k < analysis.size() && analysis.at(k).start < word.start)
                ++k;
            QString reading;
            qsizetype at = word.start, i = k;
            for (; i < analysis.size() && at < word.start + word.length; ++i) {
                if (analysis.at(i).start != at)
                    break;
                reading += analysis.at(i).reading;
                at += analysis.at(i).length;
            }
            // Cut into several words (文字 列 for 文字列) and read otherwise: no
            // candidate, but the word is open.
            if (k < analysis.size() && analysis.at(k).start == word.start
                && at == word.start + word.length && i > k + 1 && reading != word.reading
                && word.source == ReadingSource::Dictionary && !word.weighed)
                word.weighed = ReadingConfidence::Unsure;
        }
        word.candidates = ranked.mid(0, 6);
    }
    return {};
}
