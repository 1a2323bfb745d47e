#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Hiragana become the katakana of the same sound; everything else stays.
QString katakanaForm(const QString &text);

// Full-width katakana with a hiragana counterpart become it; everything else stays.
QString hiraganaForm(const QString &text);

// Full-width characters with a half-width form become it, by the Halfwidth and
// Fullwidth Forms correspondence: a voiced kana becomes two characters.
QString halfwidthForm(const QString &text);

// How readings are written in ruby. The values are those the settings file
// keeps, so they never change.
enum class KanaForm : quint8 { Katakana = 0, Hiragana = 1, HalfWidthKatakana = 2 };

// The form of a stored value; nothing for a value no form has.
std::optional<KanaForm> kanaFormFromValue(int value);

// The reading (full-width katakana) in a kana form; Katakana leaves it as it is.
QString kanaForm(const QString &reading, KanaForm form);
