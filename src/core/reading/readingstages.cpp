#include "core/reading/readingstages.h"

#include "core/reading/kanjireadings.h"
#include "core/reading/readingrules.h"
#include "core/reading/userreadings.h"
#include "core/ruby/rubytext.h"

#include <QDir>
#include <QFile>

#include <optional>

namespace {

// ---- tables ----

QList<QStringList> tableRows(const QString &path, qsizetype columns)
{
    QList<QStringList> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList fields = line.split(u'\t');
        while (fields.size() < columns)
            fields.append(QString());
        rows.append(fields);
    }
    return rows;
}

// ---- numbers ----

int digitOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'０' && u <= u'９')
        return u - u'０';
    static const QString kanji = QStringLiteral("〇一二三四五六七八九");
    const qsizetype at = kanji.indexOf(c);
    return at >= 0 ? int(at) : -1;
}

qint64 smallUnit(QChar c)
{
    return c == u'十' ? 10 : c == u'百' ? 100 : c == u'千' ? 1000 : 0;
}

qint64 bigUnit(QChar c)
{
    return c == u'万' ? 10000 : c == u'億' ? 100000000 : c == u'兆' ? 1000000000000 : 0;
}

} // namespace

bool isNumeralChar(QChar c)
{
    return digitOf(c) >= 0 || smallUnit(c) || bigUnit(c);
}

