#pragma once

#include "core/document/encodings.h"
#include "core/error.h"
#include "core/progress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// Largest document file that is read. Offsets in the editor are ints, so 256 MiB
// keeps every text far below that bound; at about six bytes of memory for every
// byte of the file it also still fits an ordinary desktop. HTML sources are a few MB at most.
inline constexpr qint64 kMaxDocumentBytes = qint64(256) * 1024 * 1024;

// A document's text as read. A failure is an Error: BadEncoding gives the first
// byte that is not text in the code page as its position; a stop asked by the
// progress is Cancelled.
struct LoadedText
{
    QString text;
    TextEncoding encoding = {}; // what the file was read in
    QByteArray overruledDeclaration = {}; // the label of a declaration the bytes contradicted
};

// The document's text from its bytes in the code page, every line end (CR LF, LF,
// lone CR) as it is in the file, so that a save writes the same bytes. Bytes that
// are not valid in the code page refuse the whole file (a replacement character
// would be saved back).
Result<LoadedText> decodeDocument(QByteArrayView bytes, const QByteArray &codePage);

// Reads the rest of the device and decodes it; devices holding more than
// maxBytes are refused before they are read, and so is a text for which the
// memory at hand does not suffice. progress, when given, is polled after every
// piece read.
Result<LoadedText> readDocument(QIODevice &device, const QByteArray &codePage,
                                qint64 maxBytes = kMaxDocumentBytes, Progress *progress = nullptr);
Result<LoadedText> loadDocumentFile(const QString &path, const QByteArray &codePage,
                                    qint64 maxBytes = kMaxDocumentBytes,
                                    Progress *progress = nullptr);

// The whole text in the code page, as it goes to the file: nothing is added.
// A character that the code page cannot hold exactly (written back, it would read
// as another) refuses the text: Unencodable, with the first such character.
Result<QByteArray> encodeDocument(const QString &text, const QByteArray &codePage);

Result<void> writeDocument(QIODevice &device, const QByteArray &bytes);

// A character as messages name it: 「c」(U+XXXX), the code alone for one that
// does not print.
QString describeCharacter(QStringView character);

// Encodes the text and replaces the file with it only once it is completely
// written; on any failure the old file stays as it was.
Result<void> saveDocumentFile(const QString &path, const QString &text,
                              const QByteArray &codePage);

// Reads a document in the encoding the file shows it is in: a byte-order mark;
// UTF-16 by its NULs; seven bits with JIS escape sequences as ISO-2022-JP; a
// declaration in its first 1,024 bytes that the bytes bear out; UTF-8; UTF-16
// without ASCII, by its kana; then the
// system's code page and the Japanese legacy encodings, most likely first. Plain
// ASCII is taken as the system's code page (the encoding left empty). Files with
// NUL bytes that are not UTF-16 are refused as binary before anything is decoded.
// A text is given only when every character of it can be written back, and the
// encoding carries the forms the file writes its characters in.
Result<LoadedText> detectAndDecodeDocument(QByteArrayView bytes,
                                           const QByteArray &systemCodePage);
Result<LoadedText> openDocumentFile(const QString &path, const QByteArray &systemCodePage,
                                    qint64 maxBytes = kMaxDocumentBytes,
                                    Progress *progress = nullptr);

// Reads the document in the encoding given (the user's choice); the byte-order mark
// of a Unicode encoding is taken off and remembered.
Result<LoadedText> decodeDocumentAs(QByteArrayView bytes, const TextEncoding &encoding);
Result<LoadedText> openDocumentFileAs(const QString &path, const TextEncoding &encoding,
                                      qint64 maxBytes = kMaxDocumentBytes);

// The text as it goes to the file in this encoding (a concrete one), with its mark.
// Where the encoding keeps the file's bytes, what is unchanged from the file's text
// goes back in those bytes, and only what changed is encoded anew.
Result<QByteArray> encodeDocument(const QString &text, const TextEncoding &encoding);
Result<void> saveDocumentFile(const QString &path, const QString &text,
                              const TextEncoding &encoding);
