#pragma once

#include "core/reading/readingstage.h"

class KanjiReadings;
class UserReadings;

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
    Result<QString> lookup(const QString &text, qsizetype start, qsizetype length) const;
    Result<void> readFocus(ReadingSentence &sentence) const;
    Result<bool> readKanjiOf(const QString &text, ReadingWord &word) const;
    QString pieceReading(const ReadingWord &word, qsizetype from, qsizetype to) const;

    UserReadings &m_user;
    const KanjiReadings &m_kanji;
};
