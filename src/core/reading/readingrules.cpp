#include "core/reading/readingrules.h"

#include "core/ruby/rubytext.h"
#include "core/reading/sinojapanesereading.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <optional>

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
    switch (c.unicode()) {
    case u'十':
        return 10;
    case u'百':
        return 100;
    case u'千':
        return 1000;
    default:
        return 0;
    }
}

qint64 bigUnit(QChar c)
{
    switch (c.unicode()) {
    case u'万':
        return 10000;
    case u'億':
        return 100000000;
    case u'兆':
        return 1000000000000;
    default:
        return 0;
    }
}

std::optional<qint64> numberValue(QStringView text)
{
    if (text.isEmpty() || text.size() > 20)
        return {};
    bool units = false;
    for (QChar c : text) {
        if (digitOf(c) < 0 && !smallUnit(c) && !bigUnit(c))
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

const QString kDigitWords[] = {QString(),
                               QStringLiteral("いち"),
                               QStringLiteral("に"),
                               QStringLiteral("さん"),
                               QStringLiteral("よん"),
                               QStringLiteral("ご"),
                               QStringLiteral("ろく"),
                               QStringLiteral("なな"),
                               QStringLiteral("はち"),
                               QStringLiteral("きゅう")};

void groupPieces(int group, bool beforeBig, QList<Piece> &pieces)
{
    const int thousands = group / 1000;
    const int hundreds = group / 100 % 10;
    const int tens = group / 10 % 10;
    const int ones = group % 10;
    if (thousands) {
        QString r = thousands == 1
            ? (beforeBig ? QStringLiteral("いっせん") : QStringLiteral("せん"))
            : thousands == 3 ? QStringLiteral("さんぜん")
            : thousands == 8 ? QStringLiteral("はっせん")
                             : kDigitWords[thousands] + QStringLiteral("せん");
        pieces.append({r, Kind::Thousand});
    }
    if (hundreds) {
        QString r = hundreds == 1 ? QStringLiteral("ひゃく")
            : hundreds == 3       ? QStringLiteral("さんびゃく")
            : hundreds == 6       ? QStringLiteral("ろっぴゃく")
            : hundreds == 8       ? QStringLiteral("はっぴゃく")
                                  : kDigitWords[hundreds] + QStringLiteral("ひゃく");
        pieces.append({r, Kind::Hundred});
    }
    if (tens)
        pieces.append(
            {(tens == 1 ? QString() : kDigitWords[tens]) + QStringLiteral("じゅう"), Kind::Ten});
    if (ones)
        pieces.append({kDigitWords[ones], Kind::Ones, ones});
}

QString geminated(const QString &word)
{
    // いち はち ろく じゅう ひゃく: the last mora becomes っ before k, s, t, h sounds.
    if (word.endsWith(QStringLiteral("じゅう")))
        return word.chopped(1).chopped(1) + QStringLiteral("ゅっ");
    return word.chopped(1) + QStringLiteral("っ");
}

std::optional<QList<Piece>> spokenPieces(qint64 value)
{
    if (value <= 0 || value >= 10000000000000000)
        return {};
    QList<Piece> pieces;
    const int cho = int(value / 1000000000000);
    const int oku = int(value / 100000000 % 10000);
    const int man = int(value / 10000 % 10000);
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

struct Counter
{
    char16_t key;
    const char16_t *base;
    char sound; // 'k', 's', 'h' (h gives p after っ), 0 no change
    const char16_t *afterGemination; // for h: the p form
    const char16_t *afterN; // after さん, せん, まん
    const char16_t *four; // the digit word 4, 7, 9 before this counter
    const char16_t *seven;
    const char16_t *nine;
};

// The common counters and how they change the number before them.
const Counter kCounters[] = {
    {u'本', u"ほん", 'h', u"ぽん", u"ぼん", u"よん", u"なな", u"きゅう"},
    {u'匹', u"ひき", 'h', u"ぴき", u"びき", u"よん", u"なな", u"きゅう"},
    {u'杯', u"はい", 'h', u"ぱい", u"ばい", u"よん", u"なな", u"きゅう"},
    {u'分', u"ふん", 'h', u"ぷん", u"ぷん", u"よん", u"なな", u"きゅう"},
    {u'回', u"かい", 'k', u"かい", u"かい", u"よん", u"なな", u"きゅう"},
    {u'階', u"かい", 'k', u"かい", u"がい", u"よん", u"なな", u"きゅう"},
    {u'個', u"こ", 'k', u"こ", u"こ", u"よん", u"なな", u"きゅう"},
    {u'冊', u"さつ", 's', u"さつ", u"さつ", u"よん", u"なな", u"きゅう"},
    {u'歳', u"さい", 's', u"さい", u"さい", u"よん", u"なな", u"きゅう"},
    {u'才', u"さい", 's', u"さい", u"さい", u"よん", u"なな", u"きゅう"},
    {u'人', u"にん", 0, u"", u"にん", u"よ", u"しち", u"きゅう"},
    {u'日', u"にち", 0, u"", u"にち", u"よっ", u"しち", u"く"},
    {u'年', u"ねん", 0, u"", u"ねん", u"よ", u"しち", u"きゅう"},
    {u'月', u"がつ", 0, u"", u"がつ", u"し", u"しち", u"く"},
    {u'時', u"じ", 0, u"", u"じ", u"よ", u"しち", u"く"},
    {u'円', u"えん", 0, u"", u"えん", u"よ", u"なな", u"きゅう"},
    {u'度', u"ど", 0, u"", u"ど", u"よん", u"なな", u"きゅう"},
    {u'番', u"ばん", 0, u"", u"ばん", u"よん", u"なな", u"きゅう"},
    {u'枚', u"まい", 0, u"", u"まい", u"よん", u"なな", u"きゅう"},
    {u'台', u"だい", 0, u"", u"だい", u"よん", u"なな", u"きゅう"},
};

const Counter *counterFor(QStringView text)
{
    if (text.size() != 1)
        return nullptr;
    for (const Counter &counter : kCounters) {
        if (counter.key == text.front().unicode())
            return &counter;
    }
    return nullptr;
}

// The days of the month that have words of their own.
QString dayWord(qint64 value, bool asDate)
{
    switch (value) {
    case 1:
        return asDate ? QStringLiteral("ついたち") : QStringLiteral("いちにち");
    case 2:
        return QStringLiteral("ふつか");
    case 3:
        return QStringLiteral("みっか");
    case 4:
        return QStringLiteral("よっか");
    case 5:
        return QStringLiteral("いつか");
    case 6:
        return QStringLiteral("むいか");
    case 7:
        return QStringLiteral("なのか");
    case 8:
        return QStringLiteral("ようか");
    case 9:
        return QStringLiteral("ここのか");
    case 10:
        return QStringLiteral("とおか");
    case 14:
        return QStringLiteral("じゅうよっか");
    case 20:
        return QStringLiteral("はつか");
    case 24:
        return QStringLiteral("にじゅうよっか");
    default:
        return QString();
    }
}

bool allNumerals(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!isNumeralChar(c))
            return false;
    }
    return true;
}

bool voicelessStart(QChar c)
{
    static const QString voiceless = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホ");
    return voiceless.contains(c);
}

// 々 after a native word voices it (人々 ヒトビト); Sino-Japanese ones stay (徐々 ジョジョ).
QString repeated(const QString &reading)
{
    if (reading.size() < 2 || !voicelessStart(reading.front()) || reading.contains(QChar(u'ャ'))
        || reading.contains(QChar(u'ュ')) || reading.contains(QChar(u'ョ'))
        || reading.endsWith(QChar(u'ウ')) || reading.endsWith(QChar(u'ン'))
        || reading.endsWith(QChar(u'イ')))
        return reading;
    QString voiced = reading;
    voiced[0] = QChar(char16_t(reading.front().unicode() + 1));
    return voiced;
}

// A day after a month (四月一日) is a date.
bool afterMonth(const QList<AnalysedWord> &tokens, qsizetype index)
{
    QString before;
    for (qsizetype i = index - 1; i >= 0 && before.size() < 4; --i)
        before.prepend(tokens.at(i).surface);
    return before.size() >= 2 && before.endsWith(QChar(u'月'))
        && isNumeralChar(before.at(before.size() - 2));
}

// Words the dictionary reads in a way rarely meant in ordinary text.
const QHash<QString, QString> kFixedReadings {
    {QStringLiteral("行"), QStringLiteral("ギョウ")},
    {QStringLiteral("明後日"), QStringLiteral("アサッテ")},
    {QStringLiteral("一昨日"), QStringLiteral("オトトイ")},
};

// 十分 before these is ten minutes, not enough.
const QStringList kAfterMinutes {QStringLiteral("後"),     QStringLiteral("間"),
                                 QStringLiteral("前"),     QStringLiteral("以内"),
                                 QStringLiteral("おき"),   QStringLiteral("ごと"),
                                 QStringLiteral("遅れ"),   QStringLiteral("ほど"),
                                 QStringLiteral("くらい"), QStringLiteral("ぐらい")};

bool isKanji(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
}

// End of a run of at least three kanji from first whose 々 stands as a word of
// its own; first when there is none.
qsizetype iteratedCompoundEnd(const QList<AnalysedWord> &tokens, qsizetype first, qsizetype last)
{
    qsizetype end = first;
    qsizetype length = 0;
    bool mark = false;
    while (end < last) {
        const QString &surface = tokens.at(end).surface;
        if (surface == QStringLiteral("々") && end > first) {
            mark = true;
        } else if (surface.isEmpty() || !std::all_of(surface.begin(), surface.end(), isKanji)) {
            break;
        }
        length += surface.size();
        ++end;
    }
    return mark && length >= 3 ? end : first;
}

} // namespace

