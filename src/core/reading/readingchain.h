#pragma once

#include "core/reading/readingstage.h"

#include <memory>

class KanjiReadings;
class UserReadings;
struct ReadingTables;

// The stages in their order, the user's last; without user readings there is
// no user stage.
QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user);
