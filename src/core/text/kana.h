#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// A hiragana letter (ぁ to ゖ), as okurigana are written.
bool isHiragana(QChar c);

// Hiragana become the katakana of the same sound; everything else stays.
QString katakanaForm(const QString &text);

// Full-width katakana with a hiragana counterpart become it; everything else stays.
QString hiraganaForm(const QString &text);

// Full-width characters with a half-width form become it, by the Halfwidth and
// Fullwidth Forms correspondence: a voiced kana becomes two characters.
QString halfwidthForm(const QString &text);

// How readings are written in ruby. The values are those the settings file
// keeps, so they never change. Romaji writes long vowels with macrons (ō, ū),
// RomajiSpelled as the kana spell them (ou, uu).
enum class KanaForm : quint8 {
    Katakana = 0,
    Hiragana = 1,
    HalfWidthKatakana = 2,
    Romaji = 3,
    RomajiSpelled = 4
};

// Whether the form is one of the romaji ones.
bool isRomaji(KanaForm form);

// The form a command line names: katakana, hiragana, halfwidth, romaji (long
// vowels ō ū) or romaji-ou (ou uu); nothing for any other name.
std::optional<KanaForm> kanaFormFromName(QStringView name);

// The form of a stored value; nothing for a value no form has.
std::optional<KanaForm> kanaFormFromValue(int value);

// The reading (full-width katakana) in a kana form; Katakana leaves it as it is.
// `following` is the reading after it, where a word's ruby is divided (romaji
// writes a ッ or ン at the end by what follows).
QString kanaForm(const QString &reading, KanaForm form, QStringView following = {});

// The reading (katakana) a reading shown in a form stands for: in romaji, the one
// of `readings` that is written so; else, and when none is, the text itself.
QString readingOfShown(const QString &shown, KanaForm form, const QStringList &readings);
