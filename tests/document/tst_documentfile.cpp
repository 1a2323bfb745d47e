#include "document/documentfile.h"
#include "documentsamples.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qsizetype kPiece = qsizetype(1) << 20; // the decoder's piece size

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A device that hands out some bytes, then fails; or takes some bytes, then fails.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(QByteArray data, qint64 failAfter, bool sequential)
        : m_data(std::move(data))
        , m_failAfter(failAfter)
        , m_sequential(sequential)
    {
    }
    bool isSequential() const override { return m_sequential; }
    qint64 size() const override { return m_sequential ? 0 : m_data.size(); }
    QByteArray written;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_position >= m_data.size())
            return 0;
        if (m_position >= m_failAfter) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 n = std::min(
                {maxSize, m_failAfter - m_position, qint64(m_data.size()) - m_position});
        memcpy(data, m_data.constData() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    qint64 writeData(const char *data, qint64 maxSize) override
    {
        if (written.size() >= m_failAfter) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = qMin(maxSize, m_failAfter - written.size());
        written.append(data, n);
        return n;
    }

private:
    QByteArray m_data;
    qint64 m_failAfter;
    bool m_sequential;
    qint64 m_position = 0;
};

// Every valid double-byte code of windows-31j in code order, from first to last.
QList<quint16> doubleByteCodes(quint16 first, quint16 last)
{
    QList<quint16> codes;
    for (int lead = first >> 8; lead <= (last >> 8); ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const quint16 code = quint16(lead << 8 | trail);
            if (trail != 0x7F && code >= first && code <= last)
                codes.append(code);
        }
    }
    return codes;
}

// Codes that windows-31j decodes to the same character as another code; the
// encoder writes that character in its preferred form.
QHash<quint16, quint16> windows31jPreferredForms()
{
    QHash<quint16, quint16> forms;
    // NEC row 13 symbols that JIS X 0208 row 2 has as well.
    const quint16 necSymbols[][2] = {{0x8790, 0x81E0}, {0x8791, 0x81DF}, {0x8792, 0x81E7},
                                     {0x8795, 0x81E3}, {0x8796, 0x81DB}, {0x8797, 0x81DA},
                                     {0x879A, 0x81E6}, {0x879B, 0x81BF}, {0x879C, 0x81BE}};
    for (const auto &pair : necSymbols)
        forms.insert(pair[0], pair[1]);
    // IBM extension symbols that the NEC rows have already.
    for (quint16 i = 0; i < 10; ++i)
        forms.insert(quint16(0xFA4A + i), quint16(0x8754 + i)); // Roman numerals
    forms.insert(0xFA54, 0x81CA);                               // not sign
    forms.insert(0xFA58, 0x878A);                               // parenthesised kabushiki
    forms.insert(0xFA59, 0x8782);                               // numero
    forms.insert(0xFA5A, 0x8784);                               // telephone
    forms.insert(0xFA5B, 0x81E6);                               // because
    // NEC-selected IBM extensions: the IBM extension codes are preferred.
    for (quint16 i = 0; i < 10; ++i)
        forms.insert(quint16(0xEEEF + i), quint16(0xFA40 + i)); // small Roman numerals
    forms.insert(0xEEF9, 0x81CA);
    forms.insert(0xEEFA, 0xFA55);
    forms.insert(0xEEFB, 0xFA56);
    forms.insert(0xEEFC, 0xFA57);
    const QList<quint16> necSelected = doubleByteCodes(0xED40, 0xEEEC);
    const QList<quint16> ibm = doubleByteCodes(0xFA5C, 0xFC4B);
    Q_ASSERT(necSelected.size() == 360 && ibm.size() == 360);
    for (qsizetype i = 0; i < necSelected.size(); ++i)
        forms.insert(necSelected.at(i), ibm.at(i));
    return forms;
}

