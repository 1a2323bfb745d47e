#include "casetable.h"
#include "core/document/documentfile.h"
#include "core/document/safesave.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/wordlist.h"
#include "ui/errorbox.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The messages are made in the window layer from what the file layer and the
// dictionaries say went wrong: each is checked here from a real failure, word for word.
class TestDocumentErrors : public QObject
{
    Q_OBJECT

private slots:
    void messageOfAFailure_data() { addCaseRows("documenterrors.tsv"); }
    void messageOfAFailure();
};

namespace {

Result<FileIdentity> saveOverSizeLimit(const QString &path)
{
    // A second name makes the save write in place, where the room is reserved first.
    ::link(QFile::encodeName(path).constData(), QFile::encodeName(path + u".link"_s).constData());
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small {4096, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    Result<FileIdentity> outcome = saveBytesSafely(path, QByteArray(65536, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return outcome;
}

} // namespace

void TestDocumentErrors::messageOfAFailure()
{
    QFETCH(QByteArrayList, f); // what fails, code page, bytes or text, number, message
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.htm"_s), pipe = dir.filePath(u"pipe.htm"_s);
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QByteArray bytes = caseBytes(f[2]);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));

    std::optional<Error> error;
    const auto take = [&error](const auto &result) {
        if (!result)
            error = result.error();
    };
    const QByteArray what = f[0];
    if (what == "decode")
        take(decodeDocument(bytes, f[1]));
    else if (what == "decode as")
        take(decodeDocumentAs(bytes, {f[1], false}));
    else if (what == "detect")
        take(detectAndDecodeDocument(bytes, f[1]));
    else if (what == "limit")
        take(readDocument(buffer, f[1], bytes.size() - 1));
    else if (what == "encode")
        take(encodeDocument(caseText(f[2]), f[1]));
    else if (what == "open missing")
        take(loadDocumentFile(dir.filePath(u"missing.htm"_s), "UTF-8"));
    else if (what == "open folder")
        take(loadDocumentFile(dir.path(), "UTF-8"));
    else if (what == "save folder")
        take(saveBytesSafely(dir.path(), "new"));
    else if (what == "open fifo")
        take(loadDocumentFile(pipe, "UTF-8"));
    else if (what == "save fifo")
        take(saveBytesSafely(pipe, "new"));
    else if (what == "save changed") {
        const FileIdentity seen = fileIdentity(file);
        QVERIFY(old.open(QIODevice::Append) && old.write(" and more") > 0);
        old.close();
        take(saveBytesSafely(file, "new", &seen));
    } else if (what == "save over limit") {
        take(saveOverSizeLimit(file));
    } else if (what == "kanjidic") {
        take(KanjiReadings().load(dir.filePath(u"kanjidic"_s)));
    } else if (what == "word list") {
        error = RareWordList(dir.filePath(u"SKK-JISYO.L"_s)).loadError();
    }
    QVERIFY2(error, "it did not fail");
    QCOMPARE(error->systemCode, f[3].toInt());
    // The box's title names the failure; a bare number means nothing to a user.
    const QString title = errorBoxTitle(error->systemCode);
    QVERIFY2(!title.isEmpty() && !title.contains(QString::number(error->systemCode)), qPrintable(title));
    const QString shown = what == "kanjidic" || what == "word list" ? errorMessage(*error)
                                                                    : documentErrorText(*error);
    QCOMPARE(shown, caseText(f[4]).replace(u"%1"_s, dir.path()));
}

QTEST_GUILESS_MAIN(TestDocumentErrors)
#include "tst_documenterrors.moc"
