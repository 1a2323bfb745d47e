#include "core/documentfile.h"
#include "documentsamples.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kPiece = qsizetype(1) << 20; // the decoder's piece size
const QByteArray kUtf8 = "UTF-8";
const QByteArray kSjis = "windows-31j";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Hands out bytes up to failAfter, then fails; a sequential one tells no size.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(qint64 size, qint64 failAfter, bool sequential)
        : m_size(size)
        , m_failAfter(failAfter)
        , m_sequential(sequential)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return m_sequential; }
    qint64 size() const override { return m_sequential ? 0 : m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_position >= m_size)
            return 0;
        if (m_position >= m_failAfter) {
            setErrorString(u"Input/output error"_s);
            return -1;
        }
        const qint64 n = std::min({maxSize, m_failAfter - m_position, m_size - m_position});
        memset(data, 'a', size_t(n));
        m_position += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 m_size;
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
    // Runs of codes and their preferred forms: NEC row 13 symbols that JIS X 0208
    // row 2 has as well; IBM extension symbols that the NEC rows have already; and
    // NEC-selected IBM extensions, for which the IBM extension codes are preferred.
    const struct
    {
        quint16 from, to, count;
    } runs[]
        = {{0x8790, 0x81E0, 1}, {0x8791, 0x81DF, 1},  {0x8792, 0x81E7, 1}, {0x8795, 0x81E3, 1},
           {0x8796, 0x81DB, 1}, {0x8797, 0x81DA, 1},  {0x879A, 0x81E6, 1}, {0x879B, 0x81BF, 1},
           {0x879C, 0x81BE, 1}, {0xFA4A, 0x8754, 10}, {0xFA54, 0x81CA, 1}, {0xFA58, 0x878A, 1},
           {0xFA59, 0x8782, 1}, {0xFA5A, 0x8784, 1},  {0xFA5B, 0x81E6, 1}, {0xEEEF, 0xFA40, 10},
           {0xEEF9, 0x81CA, 1}, {0xEEFA, 0xFA55, 3}};
    QHash<quint16, quint16> forms;
    for (const auto &run : runs) {
        for (quint16 i = 0; i < run.count; ++i)
            forms.insert(quint16(run.from + i), quint16(run.to + i));
    }
    const QList<quint16> necSelected = doubleByteCodes(0xED40, 0xEEEC);
    const QList<quint16> ibm = doubleByteCodes(0xFA5C, 0xFC4B);
    Q_ASSERT(necSelected.size() == 360 && ibm.size() == 360);
    for (qsizetype i = 0; i < necSelected.size(); ++i)
        forms.insert(necSelected.at(i), ibm.at(i));
    return forms;
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void encoding_data();
    void encoding();
    void windows31jDuplicatesComeBackInThePreferredForm();
    void generatedFilesRoundTrip_data();
    void generatedFilesRoundTrip();
    void saveKeepsLinksAndPermissions();
    void readingFromADevice_data();
    void readingFromADevice();
    void fileThatDoesNotFitInMemoryIsRefused();
};

