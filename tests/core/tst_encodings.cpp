#include "casetable.h"
#include "core/document/documentfile.h"

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
    return (encoding.bom ? bomBytes(encoding.name) : QByteArray()) + encoder.encode(text);
}

// The page with its declarations (XML and <meta>) naming `label`, or removed.
QString declaring(QString page, const char *label)
{
    return label ? page.replace(u"UTF-8"_s, QString::fromLatin1(label))
                 : page.remove(QRegularExpression(u"<\\?xml[^>]*>\n|\\s*<meta http-equiv[^>]*>"_s));
}

} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT

private slots:
    void realPagesOpenInTheirEncodingAndSaveBack_data();
    void realPagesOpenInTheirEncodingAndSaveBack();
    void detectionRules_data() { addCaseRows("detection.tsv"); }
    void detectionRules();
    void everyDecodedSequenceWritesBack_data() { addCaseRows("roundtrip.tsv"); }
    void everyDecodedSequenceWritesBack();
    void openAndSaveKeepsTheFilesBytes_data() { addCaseRows("bytefidelity.tsv"); }
    void openAndSaveKeepsTheFilesBytes();
    void typedCharacterTakesThePagesCode_data();
    void typedCharacterTakesThePagesCode();
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
    } encodings[] = {{{kUtf8Encoding, false}, "utf-8", "Shift_JIS"},
                     {{kShiftJisEncoding, false}, "Shift_JIS", "EUC-JP"},
                     {{kShiftJisEncoding, false}, "x-sjis", "utf-8"},
                     {{kEucJpEncoding, false}, "EUC-JP", "Shift_JIS"},
                     {{kIso2022JpEncoding, false}, "iso-2022-jp", "euc-jp"},
                     {{kUtf8Encoding, true}, "utf-8", "euc-jp"},
                     {{kUtf16LeEncoding, true}, "utf-16", "Shift_JIS"},
                     {{kUtf16BeEncoding, true}, "utf-16be", "euc-jp"}};
    for (const QString &name : pages.entryList({u"*.html"_s})) {
        QFile file(pages.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        for (const auto &e : encodings) {
            for (const char *label : {e.label, static_cast<const char *>(nullptr), e.wrong}) {
                const QString text = declaring(page, label);
                QTest::addRow("%s in %s as %s, declared %s", qPrintable(name),
                              qPrintable(encodingDisplayName(e.encoding)), e.label,
                              label ? label : "nothing")
                    << inEncoding(text, e.encoding) << text << e.encoding;
            }
        }
    }
}

void TestEncodings::realPagesOpenInTheirEncodingAndSaveBack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    const Result<LoadedText> loaded = detectAndDecodeDocument(bytes, "UTF-8");
    QVERIFY(loaded);
    QCOMPARE(loaded->encoding.name, encoding.name);
    QCOMPARE(loaded->encoding.bom, encoding.bom);
    QCOMPARE(loaded->text, text);
    QCOMPARE(encodeDocument(loaded->text, loaded->encoding), bytes);
}

void TestEncodings::detectionRules()
{
    QFETCH(QByteArrayList, f);
    const Result<LoadedText> loaded = detectAndDecodeDocument(caseBytes(f[1]), f[0]);
    const QString detail = caseText(f[3]);
    if (f[2] == "refused") {
        QVERIFY(!loaded);
        // The refusal names its kind, the first byte that is not text and the encodings.
        const QHash<QString, ErrorKind> kinds {{u"NotText"_s, ErrorKind::NotText},
                                               {u"BadEncoding"_s, ErrorKind::BadEncoding},
                                               {u"NoEncodingFits"_s, ErrorKind::NoEncodingFits}};
        for (const QString &part : detail.split(u"、"_s)) {
            if (kinds.contains(part))
                QCOMPARE(loaded.error().kind, kinds.value(part));
            else if (part.startsWith(u"offset "_s))
                QCOMPARE(loaded.error().position, part.mid(7).toLongLong());
            else
                QVERIFY2(loaded.error().encodings.contains(part), qPrintable(part));
        }
        return;
    }
    QVERIFY(loaded);
    QCOMPARE(loaded->encoding.name, f[2]);
    QVERIFY2(loaded->text.contains(detail), qPrintable(loaded->text));
}

// Every one- to three-byte character: refused on open, or saved as it was read
// (characters with two codes too: the file's code is learned).
void TestEncodings::everyDecodedSequenceWritesBack()
{
    QFETCH(QByteArrayList, f);
    const QByteArray encoding = f[0];
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
        const Result<LoadedText> loaded = decodeDocumentAs(sequence, {encoding, false});
        if (!loaded) {
            refusedSeen << sequence;
            continue;
        }
        const Result<QByteArray> saved = encodeDocument(loaded->text, loaded->encoding);
        if (saved != sequence) {
            ++otherFormSeen;
            QCOMPARE(decodeDocumentAs(saved.value_or(QByteArray()), loaded->encoding)->text,
                     loaded->text);
        }
    }
    QCOMPARE(refusedSeen.join(' '), caseBytes(f[1]));
    QCOMPARE(otherFormSeen, f[2].toInt());
}

void TestEncodings::openAndSaveKeepsTheFilesBytes()
{
    QFETCH(QByteArrayList, f); // bytes, encoding, typed at the end or OLD→NEW, saved bytes
    const QByteArray bytes = caseBytes(f[0]);
    const Result<LoadedText> loaded = detectAndDecodeDocument(bytes, "UTF-8");
    QVERIFY(loaded);
    QCOMPARE(loaded->encoding.name, f[1]);
    const TextEncoding encoding
        = loaded->encoding.isSystem() ? TextEncoding {kUtf8Encoding, false} : loaded->encoding;
    QString text = loaded->text;
    const QString change = caseText(f[2]);
    if (const qsizetype arrow = change.indexOf(u'→'); arrow >= 0)
        text.replace(text.indexOf(change.first(arrow)), arrow, change.sliced(arrow + 1));
    else
        text += change;
    const Result<QByteArray> saved = encodeDocument(text, encoding);
    QCOMPARE(saved.value_or("(refused)"), f[3].isEmpty() ? bytes : caseBytes(f[3]));
}

void TestEncodings::typedCharacterTakesThePagesCode_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("a small page") << 0;
    QTest::newRow("a page over a megabyte, its codes learnt beside the check") << 200'000;
}

// ≒ written in NEC row 13 (87 90), not the preferred 81 E0: typed again, it is saved
// in the page's own code, after plain lines of any number.
void TestEncodings::typedCharacterTakesThePagesCode()
{
    QFETCH(int, lines);
    const QByteArray bytes
        = "<meta charset=\"Shift_JIS\">\x87\x90\r\n" + QByteArray("<p>abc</p>\r\n").repeated(lines);
    const Result<LoadedText> loaded = detectAndDecodeDocument(bytes, "UTF-8");
    QVERIFY(loaded);
    QCOMPARE(encodeDocument(loaded->text + u"≒"_s, loaded->encoding).value_or("(refused)"),
             bytes + "\x87\x90");
}

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
