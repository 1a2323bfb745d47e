#include "core/reading/readingrules.h"

#include "core/reading/readingstages.h"

QString numberReading(QStringView numeral)
{
    return numeralReading(numeral);
}

QString countedReading(QStringView numeral, QStringView counter, bool asDate)
{
    return countedReading(numeral, counter, ReadingTables::builtIn(), asDate);
}
