#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// The encoding a document is read and written in. An empty name stands for the
// system's code page: new documents, and files of plain ASCII that say nothing
// about their encoding, follow it.
struct TextEncoding
{
    QByteArray name; // as QStringConverter knows it: "UTF-8", "windows-31j", "EUC-JP"...
    bool bom = false; // a byte-order mark goes before the text

    bool isSystem() const { return name.isEmpty(); }
    friend bool operator==(const TextEncoding &, const TextEncoding &) = default;
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

// The byte-order mark the bytes start with: its encoding and length (0 when none).
QByteArray encodingOfBom(QByteArrayView bytes, qsizetype *length = nullptr);
QByteArray bomBytes(const QByteArray &encoding);

// NUL bytes in the first 8 KB: the UTF-16 encoding whose bytes they are (NUL only
// in the high bytes), or "binary" when they cannot be text. Empty when there is none.
QByteArray nulBytesVerdict(QByteArrayView bytes);

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
