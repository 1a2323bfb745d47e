#include "core/document/documentcodec_p.h"
#include "core/document/documentfile.h"
#include "core/document/safesave.h"
#include "core/text/textdiff.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
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
class FormEncoder
{
public:
    FormEncoder(const QByteArray &codePage, const QHash<char16_t, QByteArray> &forms)
        : m_encoder(codePage.constData(), QStringConverter::Flag::Stateless)
        , m_forms(forms)
        , m_learned(forms.isEmpty() ? 0 : 0x10000)
    {
        for (auto it = forms.cbegin(); it != forms.cend(); ++it)
            m_learned[it.key()] = true;
    }

    QByteArray encode(QStringView text)
    {
        if (m_forms.isEmpty())
            return m_encoder.encode(text);
        QByteArray bytes;
        bytes.reserve(text.size() * 2);
        qsizetype from = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!m_learned[text[i].unicode()])
                continue;
            bytes += m_encoder.encode(text.sliced(from, i - from));
            bytes += m_forms.value(text[i].unicode());
            from = i + 1;
        }
        bytes += m_encoder.encode(text.sliced(from));
        return bytes;
    }

    bool hasError() const { return m_encoder.hasError(); }

private:
    QStringEncoder m_encoder;
    const QHash<char16_t, QByteArray> &m_forms;
    std::vector<bool> m_learned;
};

// The character set ISO-2022-JP bytes stand in: ESC ( B, ESC ( J, ESC $ @ or $ B, ESC ( I.
enum class JisMode { Ascii, Roman, Kanji, Kana };

QByteArrayView escapeFor(JisMode mode, const ByteForms &forms)
{
    switch (mode) {
    case JisMode::Ascii:
        return "\x1B(B";
    case JisMode::Roman:
        return "\x1B(J";
    case JisMode::Kanji:
        return forms.oldKanjiEscape ? "\x1B$@" : "\x1B$B";
    case JisMode::Kana:
        return "\x1B(I";
    }
    return {};
}

// How ISO-2022-JP text ends: in one-byte mode (RFC 1468) unless the file itself
// ended in two-byte mode.
QByteArrayView endEscape(JisMode mode, const ByteForms &forms)
{
    if ((mode == JisMode::Kanji || mode == JisMode::Kana) && !forms.endsInKanji)
        return forms.romanEscape ? "\x1B(J" : "\x1B(B";
    if (mode == JisMode::Roman && !forms.romanEscape)
        return "\x1B(B";
    return {};
}

// The encoder's ISO-2022-JP with the file's own escape sequences. mode is the mode
// the bytes start in (the encoder's start in ASCII), and the mode they end in.
QByteArray withFileEscapes(const QByteArray &in, const ByteForms &forms, JisMode &mode, bool atEnd)
{
    QByteArray out;
    out.reserve(in.size() + 6);
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QByteArrayView escape
            = QByteArrayView(in).sliced(i, qMin<qsizetype>(3, in.size() - i));
        if (escape == "\x1B$B" || escape == "\x1B$@") {
            out += escapeFor(JisMode::Kanji, forms);
            mode = JisMode::Kanji;
        } else if (escape == "\x1B(B") {
            // JIS-Roman differs from ASCII only in its \ and ~.
            qsizetype next = in.indexOf('\x1B', i + 3);
            if (next < 0)
                next = in.size();
            const QByteArrayView run = QByteArrayView(in).sliced(i + 3, next - i - 3);
            const bool roman = forms.romanEscape && !run.contains('\\') && !run.contains('~');
            mode = roman ? JisMode::Roman : JisMode::Ascii;
            out += escapeFor(mode, forms);
        } else if (escape == "\x1B(J") {
            out += escape;
            mode = JisMode::Roman;
        } else {
            out += in[i];
            continue;
        }
        i += 2;
    }
    if (atEnd)
        out += endEscape(mode, forms);
    return out;
}

// The file's bytes walked along its text: where each character's bytes begin, and
// in ISO-2022-JP the mode they are read in there.
class ByteWalk
{
public:
    ByteWalk(QByteArrayView bytes, QStringView text, const QByteArray &codePage)
        : m_bytes(bytes)
        , m_text(text)
        , m_jis(codePage == kIso2022JpEncoding)
        , m_euc(codePage == kEucJpEncoding)
    { }

