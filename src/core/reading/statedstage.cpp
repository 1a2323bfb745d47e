#include "core/reading/statedstage.h"

#include "core/reading/kanjireadings.h"
#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

namespace {

bool kanjiAt(QStringView text, qsizetype i)
{
    return i >= 0 && i < text.size() && (isKanji(text.at(i).unicode()) || text.at(i) == u'々');
}

bool allHiragana(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return isHiragana(c) || c == u'ー';
    });
}

bool allKatakana(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'ァ' && c <= u'ヺ') || c == u'ー';
    });
}

// A kanji says one to five kana; anything else in brackets is no reading of it.
bool fitsLength(QStringView word, QStringView reading)
{
    return reading.size() >= word.size() && reading.size() <= 5 * word.size();
}

// Whether reading may be the word's: it divides among the kanji, or (a word read
// as a whole, 今日 きょう) it begins as a reading of the first kanji does. A remark
// in brackets (未指定（たとえば）) does neither.
bool mayRead(QStringView word, const QString &reading, const KanjiReadings &kanji)
{
    if (!divideReading(word.toString(), reading, kanji, NameReadings::Never).isEmpty())
        return true;
    const QStringList first = kanji.readings(word.front().unicode(), true);
    return std::any_of(first.cbegin(), first.cend(), [&](const QString &r) {
        return !r.isEmpty() && katakanaForm(r).front() == reading.front();
    });
}

// 蛙（かわず）, 蛙(かわず): hiragana in brackets right after a run of kanji. Katakana
// there is more often a gloss (携帯電話（ケータイ）) than a reading.
void bracketed(QStringView text, QHash<QString, QString> &stated, const KanjiReadings &kanji)
{
    for (qsizetype open = 1; open < text.size(); ++open) {
        const QChar c = text.at(open);
        if ((c != u'（' && c != u'(') || !kanjiAt(text, open - 1))
            continue;
        const qsizetype close = text.indexOf(c == u'（' ? u'）' : u')', open + 1);
        if (close < 0)
            continue;
        qsizetype start = open;
        while (kanjiAt(text, start - 1))
            --start;
        const QStringView word = text.sliced(start, open - start),
                         reading = text.sliced(open + 1, close - open - 1);
        if (!allHiragana(reading) || !fitsLength(word, reading))
            continue;
        const QString said = katakanaForm(reading.toString());
        if (mayRead(word, said, kanji))
            stated.insert(word.toString(), said);
    }
}

// と読む。, と読み、: the writer says it is read so; not と読み間違える, と読むのは誤り,
// と読むか, と読むと (a misreading, a choice, a supposition).
bool saysSo(QStringView after)
{
    static const QStringList says {
        QStringLiteral("と読む。"), QStringLiteral("と読む、"), QStringLiteral("と読み、"),
        QStringLiteral("と読むので"), QStringLiteral("と読むのが"), QStringLiteral("と読むのも"),
        QStringLiteral("と読むが"), QStringLiteral("と読みます"), QStringLiteral("と読む言葉"),
        QStringLiteral("と読む語"), QStringLiteral("と読ませ"), QStringLiteral("と読んで")};
    return std::any_of(says.cbegin(), says.cend(),
                       [&](const QString &say) { return after.startsWith(say); });
}

// 「大家」は「たいか」と読む, 「行う」を「おこなう」と読み: the kana both end in are okurigana.
void quoted(QStringView text, QHash<QString, QString> &stated)
{
    static const QStringList joins {QStringLiteral("」は「"), QStringLiteral("」を「"),
                                    QStringLiteral("」も「"), QStringLiteral("」は、「"),
                                    QStringLiteral("」を、「")};
    for (const QString &join : joins) {
        for (qsizetype at = text.indexOf(join); at >= 0; at = text.indexOf(join, at + 1)) {
            const qsizetype open = text.lastIndexOf(u'「', at);
            const qsizetype close = text.indexOf(u'」', at + join.size());
            if (open < 0 || close < 0 || !saysSo(text.sliced(close + 1)))
                continue;
            QStringView word = text.sliced(open + 1, at - open - 1);
            const QString reading
                = katakanaForm(text.sliced(at + join.size(), close - at - join.size()).toString());
            QStringView said(reading);
            if (!allKatakana(said))
                continue;
            while (!word.isEmpty() && !said.isEmpty() && !kanjiAt(word, word.size() - 1)
                   && katakanaForm(word.last(1).toString()) == said.last(1)) {
                word.chop(1);
                said.chop(1);
            }
            if (allKanji(word) && fitsLength(word, said))
                stated.insert(word.toString(), said.toString());
        }
    }
}

} // namespace

StatedStage::StatedStage(const KanjiReadings &kanji)
    : m_kanji(kanji)
{ }

QHash<QString, QString> StatedStage::statedIn(QStringView text) const
{
    QHash<QString, QString> stated;
    if (!text.contains(u'（') && !text.contains(u'(') && !text.contains(u'「'))
        return stated;
    bracketed(text, stated, m_kanji);
    quoted(text, stated);
    return stated;
}

Result<void> StatedStage::rewrite(ReadingSentence &sentence) const
{
    const QHash<QString, QString> stated = statedIn(sentence.text);
    if (stated.isEmpty())
        return {};
    const QStringView text(sentence.text);
    QList<ReadingWord> &words = sentence.words;
    for (auto it = stated.cbegin(); it != stated.cend(); ++it) {
        const QString &word = it.key();
        for (qsizetype from = text.indexOf(word); from >= 0; from = text.indexOf(word, from + 1)) {
            const qsizetype to = from + word.size();
            // Only where the word is a run of its own: 業 of 自業自得 stays the compound's.
            if (kanjiAt(text, from - 1) || kanjiAt(text, to))
                continue;
            qsizetype first = 0;
            while (first < words.size() && words.at(first).start + words.at(first).length <= from)
                ++first;
            qsizetype last = first;
            while (last < words.size() && words.at(last).start < to)
                ++last;
            if (first == last || words.at(first).start > from
                || words.at(last - 1).start + words.at(last - 1).length < to)
                continue;
            ReadingWord &head = words[first];
            const ReadingWord &tail = words.at(last - 1);
            // Kana the words carry around the run (行う of 行) are read as written.
            const QString lead = katakanaForm(text.sliced(head.start, from - head.start).toString());
            const QString trail
                = katakanaForm(text.sliced(to, tail.start + tail.length - to).toString());
            ReadingWord read = merged(words, first, last, lead + it.value() + trail,
                                      ReadingSource::Rule);
            read.candidates.removeAll(read.reading);
            read.candidates.prepend(read.reading);
            read.weighed = ReadingConfidence::Sure;
            words.replace(first, read);
            words.remove(first + 1, last - first - 1);
        }
    }
    return {};
}
