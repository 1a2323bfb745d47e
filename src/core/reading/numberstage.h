#pragma once

#include "core/reading/readingstage.h"
#include "core/reading/readingtables.h"

#include <optional>

// Digits and kanji numerals, one word with the counter after them.
class NumberStage : public ReadingStage
{
public:
    explicit NumberStage(const ReadingTables &tables);
    QString name() const override { return QStringLiteral("numbers"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    struct Numeral; // the words of one number and what is read of them
    bool numeralWord(const QList<ReadingWord> &words, qsizetype i) const;
    QString ordinalReading(const QList<ReadingWord> &words, qsizetype i) const;
    Numeral collect(const QList<ReadingWord> &words, qsizetype first) const;
    bool knownCounter(const QString &counter) const;
    void readPoint(const QList<ReadingWord> &words, Numeral &numeral) const;
    QString withCounter(const ReadingSentence &sentence, qsizetype first,
                        const Numeral &numeral, qsizetype counterAt) const;
    bool spacedCounter(const QList<ReadingWord> &words, qsizetype at) const;

    const ReadingTables &m_tables;
};

// The reading of a numeral written in kanji or digits (千九百八十四, １５０,
// 二〇二六) in full-width katakana; empty when it is not a number read so.
QString numeralReading(QStringView numeral);
// A number with the counter after it, with the counter's sound changes
// (三本 サンボン, 一人 ヒトリ, 二十日 ハツカ); asDate picks ツイタチ for 一日.
// Empty when the counter is not in the table or the numeral is no number.
QString countedReading(QStringView numeral, QStringView counter, const ReadingTables &tables,
                       bool asDate = false);
bool isNumeral(QStringView text);
bool isNumeralChar(QChar c);
