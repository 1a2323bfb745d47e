#include "core/document/encodings.h"

#include <uchardet/uchardet.h>

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr qsizetype kDeclarationBytes = 1024; // where browsers look for a declaration
constexpr qsizetype kBinaryProbeBytes = 8192;
constexpr qsizetype kDetectorBytes = qsizetype(256) * 1024; // the detector is sure long before

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

QByteArrayView trimmed(QByteArrayView s)
{
    while (!s.isEmpty() && isSpace(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isSpace(s.back()))
        s.chop(1);
    return s;
}

struct Label
{
    const char *label;
    const QByteArray *encoding;
};

// The labels of the encodings offered here, as the Encoding Standard lists them.
const Label kLabels[] = {
    {"unicode-1-1-utf-8", &kUtf8Encoding},
    {"unicode11utf8", &kUtf8Encoding},
    {"unicode20utf8", &kUtf8Encoding},
    {"utf-8", &kUtf8Encoding},
    {"utf8", &kUtf8Encoding},
    {"x-unicode20utf8", &kUtf8Encoding},
    {"csshiftjis", &kShiftJisEncoding},
    {"ms932", &kShiftJisEncoding},
    {"ms_kanji", &kShiftJisEncoding},
    {"shift-jis", &kShiftJisEncoding},
    {"shift_jis", &kShiftJisEncoding},
    {"sjis", &kShiftJisEncoding},
    {"windows-31j", &kShiftJisEncoding},
    {"x-sjis", &kShiftJisEncoding},
    {"cseucpkdfmtjapanese", &kEucJpEncoding},
    {"euc-jp", &kEucJpEncoding},
    {"x-euc-jp", &kEucJpEncoding},
    {"csiso2022jp", &kIso2022JpEncoding},
    {"iso-2022-jp", &kIso2022JpEncoding},
    {"csunicode", &kUtf16LeEncoding},
    {"iso-10646-ucs-2", &kUtf16LeEncoding},
    {"ucs-2", &kUtf16LeEncoding},
    {"unicode", &kUtf16LeEncoding},
    {"unicodefeff", &kUtf16LeEncoding},
    {"utf-16", &kUtf16LeEncoding},
    {"utf-16le", &kUtf16LeEncoding},
    {"unicodefffe", &kUtf16BeEncoding},
    {"utf-16be", &kUtf16BeEncoding},
};

// Case-insensitive search for an ASCII needle (given in lower case).
qsizetype indexOfLower(QByteArrayView hay, QByteArrayView needle, qsizetype from)
{
    for (qsizetype i = from; i + needle.size() <= hay.size(); ++i) {
        qsizetype k = 0;
        while (k < needle.size() && asciiLower(hay[i + k]) == needle[k])
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

struct Attribute
{
    QByteArray name; // lower case
    QByteArrayView value;
};

// Reads one attribute at `at` inside a tag; false at the tag's end.
bool nextAttribute(QByteArrayView s, qsizetype &at, Attribute &attribute)
{
    while (at < s.size() && (isSpace(s[at]) || s[at] == '/'))
        ++at;
    if (at >= s.size() || s[at] == '>')
        return false;
    attribute.name.clear();
    while (at < s.size() && !isSpace(s[at]) && s[at] != '=' && s[at] != '>'
           && (s[at] != '/' || attribute.name.isEmpty()))
        attribute.name.append(asciiLower(s[at++]));
    while (at < s.size() && isSpace(s[at]))
        ++at;
    attribute.value = {};
    if (at >= s.size() || s[at] != '=')
        return true;
    ++at;
    while (at < s.size() && isSpace(s[at]))
        ++at;
    if (at < s.size() && (s[at] == '"' || s[at] == '\'')) {
        const char quote = s[at++];
        const qsizetype start = at;
        while (at < s.size() && s[at] != quote)
            ++at;
        attribute.value = s.sliced(start, at - start);
        if (at < s.size())
            ++at;
    } else {
        const qsizetype start = at;
        while (at < s.size() && !isSpace(s[at]) && s[at] != '>')
            ++at;
        attribute.value = s.sliced(start, at - start);
    }
    return true;
}

// The charset parameter of a Content-Type value.
QByteArrayView charsetOfContentType(QByteArrayView content)
{
    const qsizetype at = indexOfLower(content, "charset", 0);
    if (at < 0)
        return {};
    qsizetype i = at + 7;
    while (i < content.size() && isSpace(content[i]))
        ++i;
    if (i >= content.size() || content[i] != '=')
        return {};
    ++i;
    while (i < content.size() && isSpace(content[i]))
        ++i;
    if (i < content.size() && (content[i] == '"' || content[i] == '\''))
        ++i;
    const qsizetype start = i;
    while (i < content.size() && !isSpace(content[i]) && content[i] != ';' && content[i] != '"'
           && content[i] != '\'')
        ++i;
    return content.sliced(start, i - start);
}

// The label a declaration in these (ASCII-compatible) bytes gives, as written.
// With spans, every declaration's label is noted, not only the first.
QByteArray declaredLabelIn(QByteArrayView head, QList<m_spanLabel> *spans = nullptr)
{
    QByteArray first;
    bool found = false;
    // True when the search may stop.
    const auto take = [&](QByteArrayView label) {
        if (!found)
            first = label.toByteArray();
        found = true;
        if (spans)
            spans->append({label.data() - head.data(), label.size()});
        return !spans;
    };
    if (head.startsWith("<?xml")) {
        const qsizetype end = head.indexOf("?>");
        qsizetype at = 5;
        Attribute attribute;
        const QByteArrayView declaration = head.first(end < 0 ? head.size() : end);
        while (nextAttribute(declaration, at, attribute)) {
            if (attribute.name == "encoding") {
                if (take(trimmed(attribute.value)))
                    return first;
                break;
            }
        }
    }
    for (qsizetype at = indexOfLower(head, "<meta", 0); at >= 0;
         at = indexOfLower(head, "<meta", at)) {
        at += 5;
        if (at < head.size() && !isSpace(head[at]) && head[at] != '/')
            continue;
        Attribute attribute;
        QByteArrayView charset;
        QByteArrayView content;
        bool contentType = false;
        while (nextAttribute(head, at, attribute)) {
            if (attribute.name == "charset" && charset.isNull())
                charset = attribute.value;
            else if (attribute.name == "content" && content.isNull())
                content = attribute.value;
            else if (attribute.name == "http-equiv")
                contentType
                    = trimmed(attribute.value).compare("content-type", Qt::CaseInsensitive) == 0;
        }
        if (!charset.isNull()) {
            if (take(trimmed(charset)))
                return first;
            continue;
        }
        if (contentType && !content.isNull()) {
            const QByteArrayView label = charsetOfContentType(content);
            if (!label.isEmpty() && take(label))
                return first;
        }
    }
    return first;
}

QByteArray asciiHead(QStringView text)
{
    const QStringView head = text.first(qMin(text.size(), kDeclarationBytes));
    QByteArray ascii(head.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < head.size(); ++i)
        ascii[i] = head[i].unicode() < 0x80 ? char(head[i].unicode()) : '?';
    return ascii;
}

// What UTF-16 of a text editor's page holds: no controls but white space and ESC.
bool readsAsUtf16Text(QByteArrayView probe, const QByteArray &encoding)
{
    QStringDecoder decoder(encoding.constData());
    const QString text = decoder.decode(probe.first(probe.size() & ~qsizetype(1)));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != 0x1B)
            return false;
    }
    return true;
}

QHash<QByteArray, char16_t> findAlternativeCodes(const QByteArray &encoding)
{
    QHash<QByteArray, char16_t> codes;
    QStringDecoder decoder(encoding.constData());
    QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::Stateless);
    const bool euc = encoding == kEucJpEncoding;
    // The converters are reused (one per code costs a second); their error flags stay
    // set once raised, so a failure is told by what comes back.
    const auto tryCode = [&](const QByteArray &code) {
        decoder.resetState();
        const QString one = decoder.decode(code + '\n');
        if (one.size() != 2 || one.back() != u'\n' || one.front() == QChar::ReplacementCharacter)
            return;
        encoder.resetState();
        const QByteArray preferred = encoder.encode(QStringView(one).first(1));
        decoder.resetState();
        if (preferred != code && QString(decoder.decode(preferred)) == one.first(1))
            codes.insert(code, one.front().unicode());
    };
    for (int a = 0x81; a < 0xFF; ++a) {
        for (int b = 0x40; b < 0xFF; ++b) {
            const QByteArray two = QByteArray(1, char(a)) + char(b);
            tryCode(two);
            if (euc && a == 0x8F && b >= 0xA1) {
                for (int c = 0xA1; c < 0xFF; ++c)
                    tryCode(two + char(c));
            }
        }
    }
    return codes;
}

} // namespace

