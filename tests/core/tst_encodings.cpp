#include "core/documentfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray inEncoding(const QString &text, const TextEncoding &encoding)
{
    QStringEncoder encoder(encoding.name.constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return (encoding.bom ? bomBytes(encoding.name) : QByteArray()) + bytes;
}

// The page with its declarations (XML and <meta>) naming `label`, or removed.
QString declaring(QString page, const char *label)
{
    if (!label) {
        page.remove(QRegularExpression(u"<\\?xml[^>]*>\n|\\s*<meta http-equiv[^>]*>"_s));
        return page;
    }
    return page.replace(u"UTF-8"_s, QString::fromLatin1(label));
}

} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT

private slots:
    void realPagesOpenInTheirEncodingAndSaveBack_data();
    void realPagesOpenInTheirEncodingAndSaveBack();
    void detectionRules_data();
    void detectionRules();
    void everyDecodedSequenceWritesBack_data();
    void everyDecodedSequenceWritesBack();
};

void TestEncodings::realPagesOpenInTheirEncodingAndSaveBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    const QDir pages(QStringLiteral(RUBELLO_TEST_DATA "/pages"));
    const struct
    {
        TextEncoding encoding;
        const char *label; // as a page in it declares itself
        const char *wrong; // a declaration of another encoding
    } encodings[] = {
        {{kUtf8Encoding, false}, "utf-8", "Shift_JIS"},
        {{kShiftJisEncoding, false}, "Shift_JIS", "EUC-JP"},
        {{kShiftJisEncoding, false}, "x-sjis", "utf-8"},
        {{kEucJpEncoding, false}, "EUC-JP", "Shift_JIS"},
        {{kIso2022JpEncoding, false}, "iso-2022-jp", "euc-jp"},
        {{kUtf8Encoding, true}, "utf-8", "euc-jp"},
        {{kUtf16LeEncoding, true}, "utf-16", "Shift_JIS"},
        {{kUtf16BeEncoding, true}, "utf-16be", "euc-jp"},
    };
    for (const QString &name : pages.entryList({u"*.html"_s})) {
        QFile file(pages.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        for (const auto &e : encodings) {
            const QByteArray shown = encodingDisplayName(e.encoding).toLatin1();
            const QString variants[]
                = {declaring(page, e.label), declaring(page, nullptr), declaring(page, e.wrong)};
            const char *kinds[] = {"declared", "undeclared", "wrongly declared"};
            for (int v = 0; v < 3; ++v) {
                QTest::addRow("%s in %s as %s, %s", qPrintable(name), shown.constData(), e.label,
                              kinds[v])
                    << inEncoding(variants[v], e.encoding) << variants[v] << e.encoding;
            }
        }
    }
}

void TestEncodings::realPagesOpenInTheirEncodingAndSaveBack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    const LoadedText loaded = detectAndDecodeDocument(bytes, "UTF-8");
    QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
    QCOMPARE(loaded.encoding.name, encoding.name);
    QCOMPARE(loaded.encoding.bom, encoding.bom);
    QCOMPARE(loaded.text, text);
    QCOMPARE(encodeDocument(loaded.text, loaded.encoding).bytes, bytes);
}

