#pragma once

#include <QString>

#include <expected>

// What went wrong, as the program decides what to say about it. The text the
// user reads is made from the kind in the window layer; detail carries the
// system's own words (a path, strerror, a parser's message) for it.
enum class ErrorKind {
    NotFound,
    PermissionDenied,
    NotARegularFile,
    TooLarge,
    NoSpace,
    ReadFailed,
    WriteFailed,
    ChangedOnDisk,
    BadEncoding,
    Unencodable,
    DictionaryMissing,
    AnalysisFailed,
    Damaged,
    Refused,
    Cancelled,
    ReadOnly, // the user took the write bit away: never written over
    Busy,     // another process holds the file's lock
};

struct Error
{
    ErrorKind kind = ErrorKind::ReadFailed;
    QString detail;
    int systemCode = 0; // errno where the system gave one
    QString path = {};  // the file or folder concerned, as the system named it
    qint64 position = -1; // a line or byte offset in that file where it went wrong

    static Error fromErrno(ErrorKind kind, int code, const QString &detail = {})
    {
        return {kind, detail, code};
    }
};

template<typename T>
using Result = std::expected<T, Error>;
