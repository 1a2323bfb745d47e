#include "core/document/documentcodec_p.h"
#include "core/document/documentfile.h"
#include "core/document/safesave.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <vector>

#include <cerrno>
#include <cstring>
#include <new>

// The text as it goes to the file: encoded, checked to read back as it was, written.

namespace {

// Faults are searched piece by piece.
constexpr qsizetype kPieceChars = qsizetype(1) << 16;

bool hasEncodingError(QStringView text, const QByteArray &codePage)
{
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    QByteArray bytes(encoder.requiredSpace(text.size()), Qt::Uninitialized);
    encoder.appendToBuffer(bytes.data(), text);
    return encoder.hasError();
}

// Where a piece of text may end without splitting a surrogate pair.
qsizetype pieceEnd(QStringView text, qsizetype end)
{
    if (end < text.size() && end > 0 && text.at(end - 1).isHighSurrogate()
        && text.at(end).isLowSurrogate())
        return end + 1;
    return end;
}

} // namespace

namespace DocumentCodec {

namespace {

Error deviceError(const QIODevice &device, bool writing)
{
    const int code = errno ? errno : EIO;
    QString detail = device.errorString();
    if (detail.isEmpty() || detail == QLatin1String("Unknown error"))
        detail = QString::fromLocal8Bit(std::strerror(code));
    ErrorKind kind = writing ? ErrorKind::WriteFailed : ErrorKind::ReadFailed;
    if (code == ENOENT)
        kind = ErrorKind::NotFound;
    else if (code == EACCES || code == EPERM)
        kind = ErrorKind::PermissionDenied;
    return {.kind = kind, .detail = detail, .systemCode = code, .writing = writing};
}

} // namespace

Error readError(const QIODevice &device)
{
    return deviceError(device, false);
}

Error writeError(const QIODevice &device)
{
    return deviceError(device, true);
}

Error unknownCodePage(const QByteArray &codePage)
{
    return {.kind = ErrorKind::UnknownEncoding,
            .systemCode = EINVAL,
            .encodings = {QString::fromLatin1(codePage)}};
}

Error characterError(ErrorKind kind, QStringView text, qsizetype index, const QByteArray &codePage)
{
    Error error {.kind = kind,
                 .systemCode = EILSEQ,
                 .position = index,
                 .encodings = {QString::fromLatin1(codePage)}};
    if (index < 0)
        return error;
    error.line = int(text.first(index).count(u'\n')) + 1;
    const bool pair = text.at(index).isHighSurrogate() && index + 1 < text.size()
        && text.at(index + 1).isLowSurrogate();
    error.character = text.sliced(index, pair ? 2 : 1).toString();
    return error;
}

bool isUnicode(const QByteArray &encoding)
{
    return encoding == kUtf8Encoding || encoding == kUtf16LeEncoding
        || encoding == kUtf16BeEncoding;
}

// The first character that the code page cannot hold. Found piece by piece, then by
// halving the piece, so a large text is not encoded once per character.
qsizetype firstUnrepresentable(QStringView text, const QByteArray &codePage)
{
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = pieceEnd(text, qMin(text.size(), start + kPieceChars));
        if (hasEncodingError(text.sliced(start, end - start), codePage)) {
            qsizetype low = start; // text[start, low) encodes cleanly
            qsizetype high = end; // text[start, high) does not
            while (high - low > 1) {
                const qsizetype middle = pieceEnd(text, low + (high - low) / 2);
                if (middle >= high)
                    break;
                if (hasEncodingError(text.sliced(start, middle - start), codePage))
                    high = middle;
                else
                    low = middle;
            }
            return low;
        }
        start = end;
    }
    return -1;
}

} // namespace DocumentCodec

using namespace DocumentCodec;

namespace {

// Each character the text holds once (a surrogate pair whole), ASCII left out.
QList<QStringView> distinctCharacters(QStringView text)
{
    std::vector<bool> seen(0x10000);
    QSet<char32_t> seenWide;
    QList<QStringView> distinct;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[i + 1]);
            if (!seenWide.contains(code)) {
                seenWide.insert(code);
                distinct << text.sliced(i, 2);
            }
            ++i;
        } else if (!seen[c.unicode()]) {
            seen[c.unicode()] = true;
            distinct << text.sliced(i, 1);
        }
    }
    return distinct;
}

// The first character that the encoder writes, without an error, as the code of
// another one (U+F86F as №): each character is tried once, the text not again.
qsizetype firstInexact(QStringView text, const QByteArray &codePage)
{
    const QList<QStringView> distinct = distinctCharacters(text);
    if (distinct.isEmpty())
        return -1;
    QString joined;
    for (const QStringView c : distinct)
        joined += c.toString() + u'\n';
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    QStringDecoder decoder(codePage.constData());
    if (decoder.decode(encoder.encode(joined)) == joined)
        return -1;
    QSet<QStringView> inexact;
    for (const QStringView c : distinct) {
        encoder.resetState();
        decoder.resetState();
        // The error flags stay raised: only what comes back tells.
        if (QString(decoder.decode(encoder.encode(c))) != c)
            inexact.insert(c);
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (inexact.contains(text.sliced(i, length)))
            return i;
    }
    return -1;
}

