#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

// How a file writes what its encoding can write in more than one way, learned when
// it is read: a save gives back the file's own bytes, and typed characters take
// the form the file already uses.
struct ByteForms
{
    // Characters with two codes (windows-31j, EUC-JP): the code the file uses where
    // it is not the encoder's preferred one.
    QHash<char16_t, QByteArray> characters;
    // ISO-2022-JP: the file designates JIS X 0208 with ESC $ @, not ESC $ B.
    bool oldKanjiEscape = false;
    // ISO-2022-JP: the file goes back to one byte with ESC ( J (JIS-Roman), not ESC ( B.
    bool romanEscape = false;
    // ISO-2022-JP: the file ends in two-byte mode; RFC 1468 text ends in one-byte mode.
    bool endsInKanji = false;
    // The file's bytes as read, kept where the encoder would write some of its text
    // otherwise: what a save leaves unchanged goes back in these bytes.
    QByteArray fileBytes;
};

// The encoding a document is read and written in. An empty name stands for the
// system's code page: new documents, and files of plain ASCII that say nothing
// about their encoding, follow it.
struct TextEncoding
{
    TextEncoding() = default;
    TextEncoding(QByteArray name, bool bom, ByteForms forms = {})
        : name(std::move(name))
        , bom(bom)
        , forms(std::move(forms))
    { }

    QByteArray name; // as QStringConverter knows it: "UTF-8", "windows-31j", "EUC-JP"...
    bool bom = false; // a byte-order mark goes before the text
    ByteForms forms; // how the file read writes characters with more than one form

    bool isSystem() const { return name.isEmpty(); }
    // The forms are how the same encoding is written, not another encoding.
    friend bool operator==(const TextEncoding &a, const TextEncoding &b)
    {
        return a.name == b.name && a.bom == b.bom;
    }
};

inline const QByteArray kUtf8Encoding = QByteArrayLiteral("UTF-8");
inline const QByteArray kUtf16LeEncoding = QByteArrayLiteral("UTF-16LE");
inline const QByteArray kUtf16BeEncoding = QByteArrayLiteral("UTF-16BE");
inline const QByteArray kShiftJisEncoding = QByteArrayLiteral("windows-31j");
inline const QByteArray kEucJpEncoding = QByteArrayLiteral("EUC-JP");
inline const QByteArray kIso2022JpEncoding = QByteArrayLiteral("ISO-2022-JP");

// The encoding a label names, mapped as browsers map labels: every Shift_JIS label
// reads with the Microsoft table that real pages are written with. Empty for a
// label of an encoding the editor does not offer.
QByteArray encodingForLabel(QByteArrayView label);

// Whether two encoding names (labels) name the same encoding.
bool sameEncoding(QByteArrayView a, QByteArrayView b);

// The encoding that an HTML <meta> (charset, or http-equiv Content-Type) or an
// XML declaration in the first 1,024 bytes declares, mapped by encodingForLabel.
// Empty when there is none, or when it names an encoding the editor does not offer.
QByteArray declaredEncoding(QByteArrayView bytes);
// The same for a text, as it would be written: the label as written, so that a
// declaration the editor does not know still counts.
QByteArray declaredLabel(QStringView text);

// Where a declaration's label is in the text: every XML declaration and <meta> of
// the first 1,024 characters that names an encoding, in text order.
struct m_spanLabel
{
    qsizetype start = 0;
    qsizetype length = 0;
};
QList<m_spanLabel> declarationLabels(QStringView text);

// The byte-order mark the bytes start with: its encoding and length (0 when none).
QByteArray encodingOfBom(QByteArrayView bytes, qsizetype *length = nullptr);
QByteArray bomBytes(const QByteArray &encoding);

// NUL bytes in the first 8 KB: the UTF-16 encoding whose bytes they are (NUL mostly
// in the high bytes, and the start reads as text), or "binary" when they cannot be
// text. Empty when there is none.
QByteArray nulBytesVerdict(QByteArrayView bytes);

// Bytes without NULs that read as Japanese text in UTF-16 (without a mark and
// without ASCII): the UTF-16 encoding, else empty. Kana put 0x30 in every high
// byte, which the legacy encodings and UTF-8 never have outside ASCII digits.
QByteArray utf16WithoutAscii(QByteArrayView bytes);

// Characters the encoding writes in more than one way: each code that is not the
// encoder's preferred one, with its character. Empty for encodings without such.
const QHash<QByteArray, char16_t> &alternativeCodes(const QByteArray &encoding);

// The Japanese legacy encodings, in the order they are tried when nothing ranks them.
QList<QByteArray> japaneseEncodings();
// The encoding a charset detector takes the bytes for, mapped by encodingForLabel;
// empty when it is unsure.
QByteArray guessedEncoding(QByteArrayView bytes);

// Whether the 7-bit bytes switch to a JIS character set: text in ISO-2022-JP that
// would otherwise read as ASCII with escape characters in it.
bool hasJisEscapes(QByteArrayView bytes);

// Names shown to the user.
QString encodingDisplayName(const TextEncoding &encoding);

// The encodings the user may choose, in menu order.
QList<TextEncoding> choosableEncodings();

enum class LineEnds { None, CrLf, Lf, Cr, Mixed };

// Which line ends the text uses: one kind, several, or none.
LineEnds lineEndsOf(QStringView text);