QByteArray encodingForLabel(QByteArrayView label)
{
    label = trimmed(label);
    for (const Label &known : kLabels) {
        if (label.compare(known.label, Qt::CaseInsensitive) == 0)
            return *known.encoding;
    }
    return {};
}

bool sameEncoding(QByteArrayView a, QByteArrayView b)
{
    const QByteArray x = encodingForLabel(a);
    const QByteArray y = encodingForLabel(b);
    if (!x.isEmpty() || !y.isEmpty())
        return x == y;
    return trimmed(a).compare(trimmed(b), Qt::CaseInsensitive) == 0;
}

QByteArray declaredEncoding(QByteArrayView bytes)
{
    QByteArray encoding
        = encodingForLabel(declaredLabelIn(bytes.first(qMin(bytes.size(), kDeclarationBytes))));
    // A page whose bytes were ASCII-readable enough to declare UTF-16 is not UTF-16.
    if (encoding == kUtf16LeEncoding || encoding == kUtf16BeEncoding)
        encoding = kUtf8Encoding;
    return encoding;
}

QByteArray declaredLabel(QStringView text)
{
    return declaredLabelIn(asciiHead(text));
}

QList<m_spanLabel> declarationLabels(QStringView text)
{
    QList<m_spanLabel> spans;
    declaredLabelIn(asciiHead(text), &spans);
    return spans;
}

