#pragma once

#include "core/error.h"

#include <QString>

// The one table from an error's kind to what the user reads about it, in the
// user's language; the window's boxes and the command-line tools both say it.

// The sentence for the kind, without the system's own words (error.detail);
// empty for a refusal or a cancel, whose detail says it all.
QString errorSentence(const Error &error);

// Whether the sentence already says all (the dictionaries name their file and
// the system's words): nothing is to follow it.
bool errorSentenceIsWhole(ErrorKind kind);

// What went wrong with a document and what became of the file (lines joined
// with "\n"): not read, not written, left as it was.
QString documentErrorSentence(const Error &error);

// The kind's sentence, then the system's words (error.detail) on a line of their own.
QString errorMessage(const Error &error);

// What the window says of the error, on one line: the document's sentence where
// there is one, else the kind's sentence and the system's words. The
// command-line tools print it after the file's name.
QString errorLine(const Error &error);

// A file of the user's readings that cannot be used, and what is done instead:
// read, it is left out; written, corrections live only in memory.
QString userReadingsErrorSentence(const Error &error);