namespace {

std::optional<qint64> numberValue(QStringView text)
{
    if (text.isEmpty() || text.size() > 20)
        return {};
    bool units = false;
    for (QChar c : text) {
        if (!isNumeralChar(c))
            return {};
        units = units || smallUnit(c) || bigUnit(c);
    }
    qint64 value = 0;
    if (!units) {
        // Digit by digit (二〇二六, １５０); a leading zero is a code, not a number.
        if (text.size() > 13 || (text.size() > 1 && digitOf(text.front()) == 0))
            return {};
        for (QChar c : text)
            value = value * 10 + digitOf(c);
        return value > 0 ? std::optional<qint64>(value) : std::nullopt;
    }
    qint64 section = 0;
    qint64 current = -1;
    for (QChar c : text) {
        if (const int digit = digitOf(c); digit >= 0) {
            current = current < 0 ? digit : current * 10 + digit;
            if (current > 9999)
                return {};
        } else if (const qint64 unit = smallUnit(c)) {
            if (current == 0)
                return {};
            section += (current < 0 ? 1 : current) * unit;
            current = -1;
        } else {
            section += qMax<qint64>(current, 0);
            if (section == 0 || section > 9999)
                return {};
            value += section * bigUnit(c);
            section = 0;
            current = -1;
        }
    }
    value += section + qMax<qint64>(current, 0);
    return value > 0 ? std::optional<qint64>(value) : std::nullopt;
}

enum class Kind { Ones, Ten, Hundred, Thousand, Man, Oku, Cho };

struct Piece
{
    QString reading; // hiragana
    Kind kind;
    int digit = 0;
};

const QString &digitWord(int d)
{
    static const QString words[] = {QString(),           QStringLiteral("いち"),
                                    QStringLiteral("に"),   QStringLiteral("さん"),
                                    QStringLiteral("よん"), QStringLiteral("ご"),
                                    QStringLiteral("ろく"), QStringLiteral("なな"),
                                    QStringLiteral("はち"), QStringLiteral("きゅう")};
    return words[d];
}

void groupPieces(int group, bool beforeBig, QList<Piece> &pieces)
{
    const int thousands = group / 1000, hundreds = group / 100 % 10, tens = group / 10 % 10,
              ones = group % 10;
    if (thousands) {
        const QString r = thousands == 1
            ? (beforeBig ? QStringLiteral("いっせん") : QStringLiteral("せん"))
            : thousands == 3 ? QStringLiteral("さんぜん")
            : thousands == 8 ? QStringLiteral("はっせん")
                             : digitWord(thousands) + QStringLiteral("せん");
        pieces.append({r, Kind::Thousand});
    }
    if (hundreds) {
        const QString r = hundreds == 1 ? QStringLiteral("ひゃく")
            : hundreds == 3             ? QStringLiteral("さんびゃく")
            : hundreds == 6             ? QStringLiteral("ろっぴゃく")
            : hundreds == 8             ? QStringLiteral("はっぴゃく")
                                        : digitWord(hundreds) + QStringLiteral("ひゃく");
        pieces.append({r, Kind::Hundred});
    }
    if (tens)
        pieces.append(
            {(tens == 1 ? QString() : digitWord(tens)) + QStringLiteral("じゅう"), Kind::Ten});
    if (ones)
        pieces.append({digitWord(ones), Kind::Ones, ones});
}

// いち はち ろく じゅう ひゃく: the last mora becomes っ before k, s, t, h sounds.
QString geminated(const QString &word)
{
    if (word.endsWith(QStringLiteral("じゅう")))
        return word.chopped(2) + QStringLiteral("ゅっ");
    return word.chopped(1) + QStringLiteral("っ");
}

std::optional<QList<Piece>> spokenPieces(qint64 value)
{
    if (value <= 0 || value >= 10000000000000000)
        return {};
    QList<Piece> pieces;
    const int cho = int(value / 1000000000000), oku = int(value / 100000000 % 10000),
              man = int(value / 10000 % 10000);
    if (cho) {
        groupPieces(cho, true, pieces);
        Piece &last = pieces.last();
        if (last.kind == Kind::Ten
            || (last.kind == Kind::Ones && (last.digit == 1 || last.digit == 8)))
            last.reading = geminated(last.reading);
        pieces.append({QStringLiteral("ちょう"), Kind::Cho});
    }
    if (oku) {
        groupPieces(oku, true, pieces);
        pieces.append({QStringLiteral("おく"), Kind::Oku});
    }
    if (man) {
        groupPieces(man, true, pieces);
        pieces.append({QStringLiteral("まん"), Kind::Man});
    }
    groupPieces(int(value % 10000), false, pieces);
    return pieces;
}

// The days of the month that have words of their own.
QString dayWord(qint64 value, bool asDate)
{
    static const QHash<qint64, QString> days {
        {2, QStringLiteral("ふつか")},        {3, QStringLiteral("みっか")},
        {4, QStringLiteral("よっか")},        {5, QStringLiteral("いつか")},
        {6, QStringLiteral("むいか")},        {7, QStringLiteral("なのか")},
        {8, QStringLiteral("ようか")},        {9, QStringLiteral("ここのか")},
        {10, QStringLiteral("とおか")},       {14, QStringLiteral("じゅうよっか")},
        {20, QStringLiteral("はつか")},       {24, QStringLiteral("にじゅうよっか")}};
    if (value == 1)
        return asDate ? QStringLiteral("ついたち") : QStringLiteral("いちにち");
    return days.value(value);
}

// 一二, 二三: two neighbouring digits say "one or two", each read alone.
bool isApproximate(QStringView numeral)
{
    if (numeral.size() != 2 || !numeral.front().isLetter() || !numeral.back().isLetter())
        return false;
    const int a = digitOf(numeral.front()), b = digitOf(numeral.back());
    return a > 0 && b == a + 1;
}

QString countedHiragana(QStringView numeral, QStringView counterText,
                        const ReadingTables::Counter &counter, const ReadingTables &tables,
                        bool asDate);

QString countedHiragana(QStringView numeral, QStringView counterText, const ReadingTables &tables,
                        bool asDate)
{
    const auto found = tables.counters.constFind(counterText.toString());
    if (found == tables.counters.constEnd())
        return QString();
    return countedHiragana(numeral, counterText, *found, tables, asDate);
}

// A counter the table lacks, from its own reading: k, s, t sounds take a small
// tsu before them, h sounds their p form.
ReadingTables::Counter derivedCounter(const QString &reading)
{
    static const QString kst = QStringLiteral("かきくけこさしすせそたちつてと");
    static const QString h = QStringLiteral("はひふへほ");
    ReadingTables::Counter counter {reading, QString(), reading, QStringLiteral("よん"),
                                    QStringLiteral("なな"), QStringLiteral("きゅう")};
    if (!reading.isEmpty() && kst.contains(reading.front()))
        counter.afterSmallTsu = reading;
    if (!reading.isEmpty() && h.contains(reading.front())) {
        counter.afterSmallTsu = reading;
        counter.afterSmallTsu[0] = QChar(char16_t(reading.front().unicode() + 2));
    }
    return counter;
}

QString countedHiragana(QStringView numeral, QStringView counterText,
                        const ReadingTables::Counter &counter, const ReadingTables &tables,
                        bool asDate)
{
    // 何 counts as three does (何本 ナンボン, 何百 ナンビャク), read なん.
    const bool what = numeral.startsWith(u'何');
    const QString number = what ? QStringLiteral("三") + numeral.sliced(1).toString() : numeral.toString();
    if (what && numeral.size() > 1 && !smallUnit(numeral.at(1)) && !bigUnit(numeral.at(1)))
        return QString();
    if (isApproximate(number))
        return digitWord(digitOf(number.front()))
            + countedHiragana(number.sliced(1), counterText, counter, tables, false);
    const std::optional<qint64> value = numberValue(number);
    if (!value)
        return QString();
    if ((counterText == u"日" || counterText == u"日間") && !what) {
        if (const QString day = dayWord(*value, asDate && counterText == u"日"); !day.isEmpty())
            return counterText == u"日" ? day : day + QStringLiteral("かん");
    }
    std::optional<QList<Piece>> pieces = spokenPieces(*value);
    if (!pieces)
        return QString();
    const Piece last = pieces->takeLast();
    QString head;
    for (const Piece &piece : *pieces)
        head += piece.reading;

    const QString &base = counter.reading;
    const QString &afterTsu = counter.afterSmallTsu;
    const bool gem = !afterTsu.isEmpty();
    const QChar tsuStart = gem ? afterTsu.front() : QChar();
    const bool hSound = gem && QStringLiteral("ぱぴぷぺぽ").contains(tsuStart);
    const bool kSound = gem && QStringLiteral("かきくけこ").contains(tsuStart);
    QString tail;
    switch (last.kind) {
    case Kind::Ones: {
        const int d = last.digit;
        if (gem && (d == 1 || d == 8 || (d == 6 && (hSound || kSound)))) {
            tail = geminated(last.reading) + afterTsu;
        } else if (d == 3) {
            tail = last.reading + counter.afterN;
        } else {
            const QString word = d == 4 ? counter.four
                : d == 7                ? counter.seven
                : d == 9                ? counter.nine
                                        : last.reading;
            // 四分 ヨンプン: a counter that takes its p form after さん takes it after よん.
            tail = word
                + (hSound && word.endsWith(u'ん') && counter.afterN == afterTsu ? counter.afterN
                                                                                : base);
        }
        break;
    }
    case Kind::Ten:
        tail = gem ? geminated(last.reading) + afterTsu : last.reading + base;
        break;
    case Kind::Hundred:
        tail = hSound || kSound ? geminated(last.reading) + afterTsu : last.reading + base;
        break;
    case Kind::Thousand:
    case Kind::Man:
        tail = last.reading + (hSound ? counter.afterN : base);
        break;
    case Kind::Oku:
    case Kind::Cho:
        tail = last.reading + base;
        break;
    }
    QString spoken = head + tail;
    if (what)
        spoken.replace(0, 2, QStringLiteral("なん"));
    return spoken;
}

QString numeralHiragana(QStringView numeral)
{
    if (isApproximate(numeral))
        return digitWord(digitOf(numeral.front())) + digitWord(digitOf(numeral.back()));
    const bool what = numeral.startsWith(u'何');
    const std::optional<qint64> value
        = numberValue(what ? QStringLiteral("三") + numeral.sliced(1).toString() : numeral.toString());
    if (!value || (what && numeral.size() < 2))
        return QString();
    const std::optional<QList<Piece>> pieces = spokenPieces(*value);
    if (!pieces)
        return QString();
    QString spoken;
    for (const Piece &piece : *pieces)
        spoken += piece.reading;
    if (what)
        spoken.replace(0, 2, QStringLiteral("なん"));
    return spoken;
}

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

bool matchesAny(const QString &alternatives, QStringView text, bool atEnd)
{
    if (alternatives.isEmpty())
        return true;
    for (const QString &one : alternatives.split(u'|', Qt::SkipEmptyParts))
        if (atEnd ? text.endsWith(one) : text.startsWith(one))
            return true;
    return false;
}

} // namespace

