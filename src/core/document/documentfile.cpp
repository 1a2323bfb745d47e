#include "core/document/documentfile.h"

#include "core/document/declarations.h"
#include "core/document/documentcodec_p.h"
#include "core/document/safesave.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include <sys/mman.h>

using namespace DocumentCodec;

namespace {

// Files are read, and faults searched, piece by piece.
constexpr qsizetype kPieceBytes = qsizetype(1) << 20;

// A byte-order mark at the start is text like any other: it is kept and written back.
constexpr auto kDecoderFlags = QStringConverter::Flag::ConvertInitialBom;


std::unexpected<Error> tooLarge(qint64 size, qint64 maxBytes)
{
    return std::unexpected(
        Error {.kind = ErrorKind::TooLarge, .systemCode = EFBIG, .size = size, .limit = maxBytes});
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

std::unexpected<Error> invalidBytes(const QByteArray &codePage, qint64 offset)
{
    return std::unexpected(Error {.kind = ErrorKind::BadEncoding,
                                  .systemCode = EILSEQ,
                                  .position = offset,
                                  .encodings = {QString::fromLatin1(codePage)}});
}

std::unexpected<Error> stoppedByUser()
{
    return std::unexpected(Error {.kind = ErrorKind::Cancelled});
}

// The decoded characters become the text, every line end as it was read; the room
// left over is given back.
Result<LoadedText> finishText(QString &text, qsizetype decoded, qint64 fileSize)
{
    if (decoded > INT_MAX)
        return tooLarge(fileSize, -1);
    text.truncate(decoded);
    text.squeeze();
    return LoadedText {std::move(text)};
}

// aside on a second thread while here runs on this one. An exception of either (the
// memory running out) comes out here once both have ended, as it would from one thread.
template<typename Aside, typename Here>
void inTwoThreads(Aside aside, Here here)
{
    std::exception_ptr failed;
    std::thread other([&] {
        try {
            aside();
        } catch (...) {
            failed = std::current_exception();
        }
    });
    try {
        here();
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (failed)
        std::rethrow_exception(failed);
}

// Shift_JIS and EUC-JP never use a line feed byte inside a character: a large page in
// them is decoded as two halves at once, split after a line feed near its middle.
// 0: decoded whole.
qsizetype halfAfterLineFeed(QByteArrayView bytes, const QByteArray &codePage)
{
    constexpr qsizetype kHalvedBytes = qsizetype(4) << 20;
    if (bytes.size() < kHalvedBytes || (codePage != kShiftJisEncoding && codePage != kEucJpEncoding))
        return 0;
    const qsizetype feed = bytes.indexOf('\n', bytes.size() / 2);
    return feed < 0 ? 0 : feed + 1;
}

Result<LoadedText> decodeBytes(QByteArrayView bytes, const QByteArray &codePage)
{
    QStringDecoder decoder(codePage.constData(), kDecoderFlags);
    if (!decoder.isValid())
        return std::unexpected(unknownCodePage(codePage));
    const qsizetype split = halfAfterLineFeed(bytes, codePage);
    if (split == 0) {
        QString text = allocateText(decoder.requiredSpace(bytes.size()));
        const qsizetype decoded = decoder.appendToBuffer(text.data(), bytes) - text.constData();
        if (!endOfInputIsValid(decoder))
            return invalidBytes(codePage, firstInvalidByte(bytes, codePage));
        return finishText(text, decoded, bytes.size());
    }
    // The second half goes where the first cannot reach, then moves down behind it.
    QStringDecoder second(codePage.constData(), kDecoderFlags);
    const qsizetype secondAt = decoder.requiredSpace(split);
    QString text = allocateText(secondAt + second.requiredSpace(bytes.size() - split));
    QChar *const buffer = text.data();
    qsizetype firstLength = 0, secondLength = 0;
    bool firstValid = false, secondValid = false;
    inTwoThreads(
        [&] {
            secondLength = second.appendToBuffer(buffer + secondAt, bytes.sliced(split)) - (buffer + secondAt);
            secondValid = endOfInputIsValid(second);
        },
        [&] {
            firstLength = decoder.appendToBuffer(buffer, bytes.first(split)) - buffer;
            firstValid = endOfInputIsValid(decoder);
        });
    if (!firstValid || !secondValid)
        return invalidBytes(codePage, firstInvalidByte(bytes, codePage));
    std::memmove(buffer + firstLength, buffer + secondAt, size_t(secondLength) * sizeof(QChar));
    return finishText(text, firstLength + secondLength, bytes.size());
}

Result<LoadedText> readDevice(QIODevice &device, const QByteArray &codePage, qint64 maxBytes,
                              Progress *progress)
{
    // Polled after every piece read; a stop drops what was read.
    const auto stopAt = [&](qint64 done, qint64 total) {
        return progress && !progress->advance(done, total);
    };
    if (device.isSequential()) {
        // Size unknown: gather the bytes, within the limit, then decode them.
        QByteArray bytes;
        for (;;) {
            const qsizetype old = bytes.size();
            bytes.resize(old + kPieceBytes);
            errno = 0; // a failed read leaves its own number
            const qint64 read = device.read(bytes.data() + old, kPieceBytes);
            if (read < 0)
                return std::unexpected(readError(device));
            bytes.truncate(old + read);
            if (bytes.size() > maxBytes)
                return tooLarge(-1, maxBytes);
            if (read == 0)
                break;
            if (stopAt(bytes.size(), maxBytes))
                return stoppedByUser();
        }
        return decodeBytes(bytes, codePage);
    }

    const qint64 start = device.pos();
    const qint64 size = device.size() - start;
    if (size > maxBytes)
        return tooLarge(size, maxBytes);
    QStringDecoder decoder(codePage.constData(), kDecoderFlags);
    if (!decoder.isValid())
        return std::unexpected(unknownCodePage(codePage));
    // Read a piece at a time straight into the decoder: no copy of the whole file is
    // held, and the one text buffer is sized for the decoder's worst case in advance.
    QString text = allocateText(decoder.requiredSpace(size) + 16);
    QChar *out = text.data();
    QByteArray piece(qMin<qint64>(kPieceBytes, qMax<qint64>(size, 1)), Qt::Uninitialized);
    qint64 got = 0;
    while (got < size && !decoder.hasError()) {
        errno = 0;
        const qint64 read = device.read(piece.data(), qMin<qint64>(piece.size(), size - got));
        if (read < 0)
            return std::unexpected(readError(device));
        if (read == 0)
            break; // the file became shorter while it was read
        out = decoder.appendToBuffer(out, QByteArrayView(piece.constData(), read));
        got += read;
        if (stopAt(got, size))
            return stoppedByUser();
    }
    if (!endOfInputIsValid(decoder)) {
        // Rare: read the whole file again to find the first fault.
        text = QString();
        QByteArray bytes;
        if (device.seek(start))
            bytes = device.read(got);
        return invalidBytes(codePage, firstInvalidByte(bytes, codePage));
    }
    return finishText(text, out - text.constData(), size);
}

std::unexpected<Error> outOfMemory()
{
    return std::unexpected(Error {.kind = ErrorKind::OutOfMemory, .systemCode = ENOMEM});
}

// A text that does not fit in the memory at hand is refused like a file over the limit.
template<typename Work>
auto catchingOutOfMemory(Work work) -> decltype(work())
{
    try {
        return work();
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

} // namespace

Result<LoadedText> decodeDocument(QByteArrayView bytes, const QByteArray &codePage)
{
    return catchingOutOfMemory([&] { return decodeBytes(bytes, codePage); });
}

Result<LoadedText> readDocument(QIODevice &device, const QByteArray &codePage, qint64 maxBytes,
                                Progress *progress)
{
    return catchingOutOfMemory([&] { return readDevice(device, codePage, maxBytes, progress); });
}

namespace {

// Gathers the device's remaining bytes, within the limit.
Result<QByteArray> readAllBytes(QIODevice &device, qint64 maxBytes, Progress *progress)
{
    QByteArray bytes;
    const qint64 size = device.isSequential() ? -1 : device.size() - device.pos();
    if (size > maxBytes)
        return tooLarge(size, maxBytes);
    // With a progress to report to, a known size is still read in pieces.
    const qsizetype piece = size > 0 && !progress ? qsizetype(size) + 1 : kPieceBytes;
    if (size >= 0)
        bytes.reserve(qsizetype(size) + 1);
    for (;;) {
        const qsizetype old = bytes.size();
        bytes.resize(old + qMax<qsizetype>(piece, 1));
        errno = 0;
        const qint64 read = device.read(bytes.data() + old, bytes.size() - old);
        if (read < 0)
            return std::unexpected(readError(device));
        bytes.truncate(old + read);
        if (bytes.size() > maxBytes)
            return tooLarge(-1, maxBytes);
        if (read == 0)
            return bytes;
        if (progress && !progress->advance(bytes.size(), qMax<qint64>(size, bytes.size())))
            return stoppedByUser();
    }
}

// Legacy tables decode a few sequences to characters they cannot encode again
// (EUC-JP 8E E0, 8F A2 C3...): such a document could never be saved as it was
// read, so it is not read in that encoding at all. Characters with two codes
// come back in their preferred form, which reads as the same text.
Result<void> checkWritesBack(const QString &text, const QByteArray &encoding, QString &distinct)
{
    // Each character is tried once, not the whole text: a load stays one decode.
    std::array<quint64, 0x10000 / 64> seen {};
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80)
            continue;
        if (QChar::isSurrogate(c)) { // a code page beyond the BMP: the whole text is tried
            distinct = text;
            break;
        }
        quint64 &word = seen[c >> 6];
        const quint64 bit = quint64(1) << (c & 63);
        if (word & bit)
            continue;
        word |= bit;
        distinct += QChar(c);
    }
    QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::Stateless);
    const QByteArray back = encoder.encode(distinct);
    QStringDecoder decoder(encoding.constData());
    const bool writesBack
        = !encoder.hasError() && decoder.decode(back) == distinct && !decoder.hasError();
    if (writesBack)
        return {};
    Error error = characterError(ErrorKind::NotReversible, text,
                                 firstUnrepresentable(text, encoding), encoding);
    error.line = qMax(error.line, 1);
    return std::unexpected(error);
}

// Which code the file uses for each character with two (the one used most; the
// preferred one on a tie). Only a file holding such characters is walked. otherCodes
// tells whether the file uses any code that is not the preferred one.
QHash<char16_t, QByteArray> learnCharacterForms(QByteArrayView bytes, const QString &text,
                                                const QByteArray &encoding,
                                                const QString *distinct, bool &otherCodes)
{
    otherCodes = false;
    const QHash<QByteArray, char16_t> &alternatives = alternativeCodes(encoding);
    std::vector<bool> twoCoded(0x10000);
    for (auto it = alternatives.cbegin(); it != alternatives.cend(); ++it)
        twoCoded[it.value()] = true;
    // The text's characters, when known, tell that no byte need be looked at.
    if (distinct
        && std::none_of(distinct->begin(), distinct->end(),
                        [&](QChar c) { return twoCoded[c.unicode()]; }))
        return {};
    // Codes as numbers: a lead byte the other codes share with common characters
    // costs no string for each of those.
    const auto number = [](QByteArrayView code) {
        quint32 n = 0;
        for (const char b : code)
            n = (n << 8) | quint8(b);
        return n;
    };
    QHash<quint32, QByteArray> codeOf;
    std::vector<bool> twoByteAlternative(0x10000);
    bool leads[256] = {};
    for (auto it = alternatives.cbegin(); it != alternatives.cend(); ++it) {
        codeOf.insert(number(it.key()), it.key());
        if (it.key().size() == 2)
            twoByteAlternative[number(it.key())] = true;
        leads[quint8(it.key().front())] = true;
    }
    QHash<quint32, qsizetype> used;
    const bool euc = encoding == kEucJpEncoding;
    for (qsizetype i = 0; i < bytes.size();) {
        const quint8 b = quint8(bytes[i]);
        if (b < 0x80) { // the markup: runs of ASCII passed eight bytes at a time
            for (++i; i + 8 <= bytes.size(); i += 8) {
                quint64 word;
                std::memcpy(&word, bytes.data() + i, 8);
                if (word & 0x8080808080808080ULL)
                    break;
            }
            continue;
        }
        qsizetype length = 1;
        if (euc)
            length = b == 0x8F ? 3 : b == 0x8E || (b >= 0xA1 && b < 0xFF) ? 2 : 1;
        else if ((b >= 0x81 && b < 0xA0) || (b >= 0xE0 && b < 0xFD))
            length = 2;
        length = qMin(length, bytes.size() - i);
        if (length > 1 && leads[b]) {
            const quint32 code = number(bytes.sliced(i, length));
            if (length == 2 ? twoByteAlternative[code] : codeOf.contains(code))
                ++used[code];
        }
        i += length;
    }
    otherCodes = !used.isEmpty();
    if (!otherCodes)
        return {};
    QHash<char16_t, qsizetype> total;
    for (const QChar c : text) {
        if (twoCoded[c.unicode()])
            ++total[c.unicode()];
    }
    QHash<char16_t, qsizetype> inOtherCodes;
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        inOtherCodes[alternatives.value(codeOf.value(it.key()))] += it.value();
    QHash<char16_t, QByteArray> forms;
    QHash<char16_t, qsizetype> best;
    for (auto it = used.cbegin(); it != used.cend(); ++it) {
        const QByteArray &code = codeOf.value(it.key());
        const char16_t c = alternatives.value(code);
        const qsizetype preferred = total.value(c) - inOtherCodes.value(c);
        if (it.value() > preferred && it.value() > best.value(c)) {
            best[c] = it.value();
            forms[c] = code;
        }
    }
    return forms;
}

// The escape sequences an ISO-2022-JP file uses, and the mode it ends in.
ByteForms learnEscapes(QByteArrayView bytes)
{
    qsizetype oldKanji = 0;
    qsizetype newKanji = 0;
    qsizetype roman = 0;
    qsizetype ascii = 0;
    bool kanji = false;
    for (qsizetype at = bytes.indexOf('\x1B'); at >= 0; at = bytes.indexOf('\x1B', at + 1)) {
        const QByteArrayView escape = bytes.sliced(at, qMin<qsizetype>(3, bytes.size() - at));
        if (escape == "\x1B$@" || escape == "\x1B$B") {
            ++(escape == "\x1B$@" ? oldKanji : newKanji);
            kanji = true;
        } else if (escape == "\x1B(J" || escape == "\x1B(B") {
            ++(escape == "\x1B(J" ? roman : ascii);
            kanji = false;
        }
    }
    ByteForms forms;
    forms.oldKanjiEscape = oldKanji > newKanji;
    forms.romanEscape = roman > ascii;
    forms.endsInKanji = kanji;
    return forms;
}

// A quick look at the start, so that a file that is plainly not UTF-8 is not
// decoded whole before the legacy encodings are tried.
constexpr qsizetype kUtf8Probe = qsizetype(64) * 1024;

bool startsAsUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8);
    QString scratch(kUtf8Probe + 8, Qt::Uninitialized);
    decoder.appendToBuffer(scratch.data(), bytes.first(qMin(bytes.size(), kUtf8Probe)));
    return !decoder.hasError();
}