QByteArray codeBytes(quint16 code)
{
    QByteArray bytes;
    bytes.append(char(code >> 8)).append(char(code & 0xFF));
    return bytes;
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT

private slots:
    void loadRule_data();
    void loadRule();
    void invalidBytesRefuseTheFile_data();
    void invalidBytesRefuseTheFile();
    void unknownCodePageIsAnError();
    void jisAndMicrosoftCharacters_data();
    void jisAndMicrosoftCharacters();
    void refusalNamesTheFirstCharacterAndItsLine_data();
    void refusalNamesTheFirstCharacterAndItsLine();
    void windows31jDuplicatesComeBackInThePreferredForm();
    void generatedFilesRoundTrip_data();
    void generatedFilesRoundTrip();
    void saveWritesExactlyTheText_data();
    void saveWritesExactlyTheText();
    void saveKeepsLinksAndPermissions();
    void failedSaveLeavesTheOldFile_data();
    void failedSaveLeavesTheOldFile();
    void saveInterruptedByAFullDiskLeavesTheOldFile();
    void refusedTextWritesNothing();
    void writeReportsAFailingDevice();
    void readFailures_data();
    void readFailures();
    void tooLargeIsRefusedBeforeReading_data();
    void tooLargeIsRefusedBeforeReading();
    void tooLargeFileOnDiskIsRefused();
    void fileThatDoesNotFitInMemoryIsRefused();
};

void TestDocumentFile::loadRule_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    const QByteArray utf8 = "UTF-8";
    const QByteArray sjis = "windows-31j";
    QTest::newRow("CR LF after each line: the text as it is") << utf8 << QByteArray("ab\r\ncd\r\n")
                                                              << QStringLiteral("ab\r\ncd\r\n");
    QTest::newRow("last line without line end gets none") << utf8 << QByteArray("ab\r\ncd")
                                                           << QStringLiteral("ab\r\ncd");
    QTest::newRow("lone CR ends a line and becomes CR LF") << utf8 << QByteArray("ab\rcd")
                                                           << QStringLiteral("ab\r\ncd");
    QTest::newRow("lone CR at the end becomes CR LF") << utf8 << QByteArray("ab\rcd\r")
                                                      << QStringLiteral("ab\r\ncd\r\n");
    QTest::newRow("two lone CRs make an empty line") << utf8 << QByteArray("a\r\rb")
                                                     << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("lone LF stays in its line") << utf8 << QByteArray("ab\ncd\n")
                                               << QStringLiteral("ab\ncd\n");
    QTest::newRow("LF then CR: the CR ends the line") << utf8 << QByteArray("a\n\rb")
                                                      << QStringLiteral("a\n\r\nb");
    QTest::newRow("empty file gives empty text") << utf8 << QByteArray() << QString();
    QTest::newRow("only a line end") << utf8 << QByteArray("\r\n") << QStringLiteral("\r\n");
    QTest::newRow("UTF-8 Japanese, last line without line end: nothing appended")
        << utf8 << QByteArray("日本語\r\n漢字") << QStringLiteral("日本語\r\n漢字");
    QTest::newRow("UTF-8 byte-order mark is text and kept")
        << utf8 << QByteArray("\xEF\xBB\xBF<p>") << QStringLiteral("\uFEFF<p>");
    QTest::newRow("UTF-8 character outside the BMP") << utf8 << QByteArray("\xF0\xA0\xAE\xB7\r")
                                                     << QStringLiteral("𠮷\r\n");
    QTest::newRow("windows-31j one double-byte character, no line end: no lone CR")
        << sjis << QByteArray("\x82\xA0") << QStringLiteral("あ");
    QTest::newRow("windows-31j two double-byte characters, no line end: no CR LF")
        << sjis << QByteArray("ab\r\n\x8A\xBF\x8E\x9A") << QStringLiteral("ab\r\n漢字");
    QTest::newRow("windows-31j lone CR line ends keep the end of the file")
        << sjis << QByteArray("\x82\xA0\r\x82\xA2\r\x82\xA4") << QStringLiteral("あ\r\nい\r\nう");
    QTest::newRow("windows-31j backslash and tilde stay ASCII")
        << sjis << QByteArray("\\~") << QStringLiteral("\\~");
    QTest::newRow("windows-31j half-width katakana") << sjis << QByteArray("\xB6\xC0\xB6\xC5")
                                                     << QStringLiteral("ｶﾀｶﾅ");
    QTest::newRow("UTF-16BE: lone CR whose bytes look like CR LF")
        << QByteArray("UTF-16BE") << QByteArray("\x00\x0D\x0A\x41\x00\x0D", 6)
        << QStringLiteral("\r\n\u0A41\r\n");
    QTest::newRow("single-byte code page") << QByteArray("ISO-8859-1") << QByteArray("caf\xE9\r")
                                           << QStringLiteral("café\r\n");

    // Pieces of the decoder meet in the middle of these.
    QTest::newRow("CR LF split between pieces")
        << utf8 << QByteArray(kPiece - 1, 'a') + "\r\nb"
        << QString(kPiece - 1, u'a') + QStringLiteral("\r\nb");
    QTest::newRow("lone CR at the end of a piece")
        << utf8 << QByteArray(kPiece - 1, 'a') + "\rb"
        << QString(kPiece - 1, u'a') + QStringLiteral("\r\nb");
    QTest::newRow("UTF-8 character split between pieces")
        << utf8 << QByteArray(kPiece - 1, 'a') + "\xE6\xBC\xA2"
        << QString(kPiece - 1, u'a') + QStringLiteral("漢");
    QTest::newRow("windows-31j character split between pieces")
        << sjis << QByteArray(kPiece - 1, 'a') + "\x8A\xBF"
        << QString(kPiece - 1, u'a') + QStringLiteral("漢");
}