bool isNumeralChar(QChar c)
{
    return digitOf(c) >= 0 || smallUnit(c) || bigUnit(c);
}

QString numberReading(QStringView numeral)
{
    const std::optional<qint64> value = numberValue(numeral);
    if (!value)
        return QString();
    const std::optional<QList<Piece>> pieces = spokenPieces(*value);
    if (!pieces)
        return QString();
    QString spoken;
    for (const Piece &piece : *pieces)
        spoken += piece.reading;
    return katakanaForm(spoken);
}

QString countedReading(QStringView numeral, QStringView counterText, bool asDate)
{
    const Counter *counter = counterFor(counterText);
    const std::optional<qint64> value = numberValue(numeral);
    if (!counter || !value)
        return QString();
    if (counter->key == u'人' && *value <= 2)
        return katakanaForm(*value == 1 ? QStringLiteral("ひとり") : QStringLiteral("ふたり"));
    if ((counter->key == u'歳' || counter->key == u'才') && *value == 20)
        return QStringLiteral("ハタチ");
    if (counter->key == u'日') {
        if (const QString day = dayWord(*value, asDate); !day.isEmpty())
            return katakanaForm(day);
    }
    std::optional<QList<Piece>> pieces = spokenPieces(*value);
    if (!pieces)
        return QString();
    const Piece last = pieces->takeLast();
    QString head;
    for (const Piece &piece : *pieces)
        head += piece.reading;

    const QString base = QString::fromUtf16(counter->base);
    const QString pForm = QString::fromUtf16(counter->afterGemination);
    const QString nForm = QString::fromUtf16(counter->afterN);
    const bool gem = counter->sound != 0;
    const QString afterGem = counter->sound == 'h' ? pForm : base;
    QString tail;
    switch (last.kind) {
    case Kind::Ones: {
        const int d = last.digit;
        if (counter->key == u'日' && d == 4) {
            tail = QStringLiteral("よっか");
        } else if (gem && (d == 1 || d == 8 || (d == 6 && counter->sound != 's'))) {
            tail = geminated(last.reading) + afterGem;
        } else if (d == 3) {
            tail = last.reading + nForm;
        } else {
            const QString word = d == 4 ? QString::fromUtf16(counter->four)
                : d == 7                ? QString::fromUtf16(counter->seven)
                : d == 9                ? QString::fromUtf16(counter->nine)
                                        : last.reading;
            // 四分 ヨンプン: the p form follows ん as well.
            tail = word + (counter->key == u'分' && d == 4 ? pForm : base);
        }
        break;
    }
    case Kind::Ten:
        tail = gem ? geminated(last.reading) + afterGem : last.reading + base;
        break;
    case Kind::Hundred:
        tail = counter->sound == 'h' || counter->sound == 'k' ? geminated(last.reading) + afterGem
                                                              : last.reading + base;
        break;
    case Kind::Thousand:
    case Kind::Man:
        tail = last.reading + (counter->sound == 'h' ? nForm : base);
        break;
    case Kind::Oku:
    case Kind::Cho:
        tail = last.reading + base;
        break;
    }
    return katakanaForm(head + tail);
}

