#pragma once

#include "core/reading/readingstage.h"
#include "core/reading/readingtables.h"

class KanjiReadings;

// 々 and words the analyzer cut up: a compound of nouns stays one word, with
// the sound change at its joint (石油会社 セキユガイシャ).
class JoiningStage : public ReadingStage
{
public:
    JoiningStage(const ReadingTables &tables, const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("joining"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    QList<ReadingWord> joinFixed(QList<ReadingWord> words, const QString &text) const;
    QList<ReadingWord> joinRepeats(QList<ReadingWord> words) const;
    QList<ReadingWord> joinSingles(QList<ReadingWord> words) const;
    bool singleKanji(const ReadingWord &word, bool first) const;
    bool fixedHere(const ReadingWord &word, const QString &text) const;
    void voiceAtJoint(ReadingWord &word) const;
    QList<ReadingWord> joinNouns(QList<ReadingWord> words, const QString &text) const;

    const ReadingTables &m_tables;
    const KanjiReadings &m_kanji;
};
