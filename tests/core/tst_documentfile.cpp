#include "casetable.h"
#include "core/document/documentfile.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// A generated file: lines of ASCII and Japanese words ended at random by CR LF, LF or a
// lone CR, the last one maybe without; load and save give it back byte for byte.
QByteArray generatedFile(QRandomGenerator &random, const QByteArray &codePage)
{
    QStringList words
        = u"<p> </p> abc href=\"a.htm\" &amp; \\ ~ 日本語 漢字 ひらがな カタカナ ｶﾀｶﾅ "
          u"ルビ ～ － ① 纊 ⅰ 髙 ￤ 〒 、。 送り仮名"_s.split(u' ')
        + QStringList {u" "_s, u"\t"_s};
    if (codePage == "UTF-8")
        words += u"〜 − — ¥ ‾ 𠮷 é"_s.split(u' ');
    QString text;
    for (int line = random.bounded(12); line > 0; --line) {
        for (int word = random.bounded(8); word > 0; --word)
            text += words.at(random.bounded(int(words.size())));
        if (line > 1 || random.bounded(2))
            text += QStringList {u"\r\n"_s, u"\n"_s, u"\r"_s}.at(random.bounded(3));
    }
    return QStringEncoder(codePage.constData()).encode(text);
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data() { addCaseRows("decoding.tsv"); }
    void decoding();
    void largePagesDecodeAsInOnePass_data();
    void largePagesDecodeAsInOnePass();
    void encoding_data() { addCaseRows("encoding.tsv"); }
    void encoding();
    void generatedFilesRoundTrip();
    void saveKeepsLinksAndPermissions();
    void limitAndCodePageAreCheckedBeforeReading();
    void fileThatDoesNotFitInMemoryIsRefused();
};

void TestDocumentFile::decoding()
{
    QFETCH(QByteArrayList, f); // code page, bytes, text, offset of the first bad byte
    QByteArray bytes = caseBytes(f[1]);
    const qint64 offset = f[3].toLongLong();
    // All at once, and from a device a piece at a time: the same result.
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    for (const Result<LoadedText> &loaded :
         {decodeDocument(bytes, f[0]), readDocument(buffer, f[0])}) {
        if (offset < 0) {
            QVERIFY(loaded && loaded->text == caseText(f[2]));
            continue;
        }
        QVERIFY(!loaded);
        QCOMPARE(loaded.error().kind, ErrorKind::BadEncoding);
        QCOMPARE(loaded.error().position, offset);
        QCOMPARE(loaded.error().systemCode, EILSEQ);
    }
}

void TestDocumentFile::largePagesDecodeAsInOnePass_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<bool>("lineFeeds");
    QTest::addColumn<double>("badAt"); // where a bad byte is, a fraction of the page; -1: none
    QTest::newRow("windows-31j, many lines") << "windows-31j"_ba << true << -1.0;
    QTest::newRow("EUC-JP, many lines") << "EUC-JP"_ba << true << -1.0;
    QTest::newRow("one long line: nowhere to split") << "windows-31j"_ba << false << -1.0;
    QTest::newRow("a bad byte in the first half") << "windows-31j"_ba << true << 0.25;
    QTest::newRow("a bad byte in the second half") << "EUC-JP"_ba << true << 0.75;
}

// Pages over a few megabytes in Shift_JIS or EUC-JP are decoded in two halves at
// once: the text, and the first bad byte, are those of one pass.
void TestDocumentFile::largePagesDecodeAsInOnePass()
{
    QFETCH(QByteArray, codePage);
    QFETCH(bool, lineFeeds);
    QFETCH(double, badAt);
    const QString line = u"<p>漢字とかな、カナとｶﾀｶﾅ。</p>"_s + (lineFeeds ? u"\r\n"_s : QString());
    const QString text = line.repeated(6 * 1024 * 1024 / line.size());
    QByteArray bytes = QStringEncoder(codePage.constData()).encode(text);
    const qsizetype bad = badAt < 0 ? -1 : bytes.indexOf('<', qsizetype(bytes.size() * badAt));
    if (bad >= 0)
        bytes[bad] = '\xFF';
    const Result<LoadedText> loaded = decodeDocument(bytes, codePage);
    QCOMPARE(loaded.has_value(), bad < 0);
    if (bad >= 0)
        QCOMPARE(loaded.error().position, bad);
    else
        QVERIFY(loaded->text == text);
}