QString spanReading(const QList<AnalysedWord> &tokens, qsizetype first, qsizetype last,
                    const std::function<QString(const QString &)> &readAlone)
{
    QString out;
    for (qsizetype i = first; i < last;) {
        const AnalysedWord &token = tokens.at(i);
        // A kanji compound with 々 that the dictionary cuts up (去々年): the mark
        // repeats the kanji and the whole is read kanji by kanji.
        if (const qsizetype end = iteratedCompoundEnd(tokens, i, last); end > i) {
            QString written;
            for (qsizetype k = i; k < end; ++k)
                written += tokens.at(k).surface;
            for (qsizetype k = 1; k < written.size(); ++k) {
                if (written.at(k) == QChar(u'々'))
                    written[k] = written.at(k - 1);
            }
            if (const QString sino = sinoJapaneseReading(written); !sino.isEmpty()) {
                out += sino;
                i = end;
                continue;
            }
        }
        if (token.numeral && allNumerals(token.surface)) {
            qsizetype j = i;
            QString numeral;
            while (j < last && tokens.at(j).numeral && allNumerals(tokens.at(j).surface))
                numeral += tokens.at(j++).surface;
            QString spoken;
            qsizetype end = j;
            if (j < last && counterFor(tokens.at(j).surface)) {
                spoken = countedReading(numeral, tokens.at(j).surface, afterMonth(tokens, i));
                end = j + 1;
            }
            if (spoken.isEmpty()) {
                spoken = numberReading(numeral);
                end = j;
            }
            if (!spoken.isEmpty()) {
                out += spoken;
                i = end;
                continue;
            }
        }
        QString reading = token.reading;
        const QString next = i + 1 < tokens.size() ? tokens.at(i + 1).surface : QString();
        if (const QString fixed = kFixedReadings.value(token.surface); !fixed.isEmpty()) {
            reading = fixed;
        } else if (token.surface == QStringLiteral("仮名") && reading != QStringLiteral("カナ")) {
            // 送り仮名, 振り仮名: voiced after the word it follows.
            reading = i > first ? QStringLiteral("ガナ") : QStringLiteral("カナ");
        } else if (token.surface == QStringLiteral("十分") && kAfterMinutes.contains(next)) {
            reading = QStringLiteral("ジュップン");
        } else if (token.surface == QStringLiteral("一日")) {
            reading
                = afterMonth(tokens, i) ? QStringLiteral("ツイタチ") : QStringLiteral("イチニチ");
        } else if (token.surface.startsWith(QStringLiteral("日本"))
                   && reading.startsWith(QStringLiteral("ニッポン"))) {
            reading.replace(0, 4, QStringLiteral("ニホン"));
        } else if (token.surface.contains(QChar(u'々')) && reading == katakanaForm(token.surface)) {
            // The dictionary lacks the whole: each mark repeats the kanji before it.
            reading.clear();
            QString kanji;
            for (qsizetype k = 0; k < token.surface.size(); ++k) {
                const QChar c = token.surface.at(k);
                if (c != QChar(u'々')) {
                    kanji = readAlone(QString(c));
                    reading += kanji;
                    continue;
                }
                if (k == 0 && i > 0) {
                    const AnalysedWord &before = tokens.at(i - 1);
                    kanji = before.surface.size() == 1 ? before.reading
                                                       : readAlone(before.surface.right(1));
                }
                reading += kanji.isEmpty() ? QString(c) : repeated(kanji);
            }
        }
        out += reading;
        ++i;
    }
    return out;
}