// Characters with two codes go out in the code the file used.
QByteArray encodeWithForms(QStringView text, const QByteArray &codePage,
                           const QHash<char16_t, QByteArray> &forms, bool &error)
{
    std::vector<bool> learned(0x10000);
    for (auto it = forms.cbegin(); it != forms.cend(); ++it)
        learned[it.key()] = true;
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!learned[text[i].unicode()])
            continue;
        bytes += encoder.encode(text.sliced(from, i - from));
        bytes += forms.value(text[i].unicode());
        from = i + 1;
    }
    bytes += encoder.encode(text.sliced(from));
    error = encoder.hasError();
    return bytes;
}

// The encoder's ISO-2022-JP with the file's own escape sequences, ended in one-byte
// mode (RFC 1468) unless the file itself ended in two-byte mode.
QByteArray withFileEscapes(const QByteArray &in, const ByteForms &forms)
{
    QByteArray out;
    out.reserve(in.size() + 3);
    enum { Ascii, Roman, Kanji } mode = Ascii;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QByteArrayView escape
            = QByteArrayView(in).sliced(i, qMin<qsizetype>(3, in.size() - i));
        if (escape == "\x1B$B" || escape == "\x1B$@") {
            out += forms.oldKanjiEscape ? "\x1B$@" : "\x1B$B";
            mode = Kanji;
        } else if (escape == "\x1B(B") {
            // JIS-Roman differs from ASCII only in its \ and ~.
            qsizetype next = in.indexOf('\x1B', i + 3);
            if (next < 0)
                next = in.size();
            const QByteArrayView run = QByteArrayView(in).sliced(i + 3, next - i - 3);
            const bool roman = forms.romanEscape && !run.contains('\\') && !run.contains('~');
            out += roman ? "\x1B(J" : "\x1B(B";
            mode = roman ? Roman : Ascii;
        } else if (escape == "\x1B(J") {
            out += escape;
            mode = Roman;
        } else {
            out += in[i];
            continue;
        }
        i += 2;
    }
    if (mode == Kanji && !forms.endsInKanji)
        out += forms.romanEscape ? "\x1B(J" : "\x1B(B";
    else if (mode == Roman && !forms.romanEscape)
        out += "\x1B(B";
    return out;
}

Result<QByteArray> encodeText(const QString &text, const QByteArray &codePage,
                              const ByteForms &forms = {})
{
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::unexpected(unknownCodePage(codePage));
    bool refused = false;
    QByteArray bytes;
    if (forms.characters.isEmpty()) {
        bytes = encoder.encode(text);
        refused = encoder.hasError();
    } else {
        bytes = encodeWithForms(text, codePage, forms.characters, refused);
    }
    // The encoder writes a stand-in for what it cannot hold and only its error flag
    // tells; a few characters it writes as another one without a word. Either way a
    // save would silently change the text.
    const qsizetype index = refused ? firstUnrepresentable(text, codePage)
        : isUnicode(codePage)       ? -1
                                    : firstInexact(text, codePage);
    if (!refused && index < 0) {
        if (codePage == kIso2022JpEncoding)
            bytes = withFileEscapes(bytes, forms);
        return bytes;
    }
    return std::unexpected(characterError(ErrorKind::Unencodable, text, index, codePage));
}

Result<QByteArray> encodeCatching(const QString &text, const QByteArray &codePage,
                                  const ByteForms &forms = {})
{
    try {
        return encodeText(text, codePage, forms);
    } catch (const std::bad_alloc &) {
        return std::unexpected(
            Error {.kind = ErrorKind::OutOfMemory, .systemCode = ENOMEM, .writing = true});
    }
}

Result<void> saveEncoded(const QString &path, const Result<QByteArray> &encoded)
{
    if (!encoded)
        return std::unexpected(encoded.error());
    const Result<FileIdentity> saved = saveBytesSafely(path, *encoded);
    if (!saved)
        return std::unexpected(saved.error());
    return {};
}

} // namespace

QString describeCharacter(QStringView character)
{
    if (character.isEmpty())
        return {};
    const bool pair = character.size() == 2 && character.front().isHighSurrogate()
        && character.back().isLowSurrogate();
    const char32_t code = pair ? QChar::surrogateToUcs4(character.front(), character.back())
                               : character.front().unicode();
    const QString number
        = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    const bool shown = pair || (!character.front().isSurrogate() && character.front().isPrint());
    return shown ? QCoreApplication::translate("Error", "「%1」(%2)").arg(character.toString(), number) : number;
}

Result<QByteArray> encodeDocument(const QString &text, const QByteArray &codePage)
{
    return encodeCatching(text, codePage);
}

Result<void> writeDocument(QIODevice &device, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const qint64 step = device.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            return std::unexpected(writeError(device));
        written += step;
    }
    return {};
}

Result<void> saveDocumentFile(const QString &path, const QString &text, const QByteArray &codePage)
{
    return saveEncoded(path, encodeDocument(text, codePage));
}

// The mark goes out as the text's first character: the encoder writes it in its form.
Result<QByteArray> encodeDocument(const QString &text, const TextEncoding &encoding)
{
    if (!encoding.bom)
        return encodeCatching(text, encoding.name, encoding.forms);
    Result<QByteArray> result = encodeDocument(QChar(0xFEFF) + text, encoding.name);
    if (!result && result.error().position > 0)
        --result.error().position;
    return result;
}

Result<void> saveDocumentFile(const QString &path, const QString &text,
                              const TextEncoding &encoding)
{
    return saveEncoded(path, encodeDocument(text, encoding));
}
