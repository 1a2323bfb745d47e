#pragma once

#include <QString>
#include <QStringView>

// Reading of a numeral written in kanji or digits (千九百八十四, １５０, 二〇二六),
// in full-width katakana; empty when it is not a number read this way.
QString numberReading(QStringView numeral);

// A number with the counter after it, with the counter's sound changes
// (三本 サンボン, 一人 ヒトリ, 二十日 ハツカ). asDate picks ツイタチ for 一日.
// Empty when the counter is not one of the common ones or the numeral is no number.
QString countedReading(QStringView numeral, QStringView counter, bool asDate = false);

bool isNumeralChar(QChar c);
