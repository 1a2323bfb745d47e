#pragma once

#include "core/reading/readingstage.h"

class RareWordList;

// Kanji words the analyzer does not know or cuts into single kanji (names,
// places, rare terms), read as the list of names and rare words has them where
// it gives one reading, or agrees with the reading the pieces make.
class WordListStage : public ReadingStage
{
public:
    explicit WordListStage(const RareWordList *list);
    QString name() const override { return QStringLiteral("wordlist"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    const RareWordList *m_list; // none: the stage reads nothing
};
