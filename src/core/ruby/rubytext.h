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

// Length of the longest common ending of the selection's katakana form and the
// reading, at most the selection's length, compared code unit by code unit.
qsizetype commonEndingLength(const QString &katakanaBase, const QString &reading);

struct OkuriganaOmission
{
    QString reading; // the reading without the common ending
    qsizetype baseLength = 0; // what is left of the selection
    qsizetype omitted = 0;
};

// Drops from the reading the kana that the selection ends with too.
OkuriganaOmission omitOkurigana(const QString &selection, const QString &reading);

// The ruby element: base, parentheses and reading, nothing escaped.
QString rubyElement(const QString &base, const QString &reading);
QString rubyElementWithAttribute(const QString &base, const QString &attribute,
                                 const QString &reading);
