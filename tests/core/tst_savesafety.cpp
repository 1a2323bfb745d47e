// Reading refuses what is not a regular file; writing keeps the file's identity
// and never leaves it cut; the undo history stays bounded.

#include "core/documentfile.h"
#include "core/edithistory.h"
#include "core/safesave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kUtf8 = "UTF-8";

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat statOf(const QString &path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestSaveSafety : public QObject
{
    Q_OBJECT

private slots:
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();
    void procFilesReadToTheirEnd();
    void saveKeepsTheFile_data();
    void saveKeepsTheFile();
    void failedWriteLosesNothing_data();
    void failedWriteLosesNothing();
    void historyIsBounded_data();
    void historyIsBounded();
};

void TestSaveSafety::specialFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << u"fifo"_s;
    QTest::newRow("socket") << u"socket"_s;
    QTest::newRow("device") << u"/dev/null"_s;
    QTest::newRow("directory") << u"dir"_s;
}

// Refused at once, without waiting for a writer; a save does not replace them either.
void TestSaveSafety::specialFilesAreRefused()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(u"special"_s);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd < 0 || size_t(name.size()) >= sizeof(address.sun_path))
            QSKIP("no Unix socket in the temporary folder");
        qstrcpy(address.sun_path, name.constData());
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
    } else if (kind == u"dir")
        QVERIFY(QDir(dir.path()).mkdir(u"special"_s));
    else
        path = kind;
    const mode_t before = statOf(path).st_mode;

    QElapsedTimer timer;
    timer.start();
    const LoadedText loaded = loadDocumentFile(path, kUtf8);
    QVERIFY(loaded.error.isError());
    QVERIFY(timer.elapsed() < 5000);
    if (kind != u"dir")
        QVERIFY2(loaded.error.description.contains(u"通常のファイルではありません"),
                 qPrintable(loaded.error.description));

    if (kind == u"/dev/null")
        return; // not written even as root
    QVERIFY(saveBytesSafely(path, "text").error.isError());
    QCOMPARE(statOf(path).st_mode & S_IFMT, before & S_IFMT);
}

void TestSaveSafety::procFilesReadToTheirEnd()
{
    if (statOf(u"/proc/self/status"_s).st_size != 0)
        QSKIP("no /proc file system");
    const LoadedText loaded = loadDocumentFile(u"/proc/self/status"_s, kUtf8);
    QVERIFY(!loaded.error.isError());
    QVERIFY(loaded.text.contains(u"Name:"));
    // Still within the size limit.
    QVERIFY(loadDocumentFile(u"/proc/self/status"_s, kUtf8, 10).error.isError());
}

void TestSaveSafety::saveKeepsTheFile_data()
{
    QTest::addColumn<QString>("setting");
    QTest::newRow("mode 0640") << u"mode"_s;
    QTest::newRow("read-only 0444") << u"readonly"_s;
    QTest::newRow("hard link") << u"link"_s;
    QTest::newRow("folder not writable") << u"folder"_s;
    QTest::newRow("another user's file") << u"owner"_s;
    QTest::newRow("symbolic link") << u"symlink"_s;
    QTest::newRow("new file") << u"new"_s;
}

