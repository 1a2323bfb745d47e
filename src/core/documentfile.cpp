#include "core/documentfile.h"

#include "core/safesave.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

// Files are read, and faults searched, piece by piece.
constexpr qsizetype kPieceBytes = qsizetype(1) << 20;
constexpr qsizetype kPieceChars = qsizetype(1) << 16;

// A byte-order mark at the start is text like any other: it is kept and written back.
constexpr auto kDecoderFlags = QStringConverter::Flag::ConvertInitialBom;

ErrorReport deviceError(const QIODevice &device, QFileDevice::FileError fallback)
{
    int number = fallback;
    if (const auto *file = qobject_cast<const QFileDevice *>(&device)) {
        if (file->error() != QFileDevice::NoError)
            number = file->error();
    }
    QString description = device.errorString();
    if (description.isEmpty())
        description = QString::fromLocal8Bit(std::strerror(EIO));
    return {number, description};
}

ErrorReport unknownCodePage(const QByteArray &codePage)
{
    return {EINVAL,
            QStringLiteral("文字コード %1 はこのシステムでは使えません。")
                .arg(QString::fromLatin1(codePage))};
}

ErrorReport tooLarge(qint64 size, qint64 maxBytes)
{
    QString detail;
    if (size >= 0)
        detail = QStringLiteral("%1 バイト").arg(size);
    if (maxBytes >= 0)
        detail += (detail.isEmpty() ? QString() : QStringLiteral("、"))
            + QStringLiteral("開けるのは %1 バイトまで").arg(maxBytes);
    return {EFBIG, QStringLiteral("ファイルが大きすぎるため開けません（%1）。").arg(detail)};
}

qsizetype countLoneCRsInBytes(QByteArrayView bytes)
{
    qsizetype count = 0;
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    while (const void *found = std::memchr(at, '\r', size_t(end - at))) {
        at = static_cast<const char *>(found) + 1;
        if (at == end || *at != '\n')
            ++count;
    }
    return count;
}

qsizetype countLoneCRs(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype at = text.indexOf(u'\r'); at >= 0; at = text.indexOf(u'\r', at + 1)) {
        if (at + 1 == text.size() || text.at(at + 1) != u'\n')
            ++count;
    }
    return count;
}

// Gives every lone CR of the first `length` characters its LF, moving the text
// towards the end of the buffer, which must have room for them.
qsizetype endLoneCRs(QChar *text, qsizetype length, qsizetype loneCRs)
{
    qsizetype to = length + loneCRs;
    QChar after = u'\0'; // nothing follows the last character
    for (qsizetype from = length - 1; from >= 0 && to > from + 1; --from) {
        const QChar c = text[from];
        if (c == u'\r' && after != u'\n')
            text[--to] = u'\n';
        text[--to] = c;
        after = c;
    }
    return length + loneCRs;
}

// The offset of the first byte of the first sequence that is not text: where the
// last whole character before the decoder's complaint ended.
qint64 firstInvalidByte(QByteArrayView bytes, const QByteArray &codePage)
{
    QStringDecoder coarse(codePage.constData(), kDecoderFlags);
    QString scratch(coarse.requiredSpace(qMin(kPieceBytes, bytes.size())) + 8, Qt::Uninitialized);
    qsizetype from = qMax<qsizetype>(0, bytes.size() - 16); // a character cut off at the end
    for (qsizetype at = 0; at < bytes.size(); at += kPieceBytes) {
        coarse.appendToBuffer(scratch.data(),
                              bytes.sliced(at, qMin(kPieceBytes, bytes.size() - at)));
        if (coarse.hasError()) {
            // No character is longer than a few bytes: starting a little earlier, the
            // walk below meets the end of a whole character before the fault.
            from = qMax<qsizetype>(0, at - 16);
            break;
        }
    }
    QStringDecoder fine(codePage.constData(), kDecoderFlags);
    for (qsizetype at = 0; at < from; at += kPieceBytes)
        fine.appendToBuffer(scratch.data(), bytes.sliced(at, qMin(kPieceBytes, from - at)));
    qsizetype boundary = from;
    for (qsizetype i = from; i < bytes.size(); ++i) {
        const QChar *end = fine.appendToBuffer(scratch.data(), bytes.sliced(i, 1));
        if (fine.hasError())
            return boundary;
        if (end != scratch.constData())
            boundary = i + 1;
    }
    return boundary;
}

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

QString describeCharacter(QStringView text, qsizetype index)
{
    char32_t code = text.at(index).unicode();
    QString shown;
    if (text.at(index).isHighSurrogate() && index + 1 < text.size()
        && text.at(index + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(index), text.at(index + 1));
        shown = text.sliced(index, 2).toString();
    } else if (!text.at(index).isSurrogate() && text.at(index).isPrint()) {
        shown = text.sliced(index, 1).toString();
    }
    const QString number
        = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    return shown.isEmpty() ? number : QStringLiteral("「%1」(%2)").arg(shown, number);
}

