#pragma once

#include <QString>
#include <QtGlobal>

// Hiragana become the katakana of the same sound; everything else stays.
QString katakanaForm(const QString &text);

// Full-width katakana with a hiragana counterpart become it; everything else stays.
QString hiraganaForm(const QString &text);

// Full-width characters with a half-width form become it, by the Halfwidth and
// Fullwidth Forms correspondence: a voiced kana becomes two characters.
QString halfwidthForm(const QString &text);

// The reading in the kana form of the main window's option: 0 as it is
// (full-width katakana), 1 hiragana, 2 half-width katakana.
QString kanaForm(const QString &reading, quint8 mode);

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
