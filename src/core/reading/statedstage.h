#pragma once

#include "core/reading/readingstage.h"

#include <QHash>

class KanjiReadings;

// Readings the text gives for its own words (蛙（かわず）, 「大家」は「たいか」と読む):
// the writer knows best, so their word reads as they say wherever it stands alone
// in the sentence.
class StatedStage : public ReadingStage
{
public:
    explicit StatedStage(const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("stated"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

    // The readings text states, each a run of kanji with its reading in katakana.
    QHash<QString, QString> statedIn(QStringView text) const;

private:
    const KanjiReadings &m_kanji;
};
