#include "core/reading/joiningstage.h"

#include "core/reading/kanjireadings.h"
#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

namespace {

// 々 after a native word voices it (人々 ヒトビト); Sino-Japanese ones stay (徐々 ジョジョ).
QString repeated(const QString &reading)
{
    static const QString voiceless = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホ");
    if (reading.size() < 2 || !voiceless.contains(reading.front())
        || reading.contains(QChar(u'ャ')) || reading.contains(QChar(u'ュ'))
        || reading.contains(QChar(u'ョ')) || reading.endsWith(QChar(u'ウ'))
        || reading.endsWith(QChar(u'ン')) || reading.endsWith(QChar(u'イ')))
        return reading;
    QString voiced = reading;
    voiced[0] = QChar(char16_t(reading.front().unicode() + 1));
    return voiced;
}

// What the parts said of their readings holds for the compound.
std::optional<ReadingConfidence> joinedConfidence(const ReadingWord &before,
                                                  const ReadingWord &word)
{
    std::optional<ReadingConfidence> weighed = before.weighed;
    if (word.weighed)
        weighed = weighed ? std::max(*weighed, *word.weighed) : word.weighed;
    if (loneKanjiBeside(before, word))
        weighed = std::max(weighed.value_or(ReadingConfidence::Sure), ReadingConfidence::Unsure);
    return weighed;
}

bool katakanaWord(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'ァ' && c <= u'ヺ') || c == u'ー';
    });
}

} // namespace

JoiningStage::JoiningStage(const ReadingTables &tables, const KanjiReadings &kanji)
    : m_tables(tables)
    , m_kanji(kanji)
{ }

Result<void> JoiningStage::rewrite(ReadingSentence &sentence) const
{
    // Each pass builds a new list, moving the words it keeps: a long text has
    // tens of thousands of words.
    sentence.words = joinNouns(
        joinSingles(joinRepeats(joinFixed(std::move(sentence.words), sentence.text))),
        sentence.text);
    return {};
}

// A word of the fixed table the analyzer cut into words of its own (大谷|翔|平,
// 承|久) is one word again, read as the table says, before nouns are joined.
QList<ReadingWord> JoiningStage::joinFixed(QList<ReadingWord> words, const QString &text) const
{
    QList<ReadingWord> out;
    out.reserve(words.size());
    for (qsizetype i = 0; i < words.size();) {
        // Up to four words from here on (梅|ヶ|枝|餅): the text they span, gaps
        // and all, must be the table's word.
        qsizetype end = qMin(i + 4, words.size());
        const ReadingTables::Fixed *found = nullptr;
        if (m_tables.fixedStarts.mayBegin(QStringView(text).sliced(words.at(i).start))) {
            for (; end >= i + 2; --end) {
                const qsizetype start = words.at(i).start;
                const qsizetype stop = words.at(end - 1).start + words.at(end - 1).length;
                const auto [first, last] = m_tables.fixed.equal_range(text.sliced(start, stop - start));
                const auto fits = std::find_if(first, last, [&](const ReadingTables::Fixed &f) {
                    return f.fits(QStringView(text).left(start), QStringView(text).sliced(stop));
                });
                if (fits != last) {
                    found = &*fits;
                    break;
                }
            }
        }
        if (!found) {
            out.append(std::move(words[i++]));
            continue;
        }
        out.append(merged(words, i, end, found->reading, ReadingSource::Rule));
        out.last().weighed = ReadingConfidence::Sure;
        i = end;
    }
    return out;
}

