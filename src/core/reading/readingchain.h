#pragma once

#include "core/reading/readingstage.h"

#include <memory>

class KanjiReadings;
class UserReadings;
class RareWordList;
struct ReadingTables;

// The stages in their order, the user's last; without user readings there is
// no user stage, without a word list no word-list stage.
QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user,
                                                     const RareWordList *words = nullptr);