void TestDocumentFile::loadRule()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const LoadedText loaded = decodeDocument(bytes, codePage);
    QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
    QCOMPARE(loaded.text, text);

    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readDocument(buffer, codePage).text, text);
}

void TestDocumentFile::invalidBytesRefuseTheFile_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("offset");

    const QByteArray utf8 = "UTF-8";
    const QByteArray sjis = "windows-31j";
    QTest::newRow("UTF-8 stray continuation byte") << utf8 << QByteArray("ab\x80z") << qint64(2);
    QTest::newRow("UTF-8 sequence broken by ASCII")
        << utf8 << QByteArray("a\xE3\x81z") << qint64(1);
    QTest::newRow("UTF-8 character cut off at the end")
        << utf8 << QByteArray("\xE3\x81\x82\xE3\x81") << qint64(3);
    QTest::newRow("UTF-8 encoded surrogate") << utf8 << QByteArray("\xED\xA0\x80") << qint64(0);
    QTest::newRow("UTF-8 overlong NUL") << utf8 << QByteArray("x\xC0\x80") << qint64(1);
    QTest::newRow("Shift-JIS text read as UTF-8") << utf8 << QByteArray("<p>\x82\xA0") << qint64(3);
    QTest::newRow("windows-31j byte 0x80 (decoded as U+001A otherwise)")
        << sjis << QByteArray("a\x80") << qint64(1);
    QTest::newRow("windows-31j byte 0xA0") << sjis << QByteArray("\x82\xA0\xA0") << qint64(2);
    QTest::newRow("windows-31j lead byte with a bad trail byte")
        << sjis << QByteArray("ab\x82\x20") << qint64(2);
    QTest::newRow("windows-31j lead byte cut off at the end (dropped otherwise)")
        << sjis << QByteArray("abc\x82") << qint64(3);
    QTest::newRow("UTF-8 text read as windows-31j") << sjis << QByteArray("\xEF\xBB\xBF")
                                                    << qint64(0);
    QTest::newRow("fault after the first piece")
        << utf8 << QByteArray(kPiece + 10, 'a') + "\xFF" << qint64(kPiece + 10);
    QTest::newRow("fault across two pieces")
        << utf8 << QByteArray(kPiece - 1, 'a') + "\xE3z" << qint64(kPiece - 1);
    QTest::newRow("windows-31j fault far into a large file")
        << sjis << QByteArray(3 * kPiece, 'a') + "\x82\xA0\xFD" << qint64(3 * kPiece + 2);
}

void TestDocumentFile::invalidBytesRefuseTheFile()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, offset);
    const LoadedText loaded = decodeDocument(bytes, codePage);
    QCOMPARE(loaded.error.number, EILSEQ);
    QCOMPARE(loaded.invalidByteOffset, offset);
    QVERIFY(loaded.text.isEmpty());
    QVERIFY2(loaded.error.description.contains(QStringLiteral("オフセット %1").arg(offset)),
             qPrintable(loaded.error.description));
    QVERIFY(loaded.error.description.contains(QString::fromLatin1(codePage)));

    // Read from a device a piece at a time: the same refusal, the same offset.
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const LoadedText read = readDocument(buffer, codePage);
    QCOMPARE(read.error.number, EILSEQ);
    QCOMPARE(read.invalidByteOffset, offset);
    QVERIFY(read.text.isEmpty());
}

