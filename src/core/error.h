#pragma once

#include <QString>
#include <QStringList>

#include <expected>

// What went wrong, as the program decides what to say about it. The text the
// user reads is made from the kind in the window layer; detail carries the
// system's own words (a path, strerror, a parser's message) for it.
enum class ErrorKind {
    NotFound,
    PermissionDenied,
    NotARegularFile, // fileType says what it is
    TooLarge,        // size and limit, where known
    NoSpace,
    ReadFailed,
    WriteFailed, // nothing was changed
    ChangedOnDisk,
    BadEncoding,  // bytes that are no text in encodings.first(), from position on
    Unencodable,  // character, at position in the text (line), has no code in encodings
    DictionaryMissing,  // MeCab found no dictionary; detail: MeCab's words
    DictionaryUnusable, // the dictionary at path is not UTF-8 (encodings) or of no known layout
    KanjiDictionaryMissing, // KANJIDIC at path could not be opened
    KanjiDictionaryEmpty,   // KANJIDIC at path holds no readings
    WordListUnreadable,     // the list of names and rare words at path could not be read (or held none)
    AnalysisFailed,
    Damaged,
    Refused,
    Cancelled,
    ReadOnly, // the user took the write bit away: never written over
    Busy,     // another process holds the file's lock
    OutOfMemory,
    NotText,           // NUL bytes where a text has none
    UnknownEncoding,   // encodings.first() is not one this system has
    NotReversible,     // character reads in encodings.first() but would be written back as another
    NoEncodingFits,    // none of encodings reads the bytes; position: the first that is not UTF-8
    UndecodableName,   // a name in path stands for bytes the program's strings cannot carry
    NoBackup,          // no copy of the old file could be made, so it was not written
    WriteRolledBack,   // the write failed part of the way; the old bytes are back
    WriteLeftBackup,   // the write failed part of the way; path is the copy of the old file
};

// What a path named instead of a regular file.
enum class FileType { Other, Fifo, Socket, Device };

struct Error
{
    ErrorKind kind = ErrorKind::ReadFailed;
    QString detail = {};
    int systemCode = 0; // errno where the system gave one
    QString path = {};  // the file or folder concerned, as the system named it
    qint64 position = -1; // a byte offset in the file, or a character's index in the text
    int line = 0;         // the line where it went wrong, counted from 1
    // What the sentence about a text names.
    QString character = {};
    QStringList encodings = {};
    qint64 size = -1;
    qint64 limit = -1;
    FileType fileType = FileType::Other;
    bool writing = false; // it went wrong while writing, not reading

    static Error fromErrno(ErrorKind kind, int code, const QString &detail = {})
    {
        return {kind, detail, code};
    }
};

template<typename T>
using Result = std::expected<T, Error>;
