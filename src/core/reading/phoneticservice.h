#pragma once

#include "core/error.h"

#include <QList>
#include <QString>
#include <QStringList>

// A selection with the text around it that belongs to the same sentence.
struct ReadingContext
{
    QString before;
    QString selection;
    QString after;
};

// One word of an analysed text; offsets in UTF-16 code units of that text.
struct AnalysedWord
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString surface;
    QString reading; // full-width katakana; the surface in katakana when unknown
    bool numeral = false; // the dictionary calls it a number
    QString pos; // part of speech as the dictionary writes it (名詞,接尾,助数詞)
    bool known = true; // false when the dictionary lacks the word
};
Q_DECLARE_TYPEINFO(AnalysedWord, Q_RELOCATABLE_TYPE);

// The reading of a whole text in full-width katakana; kana of the text are kept
// at their places (in katakana).
class PhoneticService
{
public:
    virtual ~PhoneticService() = default;
    virtual Result<QString> reading(const QString &text) = 0;

    // The whole text as words with the dictionary's readings and their places,
    // for annotating a document at once (spanReading mends numbers and 々 over
    // a run of them). Services without analysis give one word.
    virtual Result<QList<AnalysedWord>> tokens(const QString &text)
    {
        const Result<QString> whole = reading(text);
        if (!whole)
            return std::unexpected(whole.error());
        return QList<AnalysedWord> {
            AnalysedWord {0, text.size(), text, *whole, false, QString(), true}};
    }

    // Up to paths analyses of text, the best first, each covering it without
    // gaps. Services without a lattice give their words once.
    virtual Result<QList<QList<AnalysedWord>>> analyses(const QString &text, int paths)
    {
        Q_UNUSED(paths);
        const Result<QList<AnalysedWord>> words = tokens(text);
        if (!words)
            return std::unexpected(words.error());
        return QList<QList<AnalysedWord>> {*words};
    }
};

// The selection [start, start + length) of text with the rest of its sentence:
// up to 。！？, a line end or a tag, at most kMaxContext characters each way.
// Inside a tag or an attribute there is no sentence and both sides are empty.
constexpr qsizetype kMaxContext = 200;
ReadingContext readingContext(const QString &text, qsizetype start, qsizetype length);