    struct Place
    {
        qsizetype byte = 0;
        JisMode mode = JisMode::Ascii;
        bool escapeFollows = false;
    };

    // To just after the character before position; false when the bytes do not
    // go with the text as this walk reads them.
    bool advanceTo(qsizetype position)
    {
        while (m_char < position) {
            if (!skipLine(position) && !step())
                return false;
        }
        return true;
    }

    Place here() const
    {
        return {m_byte, m_mode, m_jis && m_byte < m_bytes.size() && m_bytes[m_byte] == '\x1B'};
    }

    // Through the whole text and the escapes after it, to the last byte.
    bool finish() { return advanceTo(m_text.size()) && skipEscapes() && m_byte == m_bytes.size(); }

private:
    bool skipEscapes()
    {
        while (m_jis && m_byte < m_bytes.size() && m_bytes[m_byte] == '\x1B') {
            const QByteArrayView escape
                = m_bytes.sliced(m_byte, qMin<qsizetype>(3, m_bytes.size() - m_byte));
            if (escape == "\x1B$@" || escape == "\x1B$B")
                m_mode = JisMode::Kanji;
            else if (escape == "\x1B(B")
                m_mode = JisMode::Ascii;
            else if (escape == "\x1B(J")
                m_mode = JisMode::Roman;
            else if (escape == "\x1B(I")
                m_mode = JisMode::Kana;
            else
                return false;
            m_byte += 3;
        }
        return true;
    }

    // A whole line at once when position lies beyond its end: a line feed is the byte
    // 0x0A in these encodings, and no other character has it.
    bool skipLine(qsizetype position)
    {
        if (m_lineEnd < m_char) {
            const qsizetype end = m_text.sliced(m_char).indexOf(u'\n');
            m_lineEnd = end < 0 ? m_text.size() : m_char + end;
        }
        if (m_lineEnd >= position)
            return false;
        const qsizetype byteEnd = m_bytes.sliced(m_byte).indexOf('\n');
        if (byteEnd < 0)
            return false;
        if (m_jis) {
            // The line's last escape sets the mode, which the line end may reset.
            const qsizetype escape = m_bytes.sliced(m_byte, byteEnd).lastIndexOf('\x1B');
            if (escape >= 0) {
                m_byte += escape;
                if (!skipEscapes())
                    return false;
            }
            if (m_mode == JisMode::Kanji || m_mode == JisMode::Kana)
                m_mode = JisMode::Ascii;
        }
        m_byte += m_bytes.sliced(m_byte).indexOf('\n') + 1;
        m_char = m_lineEnd + 1;
        return true;
    }

    bool step()
    {
        if (!skipEscapes() || m_byte >= m_bytes.size() || m_char >= m_text.size())
            return false;
        const quint8 b = quint8(m_bytes[m_byte]);
        qsizetype length = 1;
        if (m_jis) {
            length = m_mode == JisMode::Kanji && b >= 0x21 && b <= 0x7E ? 2 : 1;
            // The decoder goes back to one byte at every line end.
            if ((b == '\r' || b == '\n') && m_mode != JisMode::Roman)
                m_mode = JisMode::Ascii;
        } else if (m_euc) {
            length = b == 0x8F ? 3 : b == 0x8E || (b >= 0xA1 && b <= 0xFE) ? 2 : 1;
        } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            length = 2;
        }
        if ((b == '\n') != (m_text[m_char] == u'\n') || m_byte + length > m_bytes.size())
            return false;
        m_byte += length;
        ++m_char;
        return true;
    }

    QByteArrayView m_bytes;
    QStringView m_text;
    bool m_jis;
    bool m_euc;
    qsizetype m_byte = 0;
    qsizetype m_char = 0;
    qsizetype m_lineEnd = -1; // where the line the walk is in ends in the text
    JisMode m_mode = JisMode::Ascii;
};

