#include "core/text/romaji.h"

#include "core/text/kana.h"

#include <QList>

namespace {

// Romaji of the katakana U+30A1 (ァ) to U+30FA (ヺ), in order. ッ and ン are
// written by their neighbours; the small vowels and y-kana join the kana before.
constexpr const char *kSyllables[] = {
    "a",  "a",   "i",  "i",  "u",  "u",   "e",  "e",  "o",  "o",  // ァ..オ
    "ka", "ga",  "ki", "gi", "ku", "gu",  "ke", "ge", "ko", "go", // カ..ゴ
    "sa", "za",  "shi", "ji", "su", "zu", "se", "ze", "so", "zo", // サ..ゾ
    "ta", "da",  "chi", "ji", "",   "tsu", "zu", "te", "de", "to", "do", // タ..ド
    "na", "ni",  "nu", "ne", "no",                                // ナ..ノ
    "ha", "ba",  "pa", "hi", "bi", "pi", "fu", "bu", "pu",        // ハ..プ
    "he", "be",  "pe", "ho", "bo", "po",                          // ヘ..ポ
    "ma", "mi",  "mu", "me", "mo",                                // マ..モ
    "ya", "ya",  "yu", "yu", "yo", "yo",                          // ャ..ヨ
    "ra", "ri",  "ru", "re", "ro",                                // ラ..ロ
    "wa", "wa",  "i",  "e",  "wo", "n",                           // ヮ ワ ヰ ヱ ヲ ン
    "vu", "ka",  "ke", "va", "vi", "ve", "vo",                    // ヴ ヵ ヶ ヷ ヸ ヹ ヺ
};
static_assert(std::size(kSyllables) == u'ヺ' - u'ァ' + 1);

bool isSmallVowel(QChar c)
{
    return c == u'ァ' || c == u'ィ' || c == u'ゥ' || c == u'ェ' || c == u'ォ';
}

bool isSmallY(QChar c)
{
    return c == u'ャ' || c == u'ュ' || c == u'ョ';
}

bool isVowel(QChar c)
{
    return QStringView(u"aiueo").contains(c);
}

QChar macron(QChar vowel)
{
    const qsizetype at = QStringView(u"aiueo").indexOf(vowel);
    return at < 0 ? vowel : QStringView(u"āīūēō").at(at);
}

// One written unit: a kana with the small kana joined to it, a ッ, ン or ー, or
// any other character.
struct Unit
{
    enum Kind { Syllable, Sokuon, Moraic, Long, Other } kind;
    QString text;
    bool plainVowel = false; // a full-size ア イ ウ エ オ alone: may lengthen the one before
};

// A kana with a small vowel after it: ファ fa, ティ ti, ウィ wi, クァ kwa, シェ she.
QString withSmallVowel(const QString &syllable, QChar small)
{
    const QChar vowel = QChar(kSyllables[small.unicode() - u'ァ'][0]);
    const QString stem = syllable.chopped(1);
    const QChar last = syllable.back();
    if (last == u'i' && vowel == u'e')
        return stem.endsWith(u'h') || stem == u"j" ? stem + vowel : stem + QStringLiteral("ye");
    if (last == u'u' && (stem.isEmpty() || stem == u"k" || stem == u"g"))
        return stem + u'w' + vowel;
    if (last == u'u' || ((last == u'e' || last == u'o') && (stem == u"t" || stem == u"d")))
        return stem + vowel;
    return syllable + vowel;
}

// A kana with a small ャ ュ ョ after it: キャ kya, シャ sha, ジュ ju, フュ fyu.
QString withSmallY(const QString &syllable, QChar small)
{
    const QChar vowel = QChar(kSyllables[small.unicode() - u'ァ'][1]);
    const QString stem = syllable.chopped(1);
    if (stem.endsWith(u'h') || stem == u"j")
        return stem + vowel;
    return (stem.isEmpty() ? syllable : stem) + u'y' + vowel;
}

QList<Unit> units(const QString &katakana)
{
    QList<Unit> out;
    for (qsizetype i = 0; i < katakana.size(); ++i) {
        const QChar c = katakana.at(i);
        if (c == u'ッ') {
            out.append(Unit {Unit::Sokuon, QString()});
        } else if (c == u'ン') {
            out.append(Unit {Unit::Moraic, QStringLiteral("n")});
        } else if (c == u'ー') {
            out.append(Unit {Unit::Long, QString()});
        } else if (c >= u'ァ' && c <= u'ヺ') {
            QString text = QString::fromLatin1(kSyllables[c.unicode() - u'ァ']);
            bool joined = false;
            if (!isSmallVowel(c) && !isSmallY(c) && i + 1 < katakana.size()) {
                const QChar next = katakana.at(i + 1);
                if (isSmallVowel(next))
                    text = withSmallVowel(text, next), joined = true;
                else if (isSmallY(next))
                    text = withSmallY(text, next), joined = true;
            }
            const bool plain = !joined && text.size() == 1 && !isSmallVowel(c);
            out.append(Unit {Unit::Syllable, text, plain});
            i += joined;
        } else {
            out.append(Unit {Unit::Other, QString(c)});
        }
    }
    return out;
}

} // namespace

QString romajiForm(const QString &reading, LongVowels longVowels, QStringView following)
{
    const QList<Unit> word = units(katakanaForm(reading));
    const QList<Unit> after = units(katakanaForm(following.left(3).toString()));
    const auto nextText = [&](qsizetype i) {
        const Unit *next = i + 1 < word.size() ? &word.at(i + 1)
            : after.isEmpty()                  ? nullptr
                                               : &after.first();
        return next && next->kind != Unit::Other ? next->text : QString();
    };
    QString out;
    bool vowelBefore = false; // the last letter written is a kana's plain vowel
    for (qsizetype i = 0; i < word.size(); ++i) {
        const Unit &unit = word.at(i);
        switch (unit.kind) {
        case Unit::Sokuon: {
            const QString next = nextText(i);
            if (next.startsWith(u"ch"))
                out += u't';
            else if (!next.isEmpty() && !isVowel(next.front()))
                out += next.front();
            vowelBefore = false;
            break;
        }
        case Unit::Moraic: {
            const QString next = nextText(i);
            out += !next.isEmpty() && (isVowel(next.front()) || next.front() == u'y')
                ? QStringLiteral("n'")
                : QStringLiteral("n");
            vowelBefore = false;
            break;
        }
        case Unit::Long:
            if (vowelBefore) {
                if (longVowels == LongVowels::Macron)
                    out.back() = macron(out.back());
                else
                    out += out.back();
            }
            vowelBefore = false;
            break;
        case Unit::Syllable: {
            const QChar v = unit.text.front();
            const QChar before = vowelBefore ? out.back() : QChar();
            if (unit.plainVowel && longVowels == LongVowels::Macron
                && ((before == u'o' && (v == u'u' || v == u'o')) || (before == u'u' && v == u'u')
                    || (before == u'a' && v == u'a') || (before == u'e' && v == u'e'))) {
                out.back() = macron(before);
                vowelBefore = false;
                break;
            }
            out += unit.text;
            vowelBefore = isVowel(out.back());
            break;
        }
        case Unit::Other:
            out += unit.text;
            vowelBefore = false;
            break;
        }
    }
    return out;
}