void TestSaveSafety::saveKeepsTheFile()
{
    QFETCH(QString, setting);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.htm"_s);
    QString written = path;
    if (setting != u"new")
        QVERIFY(writeFile(path, "old text\n"));
    const QByteArray name = QFile::encodeName(path);
    if (setting == u"mode")
        ::chmod(name.constData(), 0640);
    if (setting == u"readonly")
        ::chmod(name.constData(), 0444);
    const QString other = dir.filePath(u"other.htm"_s);
    if (setting == u"link")
        QCOMPARE(::link(name.constData(), QFile::encodeName(other).constData()), 0);
    if (setting == u"owner") {
        if (::geteuid() != 0)
            QSKIP("needs root to give the file to another user");
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    }
    if (setting == u"symlink") {
        written = dir.filePath(u"via.htm"_s);
        QVERIFY(QFile::link(path, written));
    }
    // Root writes any folder: a second user saves its own file in root's folder.
    const bool asOtherUser = setting == u"folder" && ::geteuid() == 0;
    QTemporaryDir cache;
    if (setting == u"folder") {
        ::chmod(QFile::encodeName(dir.path()).constData(), asOtherUser ? 0755 : 0555);
        if (asOtherUser) {
            QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
            ::chmod(QFile::encodeName(cache.path()).constData(), 0777);
            qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        }
    }
    const struct stat before = statOf(path);

    SaveOutcome outcome;
    if (asOtherUser) {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0
                && !saveBytesSafely(written, "new text\n").error.isError();
            ::_exit(ok ? 0 : 1);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        QCOMPARE(status, 0);
        outcome.identity = fileIdentity(path);
        QCOMPARE(QDir(cache.path() + u"/rubello"_s).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
    } else {
        outcome = saveBytesSafely(written, "new text\n");
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    QVERIFY2(!outcome.error.isError(), qPrintable(outcome.error.description));
    QCOMPARE(readFile(path), QByteArray("new text\n"));
    const struct stat after = statOf(path);
    QCOMPARE(outcome.identity, fileIdentity(path));
    if (setting == u"new") {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(after.st_mode & 07777, 0666 & ~mask);
    } else {
        QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
    }
    if (setting == u"link" || setting == u"folder")
        QCOMPARE(after.st_ino, before.st_ino);
    if (setting == u"link")
        QCOMPARE(readFile(other), QByteArray("new text\n"));
    if (setting == u"symlink")
        QVERIFY(QFileInfo(written).isSymLink());
    // Nothing is left beside the file.
    QStringList expected = {u"doc.htm"_s};
    if (setting == u"link")
        expected << u"other.htm"_s;
    if (setting == u"symlink")
        expected << u"via.htm"_s;
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
             expected);
}

void TestSaveSafety::failedWriteLosesNothing_data()
{
    QTest::addColumn<bool>("hardLinked");
    QTest::newRow("replaced whole") << false;
    QTest::newRow("written in place") << true;
}

// A write that the file-size limit cuts short: the old file stays, or its complete
// copy is kept and named.
void TestSaveSafety::failedWriteLosesNothing()
{
    QFETCH(bool, hardLinked);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.htm"_s);
    QVERIFY(writeFile(path, "old text\n"));
    if (hardLinked)
        QCOMPARE(::link(QFile::encodeName(path).constData(),
                        QFile::encodeName(dir.filePath(u"other.htm"_s)).constData()),
                 0);
    struct rlimit saved
    {
    };
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveOutcome outcome = saveBytesSafely(path, QByteArray(65536, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(outcome.error.isError());
    if (!hardLinked) {
        QCOMPARE(readFile(path), QByteArray("old text\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({u"doc.htm"_s}));
        return;
    }
    QVERIFY(!outcome.keptBackup.isEmpty());
    QVERIFY(outcome.error.description.contains(outcome.keptBackup));
    QCOMPARE(readFile(outcome.keptBackup), QByteArray("old text\n"));
    QFile::remove(outcome.keptBackup);
}

void TestSaveSafety::historyIsBounded_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("charsPerStep");
    QTest::addColumn<int>("expectedSteps");
    QTest::newRow("150 small steps keep 100") << 150 << 10 << EditHistory::kMaxSteps;
    QTest::newRow("large steps keep 64 MB") << 10 << 10 * 1024 * 1024 << 3;
}

void TestSaveSafety::historyIsBounded()
{
    QFETCH(int, steps);
    QFETCH(int, charsPerStep);
    QFETCH(int, expectedSteps);
    EditHistory history;
    for (int i = 0; i < steps; ++i)
        history.record({i, QString(), QString(charsPerStep, u'a'), false});
    QCOMPARE(history.size(), expectedSteps);
    QVERIFY(history.chars() <= EditHistory::kMaxChars);
    // The newest is the first to be taken back; after one undo a new step drops the redo.
    QCOMPARE(history.undo()->offset, steps - 1);
    history.record({0, u"x"_s, QString(), false});
    QVERIFY(!history.canRedo());
}

QTEST_GUILESS_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