void TestDocumentFile::unknownCodePageIsAnError()
{
    const LoadedText loaded = decodeDocument("abc", "no-such-code-page");
    QVERIFY(loaded.error.isError());
    QVERIFY(loaded.text.isEmpty());
    QVERIFY(encodeDocument(QStringLiteral("abc"), "no-such-code-page").error.isError());
}

void TestDocumentFile::jisAndMicrosoftCharacters_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("character");
    QTest::addColumn<QByteArray>("bytes"); // empty: refused

    struct Pair
    {
        const char *name;
        char16_t jis;
        char16_t microsoft;
        const char *microsoftBytes;
    };
    const Pair pairs[] = {
        {"wave dash / full-width tilde", 0x301C, 0xFF5E, "\x81\x60"},
        {"minus sign / full-width hyphen-minus", 0x2212, 0xFF0D, "\x81\x7C"},
        {"em dash / horizontal bar", 0x2014, 0x2015, "\x81\x5C"},
        {"yen sign / full-width yen sign", 0x00A5, 0xFFE5, "\x81\x8F"},
        {"overline / full-width macron", 0x203E, 0xFFE3, "\x81\x50"},
        {"double vertical line / parallel to", 0x2016, 0x2225, "\x81\x61"},
        {"cent sign / full-width cent sign", 0x00A2, 0xFFE0, "\x81\x91"},
        {"pound sign / full-width pound sign", 0x00A3, 0xFFE1, "\x81\x92"},
        {"not sign / full-width not sign", 0x00AC, 0xFFE2, "\x81\xCA"},
        {"broken bar / full-width broken bar", 0x00A6, 0xFFE4, "\xFA\x55"},
    };
    for (const Pair &pair : pairs) {
        const QString jis(QChar(pair.jis));
        const QString microsoft(QChar(pair.microsoft));
        QTest::addRow("windows-31j %s: JIS form refused", pair.name)
            << QByteArray("windows-31j") << jis << QByteArray();
        QTest::addRow("windows-31j %s: Microsoft form round-trips", pair.name)
            << QByteArray("windows-31j") << microsoft << QByteArray(pair.microsoftBytes);
        QTest::addRow("UTF-8 %s: JIS form round-trips", pair.name)
            << QByteArray("UTF-8") << jis << jis.toUtf8();
        QTest::addRow("UTF-8 %s: Microsoft form round-trips", pair.name)
            << QByteArray("UTF-8") << microsoft << microsoft.toUtf8();
    }
}

void TestDocumentFile::jisAndMicrosoftCharacters()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, character);
    QFETCH(QByteArray, bytes);
    const QString text = QStringLiteral("a") + character + QStringLiteral("\r\n");
    const EncodedText encoded = encodeDocument(text, codePage);
    if (bytes.isEmpty()) {
        QCOMPARE(encoded.error.number, EILSEQ);
        QVERIFY(encoded.bytes.isEmpty());
        QCOMPARE(encoded.unrepresentableIndex, qsizetype(1));
        return;
    }
    QVERIFY2(!encoded.error.isError(), qPrintable(encoded.error.description));
    QCOMPARE(encoded.bytes, QByteArray("a") + bytes + "\r\n");
    QCOMPARE(decodeDocument(encoded.bytes, codePage).text, text);
}