QByteArray encodingOfBom(QByteArrayView bytes, qsizetype *length)
{
    QByteArray encoding;
    qsizetype size = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = kUtf8Encoding;
        size = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = kUtf16LeEncoding;
        size = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = kUtf16BeEncoding;
        size = 2;
    }
    if (length)
        *length = size;
    return encoding;
}

QByteArray bomBytes(const QByteArray &encoding)
{
    if (encoding == kUtf8Encoding)
        return QByteArrayLiteral("\xEF\xBB\xBF");
    if (encoding == kUtf16LeEncoding)
        return QByteArrayLiteral("\xFF\xFE");
    if (encoding == kUtf16BeEncoding)
        return QByteArrayLiteral("\xFE\xFF");
    return {};
}

QByteArray nulBytesVerdict(QByteArrayView bytes)
{
    const QByteArrayView probe = bytes.first(qMin(bytes.size(), kBinaryProbeBytes));
    if (probe.isEmpty() || !std::memchr(probe.data(), 0, size_t(probe.size())))
        return {};
    if (bytes.size() % 2 == 0) {
        qsizetype nulInEven = 0;
        qsizetype nulInOdd = 0;
        for (qsizetype i = 0; i < probe.size(); ++i) {
            if (probe[i] == 0)
                ++(i % 2 == 0 ? nulInEven : nulInOdd);
        }
        // ASCII in UTF-16 has NUL high bytes; a few characters (U+3000, U+4E00) have
        // a NUL low byte, so the half with more NULs tells the byte order.
        const QByteArray order = nulInOdd > nulInEven ? kUtf16LeEncoding
            : nulInEven > nulInOdd                    ? kUtf16BeEncoding
                                                      : QByteArray();
        if (!order.isEmpty() && readsAsUtf16Text(probe, order))
            return order;
    }
    return QByteArrayLiteral("binary");
}

