#include "core/text/kana.h"

#include "core/text/romaji.h"

#include <iterator>

namespace {

constexpr char16_t kHiraganaFirst = u'ぁ'; // U+3041
constexpr char16_t kHiraganaLast = u'ゖ'; // U+3096
constexpr char16_t kKatakanaFirst = u'ァ'; // U+30A1
constexpr char16_t kKatakanaLast = u'ヶ'; // U+30F6
constexpr char16_t kKanaDistance = kKatakanaFirst - kHiraganaFirst;

// Half-width forms of the katakana U+30A1 to U+30FC, in order; 0 where none
// exists. A voiced or semi-voiced letter is the unvoiced one plus its mark.
struct Narrow
{
    char16_t letter;
    char16_t mark;
};

constexpr char16_t kVoiced = u'ﾞ';
constexpr char16_t kSemiVoiced = u'ﾟ';

constexpr Narrow kNarrowKatakana[] = {
    {u'ｧ', 0},       {u'ｱ', 0},       {u'ｨ', 0},
    {u'ｲ', 0},       {u'ｩ', 0},       {u'ｳ', 0},
    {u'ｪ', 0},       {u'ｴ', 0},       {u'ｫ', 0},
    {u'ｵ', 0}, // ァ..オ
    {u'ｶ', 0},       {u'ｶ', kVoiced}, {u'ｷ', 0},
    {u'ｷ', kVoiced}, {u'ｸ', 0},       {u'ｸ', kVoiced},
    {u'ｹ', 0},       {u'ｹ', kVoiced}, {u'ｺ', 0},
    {u'ｺ', kVoiced}, // カ..ゴ
    {u'ｻ', 0},       {u'ｻ', kVoiced}, {u'ｼ', 0},
    {u'ｼ', kVoiced}, {u'ｽ', 0},       {u'ｽ', kVoiced},
    {u'ｾ', 0},       {u'ｾ', kVoiced}, {u'ｿ', 0},
    {u'ｿ', kVoiced}, // サ..ゾ
    {u'ﾀ', 0},       {u'ﾀ', kVoiced}, {u'ﾁ', 0},
    {u'ﾁ', kVoiced}, {u'ｯ', 0},       {u'ﾂ', 0},
    {u'ﾂ', kVoiced}, {u'ﾃ', 0},       {u'ﾃ', kVoiced},
    {u'ﾄ', 0},       {u'ﾄ', kVoiced}, // タ..ド
    {u'ﾅ', 0},       {u'ﾆ', 0},       {u'ﾇ', 0},
    {u'ﾈ', 0},       {u'ﾉ', 0}, // ナ..ノ
    {u'ﾊ', 0},       {u'ﾊ', kVoiced}, {u'ﾊ', kSemiVoiced},
    {u'ﾋ', 0},       {u'ﾋ', kVoiced}, {u'ﾋ', kSemiVoiced},
    {u'ﾌ', 0},       {u'ﾌ', kVoiced}, {u'ﾌ', kSemiVoiced},
    {u'ﾍ', 0},       {u'ﾍ', kVoiced}, {u'ﾍ', kSemiVoiced},
    {u'ﾎ', 0},       {u'ﾎ', kVoiced}, {u'ﾎ', kSemiVoiced}, // ハ..ポ
    {u'ﾏ', 0},       {u'ﾐ', 0},       {u'ﾑ', 0},
    {u'ﾒ', 0},       {u'ﾓ', 0}, // マ..モ
    {u'ｬ', 0},       {u'ﾔ', 0},       {u'ｭ', 0},
    {u'ﾕ', 0},       {u'ｮ', 0},       {u'ﾖ', 0}, // ャ..ヨ
    {u'ﾗ', 0},       {u'ﾘ', 0},       {u'ﾙ', 0},
    {u'ﾚ', 0},       {u'ﾛ', 0}, // ラ..ロ
    {0, 0},          {u'ﾜ', 0},       {0, 0},
    {0, 0},          {u'ｦ', 0},       {u'ﾝ', 0}, // ヮ ワ ヰ ヱ ヲ ン
    {u'ｳ', kVoiced}, {0, 0},          {0, 0}, // ヴ ヵ ヶ
    {u'ﾜ', kVoiced}, {0, 0},          {0, 0},
    {u'ｦ', kVoiced}, // ヷ ヸ ヹ ヺ
    {u'･', 0},       {u'ｰ', 0}, // ・ ー
};
static_assert(std::size(kNarrowKatakana) == u'ー' - u'ァ' + 1);

// Other full-width characters of the correspondence, one to one.
char16_t narrowOther(char16_t c)
{
    if (c >= u'！' && c <= u'～') // U+FF01..U+FF5E
        return char16_t(c - 0xFEE0);
    switch (c) {
    case u'　':
        return u' ';
    case u'、':
        return u'､';
    case u'。':
        return u'｡';
    case u'「':
        return u'｢';
    case u'」':
        return u'｣';
    case u'゛':
        return kVoiced;
    case u'゜':
        return kSemiVoiced;
    case u'\u3099':
        return kVoiced; // combining voiced mark
    case u'\u309A':
        return kSemiVoiced; // combining semi-voiced mark
    case u'｟':
        return u'⦅';
    case u'｠':
        return u'⦆';
    case u'￠':
        return u'¢';
    case u'￡':
        return u'£';
    case u'￢':
        return u'¬';
    case u'￣':
        return u'¯';
    case u'￤':
        return u'¦';
    case u'￥':
        return u'¥';
    case u'￦':
        return u'₩';
    default:
        return 0;
    }
}

} // namespace

