#pragma once

#include "core/error.h"

#include <QString>

#include <optional>

// Far beyond what the program keeps (a few KB): a larger file is not its own.
inline constexpr qint64 kMaxSettingsBytes = qint64(1) << 20;

// What start-up does with the settings file before anything reads it.
struct SettingsFileState
{
    QString readFrom; // the file the choices are read from; empty: the defaults
    bool writable = true; // false: nothing is ever written to the file
    std::optional<Error> problem; // to tell the user; detail names the file
    QString keptCopy; // a copy of a damaged file, kept aside
    int malformedLine = 0; // the damaged file's first line that does not parse
};

// A missing or sound file is read and written as usual. One that is read-only for
// its owner is read and never written (even by root, whose writes the mode does
// not stop). One that does not parse, line by line, is never written either: a
// copy is kept aside and the choices are read from the copy; the damage is told
// when the copy is first made, not at every start. One larger than
// maxBytes is not read at all.
SettingsFileState inspectSettingsFile(const QString &path, qint64 maxBytes = kMaxSettingsBytes);

// The first line that is not blank, a comment, a [section] or a key=value pair;
// 0 when every line is one of these.
int firstMalformedSettingsLine(const QByteArray &bytes);