void TestDocumentFile::refusalNamesTheFirstCharacterAndItsLine_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("index");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("named");

    const QByteArray sjis = "windows-31j";
    QTest::newRow("wave dash on line 3")
        << sjis << QStringLiteral("a\r\nb\r\ncd〜e−") << qsizetype(8) << 3
        << QStringLiteral("「〜」(U+301C)");
    QTest::newRow("lone LF starts a line as the editor shows it")
        << sjis << QStringLiteral("a\nb¥") << qsizetype(3) << 2 << QStringLiteral("「¥」(U+00A5)");
    QTest::newRow("character outside the BMP") << sjis << QStringLiteral("漢字𠮷") << qsizetype(2)
                                               << 1 << QStringLiteral("「𠮷」(U+20BB7)");
    QTest::newRow("UTF-8 lone surrogate") << QByteArray("UTF-8")
                                          << QStringLiteral("ab") + QChar(0xD800) + "c"
                                          << qsizetype(2) << 1 << QStringLiteral("U+D800");
    const QString far = QString(200000, u'x') + QStringLiteral("\r\n") + QString(70000, u'y')
                        + QStringLiteral("〜");
    QTest::newRow("far into a large text") << sjis << far << qsizetype(270002) << 2
                                           << QStringLiteral("「〜」(U+301C)");
    // The character sits across the boundary of the encoder's pieces of 65536.
    const QString across = QString(65535, u'x') + QStringLiteral("𠮷");
    QTest::newRow("surrogate pair across pieces") << sjis << across << qsizetype(65535) << 1
                                                  << QStringLiteral("「𠮷」(U+20BB7)");
}

void TestDocumentFile::refusalNamesTheFirstCharacterAndItsLine()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, text);
    QFETCH(qsizetype, index);
    QFETCH(int, line);
    QFETCH(QString, named);
    const EncodedText encoded = encodeDocument(text, codePage);
    QCOMPARE(encoded.error.number, EILSEQ);
    QCOMPARE(encoded.unrepresentableIndex, index);
    QCOMPARE(encoded.unrepresentableLine, line);
    QVERIFY2(encoded.error.description.contains(named), qPrintable(encoded.error.description));
    QVERIFY(encoded.error.description.contains(QStringLiteral("%1 行目").arg(line)));
    QVERIFY(encoded.bytes.isEmpty());
}

void TestDocumentFile::windows31jDuplicatesComeBackInThePreferredForm()
{
    const QHash<quint16, quint16> preferred = windows31jPreferredForms();
    QHash<quint16, quint16> changed;
    int loaded = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF)
            continue; // single-byte half-width katakana
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const quint16 code = quint16(lead << 8 | trail);
            const QByteArray bytes = codeBytes(code);
            const LoadedText text = decodeDocument(bytes, "windows-31j");
            if (text.error.isError())
                continue; // refused at load
            ++loaded;
            const EncodedText back = encodeDocument(text.text, "windows-31j");
            QVERIFY2(!back.error.isError(), bytes.toHex().constData());
            if (back.bytes != bytes) {
                QCOMPARE(back.bytes.size(), 2);
                changed.insert(code,
                               quint16(quint8(back.bytes.at(0)) << 8 | quint8(back.bytes.at(1))));
            }
        }
    }
    for (int single = 0; single < 0x100; ++single) {
        const QByteArray bytes(1, char(single));
        const LoadedText text = decodeDocument(bytes, "windows-31j");
        if (!text.error.isError())
            QCOMPARE(encodeDocument(text.text, "windows-31j").bytes, withLoneCRsEnded(bytes));
    }
    QVERIFY(loaded > 9000);
    QCOMPARE(changed.size(), 398);
    QCOMPARE(changed, preferred);
}

void TestDocumentFile::generatedFilesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::newRow("UTF-8") << QByteArray("UTF-8");
    QTest::newRow("windows-31j") << QByteArray("windows-31j");
}

void TestDocumentFile::generatedFilesRoundTrip()
{
    QFETCH(QByteArray, codePage);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("sample.htm"));
    QRandomGenerator random(20240611);
    for (int i = 0; i < 1000; ++i) {
        const SampleDocument sample = generateSample(random, codePage);
        QByteArray back;
        if (i % 25 == 0) {
            // Some through real files; a save syncs the disk, which takes its time.
            writeAll(path, sample.bytes);
            const LoadedText loaded = loadDocumentFile(path, codePage);
            QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
            const ErrorReport saved = saveDocumentFile(path, loaded.text, codePage);
            QVERIFY2(!saved.isError(), qPrintable(saved.description));
            back = readAll(path);
        } else {
            const LoadedText loaded = decodeDocument(sample.bytes, codePage);
            QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
            const EncodedText encoded = encodeDocument(loaded.text, codePage);
            QVERIFY2(!encoded.error.isError(), qPrintable(encoded.error.description));
            back = encoded.bytes;
        }
        if (back != sample.expected) {
            qWarning() << "sample" << i << sample.bytes.toHex(' ');
            QCOMPARE(back, sample.expected);
        }
    }
}