// ---- tables ----

ReadingTables ReadingTables::load(const QString &folder)
{
    const QDir dir(folder);
    ReadingTables tables;
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("counters.tsv")), 7))
        tables.counters.insert(f[0], {f[1], f[2], f[3], f[4], f[5], f[6]});
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("fixed.tsv")), 4))
        tables.fixed.insert(f[0], {katakanaForm(f[1]), f[2], f[3]});
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("joints.tsv")), 2))
        tables.joints.insert(f[0], katakanaForm(f[1]));
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("native.tsv")), 2))
        tables.native.insert(f[0], katakanaForm(f[1]));
    return tables;
}

const ReadingTables &ReadingTables::builtIn()
{
    static const ReadingTables tables = load(QStringLiteral(":/reading"));
    return tables;
}

bool isNumeral(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!isNumeralChar(text.at(i)) && !(i == 0 && text.at(i) == u'何' && text.size() > 1))
            return false;
    return true;
}

QString numeralReading(QStringView numeral)
{
    return katakanaForm(numeralHiragana(numeral));
}

QString countedReading(QStringView numeral, QStringView counter, const ReadingTables &tables,
                       bool asDate)
{
    if (const QString native = tables.native.value(numeral.toString() + counter.toString());
        !native.isEmpty() && !(asDate && counter == u"日"))
        return native;
    return katakanaForm(countedHiragana(numeral, counter, tables, asDate));
}

