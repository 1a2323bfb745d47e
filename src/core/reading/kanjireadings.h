#pragma once

#include "core/error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Readings of single kanji from KANJIDIC (Debian's kanjidic package), in
// katakana: on readings and the stems of kun readings; name readings apart.
class KanjiReadings
{
public:
    // Where the kanjidic package puts the file.
    static QString systemFile();
    // Where the kanjidic-xml package puts KANJIDIC2, which has the rarer kanji too.
    static QString supplementFile();
    // The system file with the kanji only KANJIDIC2 has, loaded on first use and
    // kept for the run.
    static const KanjiReadings &system();

    // Reads a KANJIDIC file (EUC-JP); what went wrong is kept as loadError().
    Result<void> load(const QString &path);
    std::optional<Error> loadError() const { return m_loadError; }
    // Kanji this lacks (鄧, 圳, 酛) are read from a KANJIDIC2 file (gzip, as
    // Debian ships it), read unpacked a buffer at a time the first time such a
    // kanji is asked for, or earlier on a worker thread (readSupplement). A
    // missing or broken file adds none.
    void useSupplement(const QString &path);
    // Reads the supplement now if it is used and not read yet; a worker thread
    // calls it, so that no F5 on a rare kanji waits for it.
    void readSupplement() const;
    // The system's readings made and their supplement read on a worker thread.
    static void prepareSystem();
    bool isEmpty() const { return m_table.readings.isEmpty(); }

    QStringList readings(char32_t kanji, bool withNames) const;
    // The first on (Sino-Japanese) reading; empty when the kanji has none.
    QString onReading(char32_t kanji) const;
    bool isOnReading(char32_t kanji, const QString &reading) const;

    struct Table
    {
        QHash<char32_t, QStringList> readings;
        QHash<char32_t, QStringList> names;
        QHash<char32_t, QStringList> on;
    };

private:
    struct Supplement;
    const Table &tableFor(char32_t kanji) const;

    Table m_table;
    std::shared_ptr<Supplement> m_supplement;
    std::optional<Error> m_loadError;
};

// One piece of a base divided for per-kanji ruby.
struct ReadingPart
{
    qsizetype baseStart;
    qsizetype baseLength;
    qsizetype readingStart;
    qsizetype readingLength;
    bool ruby; // a kanji with its part of the reading; else kana matched as written
};

// Divides the reading among the kanji of the base when exactly one division
// fits: every kanji one of its readings (with the compound sound changes:
// voiced first sound, small tsu at the end), every kana itself, covering the
// whole reading. Empty when there is none or more than one. Names' readings
// are tried when the common ones find none, unless told never to.
enum class NameReadings { AsLastResort, Never };
QList<ReadingPart> divideReading(const QString &base, const QString &reading,
                                 const KanjiReadings &kanji,
                                 NameReadings names = NameReadings::AsLastResort);

// True for kanji, including 々, 〆, 〇 and the CJK extension planes.
bool isKanji(char32_t c);
bool containsKanji(QStringView text);

// The text as the analyzer's dictionary spells it: a variant of a kanji in
// names (﨑 of 宮﨑, 髙 of 髙島屋) and a compatibility form become the common
// kanji, one for one, so every position stays where it was.
QString commonKanjiForms(const QString &text);

// On readings joined with the sound changes at each joint; inCompounds gives a
// kanji's reading after another (行 ギョウ).
QString composedReading(QStringView kanji, const KanjiReadings &readings,
                        const QHash<QString, QString> &inCompounds = {});

// The reading of surface[from, to) within a word read reading: kana of the
// surface anchor the split; a cut inside a kanji run divides it by KANJIDIC.
std::optional<QString> partReading(const QString &surface, const QString &reading, qsizetype from,
                                   qsizetype to, const KanjiReadings &kanji);