Result<LoadedText> decodeIn(QByteArrayView bytes, const TextEncoding &wanted)
{
    TextEncoding encoding {wanted.name, false};
    qsizetype bomLength = 0;
    if (isUnicode(encoding.name) && encodingOfBom(bytes, &bomLength) == encoding.name) {
        bytes = bytes.sliced(bomLength);
        encoding.bom = true;
    }
    Result<LoadedText> result = decodeBytes(bytes, encoding.name);
    if (!result) {
        if (result.error().kind == ErrorKind::BadEncoding)
            result.error().position += bomLength;
        return result;
    }
    if (encoding.name == kUtf16LeEncoding || encoding.name == kUtf16BeEncoding) {
        // Qt's decoder lets a cut-off unit and unpaired surrogates through.
        if (bytes.size() % 2 != 0 || !QStringView(result->text).isValidUtf16())
            return invalidBytes(encoding.name, bomLength + (bytes.size() / 2) * 2);
    } else if (!isUnicode(encoding.name)) {
        // ISO-2022-JP can say the same in many ways (escapes, where they stand): its
        // bytes are always kept; the others only where they use a code not preferred.
        // A large page's codes are learnt while its characters are checked.
        constexpr qsizetype kLearntAside = qsizetype(1) << 20;
        const bool escapes = encoding.name == kIso2022JpEncoding;
        bool otherCodes = true;
        QHash<char16_t, QByteArray> characters;
        const auto learn = [&](const QString *distinct) {
            characters = learnCharacterForms(bytes, result->text, encoding.name, distinct, otherCodes);
        };
        QString distinct;
        Result<void> back;
        const auto check = [&] { back = checkWritesBack(result->text, encoding.name, distinct); };
        if (!escapes && bytes.size() >= kLearntAside)
            inTwoThreads([&] { learn(nullptr); }, check);
        else if (check(); !escapes && back)
            learn(&distinct);
        if (!back)
            return std::unexpected(back.error());
        if (escapes)
            encoding.forms = learnEscapes(bytes);
        else
            encoding.forms.characters = characters;
        if (otherCodes)
            encoding.forms.fileBytes = bytes.toByteArray();
    }
    result->encoding = encoding;
    return result;
}

