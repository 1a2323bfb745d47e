#pragma once

#include "core/reading/readingstage.h"

// Candidates: the other analyses' readings of exactly the same word, at most six.
class RankingStage : public ReadingStage
{
public:
    QString name() const override { return QStringLiteral("ranking"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;
};
