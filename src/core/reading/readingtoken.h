#pragma once

#include <QList>
#include <QString>

#include <functional>

// One word of a text with its reading, as a tokenizer cut it.
struct ReadingToken
{
    qsizetype offset; // in UTF-16 code units of the text handed in
    qsizetype length;
    QString reading; // katakana, empty when none
};

// Cuts a text into words, each read in its sentence. The batch annotator takes
// any of these, so the reading service and tests can plug in theirs.
using TextTokenizer = std::function<QList<ReadingToken>(const QString &text)>;