QString composedReading(QStringView kanji, const KanjiReadings &readings,
                        const QHash<QString, QString> &inCompounds)
{
    static const QString kRow = QStringLiteral("カキクケコ");
    static const QString ksthRow = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホ");
    static const QString hRow = QStringLiteral("ハヒフヘホ");
    QString out;
    char32_t previous = 0;
    for (const char32_t c : kanji.toUcs4()) {
        if (!isKanji(c)) {
            out += katakanaForm(QString::fromUcs4(&c, 1));
            continue;
        }
        const char32_t of = c == U'々' ? previous : c;
        previous = of;
        QString next = out.isEmpty() ? QString() : inCompounds.value(QString::fromUcs4(&of, 1));
        if (next.isEmpty())
            next = readings.onReading(of);
        if (next.isEmpty())
            next = readings.readings(of, false).value(0);
        if (next.isEmpty())
            return QString();
        // ツ, チ before k, s, t, h and ク, キ before k become ッ; after ッ an h becomes p.
        if (out.size() > 1 && !next.isEmpty()
            && (((out.endsWith(u'ツ') || out.endsWith(u'チ')) && ksthRow.contains(next.front()))
                || ((out.endsWith(u'ク') || out.endsWith(u'キ')) && kRow.contains(next.front()))))
            out.back() = QChar(u'ッ');
        if (out.endsWith(u'ッ') && hRow.contains(next.front()))
            next[0] = QChar(char16_t(next.front().unicode() + 2));
        out += next;
    }
    return out;
}

// ---- joining: 々 and compounds ----

JoiningStage::JoiningStage(const ReadingTables &tables, const KanjiReadings &kanji)
    : m_tables(tables)
    , m_kanji(kanji)
{ }