// 々 (and a word the analyzer starts with it) goes into the word before it.
QList<ReadingWord> JoiningStage::joinRepeats(QList<ReadingWord> words) const
{
    QList<ReadingWord> out;
    out.reserve(words.size());
    for (ReadingWord &word : words) {
        if (out.isEmpty() || !word.surface.startsWith(u'々') || !allKanji(out.last().surface)
            || out.last().start + out.last().length != word.start) {
            out.append(std::move(word));
            continue;
        }
        ReadingWord &before = out.last();
        const QString mark = before.surface.size() == 1
            ? before.reading
            : composedReading(before.surface.right(1), m_kanji);
        const QString rest = word.surface.size() > 1
            ? composedReading(QStringView(word.surface).sliced(1), m_kanji)
            : QString();
        // A kanji the analyzer read as a word of another kind (去 of 去々年): on readings.
        const QString reading = isNoun(before) || before.surface.size() > 1
            ? before.reading + repeated(mark) + rest
            : composedReading(before.surface + word.surface, m_kanji);
        before = merged({before, word}, 0, 2, reading, ReadingSource::Rule);
    }
    return out;
}

// A single kanji the analyzer cut out of a compound it lacks.
bool JoiningStage::singleKanji(const ReadingWord &w, bool first) const
{
    // A suffix starts such a compound (調弦) but does not end one (円安 エンヤス).
    if (w.pos == QStringLiteral("名詞,接尾,一般") && !first)
        return false;
    return w.surface.size() == 1 && allKanji(w.surface) && w.source == ReadingSource::Dictionary
        && (w.pos.startsWith(QStringLiteral("名詞,一般"))
            || w.pos.startsWith(QStringLiteral("名詞,サ変接続"))
            || w.pos == QStringLiteral("名詞,接尾,一般")
            || w.pos.startsWith(QStringLiteral("接頭詞,名詞接続")))
        && !m_kanji.onReading(w.surface.front().unicode()).isEmpty();
}

// Single kanji of a compound the analyzer lacks (運指, 符頭): their on readings
// together are right far more often than each read as a word.
QList<ReadingWord> JoiningStage::joinSingles(QList<ReadingWord> words) const
{
    QList<ReadingWord> out;
    out.reserve(words.size());
    for (qsizetype i = 0; i < words.size();) {
        qsizetype end = i;
        while (end < words.size() && singleKanji(words.at(end), end == i)
               && (end == i || words.at(end - 1).start + 1 == words.at(end).start))
            ++end;
        QString written, plain;
        for (qsizetype k = i; k < end; ++k) {
            written += words.at(k).surface;
            plain += words.at(k).reading;
        }
        const QString sino
            = end - i >= 2 ? composedReading(written, m_kanji, m_tables.joints) : QString();
        if (sino.isEmpty()) {
            out.append(std::move(words[i++])); // not looked at again
            continue;
        }
        out.append(merged(words, i, end, sino, ReadingSource::Rule));
        out.last().candidates = {plain};
        // Composed, not known: worth a proofreader's look.
        out.last().weighed = ReadingConfidence::Unsure;
        i = end;
    }
    return out;
}

// The word as the second part of a compound, voiced as the joints table says.
// A counter is not (十数羽 じゅうすうわ, 何箱).
void JoiningStage::voiceAtJoint(ReadingWord &word) const
{
    if (!m_tables.jointStarts.mayBegin(word.surface) || word.source == ReadingSource::User
        || word.pos.contains(QStringLiteral("助数詞")))
        return;
    if (const QString voiced = m_tables.joints.value(word.surface); !voiced.isEmpty()) {
        word.candidates.prepend(word.reading);
        word.reading = voiced;
        word.source = ReadingSource::Rule;
    }
}

// A row of the fixed table reads this word in its place.
bool JoiningStage::fixedHere(const ReadingWord &word, const QString &text) const
{
    const auto [first, last] = m_tables.fixed.equal_range(word.surface);
    return std::any_of(first, last, [&](const ReadingTables::Fixed &f) {
        return f.fits(QStringView(text).left(word.start),
                      QStringView(text).sliced(word.start + word.length));
    });
}

