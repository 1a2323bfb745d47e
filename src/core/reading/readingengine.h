#pragma once

#include "core/error.h"
#include "core/reading/readingstage.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class KanjiReadings;
class PhoneticService;
class ReadingStage;
class UserReadings;
class RareWordList;
struct ReadingTables;

// A stretch of a text with its reading: full-width katakana for exactly its
// characters, kana of the text kept at their places in katakana.
struct ReadingRun
{
    qsizetype start = 0; // in UTF-16 code units of the text handed in
    qsizetype length = 0;
    QString reading; // empty when nothing can be proposed
    ReadingSource source = ReadingSource::Dictionary;
    QStringList candidates; // best first, the reading first, at most six
    ReadingConfidence confidence = ReadingConfidence::Sure;

    bool guessed() const { return source == ReadingSource::Guess; }
};

// The one place readings are made. F5, whole-page ruby and both tools ask it.
class ReadingEngine
{
public:
    explicit ReadingEngine(PhoneticService &analyzer, UserReadings *userReadings = nullptr);
    // With the kanji dictionary, the rule tables and the list of names and rare
    // words handed in (tests fake them; no list: no word-list stage).
    ReadingEngine(PhoneticService &analyzer, UserReadings *userReadings,
                  const KanjiReadings &kanji, const ReadingTables &tables,
                  const RareWordList *words = nullptr);
    ~ReadingEngine();

    // The engine over analyzer, KANJIDIC and the user's dictionary in userFile
    // (empty: none), all owned by it.
    static std::unique_ptr<ReadingEngine> create(std::unique_ptr<PhoneticService> analyzer,
                                                 const QString &userFile);

    // The span [start, start + length) of text read as it is read in its
    // sentence: the kanji stem of an inflected word gets the stem's part.
    Result<ReadingRun> readSpan(const QString &text, qsizetype start, qsizetype length);

    // The words of a whole text that may get ruby (words with kanji, a number
    // with its counter), each with its reading, in text order.
    Result<QList<ReadingRun>> readText(const QString &text);

    // Remembers the user's reading of a base for F5, whole-page ruby and the tools.
    Result<void> remember(const QString &base, const QString &reading);
    // The same for the span [start, start + length) of text, and for its place
    // in particular (inPlace): it keeps that reading there after a correction
    // elsewhere. A span the analyzer reads inside a longer word (送 of 送る) is
    // remembered for that word only.
    Result<void> remember(const QString &text, qsizetype start, qsizetype length,
                          const QString &reading, bool inPlace = true);

    // Every maximal run of kanji in text (digits just before a kanji belong to
    // it), each with the reading of exactly its characters in its sentence.
    Result<QList<ReadingRun>> readKanjiRuns(const QString &text);

    // Why the list of names and rare words could not be read, once it was
    // needed; reading goes on without it.
    std::optional<Error> wordListError() const;

    // The stages in their order, by name (for tests and the tool's help).
    QStringList stageNames() const;
    // The chain without the stage of that name, for measuring what it fixes
    // and breaks; false when there is none.
    bool leaveOut(const QString &stageName);

private:
    Result<ReadingSentence> analyse(const QString &text, int paths, qsizetype focusStart = -1,
                                    qsizetype focusLength = 0) const;
    Result<QList<ReadingRun>> readChunks(const QString &text, bool kanjiRuns);

    std::unique_ptr<PhoneticService> m_ownedAnalyzer;
    std::unique_ptr<UserReadings> m_ownedUser;
    PhoneticService *m_analyzer;
    UserReadings *m_userReadings;
    const KanjiReadings &m_kanji;
    const RareWordList *m_words;
    std::optional<Error> m_tablesError; // the rule tables could not be read
    QList<std::shared_ptr<ReadingStage>> m_stages;
};
