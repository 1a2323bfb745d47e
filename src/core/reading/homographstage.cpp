#include "core/reading/homographstage.h"

#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

namespace {

bool allOf(QStringView text, bool (*test)(char16_t))
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!test(c.unicode()))
            return false;
    return true;
}

bool katakanaChar(char16_t c)
{
    return (c >= u'ァ' && c <= u'ヺ') || c == u'ー' || c == u'・';
}

bool latinChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
        || (c >= u'ａ' && c <= u'ｚ') || (c >= u'Ａ' && c <= u'Ｚ') || (c >= u'０' && c <= u'９')
        || c == u'_' || c == u'-' || c == u'.';
}

// A noun made of a verb's stem: kanji and the stem's kana (使い, 生まれ, 寄り).
bool deverbalNoun(const ReadingWord &word)
{
    static const QString stemEnds = QStringLiteral("いきぎしじちにひびみりえけげせぜてでねへべめれ");
    const QString &s = word.surface;
    if (!isNoun(word) || s.size() < 2 || !allKanji(s.left(1)) || !stemEnds.contains(s.back()))
        return false;
    qsizetype kana = s.size() - 1;
    while (kana > 0 && !allKanji(s.sliced(kana - 1, 1)))
        --kana;
    return std::all_of(s.cbegin() + kana, s.cend(), isHiragana);
}

bool isSpaceChar(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

bool asciiPunctuation(char16_t c)
{
    return c < 0x80 && QChar::isPunct(c);
}

bool endsSentence(QChar c)
{
    return QStringLiteral("。！？!?\n").contains(c);
}

// Where the sentence a place of the text stands in ends.
qsizetype sentenceEnd(QStringView text, qsizetype at)
{
    while (at < text.size() && !endsSentence(text.at(at)))
        ++at;
    return at;
}

// The sentence a place of the text stands in.
QStringView sentenceAt(QStringView text, qsizetype at)
{
    qsizetype start = at;
    while (start > 0 && !endsSentence(text.at(start - 1)))
        --start;
    return text.sliced(start, sentenceEnd(text, at) - start);
}

// From a place to its sentence's end the text asks or advises the reader
// (…の方は、…ください).
bool asksLater(QStringView text, qsizetype at)
{
    const QStringView rest = text.sliced(at, sentenceEnd(text, at) - at);
    static const QStringList asks {QStringLiteral("ください"), QStringLiteral("下さい"),
                                   QStringLiteral("ましょう"), QStringLiteral("願います"),
                                   QStringLiteral("願いします"), QStringLiteral("願いいたします"),
                                   QStringLiteral("ご遠慮"), QStringLiteral("お控え")};
    return std::any_of(asks.cbegin(), asks.cend(),
                       [rest](const QString &ask) { return rest.contains(ask); });
}

// Nothing of a sentence stands there: its edge or a symbol. The analyzer calls
// ASCII brackets nouns, so punctuation counts as a symbol whatever its tag.
bool isEdge(const ReadingWord *word)
{
    return !word || word->pos.isEmpty() || word->pos.startsWith(QStringLiteral("記号"))
        || allOf(word->surface, asciiPunctuation);
}

// The words of a sentence by where they start and end.
struct Neighbours
{
    const ReadingSentence &sentence;
    QHash<qsizetype, qsizetype> byStart, byEnd;

    explicit Neighbours(const ReadingSentence &s)
        : sentence(s)
    {
        for (qsizetype i = 0; i < s.words.size(); ++i) {
            byStart.insert(s.words.at(i).start, i);
            byEnd.insert(s.words.at(i).start + s.words.at(i).length, i);
        }
    }
    const ReadingWord *at(const QHash<qsizetype, qsizetype> &index, qsizetype position) const
    {
        const auto found = index.constFind(position);
        return found == index.cend() ? nullptr : &sentence.words.at(*found);
    }

    // One item of a context from position on (forward) or back from it.
    bool item(QStringView it, qsizetype &position, bool forward) const
    {
        const QString &text = sentence.text;
        if (it.startsWith(u'~')) // a word of the topic, anywhere in the sentence
            return sentenceAt(text, position).contains(it.sliced(1));
        if (!it.startsWith(u'@')) {
            const QStringView side = forward ? QStringView(text).sliced(position)
                                             : QStringView(text).left(position);
            if (!(forward ? side.startsWith(it) : side.endsWith(it)))
                return false;
            position += forward ? it.size() : -it.size();
            return true;
        }
        // A word's class, and the edge, are looked for past the spaces documents
        // put around Latin words (空の XML 要素, Debian 上の).
        while (forward ? position < text.size() && isSpaceChar(text.at(position))
                       : position > 0 && isSpaceChar(text.at(position - 1)))
            position += forward ? 1 : -1;
        if (it == u"@start" || it == u"@end")
            return isEdge(at(forward ? byStart : byEnd, position));
        if (it == u"@request")
            return forward && asksLater(text, position);
        const ReadingWord *word = at(forward ? byStart : byEnd, position);
        if (!word || !HomographStage::hasClass(*word, it.sliced(1)))
            return false;
        position = forward ? word->start + word->length : word->start;
        return true;
    }

    // A context: alternatives split by |, each items joined by +, written in
    // text order; an empty context is any.
    bool fits(const QStringList &context, qsizetype position, bool forward) const
    {
        if (context.isEmpty())
            return true;
        for (const QString &alternative : context) {
            QStringList items = alternative.split(u'+');
            if (!forward)
                std::reverse(items.begin(), items.end());
            qsizetype at = position;
            bool all = true;
            for (const QString &it : std::as_const(items))
                all = all && item(it, at, forward);
            if (all)
                return true;
        }
        return false;
    }
};

} // namespace

