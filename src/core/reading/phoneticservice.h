#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct PhoneticResult
{
    QString reading; // full-width katakana
    QString error; // what is missing or failed; empty on success
    int errorNumber = 0; // errno-style number for the warning box; 0 when unknown

    bool ok() const { return error.isEmpty(); }
};

// A selection with the text around it that belongs to the same sentence.
struct ReadingContext
{
    QString before;
    QString selection;
    QString after;
};

// The readings offered for a selection, the proposed one first, all in
// full-width katakana and distinct.
struct ReadingCandidates
{
    QStringList readings;
    QString error;
    int errorNumber = 0;

    bool ok() const { return error.isEmpty(); }
    QString proposed() const { return readings.value(0); }
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

// Analyses of a text, the best first.
struct Analyses
{
    QList<QList<AnalysedWord>> paths;
    QString error;
    int errorNumber = 0;

    bool ok() const { return error.isEmpty(); }
};

struct TokenReadings
{
    QList<AnalysedWord> tokens;
    QString error;
    int errorNumber = 0;

    bool ok() const { return error.isEmpty(); }
};

// The reading of a whole text in full-width katakana; kana of the text are kept
// at their places (in katakana).
class PhoneticService
{
public:
    virtual ~PhoneticService() = default;
    virtual PhoneticResult reading(const QString &text) = 0;

    // The selection read within its sentence. Services without analysis offer
    // the reading of the selection alone.
    virtual ReadingCandidates candidates(const ReadingContext &context)
    {
        const PhoneticResult alone = reading(context.selection);
        if (!alone.ok())
            return {{}, alone.error, alone.errorNumber};
        return {{alone.reading}, QString()};
    }

    // The whole text as words with the dictionary's readings and their places,
    // for annotating a document at once (spanReading mends numbers and 々 over
    // a run of them). Services without analysis give one word.
    virtual TokenReadings tokens(const QString &text)
    {
        const PhoneticResult whole = reading(text);
        if (!whole.ok())
            return {{}, whole.error, whole.errorNumber};
        return {{AnalysedWord {0, text.size(), text, whole.reading, false, QString(), true}}, QString()};
    }

    // Up to paths analyses of text, the best first, each covering it without
    // gaps. Services without a lattice give their words once.
    virtual Analyses analyses(const QString &text, int paths)
    {
        Q_UNUSED(paths);
        TokenReadings words = tokens(text);
        if (!words.ok())
            return {{}, words.error, words.errorNumber};
        return {{words.tokens}, QString()};
    }
};

// The selection [start, start + length) of text with the rest of its sentence:
// up to 。！？, a line end or a tag, at most kMaxContext characters each way.
// Inside a tag or an attribute there is no sentence and both sides are empty.
constexpr qsizetype kMaxContext = 200;
ReadingContext readingContext(const QString &text, qsizetype start, qsizetype length);
