#include "core/reading/numberstage.h"

#include "core/text/kana.h"

#include <algorithm>
#include <optional>

using namespace stagekit;

using namespace stagekit;

namespace {

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

// oneThousand: the text writes the one of 千 (一千, 五万一千), which is then said.
void groupPieces(int group, bool beforeBig, QList<Piece> &pieces, bool oneThousand = false)
{
    const int thousands = group / 1000, hundreds = group / 100 % 10, tens = group / 10 % 10,
              ones = group % 10;
    if (thousands) {
        const QString r = thousands == 1
            ? (beforeBig || oneThousand ? QStringLiteral("いっせん") : QStringLiteral("せん"))
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

// 一千 and 1千 say their one; a bare 千 does not.
bool writesOneThousand(QStringView numeral)
{
    for (qsizetype k = 1; k < numeral.size(); ++k)
        if (numeral.at(k) == u'千' && digitOf(numeral.at(k - 1)) == 1)
            return true;
    return false;
}

std::optional<QList<Piece>> spokenPieces(qint64 value, bool oneThousand = false)
{
    if (value <= 0 || value >= 10000000000000000)
        return {};
    QList<Piece> pieces;
    const int cho = int(value / 1000000000000), oku = int(value / 100000000 % 10000),
              man = int(value / 10000 % 10000);
    if (cho) {
        groupPieces(cho, true, pieces, oneThousand);
        Piece &last = pieces.last();
        if (last.kind == Kind::Ten
            || (last.kind == Kind::Ones && (last.digit == 1 || last.digit == 8)))
            last.reading = geminated(last.reading);
        pieces.append({QStringLiteral("ちょう"), Kind::Cho});
    }
    if (oku) {
        groupPieces(oku, true, pieces, oneThousand);
        pieces.append({QStringLiteral("おく"), Kind::Oku});
    }
    if (man) {
        groupPieces(man, true, pieces, oneThousand);
        pieces.append({QStringLiteral("まん"), Kind::Man});
    }
    groupPieces(int(value % 10000), false, pieces, oneThousand);
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

// 一日 with no month before it is a day's length or the first of the month
// (一日と十五日には, 家賃は1日から); only some words after it settle which.
bool eitherDay(const QString &text, const ReadingWord &day)
{
    const QStringView next = QStringView(text).sliced(day.start + day.length);
    static const QStringList open {
        QStringLiteral("の"),   QStringLiteral("は"), QStringLiteral("と"), QStringLiteral("から"),
        QStringLiteral("まで"), QStringLiteral("、")};
    return std::any_of(open.cbegin(), open.cend(),
                       [&](const QString &w) { return next.startsWith(w); });
}

// 二三, 十二三, 三四十: two neighbouring kanji digits say "two or three"; the
// place of the first of them, or -1.
qsizetype approximateAt(QStringView numeral)
{
    const auto isUnit = [&](qsizetype at) {
        return at < 0 || at >= numeral.size() || smallUnit(numeral.at(at)) || bigUnit(numeral.at(at));
    };
    for (qsizetype k = 0; k + 1 < numeral.size(); ++k) {
        const QChar first = numeral.at(k), second = numeral.at(k + 1);
        if (!first.isLetter() || !second.isLetter())
            continue;
        const int a = digitOf(first), b = digitOf(second);
        if (a > 0 && b == a + 1 && isUnit(k - 1) && isUnit(k + 2))
            return k;
    }
    return -1;
}

// Kanji digits with no 十, 百 or 千 among them (七七, 一一九番) may be a number
// said digit by digit or a phrase; a year (一九四七年) is a number.
bool digitString(QStringView numeral, const QString &counter)
{
    // 二三, 四五: two or three, said by a rule of their own.
    if (numeral.size() < 2 || counter == u"年"
        || (numeral.size() == 2 && approximateAt(numeral) == 0))
        return false;
    return std::all_of(numeral.begin(), numeral.end(), [](QChar c) {
        return c.isLetter() && digitOf(c) >= 0;
    });
}

// The first digit of an approximate number, said as when counting (四五 シゴ).
QString approximateWord(int digit)
{
    return digit == 4 ? QStringLiteral("し") : digit == 7 ? QStringLiteral("しち") : digitWord(digit);
}

// What follows the first digit, its 四 said し before a unit too (三四十 サンシジュウ).
QString approximateTail(QString tail, QStringView rest)
{
    if (rest.size() > 1 && tail.startsWith(QStringLiteral("よん")))
        tail.replace(0, 2, QStringLiteral("し"));
    return tail;
}

QString numeralHiragana(QStringView numeral);

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

// Native words of two morae or more end unlike Sino-Japanese readings (ハコ,
// クミ, フクロ against ケン, ショウ, ヒキ, ハツ).
bool nativeCounter(const QString &reading)
{
    static const QString sinoEnds = QStringLiteral("ウインクキツチ");
    // An ordinal's 目 or a rank's 手 is as native as the counter it follows
    // (代目 ダイメ, 度目 ドメ, 番手 バンテ against 組目 クミメ).
    if (reading.size() >= 2 && (reading.back() == u'メ' || reading.back() == u'テ'))
        return nativeCounter(reading.chopped(1));
    return reading.size() >= 2 && !sinoEnds.contains(reading.back())
        && !reading.contains(u'ャ') && !reading.contains(u'ュ') && !reading.contains(u'ョ');
}

// A counter the table lacks, from its own reading: k, s, t sounds take a small
// tsu before them, h sounds their p form.
ReadingTables::Counter derivedCounter(const QString &reading)
{
    static const QString kst = QStringLiteral("かきくけこさしすせそたちつてと");
    static const QString h = QStringLiteral("はひふへほ");
    // The analyzer may give the sound one number makes (方 ポウ, of 三方): the
    // counter says ほう alone, ぽう after っ and ん.
    static const QString p = QStringLiteral("ぱぴぷぺぽ");
    if (!reading.isEmpty() && p.contains(reading.front())) {
        QString plain = reading;
        plain[0] = QChar(char16_t(reading.front().unicode() - 2));
        return {plain, reading, reading, QStringLiteral("よん"), QStringLiteral("なな"),
                QStringLiteral("きゅう")};
    }
    ReadingTables::Counter counter {reading, QString(), reading, QStringLiteral("よん"),
                                    QStringLiteral("なな"), QStringLiteral("きゅう")};
    // A native counter keeps its digits whole (6組 ロククミ, 8皿 ハチサラ), its tens not.
    counter.tensOnly = nativeCounter(katakanaForm(reading));
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
    if (const qsizetype k = approximateAt(number); k >= 0 && !what) {
        const QString head = numeralHiragana(QStringView(number).left(k))
            + approximateWord(digitOf(number.at(k)));
        const QStringView rest = QStringView(number).sliced(k + 1);
        // A day or two is counted in にち (二三日 ニサンニチ), four days aside.
        if ((counterText == u"日" || counterText == u"日間") && rest.size() == 1
            && digitOf(rest.front()) != 4)
            return head + numeralHiragana(rest) + counter.reading;
        return head + approximateTail(countedHiragana(rest, counterText, counter, tables, false), rest);
    }
    const std::optional<qint64> value = numberValue(number);
    // A counted zero (0分, 00分) says one ゼロ, never one a digit.
    if (!value && !number.isEmpty()
        && std::all_of(number.cbegin(), number.cend(), [](QChar c) { return digitOf(c) == 0; }))
        return QStringLiteral("ぜろ") + counter.reading;
    if (!value)
        return QString();
    if ((counterText == u"日" || counterText == u"日間") && !what) {
        if (const QString day = dayWord(*value, asDate && counterText == u"日"); !day.isEmpty())
            return counterText == u"日" ? day : day + QStringLiteral("かん");
    }
    std::optional<QList<Piece>> pieces = spokenPieces(*value, writesOneThousand(number));
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
        if (gem && !counter.tensOnly && (d == 1 || d == 8 || (d == 6 && (hSound || kSound)))) {
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
        tail = last.reading + counter.afterN; // セン, マン: 千軒 センゲン, 百万石 ヒャクマンゴク
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

// Zero, or a code with leading zeros (007), said digit by digit; empty unless all
// of it is digits.
QString digitByDigit(QStringView numeral)
{
    QString spoken;
    for (QChar c : numeral) {
        const int digit = digitOf(c);
        if (digit < 0)
            return QString();
        spoken += digit == 0 ? QStringLiteral("ぜろ") : digitWord(digit);
    }
    return spoken;
}

QString numeralHiragana(QStringView numeral)
{
    if (const qsizetype k = approximateAt(numeral); k >= 0) {
        const QStringView rest = numeral.sliced(k + 1);
        return numeralHiragana(numeral.left(k)) + approximateWord(digitOf(numeral.at(k)))
            + approximateTail(numeralHiragana(rest), rest);
    }
    const bool what = numeral.startsWith(u'何');
    const std::optional<qint64> value
        = numberValue(what ? QStringLiteral("三") + numeral.sliced(1).toString() : numeral.toString());
    if (!value || (what && numeral.size() < 2))
        return QString();
    const std::optional<QList<Piece>> pieces = spokenPieces(*value, writesOneThousand(numeral));
    if (!pieces)
        return QString();
    QString spoken;
    for (const Piece &piece : *pieces)
        spoken += piece.reading;
    if (what)
        spoken.replace(0, 2, QStringLiteral("なん"));
    return spoken;
}

} // namespace

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

// ---- the stage ----

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\u2009' || c == u'\u202F' || c == u'\u00A0' || c == u'\u3000';
}

// What the counter says of a number read with it: ガツ of シチガツ, プン of ハップン;
// a day said as a word of its own keeps カ (フツカ), else the counter's plain reading.
QString counterPart(const QString &whole, const QString &surface, const ReadingTables &tables)
{
    const ReadingTables::Counter counter = tables.counters.value(surface),
                                 note = tables.counters.value(surface + QStringLiteral("音符"));
    for (const QString &form : {counter.afterSmallTsu, counter.afterN, counter.reading,
                                note.reading})
        if (const QString k = katakanaForm(form); !k.isEmpty() && whole.endsWith(k))
            return k;
    // A span of days said with the day's own word (フツカカン): the day's part and カン.
    if (surface.size() > 1 && surface.endsWith(u'間') && whole.endsWith(QStringLiteral("カン")))
        return counterPart(whole.chopped(2), surface.chopped(1), tables) + QStringLiteral("カン");
    // One or two people said natively: the counter's part of ヒトリ, フタリ.
    if (surface == u"人" && (whole == u"ヒトリ" || whole == u"フタリ"))
        return QStringLiteral("リ");
    // The days with words of their own: the counter's part of フツカ, ツイタチ.
    if (whole.endsWith(QStringLiteral("ツイタチ")))
        return QStringLiteral("タチ");
    return whole.endsWith(u'カ') ? QStringLiteral("カ") : katakanaForm(counter.reading);
}

// The analyzer gave the word a reading in kana, not its digits back.
bool saidInKana(const ReadingWord &word)
{
    return std::any_of(word.reading.cbegin(), word.reading.cend(),
                       [](QChar c) { return c >= u'\u30A1' && c <= u'\u30FA'; });
}

bool adjacent(const QList<ReadingWord> &words, qsizetype i)
{
    return words.at(i - 1).start + words.at(i - 1).length == words.at(i).start;
}

// The word at i stands right after a number and 「・」, as the digits after a point do.
bool afterKanjiPoint(const QList<ReadingWord> &words, qsizetype i)
{
    return i >= 2 && words.at(i - 1).surface == u"・" && adjacent(words, i) && adjacent(words, i - 1)
        && !words.at(i - 2).surface.isEmpty() && isNumeralChar(words.at(i - 2).surface.back());
}

// Latin digits and kanji digits are two numbers (第1四分位数); a unit after
// digits is one (3万).
bool mixedDigits(QStringView before, QStringView next)
{
    const QChar a = before.back(), b = next.front();
    const bool kanjiA = a.isLetter() && digitOf(a) >= 0, kanjiB = b.isLetter() && digitOf(b) >= 0;
    return (a.isDigit() && kanjiB) || (kanjiA && b.isDigit());
}

// Kanji digits after 「・」 standing for a decimal point (三・一四) are said one by
// one; empty for anything else (一・二年生 keeps its numbers).
QString decimalDigits(const QList<ReadingWord> &words, qsizetype i, const QString &text)
{
    if (text.size() < 2 || !afterKanjiPoint(words, i))
        return {};
    QString said;
    for (const QChar c : text) {
        const int d = digitOf(c);
        if (d < 0 || (!c.isLetter() && c != u'〇')) // kanji digits, 〇 a number letter among them
            return {};
        said += d == 0 ? QStringLiteral("れい") : digitWord(d);
    }
    return katakanaForm(said);
}

} // namespace

// A space between a number and a counter of the table (7 月, 13 日).
bool NumberStage::spacedCounter(const QList<ReadingWord> &words, qsizetype at) const
{
    if (at + 1 >= words.size() || !adjacent(words, at) || !adjacent(words, at + 1))
        return false;
    const QString &gap = words.at(at).surface;
    return !gap.isEmpty() && std::all_of(gap.cbegin(), gap.cend(), isSpace)
        && m_tables.counters.contains(words.at(at + 1).surface);
}

struct NumberStage::Numeral
{
    QString text; // the digits read, with the counter after them
    qsizetype end = 0; // the word after the number
    QString point; // hiragana of what stands before the last digit of 1.5
};

NumberStage::NumberStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

bool NumberStage::numeralWord(const QList<ReadingWord> &words, qsizetype i) const
{
    const ReadingWord &w = words.at(i);
    if (w.surface == u"何")
        return i + 1 < words.size() && adjacent(words, i + 1)
            && (m_tables.counters.contains(words.at(i + 1).surface)
                || isNumeral(words.at(i + 1).surface));
    return w.pos.startsWith(QStringLiteral("名詞,数")) && isNumeral(w.surface);
}

// A word of the dictionary that is a number and its counter is read as one
// before 目 (一行目 イチギョウメ, not 一行 イッコウ, a party).
QString NumberStage::ordinalReading(const QList<ReadingWord> &words, qsizetype i) const
{
    const ReadingWord &w = words.at(i);
    if (w.source != ReadingSource::Dictionary || w.surface.size() < 2 || i + 1 >= words.size()
        || !adjacent(words, i + 1) || !words.at(i + 1).surface.startsWith(u'目')
        || !isNumeralChar(w.surface.front()))
        return QString();
    return katakanaForm(
        countedHiragana(w.surface.left(1), QStringView(w.surface).sliced(1), m_tables, false));
}

// The numeral words from first on, with 1,500's commas between them.
NumberStage::Numeral NumberStage::collect(const QList<ReadingWord> &words, qsizetype first) const
{
    Numeral numeral {words.at(first).surface, first + 1, {}};
    qsizetype &end = numeral.end;
    for (;;) {
        if (end < words.size() && adjacent(words, end) && words.at(end).surface != u"何"
            && numeralWord(words, end) && !mixedDigits(numeral.text, words.at(end).surface)) {
            numeral.text += words.at(end++).surface;
            continue;
        }
        // 1,500: a comma before three digits groups thousands; full-width digits come
        // one a word (１，５００).
        if (end + 1 >= words.size() || !adjacent(words, end)
            || (words.at(end).surface != u"," && words.at(end).surface != u"，"))
            return numeral;
        QString group;
        qsizetype next = end + 1;
        while (next < words.size() && adjacent(words, next) && group.size() < 3
               && numeralWord(words, next)
               && std::all_of(words.at(next).surface.cbegin(), words.at(next).surface.cend(),
                              [](QChar c) { return c.isDigit(); })) {
            group += words.at(next++).surface;
        }
        const bool moreDigits = next < words.size() && adjacent(words, next)
            && words.at(next).surface.front().isDigit();
        if (group.size() != 3 || moreDigits)
            return numeral;
        numeral.text += group;
        end = next;
    }
}

// 1.5: the point says テン and the digits after it are said one by one; the
// last one takes the counter.
void NumberStage::readPoint(const QList<ReadingWord> &words, Numeral &numeral) const
{
    const qsizetype end = numeral.end;
    if (end + 1 >= words.size() || !adjacent(words, end) || !adjacent(words, end + 1)
        || words.at(end).surface.size() != 1
        || !QStringLiteral(".．").contains(words.at(end).surface.front())
        || !numeralWord(words, end + 1) || numeral.text.startsWith(u'何'))
        return;
    const QString digits = words.at(end + 1).surface;
    QString point = numberValue(numeral.text)
        ? countedHiragana(numeral.text, u"点", m_tables, false)
        : QStringLiteral("れいてん");
    // A last 0 takes the counter as ゼロ (2.100版, a version): the zeros before it say
    // the same, not the れい of 2.05.
    const QString zero = digitOf(digits.back()) == 0 ? QStringLiteral("ぜろ") : QStringLiteral("れい");
    for (qsizetype k = 0; k < digits.size() && !point.isEmpty(); ++k) {
        const int d = digitOf(digits.at(k));
        if (d < 0)
            point.clear();
        else if (k + 1 < digits.size())
            point += d == 0 ? zero : digitWord(d);
    }
    if (point.isEmpty())
        return;
    numeral.text = digits.right(1);
    numeral.point = point;
    numeral.end += 2;
}

// The number read with the word after it as its counter; empty when it is none.
QString NumberStage::withCounter(const ReadingSentence &sentence, qsizetype first,
                                 const Numeral &numeral, qsizetype counterAt) const
{
    const QList<ReadingWord> &words = sentence.words;
    if (counterAt >= words.size() || !adjacent(words, counterAt))
        return QString();
    const ReadingWord &counter = words.at(counterAt);
    // A date or a room written with a leading zero (01月, 09日) is said without it.
    QString text = numeral.text;
    while (text.size() > 1 && digitOf(text.front()) == 0 && !text.front().isLetter()
           && m_tables.counters.contains(counter.surface))
        text.remove(0, 1);
    const QStringView before
        = QStringView(sentence.text).left(words.at(first).start).trimmed();
    // 分 of a note value is ブ (8分音符 ハチブオンプ); the table keys it with the note.
    const QStringView next = QStringView(sentence.text).sliced(counter.start + counter.length);
    // 二、三日 (two or three days) counts in にち as 二三日 does.
    if ((counter.surface == u"日" || counter.surface == u"日間") && text.size() == 1
        && text.front().isLetter() && before.size() >= 2
        && QStringLiteral("、,，").contains(before.back())
        && before.at(before.size() - 2).isLetter()
        && digitOf(before.at(before.size() - 2)) == digitOf(text.front()) - 1)
        return katakanaForm(numeralHiragana(text) + m_tables.counters.value(counter.surface).reading);
    // 分の of a fraction (三分の一) is the minutes' 分 before anything but a number
    // (徒歩三分の距離).
    const bool minutesOf = counter.surface == u"分の" && (next.isEmpty() || !isNumeralChar(next.front()));
    QString key = minutesOf ? QStringLiteral("分")
        : counter.surface == u"分"
            && (next.startsWith(QStringLiteral("音符")) || next.startsWith(QStringLiteral("休符")))
        ? QStringLiteral("分音符")
        : counter.surface;
    // Some counters read by the word before the number (大手銀行3行 サンコウ), or
    // before the years it follows (懲役1年6月 ロッカゲツ).
    QStringView beforeYears = before;
    if (beforeYears.endsWith(u'年')) {
        beforeYears.chop(1);
        while (!beforeYears.isEmpty() && isNumeralChar(beforeYears.back()))
            beforeYears.chop(1);
    }
    for (const auto &[word, row] : m_tables.countersAfter.value(key)) {
        if (before.endsWith(word) || beforeYears.endsWith(word)) {
            key = row;
            break;
        }
    }
    // A day after a month (四月一日, 毎月一日) is a date.
    const QStringView month = before.endsWith(u'月') ? before.chopped(1).trimmed() : QStringView();
    static const QStringList namedMonths {QStringLiteral("毎月"), QStringLiteral("今月"),
                                          QStringLiteral("正月"),
                                          QStringLiteral("来月"), QStringLiteral("先月"),
                                          QStringLiteral("翌月"), QStringLiteral("前月")};
    const bool afterMonth = (!month.isEmpty() && isNumeralChar(month.back()))
        || std::any_of(namedMonths.cbegin(), namedMonths.cend(),
                       [&](const QString &name) {
                           // 来月の一日 as 来月一日
                           return (before.endsWith(u'の') ? before.chopped(1) : before).endsWith(name);
                       });
    const bool asDate = counter.surface == u"日" && afterMonth;
    // A day counted after a point (1.5日, 二十九・五日) is said in にち: いつか and
    // the other day words count whole days.
    if ((key == u"日" || key == u"日間") && text.size() == 1
        && (!numeral.point.isEmpty() || afterKanjiPoint(words, first)))
        return katakanaForm(numeralHiragana(text)
                            + (key == u"日" ? QStringLiteral("にち") : QStringLiteral("にちかん")));
    // One digit says what its kanji says (1人 ヒトリ as 一人).
    const QString spelled = text.size() == 1 && digitOf(text.front()) > 0
        ? QString(QStringLiteral("〇一二三四五六七八九").at(digitOf(text.front())))
        : text;
    // A counter read by the word before the number (1年2組 ニクミ) is not counted natively.
    QString reading = numeral.point.isEmpty() && !asDate && !key.contains(u'+')
        ? m_tables.native.value(spelled + counter.surface)
        : QString();
    if (reading.isEmpty())
        reading = katakanaForm(countedHiragana(text, key, m_tables, asDate));
    // A counter the table lacks is read from the analyzer's reading, okurigana and
    // all (一切れ ヒトキレ), and so is a native one written in kana (一つまみ
    // ヒトツマミ); 分の of a fraction is no counter of its own.
    if (reading.isEmpty() && counter.pos.contains(QStringLiteral("助数詞"))
        && (allKanji(counter.surface.left(1))
            || (isHiragana(counter.surface.front()) && nativeCounter(counter.reading)))
        && !counter.surface.endsWith(u'の') && isKatakanaReading(counter.reading))
        reading = katakanaForm(countedHiragana(text, counter.surface,
                                               derivedCounter(hiraganaForm(counter.reading)),
                                               m_tables, false));
    // A native counter counts one and two with native numbers (1箱 ヒトハコ);
    // an ordinal never does (第二棟 ダイニトウ).
    if (!reading.isEmpty() && numeral.point.isEmpty() && nativeCounter(counter.reading)
        && !before.endsWith(u'第')
        && !m_tables.counters.contains(key)
        && !m_tables.native.contains(spelled + counter.surface)) {
        const std::optional<qint64> value = numberValue(spelled);
        if (value == 1 || value == 2)
            reading = (value == 1 ? QStringLiteral("ヒト") : QStringLiteral("フタ"))
                + counter.reading;
    }
    if (minutesOf && !reading.isEmpty())
        reading += u'ノ';
    return reading;
}

// A counter our tables read; any other is read from the analyzer's reading of it
// (1包 イチツツミ), which a proofreader should see.
bool NumberStage::knownCounter(const QString &counter) const
{
    // An ordinal's 目 and a fraction's 分の have rules of their own; a counter in
    // kana (一つまみ) is the analyzer's word.
    if (m_tables.counters.contains(counter) || counter.endsWith(u'目') || counter == u"分の"
        || !allKanji(counter.left(1)))
        return true;
    for (auto it = m_tables.native.cbegin(); it != m_tables.native.cend(); ++it)
        if (it.key().endsWith(counter) && isNumeralChar(it.key().front()))
            return true;
    return false;
}

Result<void> NumberStage::rewrite(ReadingSentence &sentence) const
{
    const QList<ReadingWord> &words = sentence.words;
    QList<ReadingWord> out;
    for (qsizetype i = 0; i < words.size();) {
        if (!numeralWord(words, i)) {
            out.append(words.at(i++));
            // A point between numbers that were not read as one (1.2.3) says テン,
            // never its own dot.
            if (out.last().surface.size() == 1 && QStringLiteral(".．").contains(out.last().surface.front())
                && out.size() >= 2
                && out.at(out.size() - 2).pos.startsWith(QStringLiteral("名詞,数"))
                && adjacent(words, i - 1) && i < words.size() && adjacent(words, i)
                && numeralWord(words, i)) {
                out.last().reading = QStringLiteral("テン");
                out.last().source = ReadingSource::Rule;
            }
            if (const QString counted = ordinalReading(words, i - 1); !counted.isEmpty()) {
                out.last().candidates.prepend(out.last().reading);
                out.last().reading = counted;
                out.last().source = ReadingSource::Rule;
            }
            continue;
        }
        Numeral numeral = collect(words, i);
        readPoint(words, numeral);
        // 数万本: several ten thousands, counted as 一万本 is; its one is dropped below
        // as 数千億 drops the one of 一千.
        const bool several = bigUnit(numeral.text.front()) && i > 0 && adjacent(words, i)
            && words.at(i - 1).surface.endsWith(u'数');
        if (several)
            numeral.text.prepend(u'一');
        // 二・〇八倍: after a kanji point the digits are said one by one, the last
        // with the counter.
        if (numeral.point.isEmpty() && numeral.end < words.size()
            && words.at(numeral.end).pos.contains(QStringLiteral("助数詞"))
            && !decimalDigits(words, i, numeral.text).isEmpty()) {
            for (const QChar c : numeral.text.chopped(1))
                numeral.point += digitOf(c) == 0 ? QStringLiteral("れい") : digitWord(digitOf(c));
            numeral.text = numeral.text.right(1);
        }
        QString reading = withCounter(sentence, i, numeral, numeral.end);
        if (reading.isEmpty() && numeral.point.isEmpty()) {
            if (const QString digits = decimalDigits(words, i, numeral.text); !digits.isEmpty()) {
                out.append(merged(words, i, numeral.end, digits, ReadingSource::Rule));
                out.last().pos = QStringLiteral("名詞,数");
                i = numeral.end;
                continue;
            }
        }
        if (reading.isEmpty() && numeral.point.isEmpty() && spacedCounter(words, numeral.end)) {
            // The number and its counter keep their words; the counter says its part.
            const QString whole = withCounter(sentence, i, numeral, numeral.end + 1);
            const QString alone = numeralReading(numeral.text);
            if (!whole.isEmpty() && !alone.isEmpty()) {
                out.append(merged(words, i, numeral.end, alone, ReadingSource::Rule));
                out.last().pos = QStringLiteral("名詞,数");
                out.append(words.at(numeral.end));
                out.append(merged(words, numeral.end + 1, numeral.end + 2,
                                  counterPart(whole, words.at(numeral.end + 1).surface, m_tables),
                                  ReadingSource::Rule));
                i = numeral.end + 2;
                continue;
            }
        }
        const qsizetype last = reading.isEmpty() ? numeral.end : numeral.end + 1;
        if (reading.isEmpty())
            reading = numeralReading(numeral.text);
        // Digits the dictionary does not know either (0, 007 in Latin digits).
        if (reading.isEmpty()
            && !std::all_of(words.cbegin() + i, words.cbegin() + numeral.end, saidInKana))
            reading = katakanaForm(digitByDigit(numeral.text));
        if (!reading.isEmpty() && !numeral.point.isEmpty())
            reading.prepend(katakanaForm(numeral.point));
        if (reading.isEmpty()) {
            out.append(words.at(i++));
            continue;
        }
        // 数千億: several thousand, not one thousand, before 億 or 万.
        if (reading.startsWith(QStringLiteral("イッセン")) && i > 0 && adjacent(words, i)
            && words.at(i - 1).surface.endsWith(u'数'))
            reading.replace(0, 4, QStringLiteral("セン"));
        if (several && reading.startsWith(QStringLiteral("イチ")))
            reading.remove(0, 2);
        // 1日付で: dated the first, as 10日付 is dated the tenth.
        const ReadingWord &lastWord = words.at(last - 1);
        if (reading == u"イチニチ"
            && QStringView(sentence.text).sliced(lastWord.start + lastWord.length).startsWith(u'付'))
            reading = QStringLiteral("ツイタチ");
        out.append(merged(words, i, last, reading, ReadingSource::Rule));
        out.last().pos = QStringLiteral("名詞,数");
        const bool eitherDayWord = reading == u"イチニチ" && eitherDay(sentence.text, out.last());
        if (eitherDayWord)
            out.last().candidates = {QStringLiteral("ツイタチ")};
        if (eitherDayWord
            || (last > numeral.end && !knownCounter(words.at(numeral.end).surface))
            || digitString(numeral.text, last > numeral.end ? words.at(numeral.end).surface
                                                            : QString()))
            out.last().weighed = ReadingConfidence::Unsure;
        i = last;
    }
    sentence.words = std::move(out);
    return {};
}
