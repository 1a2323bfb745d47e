#pragma once

#include "core/error.h"
#include "core/errortext.h" // errorMessage: the sentences the boxes show

#include <QString>

class PlatformServices;
class QWidget;

// The title of the program's warning box: the failure the system's number stands for.
QString errorBoxTitle(int number);

// What the user reads when a document could not be read, encoded or written:
// what went wrong and what became of the file.
QString documentErrorText(const Error &error);
// That text in the program's warning box: the system's number in the title, the
// exclamation icon and one OK button.
void showDocumentError(PlatformServices &platform, QWidget *parent, const Error &error);
// The same box when the text cannot be converted to the encoding named: the
// first character that encoding cannot hold.
void showConversionError(PlatformServices &platform, QWidget *parent, const Error &error,
                         const QString &encodingName);

// The same warning box for an Error: its system number in the title when it has
// one. A refusal is no error: its detail is shown whole, as information under the
// program's title.
void showErrorMessage(PlatformServices &platform, QWidget *parent, const Error &error);
// The warning box in the system's own words, as the file panel has always told
// them: the number in the title, the detail as the text.
void showSystemError(PlatformServices &platform, QWidget *parent, const Error &error);
// The warning box about the user's readings file: a damaged one is not used,
// one that cannot be written keeps the correction for this run only.
void showUserReadingsError(PlatformServices &platform, QWidget *parent, const Error &error);
// The warning box when the clipboard could not be written.
void showClipboardError(PlatformServices &platform, QWidget *parent, const Error &error);

// A failure of the preview file. What is not the user's own at its place is a
// refusal, no error: said whole, as information under the program's title.
void showPreviewError(PlatformServices &platform, QWidget *parent, const Error &error);
