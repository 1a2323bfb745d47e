#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

#include <optional>

// The school grade a jōyō kanji is taught in: 1-6 for primary school (the grade
// list of 2020), 7 for the rest of the jōyō list; 0 for any other character.
int kanjiGrade(char32_t c);

inline constexpr int kJouyouLevel = 7;

// The kanji a reader at this level knows: every jōyō kanji of grade 1..level.
QSet<char32_t> knownKanjiOfLevel(int level);

// "1".."6" and "jouyou" as the command line writes them; nothing for another word.
std::optional<int> gradeLevelFromName(QStringView name);