bool isAscii(QByteArrayView bytes)
{
    quint64 any = 0;
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, bytes.data() + i, 8);
        any |= word;
    }
    for (; i < bytes.size(); ++i)
        any |= quint8(bytes[i]);
    return (any & 0x8080808080808080ULL) == 0;
}

Result<LoadedText> chooseEncoding(QByteArrayView bytes, const QByteArray &systemCodePage)
{
    const QByteArray bom = encodingOfBom(bytes);
    if (!bom.isEmpty())
        return decodeIn(bytes, {bom, true});

    const QByteArray nul = nulBytesVerdict(bytes);
    if (!nul.isEmpty()) {
        // A NUL in bytes that read as UTF-8, or as the encoding the page declares,
        // makes a binary-looking page, never a UTF-16 one.
        const QByteArray declared = declaredEncoding(bytes);
        const bool readsOtherwise
            = (!isAscii(bytes) && decodeIn(bytes, {kUtf8Encoding, false}).has_value())
            || (!declared.isEmpty() && decodeIn(bytes, {declared, false}).has_value());
        if (nul != "binary" && !readsOtherwise)
            return decodeIn(bytes, {nul, false});
        return std::unexpected(Error {.kind = ErrorKind::NotText, .systemCode = EILSEQ});
    }

    // Seven bits with JIS escape sequences are ISO-2022-JP, whatever is declared.
    if (isAscii(bytes) && hasJisEscapes(bytes)) {
        Result<LoadedText> jis = decodeIn(bytes, {kIso2022JpEncoding, false});
        if (jis)
            return jis;
    }
    const QByteArray declared = declaredEncoding(bytes);
    if (!declared.isEmpty()) {
        Result<LoadedText> loaded = decodeIn(bytes, {declared, false});
        if (loaded) {
            // EUC-JP bytes mostly read as Shift_JIS too (as half-width kana and rare
            // kanji): a wrong legacy declaration gives way to the detector's choice.
            const QByteArray guess
                = japaneseEncodings().contains(declared) ? guessedEncoding(bytes) : QByteArray();
            if (!guess.isEmpty() && guess != declared && japaneseEncodings().contains(guess)) {
                Result<LoadedText> guessed = decodeIn(bytes, {guess, false});
                if (guessed)
                    return guessed;
            }
            return loaded;
        }
    }
    if (isAscii(bytes) && !hasJisEscapes(bytes)) {
        // Nothing tells which encoding the file is in: new text follows the system.
        Result<LoadedText> loaded = decodeIn(bytes, {kUtf8Encoding, false});
        if (loaded)
            loaded->encoding = {};
        return loaded;
    }

    QList<QByteArray> tried;
    qint64 firstNotUtf8 = -1;
    if (!hasJisEscapes(bytes)) {
        // A start that is not UTF-8 is enough to find the first bad byte.
        const bool plausible = startsAsUtf8(bytes);
        const QByteArrayView probed
            = plausible ? bytes : bytes.first(qMin(bytes.size(), kUtf8Probe));
        Result<LoadedText> utf8 = decodeIn(probed, {kUtf8Encoding, false});
        if (plausible && utf8)
            return utf8;
        if (!utf8 && utf8.error().kind == ErrorKind::BadEncoding)
            firstNotUtf8 = utf8.error().position;
        tried << kUtf8Encoding;
    }
    const QByteArray wide = utf16WithoutAscii(bytes);
    if (!wide.isEmpty()) {
        Result<LoadedText> utf16 = decodeIn(bytes, {wide, false});
        if (utf16)
            return utf16;
    }
    // The detector's choice first, then the system's code page, then the usual order.
    const QByteArray system = encodingForLabel(systemCodePage).isEmpty()
        ? systemCodePage
        : encodingForLabel(systemCodePage);
    // Only a Japanese guess counts: bytes that are not UTF-8 are not UTF-16 either.
    const QByteArray guess = guessedEncoding(bytes);
    QList<QByteArray> candidates;
    if (japaneseEncodings().contains(guess))
        candidates << guess;
    if (!isUnicode(system) && QStringDecoder(system.constData()).isValid())
        candidates << system;
    candidates << japaneseEncodings();
    if (tried.isEmpty())
        candidates << kUtf8Encoding; // escapes that ISO-2022-JP does not take
    QList<QByteArray> unique;
    for (const QByteArray &candidate : std::as_const(candidates)) {
        if (!candidate.isEmpty() && !unique.contains(candidate))
            unique << candidate;
    }
    candidates = unique;
    for (const QByteArray &candidate : std::as_const(candidates)) {
        Result<LoadedText> loaded = decodeIn(bytes, {candidate, false});
        if (loaded)
            return loaded;
        tried << candidate;
    }
    Error refused {
        .kind = ErrorKind::NoEncodingFits, .systemCode = EILSEQ, .position = firstNotUtf8};
    for (const QByteArray &name : std::as_const(tried))
        refused.encodings << encodingDisplayName({name, false});
    return std::unexpected(refused);
}

