#pragma once

#include <QString>

class QTranslator;

// Whether the interface is shown in Japanese, the language its texts are written
// in: for a Japanese locale, and for the C locale, which asks for no translation.
// Any other locale gets the English translation.
bool interfaceIsJapanese();

// The English translation: ../share/rubello/translations/rubello_en.qm from the
// executable's folder in an installation, else translations/ beside it (the build
// tree).
QString englishTranslationFile(const QString &programFolder);

// A text in the locale's language before the application (and its translators)
// exists: what `--help` prints.
QString translateBeforeStart(const char *context, const char *source);

// The translation the locale asks for, installed into the application; nothing
// under a Japanese locale or when the file is missing (the texts stay Japanese).
QTranslator *installInterfaceTranslation(const QString &programFolder);