HomographStage::HomographStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

bool HomographStage::hasClass(const ReadingWord &word, QStringView name)
{
    const QString &pos = word.pos;
    if (name == u"num")
        return pos.startsWith(QStringLiteral("名詞,数"));
    if (name == u"kata")
        return allOf(word.surface, katakanaChar);
    if (name == u"latin")
        return allOf(word.surface, latinChar);
    if (name == u"hira") // a noun written in hiragana (しめ縄, こおろぎ)
        return isNoun(word) && !word.surface.isEmpty() && isHiragana(word.surface.front());
    if (name == u"noun")
        return isNoun(word) && !pos.startsWith(QStringLiteral("名詞,数"));
    if (name == u"kanji")
        return isNoun(word) && allKanji(word.surface) && !pos.startsWith(QStringLiteral("名詞,数"))
            && !pos.startsWith(QStringLiteral("名詞,代名詞"));
    if (name == u"name")
        return pos.contains(QStringLiteral("固有名詞")) || pos.contains(QStringLiteral("人名"));
    if (name == u"stem")
        return isVerbStem(word);
    if (name == u"deverbal")
        return deverbalNoun(word);
    if (name == u"sahen")
        return pos.startsWith(QStringLiteral("名詞,サ変接続"));
    static const QHash<QString, QString> kinds {
        {QStringLiteral("verb"), QStringLiteral("動詞")},
        {QStringLiteral("adj"), QStringLiteral("形容詞")},
        {QStringLiteral("aux"), QStringLiteral("助動詞")},
        {QStringLiteral("particle"), QStringLiteral("助詞")},
        {QStringLiteral("adnominal"), QStringLiteral("連体詞")},
        {QStringLiteral("adverb"), QStringLiteral("副詞")},
        {QStringLiteral("prefix"), QStringLiteral("接頭詞")},
        {QStringLiteral("sym"), QStringLiteral("記号")}};
    const QString kind = kinds.value(name.toString());
    return !kind.isEmpty() && pos.startsWith(kind);
}

Result<void> HomographStage::rewrite(ReadingSentence &sentence) const
{
    const Neighbours around(sentence);
    for (ReadingWord &word : sentence.words) {
        // A guess gives way to a row as the analyzer's reading does (読|込む), and so
        // does a counted number (九段 of a player is くだん).
        const bool counted = word.source == ReadingSource::Rule
            && word.pos.startsWith(QStringLiteral("名詞,数"));
        if ((word.source != ReadingSource::Dictionary && word.source != ReadingSource::Guess
             && !counted)
            || !m_tables.homographStarts.mayBegin(word.surface))
            continue;
        const auto rows = m_tables.homographs.constFind(word.surface);
        if (rows == m_tables.homographs.cend())
            continue;
        const ReadingTables::Homograph *decided = nullptr;
        for (const ReadingTables::Homograph &row : *rows) {
            if (around.fits(row.before, word.start, false)
                && around.fits(row.after, word.start + word.length, true)) {
                decided = &row;
                break;
            }
        }
        if (decided && decided->reading.isEmpty()) {
            word.weighed = ReadingConfidence::Unsure;
            continue;
        }
        if (decided) {
            if (decided->reading != word.reading) {
                word.candidates.prepend(word.reading);
                word.reading = decided->reading;
                word.source = ReadingSource::Rule;
            }
            word.weighed = decided->leaning ? ReadingConfidence::Unsure : ReadingConfidence::Sure;
            continue;
        }
        // No rule decided: the word is open where another analysis reads it otherwise.
        for (const QList<ReadingWord> &analysis : std::as_const(sentence.alternatives))
            for (const ReadingWord &other : analysis)
                if (other.start == word.start && other.length == word.length
                    && other.reading != word.reading)
                    word.weighed = ReadingConfidence::Unsure;
    }
    return {};
}