void TestDocumentFile::saveWritesExactlyTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("no line end added after the last line") << QStringLiteral("a\r\nb")
                                                           << QByteArray("a\r\nb");
    QTest::newRow("text ending in CR LF gets no second one") << QStringLiteral("a\r\n")
                                                             << QByteArray("a\r\n");
    QTest::newRow("empty text gives an empty file") << QString() << QByteArray();
    QTest::newRow("byte-order mark written back") << QStringLiteral("\uFEFFx")
                                                  << QByteArray("\xEF\xBB\xBFx");
}

void TestDocumentFile::saveWritesExactlyTheText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.htm"));
    writeAll(path, "an older and longer content");
    QVERIFY(!saveDocumentFile(path, text, "UTF-8").isError());
    QCOMPARE(readAll(path), bytes);
    // Load and save again and again: the file does not grow.
    for (int i = 0; i < 3; ++i) {
        const LoadedText loaded = loadDocumentFile(path, "UTF-8");
        QVERIFY(!saveDocumentFile(path, loaded.text, "UTF-8").isError());
    }
    QCOMPARE(readAll(path), bytes);
}

void TestDocumentFile::saveKeepsLinksAndPermissions()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("target.htm"));
    const QString link = folder.filePath(QStringLiteral("link.htm"));
    writeAll(target, "old");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                             | QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    QVERIFY(QFile::setPermissions(target, permissions));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!saveDocumentFile(link, QStringLiteral("new"), "UTF-8").isError());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), QByteArray("new"));
    QCOMPARE(QFile::permissions(target) & 0x7077, permissions);
}

void TestDocumentFile::failedSaveLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the path is a folder") << QStringLiteral("folder");
    QTest::newRow("the folder does not exist") << QStringLiteral("missing");
    QTest::newRow("the folder is read-only") << QStringLiteral("read-only");
}

void TestDocumentFile::failedSaveLeavesTheOldFile()
{
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("a.htm"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("a.htm")));
    } else if (kind == QLatin1String("missing")) {
        path = folder.filePath(QStringLiteral("no/such/a.htm"));
    } else {
        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        writeAll(path, "old text");
        QVERIFY(QFile::setPermissions(folder.path(),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const ErrorReport error = saveDocumentFile(path, QStringLiteral("new text"), "UTF-8");
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                             | QFileDevice::ExeOwner);
    QVERIFY(error.isError());
    QVERIFY(!error.description.isEmpty());
    if (kind == QLatin1String("folder"))
        QVERIFY(QFileInfo(path).isDir());
    else if (kind == QLatin1String("read-only"))
        QCOMPARE(readAll(path), QByteArray("old text"));
    else
        QVERIFY(!QFile::exists(path));
}

void TestDocumentFile::saveInterruptedByAFullDiskLeavesTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.htm"));
    const QByteArray old(4000, 'o');
    writeAll(path, old);

    // A file size limit makes the write fail part of the way, as a full disk does.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const ErrorReport error = saveDocumentFile(path, QString(8000, u'n'), "UTF-8");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(error.isError());
    QVERIFY(!error.description.isEmpty());
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.htm"});
}

void TestDocumentFile::refusedTextWritesNothing()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.htm"));
    writeAll(path, "old");
    const ErrorReport error = saveDocumentFile(path, QStringLiteral("〜"), "windows-31j");
    QCOMPARE(error.number, EILSEQ);
    QCOMPARE(readAll(path), QByteArray("old"));
    const QString fresh = folder.filePath(QStringLiteral("b.htm"));
    QVERIFY(saveDocumentFile(fresh, QStringLiteral("〜"), "windows-31j").isError());
    QVERIFY(!QFile::exists(fresh));
}