void TestDocumentFile::decoding_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("offset"); // of the first bad byte; -1: the file loads

    const auto load = [](const char *name, const QByteArray &codePage, const QByteArray &bytes,
                         const QString &text) {
        QTest::addRow("load rule: %s", name) << codePage << bytes << text << qint64(-1);
    };
    const auto refuse
        = [](const char *name, const QByteArray &codePage, const QByteArray &bytes, qint64 offset) {
              QTest::addRow("refused: %s", name) << codePage << bytes << QString() << offset;
          };
    load("last line without line end gets none", kUtf8, "ab\r\ncd"_ba, u"ab\r\ncd"_s);
    load("lone CR ends a line and becomes CR LF", kUtf8, "ab\rcd"_ba, u"ab\r\ncd"_s);
    load("lone CR at the end becomes CR LF", kUtf8, "ab\rcd\r"_ba, u"ab\r\ncd\r\n"_s);
    load("two lone CRs make an empty line", kUtf8, "a\r\rb"_ba, u"a\r\n\r\nb"_s);
    load("lone LF stays in its line", kUtf8, "ab\ncd\n"_ba, u"ab\ncd\n"_s);
    load("LF then CR: the CR ends the line", kUtf8, "a\n\rb"_ba, u"a\n\r\nb"_s);
    load("empty file gives empty text", kUtf8, QByteArray(), QString());
    load("UTF-8 Japanese, last line without line end: nothing appended", kUtf8, "日本語\r\n漢字"_ba,
         u"日本語\r\n漢字"_s);
    load("UTF-8 byte-order mark is text and kept", kUtf8, "\xEF\xBB\xBF<p>"_ba, u"\uFEFF<p>"_s);
    load("UTF-8 character outside the BMP", kUtf8, "\xF0\xA0\xAE\xB7\r"_ba, u"𠮷\r\n"_s);
    load("windows-31j one double-byte character, no line end: no lone CR", kSjis, "\x82\xA0"_ba,
         u"あ"_s);
    load("windows-31j two double-byte characters, no line end: no CR LF", kSjis,
         "ab\r\n\x8A\xBF\x8E\x9A"_ba, u"ab\r\n漢字"_s);
    load("windows-31j lone CR line ends keep the end of the file", kSjis,
         "\x82\xA0\r\x82\xA2\r\x82\xA4"_ba, u"あ\r\nい\r\nう"_s);
    load("windows-31j backslash and tilde stay ASCII", kSjis, "\\~"_ba, u"\\~"_s);
    load("UTF-16BE: lone CR whose bytes look like CR LF", "UTF-16BE"_ba,
         "\x00\x0D\x0A\x41\x00\x0D"_ba, u"\r\n\u0A41\r\n"_s);
    load("single-byte code page", "ISO-8859-1"_ba, "caf\xE9\r"_ba, u"café\r\n"_s);
    // Pieces of the decoder meet in the middle of these.
    const QByteArray as(kPiece - 1, 'a');
    const QString text(kPiece - 1, u'a');
    load("CR LF split between pieces", kUtf8, as + "\r\nb", text + u"\r\nb"_s);
    load("lone CR at the end of a piece", kUtf8, as + "\rb", text + u"\r\nb"_s);
    load("UTF-8 character split between pieces", kUtf8, as + "\xE6\xBC\xA2", text + u"漢"_s);
    load("windows-31j character split between pieces", kSjis, as + "\x8A\xBF", text + u"漢"_s);

    refuse("UTF-8 stray continuation byte", kUtf8, "ab\x80z"_ba, 2);
    refuse("UTF-8 sequence broken by ASCII", kUtf8, "a\xE3\x81z"_ba, 1);
    refuse("UTF-8 character cut off at the end", kUtf8, "\xE3\x81\x82\xE3\x81"_ba, 3);
    refuse("UTF-8 encoded surrogate", kUtf8, "\xED\xA0\x80"_ba, 0);
    refuse("UTF-8 overlong NUL", kUtf8, "x\xC0\x80"_ba, 1);
    refuse("Shift-JIS text read as UTF-8", kUtf8, "<p>\x82\xA0"_ba, 3);
    refuse("windows-31j byte 0x80 (decoded as U+001A otherwise)", kSjis, "a\x80"_ba, 1);
    refuse("windows-31j byte 0xA0", kSjis, "\x82\xA0\xA0"_ba, 2);
    refuse("windows-31j lead byte with a bad trail byte", kSjis, "ab\x82\x20"_ba, 2);
    refuse("windows-31j lead byte cut off at the end (dropped otherwise)", kSjis, "abc\x82"_ba, 3);
    refuse("UTF-8 text read as windows-31j", kSjis, "\xEF\xBB\xBF"_ba, 0);
    refuse("fault after the first piece", kUtf8, QByteArray(kPiece + 10, 'a') + "\xFF",
           kPiece + 10);
    refuse("fault across two pieces", kUtf8, as + "\xE3z", kPiece - 1);
    refuse("windows-31j fault far into a large file", kSjis,
           QByteArray(3 * kPiece, 'a') + "\x82\xA0\xFD", 3 * kPiece + 2);
}

void TestDocumentFile::decoding()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(qint64, offset);
    // All at once, and from a device a piece at a time: the same result.
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    for (const LoadedText &loaded :
         {decodeDocument(bytes, codePage), readDocument(buffer, codePage)}) {
        QCOMPARE(loaded.invalidByteOffset, offset);
        QCOMPARE(loaded.text, text);
        if (offset < 0) {
            QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
            continue;
        }
        QCOMPARE(loaded.error.number, EILSEQ);
        QVERIFY2(loaded.error.description.contains(u"オフセット %1"_s.arg(offset)),
                 qPrintable(loaded.error.description));
        QVERIFY(loaded.error.description.contains(QString::fromLatin1(codePage)));
    }
}