void TestDocumentFile::encoding()
{
    QFETCH(QByteArrayList, f); // code page, text, bytes, index refused, its line, its name
    const QString text = caseText(f[1]);
    const Result<QByteArray> encoded = encodeDocument(text, f[0]);
    if (f[3] == "-1") {
        QVERIFY(encoded);
        QCOMPARE(*encoded, caseBytes(f[2]));
        QCOMPARE(decodeDocument(*encoded, f[0])->text, text);
        return;
    }
    QVERIFY(!encoded);
    QCOMPARE(encoded.error().kind, ErrorKind::Unencodable);
    QCOMPARE(encoded.error().position, f[3].toLongLong());
    QCOMPARE(encoded.error().line, f[4].toInt());
    QCOMPARE(describeCharacter(encoded.error().character), caseText(f[5]));
}

void TestDocumentFile::generatedFilesRoundTrip()
{
    QRandomGenerator random(20240611);
    for (const QByteArray &codePage : {"UTF-8"_ba, "windows-31j"_ba}) {
        for (int i = 0; i < 1000; ++i) {
            const QByteArray bytes = generatedFile(random, codePage);
            const Result<QByteArray> back
                = encodeDocument(decodeDocument(bytes, codePage)->text, codePage);
            QVERIFY2(back == bytes, bytes.toHex(' ').constData());
        }
    }
}

void TestDocumentFile::saveKeepsLinksAndPermissions()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(u"target.htm"_s), link = folder.filePath(u"link.htm"_s);
    QVERIFY(saveDocumentFile(target, u"old"_s, "UTF-8"));
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    QVERIFY(QFile::setPermissions(target, permissions) && QFile::link(target, link));
    QVERIFY(saveDocumentFile(link, u"new"_s, "UTF-8"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(loadDocumentFile(target, "UTF-8")->text, u"new"_s);
    QCOMPARE(QFile::permissions(target) & 0x7077, permissions);
}

void TestDocumentFile::limitAndCodePageAreCheckedBeforeReading()
{
    QByteArray bytes(1001, 'a');
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readDocument(buffer, "UTF-8", 1001)->text.size(), 1001);
    buffer.seek(0);
    const Result<LoadedText> tooLarge = readDocument(buffer, "UTF-8", 1000);
    QCOMPARE(tooLarge.error().kind, ErrorKind::TooLarge);
    QCOMPARE(tooLarge.error().size, 1001);
    QCOMPARE(tooLarge.error().limit, 1000);
    QCOMPARE(buffer.pos(), 0);
    QCOMPARE(readDocument(buffer, "no-such-code-page").error().systemCode, EINVAL);
    QCOMPARE(decodeDocument(bytes, "no-such-code-page").error().systemCode, EINVAL);
    QCOMPARE(encodeDocument(u"a"_s, "no-such-code-page").error().kind,
             ErrorKind::UnknownEncoding);
    // The system's own number, never a Qt enumeration value.
    QCOMPARE(loadDocumentFile(u"/no/such/file"_s, "UTF-8").error().systemCode, ENOENT);
}

void TestDocumentFile::fileThatDoesNotFitInMemoryIsRefused()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the address sanitizer's shadow memory does not fit an address-space limit");
#endif
    QTemporaryDir folder;
    const QString path = folder.filePath(u"large.htm"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(200 * 1000 * 1000)); // sparse
    }
    // Leave the process only a little more address space than it uses now.
    QFile status(u"/proc/self/status"_s);
    const QByteArray all = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qint64 usedKiB = all.mid(all.indexOf("VmSize:") + 7).trimmed().split(' ')[0].toLongLong();
    rlimit saved {}, limited {};
    QVERIFY(usedKiB > 0 && getrlimit(RLIMIT_AS, &saved) == 0);
    limited = {rlim_t(usedKiB) * 1024 + (rlim_t(128) << 20), saved.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_AS, &limited), 0);
    const Result<LoadedText> loaded = loadDocumentFile(path, "UTF-8");
    setrlimit(RLIMIT_AS, &saved);
    QCOMPARE(loaded.error().kind, ErrorKind::OutOfMemory);
}

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
