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
