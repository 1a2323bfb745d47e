#pragma once

#include "core/text/kana.h"

#include <QString>
#include <QtGlobal>

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