// The text buffer is filled as soon as it is made: huge pages spare the thousands of
// page faults that otherwise cost as much as the decoding itself.
QString allocateText(qsizetype room)
{
    QString text(room, Qt::Uninitialized);
#ifdef MADV_HUGEPAGE
    constexpr quintptr kHugePage = quintptr(2) << 20;
    const quintptr begin = (quintptr(text.data()) + kHugePage - 1) & ~(kHugePage - 1);
    const quintptr end = (quintptr(text.data() + room)) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#endif
    return text;
}

// A character cut off at the end of the input is still pending in the decoder. A line
// feed is never part of a multi-byte character in the code pages of a desktop, so it
// brings such a character out as an error.
bool endOfInputIsValid(QStringDecoder &decoder)
{
    if (decoder.hasError())
        return false;
    QString tail(decoder.requiredSpace(1) + 16, Qt::Uninitialized);
    decoder.appendToBuffer(tail.data(), QByteArrayView("\n", 1));
    return !decoder.hasError();
}

ErrorReport invalidBytes(const QByteArray &codePage, qint64 offset)
{
    return {EILSEQ,
            QStringLiteral("文字コード %1 の文字として読めないバイトがあります"
                           "（オフセット %2）。\nファイルは読み込まれていません。")
                .arg(QString::fromLatin1(codePage))
                .arg(offset)};
}

// The decoded characters become the text: a lone CR ends its line as a CR LF does, so
// it gains the LF; the room left over is given back.
ErrorReport finishText(QString &text, qsizetype decoded, qint64 fileSize)
{
    const qsizetype loneCRs = countLoneCRs(QStringView(text.constData(), decoded));
    if (decoded + loneCRs > INT_MAX)
        return tooLarge(fileSize, -1);
    if (decoded + loneCRs > text.size())
        text.resize(decoded + loneCRs); // a code page where a CR byte is not always a CR
    const qsizetype length = loneCRs == 0 ? decoded : endLoneCRs(text.data(), decoded, loneCRs);
    text.truncate(length);
    text.squeeze();
    return {};
}

LoadedText decodeBytes(QByteArrayView bytes, const QByteArray &codePage)
{
    LoadedText result;
    QStringDecoder decoder(codePage.constData(), kDecoderFlags);
    if (!decoder.isValid()) {
        result.error = unknownCodePage(codePage);
        return result;
    }
    // The code pages of a desktop keep ASCII as it is, so the LFs that lone CRs gain
    // can be counted in the bytes and the buffer made large enough at once.
    QString text = allocateText(decoder.requiredSpace(bytes.size()) + countLoneCRsInBytes(bytes));
    const qsizetype decoded = decoder.appendToBuffer(text.data(), bytes) - text.constData();
    if (!endOfInputIsValid(decoder)) {
        result.invalidByteOffset = firstInvalidByte(bytes, codePage);
        result.error = invalidBytes(codePage, result.invalidByteOffset);
        return result;
    }
    result.error = finishText(text, decoded, bytes.size());
    if (!result.error.isError())
        result.text = std::move(text);
    return result;
}

LoadedText readDevice(QIODevice &device, const QByteArray &codePage, qint64 maxBytes)
{
    LoadedText result;
    if (device.isSequential()) {
        // Size unknown: gather the bytes, within the limit, then decode them.
        QByteArray bytes;
        for (;;) {
            const qsizetype old = bytes.size();
            bytes.resize(old + kPieceBytes);
            const qint64 read = device.read(bytes.data() + old, kPieceBytes);
            if (read < 0) {
                result.error = deviceError(device, QFileDevice::ReadError);
                return result;
            }
            bytes.truncate(old + read);
            if (bytes.size() > maxBytes) {
                result.error = tooLarge(-1, maxBytes);
                return result;
            }
            if (read == 0)
                break;
        }
        return decodeBytes(bytes, codePage);
    }

    const qint64 start = device.pos();
    const qint64 size = device.size() - start;
    if (size > maxBytes) {
        result.error = tooLarge(size, maxBytes);
        return result;
    }
    QStringDecoder decoder(codePage.constData(), kDecoderFlags);
    if (!decoder.isValid()) {
        result.error = unknownCodePage(codePage);
        return result;
    }
    // Read a piece at a time straight into the decoder: no copy of the whole file is
    // held, and the one text buffer is sized for the decoder's worst case in advance.
    QString text = allocateText(decoder.requiredSpace(size) + 16);
    QChar *out = text.data();
    QByteArray piece(qMin<qint64>(kPieceBytes, qMax<qint64>(size, 1)), Qt::Uninitialized);
    qint64 got = 0;
    while (got < size && !decoder.hasError()) {
        const qint64 read = device.read(piece.data(), qMin<qint64>(piece.size(), size - got));
        if (read < 0) {
            result.error = deviceError(device, QFileDevice::ReadError);
            return result;
        }
        if (read == 0)
            break; // the file became shorter while it was read
        out = decoder.appendToBuffer(out, QByteArrayView(piece.constData(), read));
        got += read;
    }
    if (!endOfInputIsValid(decoder)) {
        // Rare: read the whole file again to find the first fault.
        text = QString();
        QByteArray bytes;
        if (device.seek(start))
            bytes = device.read(got);
        result.invalidByteOffset = firstInvalidByte(bytes, codePage);
        result.error = invalidBytes(codePage, result.invalidByteOffset);
        return result;
    }
    result.error = finishText(text, out - text.constData(), size);
    if (!result.error.isError())
        result.text = std::move(text);
    return result;
}

