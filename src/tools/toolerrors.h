#pragma once

#include "core/error.h"

#include <QString>

// The reason for a failure as the command-line tools print it, in the words the
// window uses.
QString errorReason(const Error &error);
