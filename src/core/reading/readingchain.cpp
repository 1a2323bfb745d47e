#include "core/reading/readingchain.h"

#include "core/reading/fixedstage.h"
#include "core/reading/homographstage.h"
#include "core/reading/joiningstage.h"
#include "core/reading/numberstage.h"
#include "core/reading/okuriganastage.h"
#include "core/reading/rankingstage.h"
#include "core/reading/statedstage.h"
#include "core/reading/unknownstage.h"
#include "core/reading/userstage.h"
#include "core/reading/wordliststage.h"

QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user,
                                                     const RareWordList *words)
{
    QList<std::shared_ptr<ReadingStage>> stages {
        std::make_shared<OkuriganaStage>(kanji), std::make_shared<NumberStage>(tables),
        std::make_shared<UnknownStage>(kanji),
        std::make_shared<HomographStage>(tables), std::make_shared<JoiningStage>(tables, kanji), std::make_shared<FixedStage>(tables),
        std::make_shared<RankingStage>(), std::make_shared<StatedStage>(kanji)};
    if (words)
        stages.insert(3, std::make_shared<WordListStage>(words));
    if (user)
        stages.append(std::make_shared<UserStage>(*user, kanji));
    return stages;
}