void TestDocumentFile::encoding_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("index"); // of the first character refused; -1: none
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("named");

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
    const QString end = u"\r\n"_s;
    for (const Pair &pair : pairs) {
        const QString jis = u"a"_s + QChar(pair.jis) + end;
        const QString microsoft = u"a"_s + QChar(pair.microsoft) + end;
        const QString named = u"「%1」(U+%2)"_s.arg(QChar(pair.jis))
                                  .arg(QString::number(pair.jis, 16).toUpper(), 4, u'0');
        QTest::addRow("windows-31j %s: JIS form refused", pair.name)
            << kSjis << jis << QByteArray() << qsizetype(1) << 1 << named;
        QTest::addRow("windows-31j %s: Microsoft form round-trips", pair.name)
            << kSjis << microsoft << "a"_ba + pair.microsoftBytes + "\r\n"
            << qsizetype(-1) << 0 << QString();
        QTest::addRow("UTF-8 %s: JIS form round-trips", pair.name)
            << kUtf8 << jis << jis.toUtf8() << qsizetype(-1) << 0 << QString();
        QTest::addRow("UTF-8 %s: Microsoft form round-trips", pair.name)
            << kUtf8 << microsoft << microsoft.toUtf8() << qsizetype(-1) << 0 << QString();
    }

    QTest::newRow("nothing added after a last line without line end")
        << kUtf8 << u"a\r\nb"_s << "a\r\nb"_ba << qsizetype(-1) << 0 << QString();
    QTest::newRow("empty text gives no bytes")
        << kUtf8 << QString() << QByteArray() << qsizetype(-1) << 0 << QString();
    QTest::newRow("byte-order mark written back")
        << kUtf8 << u"\uFEFFx"_s << "\xEF\xBB\xBFx"_ba << qsizetype(-1) << 0 << QString();

    const QString waveDash = u"「〜」(U+301C)"_s;
    const QString kanji = u"「𠮷」(U+20BB7)"_s;
    QTest::newRow("refused: wave dash on line 3")
        << kSjis << u"a\r\nb\r\ncd〜e−"_s << QByteArray() << qsizetype(8) << 3 << waveDash;
    QTest::newRow("refused: lone LF starts a line as the editor shows it")
        << kSjis << u"a\nb¥"_s << QByteArray() << qsizetype(3) << 2 << u"「¥」(U+00A5)"_s;
    QTest::newRow("refused: character outside the BMP")
        << kSjis << u"漢字𠮷"_s << QByteArray() << qsizetype(2) << 1 << kanji;
    QTest::newRow("refused: UTF-8 lone surrogate")
        << kUtf8 << u"ab"_s + QChar(0xD800) + u"c"_s << QByteArray() << qsizetype(2) << 1
        << u"U+D800"_s;
    const QString far = QString(200000, u'x') + end + QString(70000, u'y') + u"〜"_s;
    QTest::newRow("refused: far into a large text")
        << kSjis << far << QByteArray() << qsizetype(270002) << 2 << waveDash;
    // The character sits across the boundary of the encoder's pieces of 65536.
    QTest::newRow("refused: surrogate pair across pieces")
        << kSjis << QString(65535, u'x') + u"𠮷"_s << QByteArray() << qsizetype(65535) << 1
        << kanji;
}

void TestDocumentFile::encoding()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, index);
    QFETCH(int, line);
    QFETCH(QString, named);
    const EncodedText encoded = encodeDocument(text, codePage);
    QCOMPARE(encoded.unrepresentableIndex, index);
    QCOMPARE(encoded.bytes, bytes);
    if (index < 0) {
        QVERIFY2(!encoded.error.isError(), qPrintable(encoded.error.description));
        QCOMPARE(decodeDocument(encoded.bytes, codePage).text, text);
        return;
    }
    QCOMPARE(encoded.error.number, EILSEQ);
    QCOMPARE(encoded.unrepresentableLine, line);
    QVERIFY2(encoded.error.description.contains(named), qPrintable(encoded.error.description));
    QVERIFY(encoded.error.description.contains(u"%1 行目"_s.arg(line)));
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
            const char pair[] = {char(lead), char(trail)};
            const QByteArray bytes(pair, 2);
            const LoadedText text = decodeDocument(bytes, kSjis);
            if (text.error.isError())
                continue; // refused at load
            ++loaded;
            const EncodedText back = encodeDocument(text.text, kSjis);
            QVERIFY2(!back.error.isError(), bytes.toHex().constData());
            if (back.bytes != bytes) {
                QCOMPARE(back.bytes.size(), 2);
                changed.insert(quint16(lead << 8 | trail),
                               quint16(quint8(back.bytes.at(0)) << 8 | quint8(back.bytes.at(1))));
            }
        }
    }
    for (int single = 0; single < 0x100; ++single) {
        const QByteArray bytes(1, char(single));
        const LoadedText text = decodeDocument(bytes, kSjis);
        if (!text.error.isError())
            QCOMPARE(encodeDocument(text.text, kSjis).bytes, withLoneCRsEnded(bytes));
    }
    QVERIFY(loaded > 9000);
    QCOMPARE(changed.size(), 398);
    QCOMPARE(changed, preferred);
}

