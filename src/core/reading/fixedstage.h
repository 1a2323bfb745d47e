#pragma once

#include "core/reading/readingstage.h"
#include "core/reading/readingtables.h"

// Words read as words in their place (他の ホカ, この節 セツ).
class FixedStage : public ReadingStage
{
public:
    explicit FixedStage(const ReadingTables &tables);
    QString name() const override { return QStringLiteral("fixed"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    void mendStem(ReadingWord &word) const;
    const ReadingTables &m_tables;
};
