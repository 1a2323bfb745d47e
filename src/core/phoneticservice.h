#pragma once

#include <QString>

struct PhoneticResult
{
    QString reading; // full-width katakana
    QString error; // what is missing or failed; empty on success
    int errorNumber = 0; // errno-style number for the warning box; 0 when unknown

    bool ok() const { return error.isEmpty(); }
};

// The reading of a whole text in full-width katakana; kana of the text are kept
// at their places (in katakana).
class PhoneticService
{
public:
    virtual ~PhoneticService() = default;
    virtual PhoneticResult reading(const QString &text) = 0;
};
