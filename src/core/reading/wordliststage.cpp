#include "core/reading/wordliststage.h"

#include "core/reading/wordlist.h"

using namespace stagekit;

namespace {

bool adjacent(const ReadingWord &a, const ReadingWord &b)
{
    return a.start + a.length == b.start;
}

bool guessed(const QList<ReadingWord> &words, qsizetype first, qsizetype last)
{
    for (qsizetype i = first; i < last; ++i) {
        const ReadingWord &w = words.at(i);
        if (!w.known || w.source == ReadingSource::Guess)
            return true;
    }
    return false;
}

// Worth a look: a word the analyzer lacks, or a run it cut into pieces.
bool doubtful(const QList<ReadingWord> &words, qsizetype first, qsizetype last)
{
    return last - first >= 2 || guessed(words, first, last);
}

} // namespace

WordListStage::WordListStage(const RareWordList *list)
    : m_list(list)
{ }

Result<void> WordListStage::rewrite(ReadingSentence &sentence) const
{
    if (!m_list)
        return {};
    QList<ReadingWord> words = std::move(sentence.words);
    QList<ReadingWord> out;
    out.reserve(words.size());
    for (qsizetype i = 0; i < words.size();) {
        qsizetype j = i;
        QString surface, pieces;
        while (j < words.size() && allKanji(words.at(j).surface)
               && (j == i || adjacent(words.at(j - 1), words.at(j)))) {
            surface += words.at(j).surface;
            pieces += words.at(j).reading;
            ++j;
        }
        if (j == i) {
            out.append(std::move(words[i++])); // not looked at again
            continue;
        }
        const QStringList listed = doubtful(words, i, j) ? m_list->readings(surface) : QStringList();
        // One reading: the list's word. Several, the pieces' among them: the
        // analyzer's words stay, one of several readings. Several the pieces do
        // not match: left to the analyzer.
        if (listed.size() == 1) {
            ReadingWord word = merged(words, i, j, listed.first(), ReadingSource::Dictionary);
            word.known = true;
            // The list against words the analyzer knows, read otherwise: worth a look.
            word.weighed = listed.first() == pieces || guessed(words, i, j)
                ? ReadingConfidence::Sure
                : ReadingConfidence::Unsure;
            out.append(std::move(word));
        } else {
            const bool open = listed.contains(pieces);
            for (qsizetype k = i; k < j; ++k) {
                out.append(words.at(k));
                if (open && !out.last().weighed)
                    out.last().weighed = ReadingConfidence::Unsure;
            }
        }
        i = j;
    }
    sentence.words = std::move(out);
    return {};
}
