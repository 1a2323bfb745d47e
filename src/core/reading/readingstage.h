#pragma once

#include "core/error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// How a reading was found; a guess is shown to the user as one.
enum class ReadingSource {
    Dictionary, // the analyzer knew the word
    Rule, // a rule of ours made or mended it (numbers, 々, fixed readings)
    Guess, // composed from single kanji: the analyzer did not know the word
    User, // the user's own dictionary
};

// How far a reading can be trusted, for the proofreader's order.
enum class ReadingConfidence {
    Sure,
    Unsure, // the analyses read the word in more than one way and no rule decided
    Guessed, // the analyzer did not know the word
};

// One word of an analysed sentence as the stages see and mend it.
struct ReadingWord
{
    qsizetype start = 0; // in UTF-16 code units of the sentence
    qsizetype length = 0;
    QString surface;
    QString reading; // full-width katakana
    QString pos; // the analyzer's part of speech, e.g. 名詞,接尾,助数詞; empty between words
    bool known = true; // the analyzer's dictionary has the word
    ReadingSource source = ReadingSource::Dictionary;
    QStringList candidates; // other readings for this word in this place, best first
    // The words a compound was joined from, each (length, reading), when its
    // reading is theirs put together; empty otherwise.
    QList<std::pair<qsizetype, QString>> parts;
    // Set by a stage that weighed the word: Sure where one of its rules
    // decided, Unsure where the analyses disagree and none did.
    std::optional<ReadingConfidence> weighed;
};
// Lists of words grow by moving their bytes, not by copying each word.
Q_DECLARE_TYPEINFO(ReadingWord, Q_RELOCATABLE_TYPE);

// A sentence in the hands of the chain: the best analysis and the others.
struct ReadingSentence
{
    QString text;
    QList<ReadingWord> words;
    QList<QList<ReadingWord>> alternatives; // further analyses, the next best first
    // The stretch F5 asks about, when it does: a user's reading of exactly it
    // holds even where it cuts a word.
    qsizetype focusStart = -1;
    qsizetype focusLength = 0;
};

// One family of rules over the analysis: it mends the words of a sentence in place.
class ReadingStage
{
public:
    virtual ~ReadingStage() = default;
    virtual QString name() const = 0;
    virtual Result<void> rewrite(ReadingSentence &sentence) const = 0;
};

// Small pieces the stages share.
namespace stagekit {
bool allKanji(QStringView text);
bool isKatakanaReading(const QString &reading);
bool isNoun(const ReadingWord &word);
// A verb's stem form (話し, 食べ), not its plain form (話す).
bool isVerbStem(const ReadingWord &word);
// Either of two words next to each other in a run is a single kanji the analyzer
// read as a noun of its own (印|相, 月|名); a counter after a number is not (９|月).
bool loneKanjiBeside(const ReadingWord &before, const ReadingWord &word);
// words [first, last) as one word with the reading given.
ReadingWord merged(const QList<ReadingWord> &words, qsizetype first, qsizetype last,
                   const QString &reading, ReadingSource source);
} // namespace stagekit
