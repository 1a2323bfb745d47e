#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

// Words written in kanji with their readings, from an SKK dictionary (Debian's
// skkdic package): names, places and rare words an analyzer's dictionary lacks.
// The file is keyed by reading; it is turned around once, on first use, into a
// sorted index of its words' bytes.
class RareWordList
{
public:
    // Where the skkdic package puts its large list.
    static QString systemFile();
    // The system list, loaded on first lookup and kept for the run.
    static const RareWordList &system();
    // Starts loading the system list on a worker thread, so that the first
    // lookup does not wait for it.
    static void prepareSystem();

    RareWordList() = default;
    explicit RareWordList(const QString &path) : m_path(path) { }

    // Why the list could not be read (reading it first if need be).
    std::optional<Error> loadError() const;
    // Whether reading the file is over, without waiting for it.
    bool loaded() const { return m_done.load(); }
    bool isEmpty() const;

    // The readings (katakana) the list gives a word of kanji, with hiragana
    // after the first (雪解け水). A single kanji is asked about only where the
    // analyzer lacks it (鉋 かんな).
    QStringList readings(QStringView word) const;

private:
    void ensureLoaded() const;
    Result<void> load() const;
    QStringList lookUp(QStringView word) const;

    // A word of the list and the key it stands under, as byte offsets in the file.
    struct Entry
    {
        quint32 wordAt, wordLength, keyAt, keyLength;
    };
    std::string_view wordOf(const Entry &entry) const;

    QString m_path;
    mutable std::once_flag m_once;
    mutable std::atomic<bool> m_done = false;
    mutable Result<void> m_loaded;
    mutable QByteArray m_bytes;
    mutable bool m_utf8 = false;
    mutable std::vector<Entry> m_entries; // sorted by the word's bytes
    // Tells this list's kept answers from another's, even one made where it was.
    const quint64 m_id = s_lists.fetch_add(1) + 1;
    static inline std::atomic<quint64> s_lists = 0;
};
