#pragma once

#include <QString>
#include <QStringView>

// How a long vowel is written in romaji: with a macron (とうきょう tōkyō) or
// spelled as the kana are (toukyou, ラーメン raamen).
enum class LongVowels { Macron, Spelled };

// The reading (katakana or hiragana) in modified Hepburn romaji, lower case.
// ッ doubles the next consonant (ッチ tchi), ン before a vowel or y is n', ー
// lengthens the vowel before it; ヲ is wo, since ruby reads the written word.
// `following` is the reading that comes after this piece (the next kanji's, when
// a word's ruby is divided), so a ッ or ン at the end is written as in the word.
// Characters that are no kana stay as they are.
QString romajiForm(const QString &reading, LongVowels longVowels, QStringView following = {});