TextTokenizer proposedReadings(PhoneticService &service)
{
    return [&service](const QString &text) {
        QList<ReadingToken> words;
        const TokenReadings analysed = service.tokens(text);
        if (!analysed.ok())
            return words;
        const QList<AnalysedWord> &tokens = analysed.tokens;
        const auto readAlone
            = [&service](const QString &kanji) { return service.reading(kanji).reading; };
        const auto follows = [&tokens](qsizetype i) {
            return tokens[i].start == tokens[i - 1].start + tokens[i - 1].length;
        };
        for (qsizetype first = 0; first < tokens.size();) {
            qsizetype end = first + 1;
            if (tokens[first].numeral) {
                while (end < tokens.size() && tokens[end].numeral && follows(end))
                    ++end;
                const QStringView numeral = QStringView(text).sliced(
                    tokens[first].start,
                    tokens[end - 1].start + tokens[end - 1].length - tokens[first].start);
                if (end < tokens.size() && follows(end)
                    && !countedReading(numeral, tokens[end].surface).isEmpty())
                    ++end;
            }
            const AnalysedWord &last = tokens[end - 1];
            words.append({tokens[first].start, last.start + last.length - tokens[first].start,
                          spanReading(tokens, first, end, readAlone)});
            first = end;
        }
        return words;
    };
}
