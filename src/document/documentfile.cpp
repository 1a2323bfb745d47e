#include "document/documentfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// Decoding goes piece by piece so that no scratch buffer grows with the file.
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
    return {EINVAL, QStringLiteral("文字コード %1 はこのシステムでは使えません。")
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

// Feeds the bytes to one stateful decoder a piece at a time and hands each decoded
// piece to the sink. Returns false when the decoder meets bytes that are not text.
template<typename Sink>
bool decodePieces(QByteArrayView bytes, const QByteArray &codePage, Sink &&sink)
{
    QStringDecoder decoder(codePage.constData(), kDecoderFlags);
    QString scratch(decoder.requiredSpace(kPieceBytes) + 8, Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); at += kPieceBytes) {
        const QByteArrayView piece = bytes.sliced(at, qMin(kPieceBytes, bytes.size() - at));
        const QChar *end = decoder.appendToBuffer(scratch.data(), piece);
        if (decoder.hasError())
            return false;
        sink(QStringView(scratch.constData(), end));
    }
    // A character cut off at the end of the file is still pending in the decoder. A
    // line feed is never part of a multi-byte character in the code pages of a
    // desktop, so it brings such a character out as an error.
    decoder.appendToBuffer(scratch.data(), QByteArrayView("\n", 1));
    return !decoder.hasError();
}

// The offset of the first byte of the first sequence that is not text: where the
// last whole character before the decoder's complaint ended.
qint64 firstInvalidByte(QByteArrayView bytes, const QByteArray &codePage)
{
    QStringDecoder coarse(codePage.constData(), kDecoderFlags);
    QString scratch(coarse.requiredSpace(kPieceBytes) + 8, Qt::Uninitialized);
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
            qsizetype high = end;  // text[start, high) does not
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
    const QString number = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    return shown.isEmpty() ? number : QStringLiteral("「%1」(%2)").arg(shown, number);
}

} // namespace

LoadedText decodeDocument(QByteArrayView bytes, const QByteArray &codePage)
{
    LoadedText result;
    if (!QStringDecoder(codePage.constData()).isValid()) {
        result.error = unknownCodePage(codePage);
        return result;
    }

    // First pass: check the bytes and measure the text, so that it is built in one
    // buffer of its final size.
    qsizetype characters = 0;
    qsizetype loneCRs = 0;
    bool afterCR = false;
    const bool valid = decodePieces(bytes, codePage, [&](QStringView piece) {
        characters += piece.size();
        if (!afterCR && !piece.contains(u'\r'))
            return;
        for (const QChar c : piece) {
            if (afterCR && c != u'\n')
                ++loneCRs;
            afterCR = c == u'\r';
        }
    });
    if (!valid) {
        result.invalidByteOffset = firstInvalidByte(bytes, codePage);
        result.error = {EILSEQ,
                        QStringLiteral("文字コード %1 の文字として読めないバイトがあります"
                                       "（オフセット %2）。\nファイルは読み込まれていません。")
                            .arg(QString::fromLatin1(codePage))
                            .arg(result.invalidByteOffset)};
        return result;
    }
    if (afterCR)
        ++loneCRs;
    if (characters + loneCRs > INT_MAX) {
        result.error = tooLarge(bytes.size(), -1);
        return result;
    }

    // Second pass: a lone CR ends its line like a CR LF does, so it gains the LF.
    QString text(characters + loneCRs, Qt::Uninitialized);
    QChar *out = text.data();
    afterCR = false;
    decodePieces(bytes, codePage, [&](QStringView piece) {
        if (!afterCR && !piece.contains(u'\r')) {
            std::memcpy(static_cast<void *>(out), piece.data(), piece.size() * sizeof(QChar));
            out += piece.size();
            return;
        }
        for (const QChar c : piece) {
            if (afterCR && c != u'\n')
                *out++ = u'\n';
            *out++ = c;
            afterCR = c == u'\r';
        }
    });
    if (afterCR)
        *out++ = u'\n';
    Q_ASSERT(out == text.constData() + text.size());
    result.text = std::move(text);
    return result;
}

LoadedText readDocument(QIODevice &device, const QByteArray &codePage, qint64 maxBytes)
{
    LoadedText result;
    QByteArray bytes;
    if (!device.isSequential()) {
        const qint64 size = device.size() - device.pos();
        if (size > maxBytes) {
            result.error = tooLarge(size, maxBytes);
            return result;
        }
        bytes.resize(size);
        qint64 got = 0;
        while (got < size) {
            const qint64 read = device.read(bytes.data() + got, size - got);
            if (read < 0) {
                result.error = deviceError(device, QFileDevice::ReadError);
                return result;
            }
            if (read == 0)
                break; // the file became shorter while it was read
            got += read;
        }
        bytes.truncate(got);
    } else {
        constexpr qint64 kStep = 64 * 1024;
        for (;;) {
            const qsizetype old = bytes.size();
            bytes.resize(old + kStep);
            const qint64 read = device.read(bytes.data() + old, kStep);
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
    }
    return decodeDocument(bytes, codePage);
}

LoadedText loadDocumentFile(const QString &path, const QByteArray &codePage, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadedText result;
        result.error = deviceError(file, QFileDevice::OpenError);
        return result;
    }
    return readDocument(file, codePage, maxBytes);
}

EncodedText encodeDocument(const QString &text, const QByteArray &codePage)
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
    result.error = {EILSEQ, QStringLiteral("%1 行目の文字 %2 は文字コード %3 で表せません。\n"
                                           "ファイルは書き込まれていません。")
                                .arg(result.unrepresentableLine)
                                .arg(what, QString::fromLatin1(codePage))};
    return result;
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
    QSaveFile file(path);
    // Writing straight into the old file could leave it half written.
    file.setDirectWriteFallback(false);
    // Unbuffered: a buffered write that the disk takes only in part is committed
    // cut short without an error (Qt 6.4); written directly, the shortfall shows.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return deviceError(file, QFileDevice::OpenError);
    const ErrorReport written = writeDocument(file, encoded.bytes);
    if (written.isError()) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return deviceError(file, QFileDevice::WriteError);
    return {};
}