// The text in the file's own bytes wherever it is unchanged from the file's text;
// only what changed is encoded, in the file's forms, with the escape sequences that
// make ISO-2022-JP read on as before. Nothing when the file's bytes cannot be
// followed, or a new character needs the whole encoder's check.
std::optional<QByteArray> spliceUnchanged(const QString &text, const QByteArray &codePage,
                                          const ByteForms &forms)
{
    const QByteArray &file = forms.fileBytes;
    QStringDecoder decoder(codePage.constData());
    const QString old = decoder.decode(file);
    if (decoder.hasError())
        return std::nullopt;
    if (old == text)
        return file;
    const QList<KeptSpan> spans = unchangedSpans(old, text);
    ByteWalk walk(file, old, codePage);
    std::vector<std::pair<ByteWalk::Place, ByteWalk::Place>> places;
    places.reserve(size_t(spans.size()));
    for (const KeptSpan &span : spans) {
        if (!walk.advanceTo(span.oldStart))
            return std::nullopt;
        const ByteWalk::Place from = walk.here();
        if (!walk.advanceTo(span.oldStart + span.length))
            return std::nullopt;
        places.emplace_back(from, walk.here());
    }
    if (!walk.finish())
        return std::nullopt;
    const bool keptEnd
        = !spans.isEmpty() && spans.back().oldStart + spans.back().length == old.size();
    if (keptEnd)
        places.back().second = walk.here(); // the file's own ending, escapes and all

    const bool jis = codePage == kIso2022JpEncoding;
    FormEncoder encoder(codePage, forms.characters);
    QString written; // what is encoded anew, for the check of its characters
    QByteArray out;
    out.reserve(file.size() + qMax<qsizetype>(0, text.size() - old.size()) * 3 + 8);
    JisMode mode = JisMode::Ascii;
    qsizetype done = 0;
    const auto writeNew = [&](qsizetype to) {
        if (to <= done)
            return;
        const QStringView piece = QStringView(text).sliced(done, to - done);
        written.append(piece);
        QByteArray bytes = encoder.encode(piece);
        if (!jis) {
            out += bytes;
            return;
        }
        // The encoder starts in ASCII: already in two-byte mode, its own switch to it
        // is left out; else out of another mode first.
        if (mode == JisMode::Kanji && (bytes.startsWith("\x1B$B") || bytes.startsWith("\x1B$@"))) {
            bytes.remove(0, 3);
        } else {
            const qsizetype escape = bytes.indexOf('\x1B');
            const QByteArrayView lead
                = QByteArrayView(bytes).first(escape < 0 ? bytes.size() : escape);
            if (mode != JisMode::Ascii && !lead.isEmpty()
                && (mode != JisMode::Roman || lead.contains('\\') || lead.contains('~')))
                bytes.prepend("\x1B(B");
        }
        out += withFileEscapes(bytes, forms, mode, false);
    };
    for (qsizetype i = 0; i < spans.size(); ++i) {
        writeNew(spans[i].newStart);
        const auto &[from, to] = places[size_t(i)];
        if (jis && !from.escapeFollows && from.mode != mode)
            out += escapeFor(from.mode, forms);
        out.append(file.constData() + from.byte, to.byte - from.byte);
        mode = to.mode;
        done = spans[i].newStart + spans[i].length;
    }
    const bool endsNew = done < text.size();
    writeNew(text.size());
    if (jis && (endsNew || !keptEnd))
        out += endEscape(mode, forms);
    if (encoder.hasError() || firstInexact(written, codePage) >= 0)
        return std::nullopt;
    // The stateful encoding is read back whole: a wrong mode at a seam would change text.
    if (jis && QStringDecoder(codePage.constData()).decode(out) != text)
        return std::nullopt;
    return out;
}

Result<QByteArray> encodeText(const QString &text, const QByteArray &codePage,
                              const ByteForms &forms = {})
{
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::unexpected(unknownCodePage(codePage));
    if (!forms.fileBytes.isEmpty() && !isUnicode(codePage)) {
        if (std::optional<QByteArray> spliced = spliceUnchanged(text, codePage, forms))
            return *std::move(spliced);
    }
    FormEncoder formEncoder(codePage, forms.characters);
    QByteArray bytes = formEncoder.encode(text);
    const bool refused = formEncoder.hasError();
    // The encoder writes a stand-in for what it cannot hold and only its error flag
    // tells; a few characters it writes as another one without a word. Either way a
    // save would silently change the text.
    const qsizetype index = refused ? firstUnrepresentable(text, codePage)
        : isUnicode(codePage)       ? -1
                                    : firstInexact(text, codePage);
    if (!refused && index < 0) {
        if (codePage == kIso2022JpEncoding) {
            JisMode mode = JisMode::Ascii;
            bytes = withFileEscapes(bytes, forms, mode, true);
        }
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