// Nouns next to each other stay one word; the second may voice at the joint.
QList<ReadingWord> JoiningStage::joinNouns(QList<ReadingWord> words, const QString &text) const
{
    QList<ReadingWord> out;
    out.reserve(words.size());
    for (qsizetype i = 0; i < words.size(); ++i) {
        ReadingWord &word = words[i];
        if (out.isEmpty() || out.last().start + out.last().length != word.start
            || !containsKanji(out.last().surface)) {
            // A katakana noun voices the word after it (ニュートン算) but stays apart.
            // Paper named for a process or a maker keeps シ (リトマス紙, ケント紙).
            // A unit after a number (十グラム口に) measures; it makes no compound.
            const bool unitAfterNumber = out.size() >= 2
                && out.at(out.size() - 2).pos.startsWith(QStringLiteral("名詞,数"));
            if (!out.isEmpty() && out.last().start + out.last().length == word.start
                && isNoun(out.last()) && katakanaWord(out.last().surface) && word.surface != u"紙"
                && !unitAfterNumber)
                voiceAtJoint(word);
            out.append(std::move(word));
            continue;
        }
        ReadingWord &before = out.last();
        // 折り紙 voices, 書く紙 does not: a verb's plain form ends a clause.
        // An adverbial noun (毎日, 今朝) modifies the clause, not the noun after it:
        // 毎日川で泳ぐ is まいにち かわ.
        // A verb voices as a noun (室内飼いの) but not as a verb (五冊買いました).
        const bool verbGoesOn = word.pos.startsWith(QStringLiteral("動詞")) && i + 1 < words.size()
            && (words.at(i + 1).pos.startsWith(QStringLiteral("助動詞"))
                || words.at(i + 1).pos.startsWith(QStringLiteral("動詞"))
                || QStringList {QStringLiteral("て"), QStringLiteral("ながら"),
                                QStringLiteral("つつ")}
                       .contains(words.at(i + 1).surface));
        const bool joint = ((before.pos.startsWith(QStringLiteral("名詞"))
                             && !before.pos.startsWith(QStringLiteral("名詞,副詞可能")))
                            || isVerbStem(before))
            && !verbGoesOn;
        if (joint)
            voiceAtJoint(word);
        const bool joinable = allKanji(word.surface) && allKanji(before.surface.right(1))
            // A word nobody could read stays apart, so its neighbours' reading
            // is not shown over it too (﨑津集落 しゅうらく).
            && !word.reading.isEmpty() && !before.reading.isEmpty()
            && isNoun(word) && !word.pos.startsWith(QStringLiteral("名詞,数"))
            && (isNoun(before) || before.pos.startsWith(QStringLiteral("接頭詞")))
            && !word.surface.startsWith(u'々')
            // Kept apart: readings a later stage mends word by word.
            && !fixedHere(word, text) && !fixedHere(before, text);
        if (!joinable) {
            out.append(std::move(word));
            continue;
        }
        // An old clan's name says の before the given name (源頼朝 ミナモトノヨリトモ).
        // A clan that is a family name today too (藤原) says it only before the
        // given names of its own history (藤原道長, not 藤原紀香).
        if (const auto clan = m_tables.clans.constFind(before.surface);
            clan != m_tables.clans.cend() && before.parts.isEmpty()
            && before.source == ReadingSource::Dictionary
            && before.pos.endsWith(QStringLiteral("人名,姓"))
            && word.pos.endsWith(QStringLiteral("人名,名"))
            && (clan->givenNames.isEmpty()
                || std::any_of(clan->givenNames.cbegin(), clan->givenNames.cend(),
                               [&](const QString &name) {
                                   return QStringView(text).sliced(word.start).startsWith(name);
                               }))) {
            before.reading = clan->reading;
            before.source = ReadingSource::Rule;
        }
        const ReadingSource source = before.source == ReadingSource::Dictionary ? word.source
                                                                                : before.source;
        ReadingWord joined = merged({before, word}, 0, 2, before.reading + word.reading, source);
        for (const ReadingWord &part : {before, word})
            joined.parts += part.parts.isEmpty()
                ? QList<std::pair<qsizetype, QString>> {{part.length, part.reading}}
                : part.parts;
        joined.pos = word.pos;
        joined.known = before.known && word.known;
        joined.weighed = joinedConfidence(before, word);
        before = std::move(joined);
    }
    return out;
}
