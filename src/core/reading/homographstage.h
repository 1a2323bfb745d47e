#pragma once

#include "core/reading/readingstage.h"
#include "core/reading/readingtables.h"

// Words written alike and read apart (方 カタ/ホウ, 空 カラ/ソラ), read by what
// stands before and after them: the text there or the kind of word.
class HomographStage : public ReadingStage
{
public:
    explicit HomographStage(const ReadingTables &tables);
    QString name() const override { return QStringLiteral("homographs"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

    // Whether word is of the class named (noun, kata, latin, num, verb, stem,
    // adj, aux, particle, adnominal, prefix, name, kanji, sym).
    static bool hasClass(const ReadingWord &word, QStringView name);

private:
    const ReadingTables &m_tables;
};