void JoiningStage::rewrite(ReadingSentence &sentence) const
{
    // Each pass builds a new list: a long text has tens of thousands of words.
    QList<ReadingWord> out;
    // 々 (and a word the analyzer starts with it) goes into the word before it.
    for (const ReadingWord &word : std::as_const(sentence.words)) {
        if (out.isEmpty() || !word.surface.startsWith(u'々') || !allKanji(out.last().surface)
            || out.last().start + out.last().length != word.start) {
            out.append(word);
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
    QList<ReadingWord> words = std::move(out);
    out.clear();

    // Single kanji the analyzer cut out of a compound it lacks (運指, 符頭): their
    // on readings together are right far more often than each read as a word.
    const auto single = [&words, this](qsizetype i, bool first) {
        const ReadingWord &w = words.at(i);
        // A suffix starts such a compound (調弦) but does not end one (円安 エンヤス).
        if (w.pos == QStringLiteral("名詞,接尾,一般") && !first)
            return false;
        return w.surface.size() == 1 && allKanji(w.surface) && w.source == ReadingSource::Dictionary
            && (w.pos.startsWith(QStringLiteral("名詞,一般"))
                || w.pos.startsWith(QStringLiteral("名詞,サ変接続"))
                || w.pos == QStringLiteral("名詞,接尾,一般")
                || w.pos.startsWith(QStringLiteral("接頭詞,名詞接続")))
            && !m_kanji.onReading(w.surface.front().unicode()).isEmpty();
    };
    for (qsizetype i = 0; i < words.size();) {
        qsizetype end = i;
        while (end < words.size() && single(end, end == i)
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
            out.append(words.at(i++));
            continue;
        }
        out.append(merged(words, i, end, sino, ReadingSource::Rule));
        out.last().candidates = {plain};
        i = end;
    }
    words = std::move(out);
    out.clear();

    // Nouns next to each other stay one word; the second may voice at the joint.
    for (ReadingWord word : std::as_const(words)) {
        if (out.isEmpty() || out.last().start + out.last().length != word.start
            || !containsKanji(out.last().surface)) {
            out.append(word);
            continue;
        }
        ReadingWord &before = out.last();
        const bool joint = before.pos.startsWith(QStringLiteral("名詞"))
            || before.pos.startsWith(QStringLiteral("動詞"));
        if (const QString voiced = m_tables.joints.value(word.surface);
            joint && !voiced.isEmpty() && word.source != ReadingSource::User) {
            word.candidates.prepend(word.reading);
            word.reading = voiced;
            word.source = ReadingSource::Rule;
        }
        const bool joinable = allKanji(word.surface) && allKanji(before.surface.right(1))
            && isNoun(word) && !word.pos.startsWith(QStringLiteral("名詞,数"))
            && (isNoun(before) || before.pos.startsWith(QStringLiteral("接頭詞")))
            && !word.surface.startsWith(u'々')
            // Kept apart: readings a later stage mends word by word.
            && !m_tables.fixed.contains(word.surface) && !m_tables.fixed.contains(before.surface);
        if (!joinable) {
            out.append(word);
            continue;
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
        before = joined;
    }
    sentence.words = std::move(out);
}

// ---- numbers ----

NumberStage::NumberStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

void NumberStage::rewrite(ReadingSentence &sentence) const
{
    const QList<ReadingWord> &words = sentence.words;
    const auto adjacent = [&](qsizetype i) {
        return words.at(i - 1).start + words.at(i - 1).length == words.at(i).start;
    };
    const auto numeralWord = [&](qsizetype i) {
        const ReadingWord &w = words.at(i);
        if (w.surface == u"何")
            return i + 1 < words.size() && adjacent(i + 1)
                && (m_tables.counters.contains(words.at(i + 1).surface)
                    || isNumeral(words.at(i + 1).surface));
        return w.pos.startsWith(QStringLiteral("名詞,数")) && isNumeral(w.surface);
    };
    QList<ReadingWord> out;
    for (qsizetype i = 0; i < words.size();) {
        if (!numeralWord(i)) {
            out.append(words.at(i++));
            continue;
        }
        qsizetype end = i + 1;
        QString numeral = words.at(i).surface;
        for (;;) {
            if (end < words.size() && adjacent(end) && words.at(end).surface != u"何"
                && numeralWord(end)) {
                numeral += words.at(end++).surface;
                continue;
            }
            // 1,500: a comma before three digits groups thousands.
            const bool comma = end + 1 < words.size() && adjacent(end) && adjacent(end + 1)
                && (words.at(end).surface == u"," || words.at(end).surface == u"，")
                && words.at(end + 1).surface.size() == 3 && numeralWord(end + 1)
                && !words.at(end + 1).surface.front().isLetter();
            if (!comma)
                break;
            numeral += words.at(end + 1).surface;
            end += 2;
        }
        QString reading;
        qsizetype last = end;
        if (end < words.size() && adjacent(end)) {
            const ReadingWord &counter = words.at(end);
            // A day after a month (四月一日) is a date.
            const QStringView before = QStringView(sentence.text).left(words.at(i).start);
            const bool asDate = counter.surface == u"日" && before.endsWith(u'月')
                && before.size() >= 2 && isNumeralChar(before.at(before.size() - 2));
            reading = m_tables.native.value(numeral + counter.surface);
            if (reading.isEmpty())
                reading = katakanaForm(
                    countedHiragana(numeral, counter.surface, m_tables, asDate));
            if (reading.isEmpty() && counter.pos.contains(QStringLiteral("助数詞"))
                && allKanji(counter.surface) && isKatakanaReading(counter.reading))
                reading = katakanaForm(countedHiragana(
                    numeral, counter.surface, derivedCounter(hiraganaForm(counter.reading)),
                    m_tables, false));
            if (!reading.isEmpty())
                last = end + 1;
        }
        if (reading.isEmpty())
            reading = numeralReading(numeral);
        if (reading.isEmpty()) {
            out.append(words.at(i++));
            continue;
        }
        out.append(merged(words, i, last, reading, ReadingSource::Rule));
        out.last().pos = QStringLiteral("名詞,数");
        i = last;
    }
    sentence.words = std::move(out);
}

// ---- fixed readings ----

FixedStage::FixedStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

void FixedStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (word.source == ReadingSource::User)
            continue;
        const QStringView before = QStringView(sentence.text).left(word.start);
        const QStringView after = QStringView(sentence.text).sliced(word.start + word.length);
        for (const ReadingTables::Fixed &fixed : m_tables.fixed.values(word.surface)) {
            if (!matchesAny(fixed.before, before, true) || !matchesAny(fixed.after, after, false))
                continue;
            if (fixed.reading != word.reading) {
                if (word.source == ReadingSource::Dictionary && isKatakanaReading(word.reading))
                    word.candidates.prepend(word.reading);
                word.reading = fixed.reading;
                word.source = ReadingSource::Rule;
                word.parts.clear();
            }
            break;
        }
    }
}

// ---- unknown words ----

UnknownStage::UnknownStage(const KanjiReadings &kanji)
    : m_kanji(kanji)
{ }

void UnknownStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (!containsKanji(word.surface) || isKatakanaReading(word.reading)
            || (word.source != ReadingSource::Dictionary && word.known))
            continue;
        word.reading = composedReading(word.surface, m_kanji);
        word.parts.clear();
        word.source = ReadingSource::Guess;
        // Each kanji's first native reading as a second proposal (鉤爪).
        QString native;
        for (const char32_t c : word.surface.toUcs4()) {
            const QStringList all = m_kanji.readings(c, false);
            const QString on = m_kanji.onReading(c);
            QString kun;
            for (const QString &r : all)
                if (r != on && kun.isEmpty() && !m_kanji.isOnReading(c, r))
                    kun = r;
            native += isKanji(c) ? (kun.isEmpty() ? on : kun) : katakanaForm(QString::fromUcs4(&c, 1));
        }
        word.candidates.clear();
        if (!native.isEmpty() && native != word.reading && !containsKanji(native))
            word.candidates.append(native);
    }
}