bool isHiragana(QChar c)
{
    return c >= u'ぁ' && c <= u'ゖ';
}

QString katakanaForm(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if ((u >= kHiraganaFirst && u <= kHiraganaLast) || u == u'ゝ' || u == u'ゞ')
            c = QChar(char16_t(u + kKanaDistance));
    }
    return result;
}

QString hiraganaForm(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if ((u >= kKatakanaFirst && u <= kKatakanaLast) || u == u'ヽ' || u == u'ヾ')
            c = QChar(char16_t(u - kKanaDistance));
    }
    return result;
}

QString halfwidthForm(const QString &text)
{
    QString result;
    result.reserve(text.size() * 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= kKatakanaFirst && u <= u'ー') {
            const Narrow narrow = kNarrowKatakana[u - kKatakanaFirst];
            if (narrow.letter) {
                result.append(QChar(narrow.letter));
                if (narrow.mark)
                    result.append(QChar(narrow.mark));
                continue;
            }
        } else if (const char16_t other = narrowOther(u)) {
            result.append(QChar(other));
            continue;
        }
        result.append(c);
    }
    return result;
}

std::optional<KanaForm> kanaFormFromName(QStringView name)
{
    constexpr std::pair<const char16_t *, KanaForm> kNames[] = {
        {u"katakana", KanaForm::Katakana}, {u"hiragana", KanaForm::Hiragana},
        {u"halfwidth", KanaForm::HalfWidthKatakana}, {u"romaji", KanaForm::Romaji},
        {u"romaji-ou", KanaForm::RomajiSpelled}};
    for (const auto &[known, form] : kNames) {
        if (name == QStringView(known))
            return form;
    }
    return std::nullopt;
}

std::optional<KanaForm> kanaFormFromValue(int value)
{
    if (value < int(KanaForm::Katakana) || value > int(KanaForm::RomajiSpelled))
        return std::nullopt;
    return KanaForm(value);
}

bool isRomaji(KanaForm form)
{
    return form == KanaForm::Romaji || form == KanaForm::RomajiSpelled;
}

QString kanaForm(const QString &reading, KanaForm form, QStringView following)
{
    switch (form) {
    case KanaForm::Romaji:
        return romajiForm(reading, LongVowels::Macron, following);
    case KanaForm::RomajiSpelled:
        return romajiForm(reading, LongVowels::Spelled, following);
    case KanaForm::Hiragana:
        return hiraganaForm(reading);
    case KanaForm::HalfWidthKatakana:
        return halfwidthForm(reading);
    case KanaForm::Katakana:
        break;
    }
    return reading;
}

QString readingOfShown(const QString &shown, KanaForm form, const QStringList &readings)
{
    if (isRomaji(form)) {
        for (const QString &reading : readings) {
            if (kanaForm(reading, form) == shown)
                return reading;
        }
    }
    return shown;
}
