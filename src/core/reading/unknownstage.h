#pragma once

#include "core/reading/readingstage.h"

class KanjiReadings;

// Words the analyzer does not know, read kanji by kanji: a guess.
class UnknownStage : public ReadingStage
{
public:
    explicit UnknownStage(const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("unknown"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    const KanjiReadings &m_kanji;
};