void TestEncodings::detectionRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("systemCodePage");
    QTest::addColumn<QByteArray>("encoding"); // "" the system's; "refused"
    QTest::addColumn<QString>("detail"); // in the text, or in the refusal
    const QByteArray sjis = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd"; // 日本語の文章
    const QByteArray euc = "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8\xbe\xcf";
    const QByteArray utf8 = u"日本語の文章"_s.toUtf8();
    const auto row = [](const char *name, const QByteArray &bytes, const QByteArray &encoding,
                        const QString &detail, const QByteArray &system = "UTF-8") {
        QTest::newRow(name) << bytes << system << encoding << detail;
    };
    row("plain ASCII follows the system's code page", "<p>a</p>\r\n", "", u"<p>a</p>"_s,
        "windows-31j");
    row("UTF-8 before the locale's Shift_JIS", utf8, kUtf8Encoding, u"日本語"_s, "SJIS");
    row("Shift_JIS without a declaration", sjis + sjis, kShiftJisEncoding, u"日本語"_s);
    row("EUC-JP without a declaration", euc + euc, kEucJpEncoding, u"日本語"_s);
    row("ISO-2022-JP, 7-bit with escapes", "\x1b$BF|K\\\x1b(B", kIso2022JpEncoding, u"日本"_s);
    row("<meta charset> with a label browsers map: ms_kanji", "<meta charset=\"ms_kanji\">" + sjis,
        kShiftJisEncoding, u"日本語"_s);
    row("http-equiv Content-Type, unquoted csshiftjis",
        "<META HTTP-EQUIV=Content-Type CONTENT=\"text/html;charset=csshiftjis\">\xb1",
        kShiftJisEncoding, u"ｱ"_s);
    row("XML declaration x-euc-jp", "<?xml version=\"1.0\" encoding='x-euc-jp'?>\xa4\xa2",
        kEucJpEncoding, u"あ"_s);
    row("a declaration the bytes do not bear out is passed over",
        "<meta charset=\"euc-jp\">" + sjis + sjis, kShiftJisEncoding, u"日本語"_s);
    row("a declaration after the first 1,024 bytes is not looked for",
        QByteArray(1024, ' ') + "<meta charset=\"euc-jp\">\xb1", kShiftJisEncoding, u"ｱ"_s);
    row("UTF-16LE without a mark", QByteArray("<\0p\0>\0", 6), kUtf16LeEncoding, u"<p>"_s);
    row("binary: NUL bytes in both halves", QByteArray("\0\0\x01\x02", 4), "refused", u"NUL"_s);
    row("binary: an odd number of bytes", QByteArray("a\0b", 3), "refused", u"NUL"_s);
    row("a mark decides, even when the rest is not valid", "\xef\xbb\xbf\xff", "refused",
        u"オフセット 3"_s);
    row("UTF-16 with a cut-off last unit", "\xff\xfe\x41\x00\x42", "refused", u"UTF-16LE"_s);
    row("valid in no encoding: the UTF-8 offset and the encodings tried", "<p>\n\xFF</p>",
        "refused", u"オフセット 4、Shift_JIS、EUC-JP、ISO-2022-JP"_s);
    row("EUC-JP 8E E0 does not write back: read as Shift_JIS", "\x8e\xe0", kShiftJisEncoding,
        u"錫"_s);
    row("EUC-JP 8F A2 C3 does not write back: the declaration is passed over",
        "<meta charset=euc-jp>\x8f\xa2\xc3", kShiftJisEncoding, u"ﾃ"_s);
}

void TestEncodings::detectionRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, systemCodePage);
    QFETCH(QByteArray, encoding);
    QFETCH(QString, detail);
    const LoadedText loaded = detectAndDecodeDocument(bytes, systemCodePage);
    if (encoding == "refused") {
        QVERIFY(loaded.error.isError());
        QVERIFY(loaded.text.isEmpty());
        for (const QString &part : detail.split(u"、"_s))
            QVERIFY2(loaded.error.description.contains(part), qPrintable(loaded.error.description));
        return;
    }
    QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
    QCOMPARE(loaded.encoding.name, encoding);
    QVERIFY2(loaded.text.contains(detail), qPrintable(loaded.text));
}

void TestEncodings::everyDecodedSequenceWritesBack_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QList<QByteArray>>("refused"); // read, but not written back
    QTest::addColumn<int>("otherForm"); // how many come back in their preferred form
    QTest::newRow("windows-31j") << kShiftJisEncoding << QList<QByteArray>() << 398;
    QTest::newRow("EUC-JP") << kEucJpEncoding
                            << QList<QByteArray> {"\x8e\xe0", "\x8e\xe1", "\x8e\xe2",
                                                  "\x8f\xa2\xc3"}
                            << 312;
}

// Every one- to three-byte character: refused on open, or saved as it was read, or
// (characters with two codes) saved in the preferred form, which reads the same.
void TestEncodings::everyDecodedSequenceWritesBack()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QList<QByteArray>, refused);
    QFETCH(int, otherForm);
    QList<QByteArray> sequences;
    for (int a = 0x80; a < 0x100; ++a) {
        sequences << QByteArray(1, char(a));
        for (int b = 0x21; b < 0x100; ++b) {
            sequences << QByteArray(1, char(a)) + char(b);
            if (a == 0x8f && b >= 0xa1)
                for (int c = 0xa1; c < 0xff; ++c)
                    sequences << QByteArray(1, char(a)) + char(b) + char(c);
        }
    }
    QList<QByteArray> refusedSeen;
    int otherFormSeen = 0;
    for (const QByteArray &sequence : std::as_const(sequences)) {
        QStringDecoder decoder(encoding.constData());
        const QString one = decoder.decode(sequence + '\n');
        if (decoder.hasError() || one.size() != 2 || one.back() != u'\n')
            continue; // not one character
        const LoadedText loaded = decodeDocumentAs(sequence, {encoding, false});
        if (loaded.error.isError()) {
            refusedSeen << sequence;
            continue;
        }
        const EncodedText saved = encodeDocument(loaded.text, loaded.encoding);
        QVERIFY(!saved.error.isError());
        if (saved.bytes != sequence) {
            ++otherFormSeen;
            QCOMPARE(decodeDocumentAs(saved.bytes, loaded.encoding).text, loaded.text);
        }
    }
    QCOMPARE(refusedSeen, refused);
    QCOMPARE(otherFormSeen, otherForm);
}

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
