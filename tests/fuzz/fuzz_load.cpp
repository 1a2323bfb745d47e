#include "fuzztargets.h"

#include "core/document/documentfile.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

// Any bytes: a refusal, or a text that saves to bytes which read back as that text
// in the detected encoding; UTF-8 gives back the very bytes.
void fuzzDetection(QByteArrayView bytes)
{
    const Result<LoadedText> loaded = detectAndDecodeDocument(bytes, "UTF-8");
    if (!loaded)
        return;
    const TextEncoding encoding
        = loaded->encoding.isSystem() ? TextEncoding {kUtf8Encoding, false} : loaded->encoding;
    const Result<QByteArray> encoded = encodeDocument(loaded->text, encoding);
    if (!encoded)
        fail("a detected text can be saved in its encoding");
    if (encoding == TextEncoding {kUtf8Encoding, false} && *encoded != bytes)
        fail("UTF-8 detected: load and save give back the same bytes");
    const Result<LoadedText> again = decodeDocumentAs(*encoded, encoding);
    if (!again || again->text != loaded->text || again->encoding != encoding)
        fail("the saved bytes load as the same text in the same encoding");
}

} // namespace

void fuzzLoad(const uint8_t *data, size_t size)
{
    if (size == 0)
        return;
    if (data[0] & 2) {
        fuzzDetection(
            QByteArrayView(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));
        return;
    }
    const bool shiftJis = data[0] & 1;
    const QByteArray codePage
        = shiftJis ? QByteArrayLiteral("windows-31j") : QByteArrayLiteral("UTF-8");
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const Result<LoadedText> loaded = decodeDocument(bytes, codePage);
    if (!loaded) {
        if (loaded.error().position < 0 || loaded.error().position >= bytes.size())
            fail("a refused file names a byte inside it");
        return;
    }

    const Result<QByteArray> encoded = encodeDocument(loaded->text, codePage);
    if (!encoded)
        fail("a loaded text can be saved in its own code page");
    if (!shiftJis) {
        if (*encoded != bytes)
            fail("UTF-8: load and save give back the same bytes");
        return;
    }
    // windows-31j writes duplicated characters in their preferred form, so the
    // bytes may differ; the text may not.
    const Result<LoadedText> again = decodeDocument(*encoded, codePage);
    if (!again || again->text != loaded->text)
        fail("windows-31j: the saved bytes load as the same text");
}

#ifdef RUBELLO_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzLoad(data, size);
    return 0;
}
#endif
