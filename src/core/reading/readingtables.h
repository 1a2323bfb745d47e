#pragma once

#include "core/error.h"

#include <QHash>
#include <QString>

#include <vector>

// The first characters of a table's words. Most words of a text begin with none of
// them and are passed over without their text hashed.
class WordStarts
{
public:
    void add(QStringView word)
    {
        if (!word.isEmpty())
            m_bits[word.front().unicode()] = true;
    }
    bool mayBegin(QStringView word) const
    {
        return !word.isEmpty() && m_bits[word.front().unicode()];
    }

private:
    std::vector<bool> m_bits = std::vector<bool>(0x10000);
};

// The rule data of the stages, each stage's in its own TSV table.
struct ReadingTables
{
    struct Counter
    {
        QString reading; // after a plain number
        QString afterSmallTsu; // after いっ, はっ, じゅっ; empty: no small tsu before it
        QString afterN; // after さん, なん, せん, まん
        QString four, seven, nine; // the digit words before it
        bool tensOnly = false; // the small tsu comes after じゅう alone (10組 ジュックミ)
    };
    struct Fixed
    {
        QString reading;
        QString before; // text that must stand before the word; empty: any
        QString after; // text that must follow it; empty: any
        // The text before the word ends with, and the text after starts with, one
        // of the alternatives of each.
        bool fits(QStringView textBefore, QStringView textAfter) const;
    };

    struct MisreadStem
    {
        QString misreading; // what the analyzer's dictionary says, katakana
        QString reading;
    };

    QHash<QString, Counter> counters; // counters.tsv, the number stage's
    // Counters read by the word before their number: counter → (word, row key).
    QHash<QString, QList<std::pair<QString, QString>>> countersAfter;
    QHash<QString, QString> native; // native.tsv: 一晩 ヒトバン, numbers read with native words
    QMultiHash<QString, Fixed> fixed; // fixed.tsv, the fixed stage's
    QHash<QString, MisreadStem> misreadStems; // stems.tsv, the fixed stage's too
    QHash<QString, QString> joints; // joints.tsv: second element → its reading inside a compound
    struct Clan
    {
        QString reading; // ミナモトノ
        QStringList givenNames; // empty: before any given name
    };
    QHash<QString, Clan> clans; // clans.tsv: 源 ミナモトノ, said with の before a given name
    struct Homograph
    {
        QString reading; // empty: the context leaves the word open
        QStringList before, after; // alternatives, each a sequence of text and @classes
        bool leaning = false; // the reading is the likelier one, and stays open
    };
    QHash<QString, QList<Homograph>> homographs; // homographs.tsv, in the table's order
    // Filled by load() with the tables they stand for.
    WordStarts fixedStarts, jointStarts, homographStarts;

    // The tables shipped with the program, loaded once; a table that cannot be
    // read is an error, never an empty table.
    static const Result<ReadingTables> &builtIn();
    // Tables from a folder holding counters.tsv, native.tsv, fixed.tsv,
    // joints.tsv, clans.tsv, homographs.tsv.
    static Result<ReadingTables> load(const QString &folder);
};
