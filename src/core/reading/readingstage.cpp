#include "core/reading/readingstage.h"

#include "core/reading/kanjireadings.h"

namespace stagekit {

bool allKanji(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4())
        if (!isKanji(c))
            return false;
    return true;
}

bool isKatakanaReading(const QString &reading)
{
    return !reading.isEmpty() && !containsKanji(reading);
}

bool isNoun(const ReadingWord &word)
{
    return word.pos.startsWith(QStringLiteral("名詞"));
}

bool isVerbStem(const ReadingWord &word)
{
    return word.pos.startsWith(QStringLiteral("動詞")) && !word.surface.isEmpty()
        && !QStringLiteral("うくぐすつぬぶむる").contains(word.surface.back());
}

namespace {

// A kanji the analyzer took for a word of its own inside a compound it lacks
// (印|相, 月|名): its word reading there is a guess as often as not.
bool loneKanjiNoun(const ReadingWord &w)
{
    return w.surface.size() == 1 && allKanji(w.surface) && w.source == ReadingSource::Dictionary
        && !w.weighed && w.pos.startsWith(QStringLiteral("名詞"))
        && !w.pos.contains(QStringLiteral("接尾")) && !w.pos.contains(QStringLiteral("数"))
        && !w.pos.contains(QStringLiteral("副詞可能"));
}

} // namespace

bool loneKanjiBeside(const ReadingWord &before, const ReadingWord &word)
{
    return loneKanjiNoun(before)
        || (loneKanjiNoun(word) && !before.pos.contains(QStringLiteral("数")));
}

ReadingWord merged(const QList<ReadingWord> &words, qsizetype first, qsizetype last,
                   const QString &reading, ReadingSource source)
{
    ReadingWord word = words.at(first);
    for (qsizetype i = first + 1; i < last; ++i)
        word.surface += words.at(i).surface;
    word.length = word.surface.size();
    word.reading = reading;
    word.source = source;
    word.candidates.clear();
    word.parts.clear();
    return word;
}

} // namespace stagekit
