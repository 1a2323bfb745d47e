#pragma once

#include "core/reading/readingstage.h"

class KanjiReadings;

// Words the analyzer's dictionary spells without the okurigana the text writes
// after them (手洗 テアライ before the い of 手洗い): the kana would be read
// twice, so the word's reading gives them up.
class OkuriganaStage : public ReadingStage
{
public:
    explicit OkuriganaStage(const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("okurigana"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    const KanjiReadings &m_kanji;
};