// ---- ranking ----

void RankingStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        QStringList ranked;
        const auto add = [&ranked](const QString &reading) {
            if (isKatakanaReading(reading) && !ranked.contains(reading))
                ranked.append(reading);
        };
        add(word.reading);
        for (const QString &reading : std::as_const(word.candidates))
            add(reading);
        for (const QList<ReadingWord> &analysis : std::as_const(sentence.alternatives))
            for (const ReadingWord &other : analysis)
                if (other.start == word.start && other.length == word.length)
                    add(other.reading);
        word.candidates = ranked.mid(0, 6);
    }
}

// ---- the user's readings ----

UserStage::UserStage(UserReadings &user)
    : m_user(user)
{ }

void UserStage::rewrite(ReadingSentence &sentence) const
{
    const QList<ReadingWord> &words = sentence.words;
    const QStringView text(sentence.text);
    QList<ReadingWord> out;
    for (qsizetype i = 0; i < words.size();) {
        // The longest stretch of up to four words the user has a reading for.
        qsizetype end = qMin(words.size(), i + 4);
        QString reading;
        for (; end > i && reading.isEmpty(); --end) {
            const ReadingWord &last = words.at(end - 1);
            const qsizetype start = words.at(i).start;
            const QString base = sentence.text.sliced(start, last.start + last.length - start);
            if (containsKanji(base))
                reading = m_user.lookup(base, text.left(start).toString(),
                                        text.sliced(start + base.size()).left(200).toString());
        }
        if (reading.isEmpty()) {
            out.append(words.at(i++));
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
}

QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user)
{
    QList<std::shared_ptr<ReadingStage>> stages {
        std::make_shared<NumberStage>(tables), std::make_shared<UnknownStage>(kanji),
        std::make_shared<JoiningStage>(tables, kanji), std::make_shared<FixedStage>(tables),
        std::make_shared<RankingStage>()};
    if (user)
        stages.append(std::make_shared<UserStage>(*user));
    return stages;
}
