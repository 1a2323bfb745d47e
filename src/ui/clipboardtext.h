#pragma once

#include "core/error.h"

#include <QString>

class QClipboard;

// The editor's side of the clipboard: plain text only, in and out.

// Text from the clipboard with its line ends made the document's: each CR LF,
// lone LF or lone CR becomes lineEnd.
QString withDocumentLineEnds(const QString &text, QStringView lineEnd = u"\r\n");

// The clipboard's plain text, empty when it holds none. Other formats (rich text,
// pictures) are not read.
QString readClipboardText(const QClipboard *clipboard);

// Puts text on the clipboard as its only content; an empty text empties it.
// The clipboard gives no result of its own, so a text that does not read back
// (another program kept or took the clipboard) is reported as a failure.
Result<void> writeClipboardText(QClipboard *clipboard, const QString &text);