// A declaration that the bytes contradict has given way: the text says which.
Result<LoadedText> detectIn(QByteArrayView bytes, const QByteArray &systemCodePage)
{
    Result<LoadedText> loaded = chooseEncoding(bytes, systemCodePage);
    if (!loaded || loaded->encoding.isSystem())
        return loaded;
    const QByteArray label = declaredLabel(loaded->text);
    if (!encodingForLabel(label).isEmpty() && !declarationAgrees(label, loaded->encoding.name))
        loaded->overruledDeclaration = label;
    return loaded;
}

Result<LoadedText> openFile(const QString &path, qint64 maxBytes,
                            const std::function<Result<LoadedText>(QByteArrayView)> &decode,
                            Progress *progress = nullptr)
{
    return catchingOutOfMemory([&]() -> Result<LoadedText> {
        // A name the program's strings cannot carry would open some other file.
        if (const Result<void> name = checkNameRoundTrip(path); !name)
            return std::unexpected(name.error());
        // FIFOs, sockets and devices are refused before they are opened.
        const Result<OpenedFile> opened = openRegularFileForReading(path);
        if (!opened)
            return std::unexpected(opened.error());
        QFile file(path);
        errno = 0;
        const bool isOpen = opened->fd >= 0
            ? file.open(opened->fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
            : file.open(QIODevice::ReadOnly);
        if (!isOpen) {
            Error error = readError(file);
            if (QFileInfo(path).isDir()) { // Qt refuses a folder itself, leaving errno alone
                error.systemCode = EISDIR;
                error.path = path;
            }
            return std::unexpected(error);
        }
        // Read to the end whatever size the file claims (/proc files say 0).
        const Result<QByteArray> bytes = readAllBytes(file, maxBytes, progress);
        if (!bytes)
            return std::unexpected(bytes.error());
        return decode(*bytes);
    });
}

} // namespace

Result<LoadedText> loadDocumentFile(const QString &path, const QByteArray &codePage,
                                    qint64 maxBytes, Progress *progress)
{
    return openFile(
        path, maxBytes, [&](QByteArrayView bytes) { return decodeDocument(bytes, codePage); },
        progress);
}

Result<LoadedText> detectAndDecodeDocument(QByteArrayView bytes, const QByteArray &systemCodePage)
{
    return catchingOutOfMemory([&] { return detectIn(bytes, systemCodePage); });
}

Result<LoadedText> openDocumentFile(const QString &path, const QByteArray &systemCodePage,
                                    qint64 maxBytes, Progress *progress)
{
    return openFile(
        path, maxBytes, [&](QByteArrayView bytes) { return detectIn(bytes, systemCodePage); },
        progress);
}

Result<LoadedText> decodeDocumentAs(QByteArrayView bytes, const TextEncoding &encoding)
{
    return catchingOutOfMemory([&] { return decodeIn(bytes, encoding); });
}

Result<LoadedText> openDocumentFileAs(const QString &path, const TextEncoding &encoding,
                                      qint64 maxBytes)
{
    return openFile(path, maxBytes,
                    [&](QByteArrayView bytes) { return decodeIn(bytes, encoding); });
}