void TestDocumentFile::generatedFilesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::newRow("UTF-8") << kUtf8;
    QTest::newRow("windows-31j") << kSjis;
}

void TestDocumentFile::generatedFilesRoundTrip()
{
    QFETCH(QByteArray, codePage);
    QRandomGenerator random(20240611);
    for (int i = 0; i < 1000; ++i) {
        const SampleDocument sample = generateSample(random, codePage);
        const LoadedText loaded = decodeDocument(sample.bytes, codePage);
        QVERIFY2(!loaded.error.isError(), qPrintable(loaded.error.description));
        const EncodedText back = encodeDocument(loaded.text, codePage);
        QVERIFY2(!back.error.isError(), qPrintable(back.error.description));
        if (back.bytes != sample.expected) {
            qWarning() << "sample" << i << sample.bytes.toHex(' ');
            QCOMPARE(back.bytes, sample.expected);
        }
    }
}

void TestDocumentFile::saveKeepsLinksAndPermissions()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(u"target.htm"_s);
    const QString link = folder.filePath(u"link.htm"_s);
    writeAll(target, "old");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    QVERIFY(QFile::setPermissions(target, permissions));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!saveDocumentFile(link, u"new"_s, kUtf8).isError());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), "new"_ba);
    QCOMPARE(QFile::permissions(target) & 0x7077, permissions);
}

void TestDocumentFile::readingFromADevice_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<bool>("sequential");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("failAfter");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("detail");
    // Reads are limited to 1000 bytes. A file that is refused for its size fails any
    // read: the refusal must come before reading.
    const QString limit = u"1000 バイトまで"_s;
    const QString ioError = u"Input/output error"_s;
    QTest::newRow("file of the limit's size is read")
        << kUtf8 << false << qint64(1000) << qint64(1000) << 0 << QString();
    QTest::newRow("file one byte over the limit")
        << kUtf8 << false << qint64(1001) << qint64(0) << EFBIG << limit;
    QTest::newRow("stream of the limit's size is read")
        << kUtf8 << true << qint64(1000) << qint64(1000) << 0 << QString();
    QTest::newRow("stream over the limit")
        << kUtf8 << true << qint64(200000) << qint64(200000) << EFBIG << limit;
    QTest::newRow("file failing while read")
        << kUtf8 << false << qint64(100) << qint64(50) << int(QFileDevice::ReadError) << ioError;
    QTest::newRow("stream failing while read")
        << kUtf8 << true << qint64(100) << qint64(50) << int(QFileDevice::ReadError) << ioError;
    QTest::newRow("file in a code page the system does not know")
        << "no-such-code-page"_ba << false << qint64(3) << qint64(3) << EINVAL << QString();
    QTest::newRow("stream in a code page the system does not know")
        << "no-such-code-page"_ba << true << qint64(3) << qint64(3) << EINVAL << QString();
}

void TestDocumentFile::readingFromADevice()
{
    QFETCH(QByteArray, codePage);
    QFETCH(bool, sequential);
    QFETCH(qint64, size);
    QFETCH(qint64, failAfter);
    QFETCH(int, number);
    QFETCH(QString, detail);
    FailingDevice device(size, failAfter, sequential);
    const LoadedText loaded = readDocument(device, codePage, 1000);
    QCOMPARE(loaded.error.number, number);
    QVERIFY2(loaded.error.description.contains(detail), qPrintable(loaded.error.description));
    QCOMPARE(loaded.error.description.isEmpty(), number == 0);
    QCOMPARE(loaded.text, number == 0 ? QString(size, u'a') : QString());
}

void TestDocumentFile::fileThatDoesNotFitInMemoryIsRefused()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"large.htm"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(200 * 1000 * 1000)); // sparse; under the size limit
    }
    // Leave the process only a little more address space than it uses now.
    QFile status(u"/proc/self/status"_s);
    QVERIFY(status.open(QIODevice::ReadOnly));
    qint64 usedKiB = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            usedKiB = line.mid(7).trimmed().split(' ').constFirst().toLongLong();
    }
    QVERIFY(usedKiB > 0);
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(usedKiB) * 1024 + (rlim_t(128) << 20);
    QCOMPARE(setrlimit(RLIMIT_AS, &limited), 0);
    const LoadedText loaded = loadDocumentFile(path, kUtf8);
    setrlimit(RLIMIT_AS, &saved);

    QCOMPARE(loaded.error.number, ENOMEM);
    QVERIFY(loaded.text.isEmpty());
}

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
