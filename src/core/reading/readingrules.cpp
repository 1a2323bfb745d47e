#include "core/reading/readingrules.h"

#include "core/reading/readingengine.h"
#include "core/reading/readingstages.h"

#include <memory>

QString numberReading(QStringView numeral)
{
    return numeralReading(numeral);
}

QString countedReading(QStringView numeral, QStringView counter, bool asDate)
{
    return countedReading(numeral, counter, ReadingTables::builtIn(), asDate);
}

TextTokenizer proposedReadings(PhoneticService &service)
{
    auto engine = std::make_shared<ReadingEngine>(service);
    return [engine](const QString &text) {
        QList<ReadingToken> words;
        const Result<QList<ReadingRun>> runs = engine->readText(text);
        if (runs)
            for (const ReadingRun &run : *runs)
                words.append({run.start, run.length, run.reading});
        return words;
    };
}