ErrorReport outOfMemory()
{
    return {ENOMEM, QStringLiteral("メモリが足りないため、このファイルを開けません。")};
}

} // namespace

// A text that does not fit in the memory at hand is refused like a file over the limit.
LoadedText decodeDocument(QByteArrayView bytes, const QByteArray &codePage)
{
    try {
        return decodeBytes(bytes, codePage);
    } catch (const std::bad_alloc &) {
        LoadedText result;
        result.error = outOfMemory();
        return result;
    }
}

LoadedText readDocument(QIODevice &device, const QByteArray &codePage, qint64 maxBytes)
{
    try {
        return readDevice(device, codePage, maxBytes);
    } catch (const std::bad_alloc &) {
        LoadedText result;
        result.error = outOfMemory();
        return result;
    }
}

LoadedText loadDocumentFile(const QString &path, const QByteArray &codePage, qint64 maxBytes)
{
    // FIFOs, sockets and devices are refused before they are opened.
    const OpenedFile opened = openRegularFileForReading(path);
    if (opened.error.isError()) {
        LoadedText result;
        result.error = opened.error;
        return result;
    }
    QFile file(path);
    const bool isOpen = opened.fd >= 0
        ? file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
        : file.open(QIODevice::ReadOnly);
    if (!isOpen) {
        LoadedText result;
        result.error = deviceError(file, QFileDevice::OpenError);
        return result;
    }
    if (opened.size > 0) {
        LoadedText loaded = readDocument(file, codePage, maxBytes);
        char more = 0;
        if (loaded.error.isError() || file.read(&more, 1) <= 0)
            return loaded;
        // Longer than it claimed: read again to the end.
        if (!file.seek(0)) {
            loaded.text = QString();
            loaded.error = deviceError(file, QFileDevice::ReadError);
            return loaded;
        }
    }
    // /proc files claim no size and give their contents on reading.
    QByteArray bytes;
    const ErrorReport error = readToEnd(file.handle(), maxBytes, bytes);
    if (error.isError()) {
        LoadedText result;
        result.error = error;
        return result;
    }
    return decodeDocument(bytes, codePage);
}

namespace {

EncodedText encodeText(const QString &text, const QByteArray &codePage)
{
    EncodedText result;
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        result.error = unknownCodePage(codePage);
        return result;
    }
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) {
        result.bytes = std::move(bytes);
        return result;
    }
    // The encoder writes a stand-in for what it cannot hold and only its error flag
    // tells: a save would silently change the text.
    bytes = QByteArray();
    const qsizetype index = firstUnrepresentable(text, codePage);
    result.unrepresentableIndex = index;
    result.unrepresentableLine
        = index < 0 ? 0 : int(QStringView(text).first(index).count(u'\n')) + 1;
    const QString what = index < 0 ? QString() : describeCharacter(text, index);
    result.error = {EILSEQ,
                    QStringLiteral("%1 行目の文字 %2 は文字コード %3 で表せません。\n"
                                   "ファイルは書き込まれていません。")
                        .arg(result.unrepresentableLine)
                        .arg(what, QString::fromLatin1(codePage))};
    return result;
}

} // namespace

EncodedText encodeDocument(const QString &text, const QByteArray &codePage)
{
    try {
        return encodeText(text, codePage);
    } catch (const std::bad_alloc &) {
        EncodedText result;
        result.error = {ENOMEM, QStringLiteral("メモリが足りないため、書き込めません。")};
        return result;
    }
}

ErrorReport writeDocument(QIODevice &device, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 step = device.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            return deviceError(device, QFileDevice::WriteError);
        written += step;
    }
    return {};
}

ErrorReport saveDocumentFile(const QString &path, const QString &text, const QByteArray &codePage)
{
    const EncodedText encoded = encodeDocument(text, codePage);
    if (encoded.error.isError())
        return encoded.error;
    return saveBytesSafely(path, encoded.bytes).error;
}
