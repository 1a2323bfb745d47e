#include "core/reading/userstage.h"

#include "core/reading/kanjireadings.h"
#include "core/reading/userreadings.h"
#include "core/text/kana.h"

#include <algorithm>

using namespace stagekit;

namespace {

// The context a placed reading is matched against reaches this far after the word.
constexpr qsizetype kAfter = 200;

bool isKanaChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'ぁ' && u <= u'ゖ') || (u >= u'ァ' && u <= u'ヺ') || u == u'ー';
}

// readings best first, each once, at most six.
QStringList ranked(const QStringList &readings)
{
    QStringList out;
    for (const QString &reading : readings)
        if (!reading.isEmpty() && !out.contains(reading))
            out.append(reading);
    return out.mid(0, 6);
}

} // namespace

QString wordWithKanaAround(const QList<ReadingWord> &words, qsizetype from, qsizetype to)
{
    for (const ReadingWord &word : words) {
        const qsizetype end = word.start + word.length;
        if (word.start > from || end < to || word.length == to - from
            || word.surface.size() != word.length)
            continue;
        const QStringView surface(word.surface);
        const auto kana = [](QStringView part) {
            return std::all_of(part.begin(), part.end(), isKanaChar);
        };
        if (kana(surface.first(from - word.start)) && kana(surface.sliced(to - word.start)))
            return word.surface;
    }
    return {};
}

UserStage::UserStage(UserReadings &user, const KanjiReadings &kanji)
    : m_user(user)
    , m_kanji(kanji)
{ }

Result<QString> UserStage::lookup(const QString &text, qsizetype start, qsizetype length,
                                  const QString &word) const
{
    const QStringView all(text);
    return m_user.lookup(text.sliced(start, length), all.left(start),
                         all.sliced(start + length).left(kAfter), word);
}

// The reading of word's characters [from, to), empty when it cannot be told.
QString UserStage::pieceReading(const ReadingWord &word, qsizetype from, qsizetype to) const
{
    return partReading(word.surface, word.reading, from, to, m_kanji).value_or(QString());
}

// The focus read as the user said: the words it cuts keep the rest of theirs.
Result<void> UserStage::readFocus(ReadingSentence &sentence) const
{
    const qsizetype from = sentence.focusStart, to = from + sentence.focusLength;
    if (from < 0 || to <= from || to > sentence.text.size()
        || !containsKanji(QStringView(sentence.text).sliced(from, to - from)))
        return {};
    // A focus inside one longer word is that word's kanji (等 of 等しい).
    const Result<QString> reading
        = lookup(sentence.text, from, to - from, wordWithKanaAround(sentence.words, from, to));
    if (!reading || reading->isEmpty())
        return reading ? Result<void>() : std::unexpected(reading.error());
    QList<ReadingWord> out;
    ReadingWord focus;
    QString engines; // what the chain read there
    for (const ReadingWord &word : std::as_const(sentence.words)) {
        const qsizetype end = word.start + word.length;
        if (end <= from || word.start >= to) {
            out.append(word);
            continue;
        }
        if (word.start == from && end == to)
            focus.candidates = word.candidates;
        engines += pieceReading(word, qMax(from, word.start) - word.start,
                                qMin(to, end) - word.start);
        if (word.start < from) {
            ReadingWord before = merged({word}, 0, 1, pieceReading(word, 0, from - word.start),
                                        word.source);
            before.length = from - word.start;
            before.surface.truncate(before.length);
            out.append(before);
        }
        if (focus.surface.isEmpty()) {
            focus.start = from;
            focus.length = to - from;
            focus.surface = sentence.text.sliced(from, to - from);
            focus.pos = word.pos;
            focus.reading = *reading;
            focus.source = ReadingSource::User;
            focus.candidates = ranked(QStringList {*reading, engines} + focus.candidates);
            out.append(focus);
        } else {
            out.last().candidates = ranked(QStringList {*reading, engines} + focus.candidates);
        }
        if (end > to) {
            ReadingWord after = merged({word}, 0, 1,
                                       pieceReading(word, to - word.start, word.length),
                                       word.source);
            after.start = to;
            after.length = end - to;
            after.surface = word.surface.sliced(to - word.start);
            out.append(after);
        }
    }
    sentence.words = std::move(out);
    return {};
}

// The kanji of a word without the kana around them (送 of 送る, 茶 of お茶).
Result<bool> UserStage::readKanjiOf(const QString &text, ReadingWord &word) const
{
    qsizetype lead = 0, trail = 0;
    while (lead < word.length && isKanaChar(word.surface.at(lead)))
        ++lead;
    while (trail < word.length - lead && isKanaChar(word.surface.at(word.length - 1 - trail)))
        ++trail;
    const qsizetype core = word.length - lead - trail;
    if (core <= 0 || core == word.length || !containsKanji(word.surface))
        return false;
    const Result<QString> reading = lookup(text, word.start + lead, core, word.surface);
    if (!reading)
        return std::unexpected(reading.error());
    if (reading->isEmpty())
        return false;
    const QString before = katakanaForm(word.surface.left(lead)),
                  after = katakanaForm(word.surface.right(trail));
    word.parts.clear();
    for (const auto &[length, part] : {std::pair {lead, before}, std::pair {core, *reading},
                                       std::pair {trail, after}})
        if (length > 0)
            word.parts.append({length, part});
    word.candidates = ranked(QStringList {before + *reading + after} + word.candidates);
    word.reading = before + *reading + after;
    word.source = ReadingSource::User;
    return true;
}

Result<void> UserStage::rewrite(ReadingSentence &sentence) const
{
    // Without corrections the words stay as they are; a whole page skips the lookups.
    if (m_user.isEmpty())
        return {};
    if (const Result<void> focused = readFocus(sentence); !focused)
        return focused;
    const QList<ReadingWord> &words = sentence.words;
    QList<ReadingWord> out;
    for (qsizetype i = 0; i < words.size();) {
        // The longest stretch of up to four words the user has a reading for.
        qsizetype end = qMin(words.size(), i + 4);
        QString reading;
        for (; end > i && reading.isEmpty(); --end) {
            const ReadingWord &last = words.at(end - 1);
            const qsizetype start = words.at(i).start;
            const qsizetype length = last.start + last.length - start;
            bool mine = false; // the focus, already the user's
            for (qsizetype k = i; k < end; ++k)
                mine = mine || words.at(k).source == ReadingSource::User;
            if (mine || !containsKanji(QStringView(sentence.text).sliced(start, length)))
                continue;
            const Result<QString> found = lookup(sentence.text, start, length);
            if (!found)
                return std::unexpected(found.error());
            reading = *found;
        }
        if (reading.isEmpty()) {
            out.append(words.at(i++));
            if (out.last().source == ReadingSource::User)
                continue;
            if (const Result<bool> kanji = readKanjiOf(sentence.text, out.last()); !kanji)
                return std::unexpected(kanji.error());
            continue;
        }
        ++end;
        ReadingWord word = merged(words, i, end, reading, ReadingSource::User);
        QStringList others = end == i + 1 ? words.at(i).candidates : QStringList();
        others.removeAll(reading);
        word.candidates = (QStringList {reading} + others).mid(0, 6);
        out.append(word);
        i = end;
    }
    sentence.words = std::move(out);
    return {};
}
