#pragma once

#include "core/error.h"

#include <QHash>
#include <QString>

#include <optional>

// Readings the user chose instead of the proposed ones, kept between runs in a
// plain UTF-8 file: base text, a tab and the reading in full-width katakana,
// a line per word; two more columns may restrict a line to the text just
// before and just after the word, and a fifth names the word whose kanji the
// base is (送 of 送る): such a line holds for that word only, and a line
// without one never for the kanji inside a longer word (等 is not 等しい).
// Files of earlier versions, with at most four columns, read as they are. Writing re-reads the file and merges under
// a lock file, so two running windows keep each other's corrections; a file
// the user made read-only is never written.
class UserReadings
{
public:
    explicit UserReadings(const QString &path = standardPath());

    // Reads the file on first use; a damaged file stays unread and its error
    // is what load gives from then on: the owner reports it.
    Result<void> load();
    // The reading for base (empty: none) between before and after: a line
    // restricted to that place wins over a plain one, the longest place first.
    // Over a damaged file only the corrections kept in memory this run are found.
    // With word, base is its kanji and only the lines for that word count.
    Result<QString> lookup(const QString &base, QStringView before = {}, QStringView after = {},
                           const QString &word = {});
    // No correction at all, read or kept this run: every lookup finds nothing.
    bool isEmpty()
    {
        load();
        return m_readings.isEmpty();
    }
    // Remembers and writes the whole file atomically. Never succeeds having stored
    // nothing: a text that cannot be a line is Refused; with a damaged file the
    // correction is kept for this run only and Damaged (writing) says so.
    Result<void> remember(const QString &base, const QString &reading);
    // The same, and a line for this place too (a few characters either side
    // within the line): the plain line follows the latest correction, so a
    // word read one way here and another way there keeps both.
    Result<void> remember(const QString &base, const QString &reading, QStringView before,
                          QStringView after, const QString &word = {});

    QString path() const { return m_path; }
    static QString standardPath();

private:
    struct Entry
    {
        QString reading, before, after;
        QString word; // the longer word whose kanji the base is, or empty
    };
    Result<void> read(QMultiHash<QString, Entry> &into) const;
    QString find(const QString &base, QStringView before, QStringView after,
                 const QString &word) const;
    static void keepInMemory(QMultiHash<QString, Entry> &readings, const QString &base,
                             const Entry &entry);

    QString m_path;
    bool m_loaded = false;
    std::optional<Error> m_loadError;
    QMultiHash<QString, Entry> m_readings;
};

// The longest reading a user may give a word.
constexpr qsizetype kMaxReadingLength = 96;

// A reading as a user may give one: kana only (either form, half-width too, the
// long-vowel and iteration marks), 1 to kMaxReadingLength characters.
bool isAcceptableReading(QStringView reading);

// A reading as the user typed it in any kana form, in full-width katakana.
QString fullwidthKatakana(const QString &reading);