QByteArray utf16WithoutAscii(QByteArrayView bytes)
{
    if (bytes.size() % 2 != 0 || bytes.size() < 4)
        return {};
    const QByteArrayView probe = bytes.first(qMin(bytes.size(), kBinaryProbeBytes));
    for (const QByteArray &order : {kUtf16LeEncoding, kUtf16BeEncoding}) {
        const qsizetype high = order == kUtf16LeEncoding ? 1 : 0;
        qsizetype kana = 0;
        for (qsizetype i = high; i < probe.size(); i += 2)
            kana += probe[i] == 0x30;
        if (kana * 5 < probe.size() / 2)
            continue;
        QStringDecoder decoder(order.constData());
        const QString text = decoder.decode(probe);
        const bool japanese = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
            const char16_t u = c.unicode();
            return (u >= 0x2000 && u < 0xA000) || (u >= 0xF900 && u < 0xFB00) || u >= 0xFF00
                || c.isSurrogate();
        });
        if (japanese)
            return order;
    }
    return {};
}

const QHash<QByteArray, char16_t> &alternativeCodes(const QByteArray &encoding)
{
    if (encoding == kShiftJisEncoding) {
        static const QHash<QByteArray, char16_t> codes = findAlternativeCodes(kShiftJisEncoding);
        return codes;
    }
    if (encoding == kEucJpEncoding) {
        static const QHash<QByteArray, char16_t> codes = findAlternativeCodes(kEucJpEncoding);
        return codes;
    }
    static const QHash<QByteArray, char16_t> none;
    return none;
}

bool hasJisEscapes(QByteArrayView bytes)
{
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    while (const void *found = std::memchr(at, 0x1B, size_t(end - at))) {
        const QByteArrayView rest(static_cast<const char *>(found), end);
        if (rest.startsWith("\x1B$B") || rest.startsWith("\x1B$@") || rest.startsWith("\x1B(J")
            || rest.startsWith("\x1B(I"))
            return true;
        at = static_cast<const char *>(found) + 1;
    }
    return false;
}

QList<QByteArray> japaneseEncodings()
{
    return {kShiftJisEncoding, kEucJpEncoding, kIso2022JpEncoding};
}

QByteArray guessedEncoding(QByteArrayView bytes)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (!detector)
        return {};
    const QByteArrayView sample = bytes.first(qMin(bytes.size(), kDetectorBytes));
    if (uchardet_handle_data(detector.get(), sample.data(), size_t(sample.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    return encodingForLabel(uchardet_get_charset(detector.get()));
}

QString encodingDisplayName(const TextEncoding &encoding)
{
    QString name = encoding.name == kShiftJisEncoding ? QStringLiteral("Shift_JIS")
                                                      : QString::fromLatin1(encoding.name);
    if (encoding.bom)
        name += QStringLiteral(" (BOM)");
    return name;
}

QList<TextEncoding> choosableEncodings()
{
    return {{kUtf8Encoding, false},  {kUtf8Encoding, true},       {kShiftJisEncoding, false},
            {kEucJpEncoding, false}, {kIso2022JpEncoding, false}, {kUtf16LeEncoding, true},
            {kUtf16BeEncoding, true}};
}

LineEnds lineEndsOf(QStringView text)
{
    bool crLf = false;
    bool lf = false;
    bool cr = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c == u'\r') {
            if (at + 1 < text.size() && text[at + 1] == u'\n') {
                crLf = true;
                ++at;
            } else {
                cr = true;
            }
        } else if (c == u'\n') {
            lf = true;
        }
    }
    const int kinds = int(crLf) + int(lf) + int(cr);
    if (kinds > 1)
        return LineEnds::Mixed;
    if (crLf)
        return LineEnds::CrLf;
    if (lf)
        return LineEnds::Lf;
    return cr ? LineEnds::Cr : LineEnds::None;
}
