#pragma once

#include <QString>
#include <QStringView>

// The Sino-Japanese reading of a run of kanji built from each kanji's first on
// reading in KANJIDIC (package kanjidic), with the usual sound changes
// (負値 フチ, 発表 ハッピョウ); empty when a kanji or the file is missing.
QString sinoJapaneseReading(QStringView kanji);

// Where the kanjidic package installs its file.
QString kanjidicPath();