void TestDocumentFile::writeReportsAFailingDevice()
{
    FailingDevice device(QByteArray(), 5, false);
    QVERIFY(device.open(QIODevice::WriteOnly));
    const ErrorReport error = writeDocument(device, "0123456789");
    QCOMPARE(error.number, int(QFileDevice::WriteError));
    QCOMPARE(error.description, QStringLiteral("No space left on device"));

    QByteArray target;
    QBuffer buffer(&target);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(!writeDocument(buffer, "0123456789").isError());
    QCOMPARE(target, QByteArray("0123456789"));
}

void TestDocumentFile::readFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("missing file") << QStringLiteral("missing") << int(QFileDevice::OpenError);
    QTest::newRow("a folder") << QStringLiteral("folder") << int(QFileDevice::OpenError);
    QTest::newRow("device failing while read") << QStringLiteral("device")
                                               << int(QFileDevice::ReadError);
    QTest::newRow("sequential device failing while read")
        << QStringLiteral("sequential") << int(QFileDevice::ReadError);
}

void TestDocumentFile::readFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    QTemporaryDir folder;
    LoadedText loaded;
    if (kind == QLatin1String("missing")) {
        loaded = loadDocumentFile(folder.filePath(QStringLiteral("none.htm")), "UTF-8");
    } else if (kind == QLatin1String("folder")) {
        loaded = loadDocumentFile(folder.path(), "UTF-8");
    } else {
        FailingDevice device(QByteArray(100, 'a'), 50, kind == QLatin1String("sequential"));
        QVERIFY(device.open(QIODevice::ReadOnly));
        loaded = readDocument(device, "UTF-8");
    }
    QCOMPARE(loaded.error.number, number);
    QVERIFY(!loaded.error.description.isEmpty());
    QVERIFY(loaded.text.isEmpty());
}

void TestDocumentFile::tooLargeIsRefusedBeforeReading_data()
{
    QTest::addColumn<bool>("sequential");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("refused");
    QTest::newRow("file of the limit's size is read") << false << qint64(1000) << false;
    QTest::newRow("file one byte over the limit") << false << qint64(1001) << true;
    QTest::newRow("stream of the limit's size is read") << true << qint64(1000) << false;
    QTest::newRow("stream over the limit") << true << qint64(200000) << true;
}

void TestDocumentFile::tooLargeIsRefusedBeforeReading()
{
    QFETCH(bool, sequential);
    QFETCH(qint64, size);
    QFETCH(bool, refused);
    // A file that is refused fails any read: the refusal must come before reading.
    const qint64 failAfter = refused && !sequential ? 0 : size;
    FailingDevice device(QByteArray(size, 'a'), failAfter, sequential);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const LoadedText loaded = readDocument(device, "UTF-8", 1000);
    if (refused) {
        QCOMPARE(loaded.error.number, EFBIG);
        QVERIFY(loaded.error.description.contains(QStringLiteral("1000 バイトまで")));
        QVERIFY(loaded.text.isEmpty());
    } else {
        QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
        QCOMPARE(loaded.text.size(), size);
    }
}

void TestDocumentFile::tooLargeFileOnDiskIsRefused()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("huge.htm"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Sparse: takes no room on the disk.
        QVERIFY(file.resize(kMaxDocumentBytes + 1));
    }
    const LoadedText loaded = loadDocumentFile(path, "UTF-8");
    QCOMPARE(loaded.error.number, EFBIG);
    QVERIFY(loaded.text.isEmpty());
}

void TestDocumentFile::fileThatDoesNotFitInMemoryIsRefused()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("large.htm"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(200 * 1000 * 1000)); // sparse; under the size limit
    }
    // Leave the process only a little more address space than it uses now.
    QFile status(QStringLiteral("/proc/self/status"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    qint64 usedKiB = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            usedKiB = line.mid(7).trimmed().split(' ').constFirst().toLongLong();
    }
    QVERIFY(usedKiB > 0);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(usedKiB) * 1024 + (rlim_t(128) << 20);
    QCOMPARE(setrlimit(RLIMIT_AS, &limited), 0);
    const LoadedText loaded = loadDocumentFile(path, "UTF-8");
    setrlimit(RLIMIT_AS, &saved);

    QCOMPARE(loaded.error.number, ENOMEM);
    QVERIFY(loaded.text.isEmpty());
}

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
