#pragma once

#include "core/reading/readingstage.h"

class KanjiReadings;
class UserReadings;

// The word whose kanji [from, to) of the sentence is, with only kana beside it
// in the word (等 of 等しい, 送 of 送る); empty when it is a word, a stretch, or
// a part of a compound.
QString wordWithKanaAround(const QList<ReadingWord> &words, qsizetype from, qsizetype to);

// The user's own readings, last: they win over every rule. A reading is found
// for a stretch of words, for the kanji of a word without its kana (送 of 送る,
// as whole-page ruby writes it), and for exactly the stretch F5 asks about.
class UserStage : public ReadingStage
{
public:
    UserStage(UserReadings &user, const KanjiReadings &kanji);
    QString name() const override { return QStringLiteral("user"); }
    Result<void> rewrite(ReadingSentence &sentence) const override;

private:
    // With word: the stretch is that longer word's kanji, and only corrections
    // made on that word count.
    Result<QString> lookup(const QString &text, qsizetype start, qsizetype length,
                           const QString &word = {}) const;
    Result<void> readFocus(ReadingSentence &sentence) const;
    Result<bool> readKanjiOf(const QString &text, ReadingWord &word) const;
    QString pieceReading(const ReadingWord &word, qsizetype from, qsizetype to) const;

    UserReadings &m_user;
    const KanjiReadings &m_kanji;
};
