#pragma once

#include "core/reading/readingengine.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class KanjiReadings;
class UserReadings;

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
};

// A sentence in the hands of the chain: the best analysis and the others.
struct ReadingSentence
{
    QString text;
    QList<ReadingWord> words;
    QList<QList<ReadingWord>> alternatives; // further analyses, the next best first
};

// The rule data of the stages, read from their TSV tables.
struct ReadingTables
{
    struct Counter
    {
        QString reading; // after a plain number
        QString afterSmallTsu; // after いっ, はっ, じゅっ; empty: no small tsu before it
        QString afterN; // after さん, なん, せん, まん
        QString four, seven, nine; // the digit words before it
    };
    struct Fixed
    {
        QString reading;
        QString before; // text that must stand before the word; empty: any
        QString after; // text that must follow it; empty: any
    };
    struct Joint
    {
        QString reading; // of the word after another word of the compound
    };

    QHash<QString, Counter> counters;
    QMultiHash<QString, Fixed> fixed;
    QHash<QString, QString> joints; // second element → its reading inside a compound
    QHash<QString, QString> native; // 一晩 ヒトバン: numbers read with native words
    QHash<QString, QString> clans; // 源 ミナモトノ: said with の before a given name

    // The tables shipped with the program, loaded once.
    static const ReadingTables &builtIn();
    // Tables from a folder holding counters.tsv, fixed.tsv, joints.tsv, native.tsv,
    // clans.tsv.
    static ReadingTables load(const QString &folder);
};

// One family of rules over the analysis: it mends the words of a sentence in place.
class ReadingStage
{
public:
    virtual ~ReadingStage() = default;
    virtual QString name() const = 0;
    virtual void rewrite(ReadingSentence &sentence) const = 0;
};

// 々 and words the analyzer cut up: a compound of nouns stays one word, with
// the sound change at its joint (石油会社 セキユガイシャ).
class JoiningStage : public ReadingStage
{
public:
    JoiningStage(const ReadingTables &tables, const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("joining"); }
    void rewrite(ReadingSentence &sentence) const override;

private:
    const ReadingTables &m_tables;
    const KanjiReadings &m_kanji;
};

// Digits and kanji numerals, one word with the counter after them.
class NumberStage : public ReadingStage
{
public:
    explicit NumberStage(const ReadingTables &tables);
    QString name() const override { return QStringLiteral("numbers"); }
    void rewrite(ReadingSentence &sentence) const override;

private:
    const ReadingTables &m_tables;
};

// Words read as words in their place (他の ホカ, この節 セツ).
class FixedStage : public ReadingStage
{
public:
    explicit FixedStage(const ReadingTables &tables);
    QString name() const override { return QStringLiteral("fixed"); }
    void rewrite(ReadingSentence &sentence) const override;

private:
    void mendParts(ReadingWord &word, const QString &text) const;
    const ReadingTables &m_tables;
};

// Words the analyzer does not know, read kanji by kanji: a guess.
class UnknownStage : public ReadingStage
{
public:
    explicit UnknownStage(const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("unknown"); }
    void rewrite(ReadingSentence &sentence) const override;

private:
    const KanjiReadings &m_kanji;
};

// Candidates: the other analyses' readings of exactly the same word, at most six.
class RankingStage : public ReadingStage
{
public:
    QString name() const override { return QStringLiteral("ranking"); }
    void rewrite(ReadingSentence &sentence) const override;
};

// The user's own readings, last: they win over every rule.
class UserStage : public ReadingStage
{
public:
    explicit UserStage(UserReadings &user);
    QString name() const override { return QStringLiteral("user"); }
    void rewrite(ReadingSentence &sentence) const override;

private:
    UserReadings &m_user;
};

// The stages in their order.
QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user);

// Helpers the stages share.
// On readings joined with the sound changes at each joint; inCompounds gives a
// kanji's reading after another (行 ギョウ).
QString composedReading(QStringView kanji, const KanjiReadings &readings,
                        const QHash<QString, QString> &inCompounds = {});
QString numeralReading(QStringView numeral); // 千九百八十四 センキュウヒャクハチジュウヨン
QString countedReading(QStringView numeral, QStringView counter, const ReadingTables &tables,
                       bool asDate = false);
bool isNumeral(QStringView text);

// Small pieces the stage families share.
namespace stagekit {
bool allKanji(QStringView text);
bool isKatakanaReading(const QString &reading);
bool isNoun(const ReadingWord &word);
// words [first, last) as one word with the reading given.
ReadingWord merged(const QList<ReadingWord> &words, qsizetype first, qsizetype last,
                   const QString &reading, ReadingSource source);
QString partsReading(const QList<std::pair<qsizetype, QString>> &parts);
} // namespace stagekit
