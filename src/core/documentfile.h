#pragma once

#include "core/errorreport.h"
#include "core/progress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// Largest document file that is read. Offsets in the editor are ints, and a file
// of lone CRs doubles in length when each becomes CR LF, so 256 MiB keeps every
// text far below that bound; at about six bytes of memory for every byte of the
// file it also still fits an ordinary desktop. HTML sources are a few MB at most.
inline constexpr qint64 kMaxDocumentBytes = qint64(256) * 1024 * 1024;

struct LoadedText
{
    QString text;
    ErrorReport error;
    qint64 invalidByteOffset = -1; // the first byte that is not text in the code page
    bool stopped = false; // the progress asked to stop: no text, no error
};

struct EncodedText
{
    QByteArray bytes;
    ErrorReport error;
    qsizetype unrepresentableIndex = -1; // the first character the code page cannot hold
    int unrepresentableLine = 0; // its line, counted from 1
};

// The document's text from its bytes in the code page: lines end at CR LF or a
// lone CR, a lone LF stays inside its line, and every line is followed by CR LF
// except a last line that had no line end. Bytes that are not valid in the code
// page refuse the whole file (a replacement character would be saved back).
LoadedText decodeDocument(QByteArrayView bytes, const QByteArray &codePage);

// Reads the rest of the device and decodes it; devices holding more than
// maxBytes are refused before they are read, and so is a text for which the
// memory at hand does not suffice. progress, when given, is polled after every
// piece read.
LoadedText readDocument(QIODevice &device, const QByteArray &codePage,
                        qint64 maxBytes = kMaxDocumentBytes, Progress *progress = nullptr);
LoadedText loadDocumentFile(const QString &path, const QByteArray &codePage,
                            qint64 maxBytes = kMaxDocumentBytes, Progress *progress = nullptr);

// The whole text in the code page, as it goes to the file: nothing is added.
// A character that the code page cannot hold refuses the text.
EncodedText encodeDocument(const QString &text, const QByteArray &codePage);

ErrorReport writeDocument(QIODevice &device, const QByteArray &bytes);

// Encodes the text and replaces the file with it only once it is completely
// written; on any failure the old file stays as it was.
ErrorReport saveDocumentFile(const QString &path, const QString &text, const QByteArray &codePage);
