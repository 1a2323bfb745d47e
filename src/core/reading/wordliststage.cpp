#include "core/reading/wordliststage.h"

#include "core/reading/wordlist.h"
#include "core/text/kana.h"

#include <ranges>

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

// A word of the analyzer's own, looked up too: its dictionary has a few odd
// readings (行末 ゆくすえ in a text about lines, 鍛冶 タンヤ).
bool worthComparing(const ReadingWord &word)
{
    return word.source == ReadingSource::Dictionary && word.surface.size() >= 2
        && !word.pos.startsWith(QStringLiteral("名詞,数"));
}

bool endsInHiragana(const QString &surface)
{
    return isHiragana(surface.back());
}

// The first stretch of two or more words of a single kanji in words [first,
// last), empty where there is none. A suffix opens no word (報告|者|達 is not
// 者達 ものたち).
std::pair<qsizetype, qsizetype> singleKanji(const QList<ReadingWord> &words, qsizetype first,
                                            qsizetype last)
{
    qsizetype a = first;
    while (a < last && words.at(a).surface.size() != 1)
        ++a;
    qsizetype b = a;
    while (b < last && words.at(b).surface.size() == 1)
        ++b;
    if (b - a < 2 || words.at(a).pos.contains(QStringLiteral("接尾")))
        return {a, a};
    return {a, b};
}

// A counter the number stage read apart from its number (10 分|後): the list's
// 分後 フンゴ knows nothing of the number before it.
bool countedApart(const ReadingWord &word)
{
    return word.source == ReadingSource::Rule && word.pos.contains(QStringLiteral("助数詞"));
}

// A word of kanji and kana that a kanji word follows, as 瞬く|間 or 雪解け|水:
// the list holds such compounds with their kana, the analyzer often reads the
// second half as a suffix.
bool opensCompound(const QList<ReadingWord> &words, qsizetype i)
{
    const QString &s = words.at(i).surface;
    return i + 1 < words.size() && s.size() >= 2 && allKanji(s.left(1)) && endsInHiragana(s)
        && allKanji(words.at(i + 1).surface) && adjacent(words.at(i), words.at(i + 1));
}

// Characters two readings share at their start and at their end.
qsizetype sharedEnds(const QString &a, const QString &b)
{
    qsizetype head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a.at(head) == b.at(head))
        ++head;
    while (tail < a.size() - head && tail < b.size() - head
           && a.at(a.size() - 1 - tail) == b.at(b.size() - 1 - tail))
        ++tail;
    return head + tail;
}

// Of readings the pieces do not make, the one closest to theirs; none where
// no reading is nearer than the others.
QString closest(const QStringList &listed, const QString &pieces)
{
    QString best;
    qsizetype bestShared = 0;
    int atBest = 0;
    for (const QString &reading : listed) {
        const qsizetype shared = sharedEnds(reading, pieces);
        if (shared > bestShared) {
            best = reading;
            bestShared = shared;
            atBest = 1;
        } else if (shared == bestShared) {
            ++atBest;
        }
    }
    return atBest == 1 ? best : QString();
}

// The reading the list gives words whose readings put together make the
// pieces; none where the analyzer's words stay. One reading: the list's word.
// Several, the pieces' among them: the analyzer's words, one of several
// readings. Several the pieces do not match: the pieces make no word, so the
// closest of the list's. A word with kana stays the analyzer's words where the
// list agrees with them (空き|容量) or reads it several ways: the analyzer
// voices the second half (送り仮名 がな) better than a guess between them.
QString listReading(const QStringList &listed, const QString &pieces, bool withKana)
{
    if (listed.size() == 1)
        return withKana && listed.first() == pieces ? QString() : listed.first();
    return withKana || listed.contains(pieces) ? QString() : closest(listed, pieces);
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
        if (opensCompound(words, i)) {
            surface = words.at(i).surface;
            pieces = words.at(i).reading;
            ++j;
        }
        while (j < words.size() && allKanji(words.at(j).surface) && !countedApart(words.at(j))
               && (j == i || adjacent(words.at(j - 1), words.at(j)))) {
            surface += words.at(j).surface;
            pieces += words.at(j).reading;
            ++j;
        }
        if (j == i) {
            out.append(std::move(words[i++])); // not looked at again
            continue;
        }
        const bool alone = !doubtful(words, i, j);
        const QStringList listed = !alone || worthComparing(words.at(i))
            ? m_list->readings(surface)
            : QStringList();
        if (alone) {
            // The analyzer's reading of a word it knows holds; the list reading
            // the word otherwise makes it worth a look, the list's offered.
            ReadingWord word = std::move(words[i++]);
            if (!listed.isEmpty() && !listed.contains(word.reading)) {
                word.weighed = ReadingConfidence::Unsure;
                for (const QString &other : listed | std::views::reverse)
                    if (!word.candidates.contains(other))
                        word.candidates.prepend(other);
            }
            out.append(std::move(word));
            continue;
        }
        if (listed.isEmpty() && opensCompound(words, i)) {
            out.append(std::move(words[i++])); // the kanji after it are looked up alone
            continue;
        }
        // The list's word, of words first to last the list reads as one.
        const auto listWord = [&](qsizetype first, qsizetype last, const QString &reading,
                                  const QString &made, const QStringList &all) {
            ReadingWord word = merged(words, first, last, reading, ReadingSource::Dictionary);
            word.known = true;
            // The list against words the analyzer knows, read otherwise: worth a look.
            word.weighed = reading == made || (all.size() == 1 && guessed(words, first, last))
                ? ReadingConfidence::Sure
                : ReadingConfidence::Unsure;
            return word;
        };
        // A run the list lacks as a whole: the kanji the analyzer left single in
        // it (定期|健|診) may be a word of the list's.
        if (const auto [a, b] = singleKanji(words, i, j); listed.isEmpty() && j - i > 2 && b > a) {
            QString single, singlePieces;
            for (qsizetype k = a; k < b; ++k) {
                single += words.at(k).surface;
                singlePieces += words.at(k).reading;
            }
            const QStringList inner = m_list->readings(single);
            if (const QString reading = listReading(inner, singlePieces, false); !reading.isEmpty()) {
                for (; i < a; ++i)
                    out.append(std::move(words[i]));
                out.append(listWord(a, b, reading, singlePieces, inner));
                for (i = b; i < j; ++i)
                    out.append(std::move(words[i]));
                continue;
            }
        }
        const QString reading = listReading(listed, pieces, !allKanji(words.at(i).surface));
        if (!reading.isEmpty()) {
            out.append(listWord(i, j, reading, pieces, listed));
        } else {
            const bool open = listed.size() > 1 && listed.contains(pieces);
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
