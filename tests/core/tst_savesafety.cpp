// Reading refuses what is not a regular file; writing keeps the file's identity
// and never leaves it cut; the undo history stays bounded.

#include "casetable.h"
#include "core/document/documentfile.h"
#include "core/document/installlayout.h"
#include "core/document/safesave.h"
#include "core/text/edithistory.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestSaveSafety : public QObject
{
    Q_OBJECT

private slots:
    void specialFilesAreRefused_data() { addCaseRows("nonregularfiles.tsv"); }
    void specialFilesAreRefused();
    void procFilesReadToTheirEnd();
    void saveKeepsTheFile_data() { addCaseRows("savekeepsthefile.tsv"); }
    void saveKeepsTheFile();
    void failedWriteLosesNothing_data() { addCaseRows("failedwrites.tsv"); }
    void failedWriteLosesNothing();
    void pathsAsTheSystemResolvesThem_data() { addCaseRows("systempaths.tsv"); }
    void pathsAsTheSystemResolvesThem();
    void undecodableNamesAreRefused_data() { addCaseRows("undecodablenames.tsv"); }
    void undecodableNamesAreRefused();
    void historyIsBounded();
};

// Refused at once (a FIFO would wait for a writer); a save does not replace them either.
void TestSaveSafety::specialFilesAreRefused()
{
    QFETCH(QByteArrayList, f);
    const QString kind = QString::fromUtf8(f[0]);
    QTemporaryDir dir;
    QString path = dir.filePath(u"special"_s);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"dir")
        QVERIFY(QDir(dir.path()).mkdir(u"special"_s));
    else
        path = kind;
    const mode_t before = statOf(path).st_mode;
    const Result<LoadedText> loaded = loadDocumentFile(path, "UTF-8");
    QVERIFY(!loaded);
    if (kind != u"dir")
        QCOMPARE(loaded.error().kind, ErrorKind::NotARegularFile);
    if (kind == u"/dev/null")
        return; // not written even as root
    QVERIFY(!saveBytesSafely(path, "text"));
    QCOMPARE(statOf(path).st_mode & S_IFMT, before & S_IFMT);
}

void TestSaveSafety::procFilesReadToTheirEnd()
{
    if (statOf(u"/proc/self/status"_s).st_size != 0)
        QSKIP("no /proc file system");
    const Result<LoadedText> loaded = loadDocumentFile(u"/proc/self/status"_s, "UTF-8");
    QVERIFY(loaded);
    QVERIFY(loaded->text.contains(u"Name:"));
    QVERIFY(!loadDocumentFile(u"/proc/self/status"_s, "UTF-8", 10)); // size limit
}

void TestSaveSafety::saveKeepsTheFile()
{
    QFETCH(QByteArrayList, f);
    const QString setting = QString::fromUtf8(f[0]);
    QTemporaryDir dir, cache;
    const QString path = dir.filePath(u"doc.htm"_s), other = dir.filePath(u"other.htm"_s);
    const QString written = setting == u"symlink" ? other : path;
    const QByteArray name = QFile::encodeName(path);
    if (setting != u"new")
        QVERIFY(writeFileBytes(path, "old text\n"));
    if (setting == u"mode" || setting == u"readonly")
        ::chmod(name.constData(), setting == u"mode" ? 0640 : 0444);
    if (setting == u"link")
        QCOMPARE(::link(name.constData(), QFile::encodeName(other).constData()), 0);
    if (setting == u"symlink")
        QVERIFY(QFile::link(path, other));
    if (setting == u"owner" && ::geteuid() != 0)
        QSKIP("needs root to give the file to another user");
    // Root writes any folder: a second user saves its own file in root's folder.
    const bool asOtherUser = setting == u"folder" && ::geteuid() == 0;
    if (setting == u"owner" || asOtherUser)
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    if (setting == u"folder")
        ::chmod(QFile::encodeName(dir.path()).constData(), asOtherUser ? 0755 : 0555);
    if (asOtherUser) {
        ::chmod(QFile::encodeName(cache.path()).constData(), 0777);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    }
    const struct stat before = statOf(path);

    Result<FileIdentity> outcome;
    if (asOtherUser) {
        const pid_t child = ::fork();
        if (child == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0)
            ::_exit(saveBytesSafely(written, "new text\n") ? 0 : 1);
        else if (child == 0)
            ::_exit(2);
        int status = -1;
        ::waitpid(child, &status, 0);
        QCOMPARE(status, 0);
        outcome = fileIdentity(path);
        QCOMPARE(QDir(cache.path() + u"/rubello"_s).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
    } else {
        outcome = saveBytesSafely(written, "new text\n");
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    QVERIFY(outcome);
    QCOMPARE(readFileBytes(path), QByteArray("new text\n"));
    QCOMPARE(*outcome, fileIdentity(path));
    const struct stat after = statOf(path);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(after.st_mode & 07777, setting == u"new" ? 0666 & ~mask : before.st_mode & 07777);
    if (setting != u"new")
        QCOMPARE(std::pair(after.st_uid, after.st_gid), std::pair(before.st_uid, before.st_gid));
    if (setting == u"link" || setting == u"folder")
        QCOMPARE(after.st_ino, before.st_ino);
    if (setting == u"link")
        QCOMPARE(readFileBytes(other), QByteArray("new text\n"));
    if (setting == u"symlink")
        QVERIFY(QFileInfo(other).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
             f[1].toInt());
}

// A write cut short by the file-size limit, or one that finds the file system full:
// the old bytes stay, and nothing is left beside them.
void TestSaveSafety::failedWriteLosesNothing()
{
    QFETCH(QByteArrayList, f);
    const bool hardLinked = f[0] == "1", full = f[1] == "tmpfs";
    QTemporaryDir dir, cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path())); // where a copy may go
    const QByteArray folder = QFile::encodeName(dir.path());
    if (full
        && ::system(("mount -t tmpfs -o size=2m tmpfs " + folder + " 2>/dev/null").constData()))
        QSKIP("a small tmpfs cannot be mounted here (needs root)");
    const auto unmount = qScopeGuard([&] {
        if (full)
            (void)::system(("umount " + folder).constData());
    });
    const QString path = dir.filePath(u"doc.htm"_s);
    const QByteArray old = full ? QByteArray(600 * 1024, 'o') : "old text\n"_ba;
    QVERIFY(writeFileBytes(path, old));
    if (hardLinked)
        QCOMPARE(::link(QFile::encodeName(path).constData(), folder + "/other.htm"), 0);
    const FileIdentity before = fileIdentity(path);
    rlimit saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small = {full ? saved.rlim_cur : 4096, saved.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result<FileIdentity> outcome
        = saveBytesSafely(path, QByteArray(full ? 2100 * 1024 : 65536, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(!outcome);
    QVERIFY(outcome.error().kind != ErrorKind::WriteLeftBackup);
    QVERIFY(readFileBytes(path) == old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), hardLinked ? 2 : 1);
    if (full) // no room: refused before a byte was written
        QCOMPARE(fileIdentity(path), before);
}

// far/sub, near/dl -> ../far/sub, near/link.html -> dl/../x.html: the file shown is
// the file written, from the command line as from a link.
void TestSaveSafety::pathsAsTheSystemResolvesThem()
{
    QFETCH(QByteArrayList, f);
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(QDir(root).mkpath(u"far/sub"_s) && QDir(root).mkpath(u"near"_s));
    QVERIFY(writeFileBytes(root + u"/far/x.html"_s, "FAR")
            && writeFileBytes(root + u"/near/x.html"_s, "NEAR"));
    QVERIFY(QFile::link(u"../far/sub"_s, root + u"/near/dl"_s));
    QVERIFY(QFile::link(u"dl/../x.html"_s, root + u"/near/link.html"_s));
    const QString written = root + u'/' + QString::fromUtf8(f[1]);
    const QByteArray before = readFileBytes(written);

    const QString given = parseCommandLine({u"rubello"_s, QString::fromUtf8(f[0])}, root).file;
    QCOMPARE(loadDocumentFile(given, "UTF-8")->text, QString::fromUtf8(before));
    const Result<FileIdentity> outcome = saveBytesSafely(given, "NEW");
    QVERIFY(outcome);
    QCOMPARE(readFileBytes(written), "NEW"_ba);
    QCOMPARE(readFileBytes(root + u"/far/x.html"_s) + readFileBytes(root + u"/near/x.html"_s),
             f[1].startsWith("far") ? "NEWNEAR"_ba : "FARNEW"_ba);
    QVERIFY(QFileInfo(root + u"/near/link.html"_s).isSymLink());
}

// Through every road a name arrives as a string (command line, Open, drop); one that
// may stand for other bytes is refused by name, and no file is read or written.
void TestSaveSafety::undecodableNamesAreRefused()
{
    QFETCH(QByteArrayList, f);
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    const QByteArrayList made = caseBytes(f[0]).split(';');
    for (const QByteArray &name : made) {
        if (name.contains('/'))
            ::mkdir(root + name.left(name.indexOf('/')), 0700);
        const int fd = ::open(root + name, O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0 && ::write(fd, name.constData(), size_t(name.size())) == name.size());
        ::close(fd);
    }
    const QString given
        = parseCommandLine({u"rubello"_s, QFile::decodeName(caseBytes(f[1]))}, dir.path()).file;
    const Result<LoadedText> loaded = loadDocumentFile(given, "UTF-8");
    const Result<FileIdentity> saved = saveBytesSafely(given, "NEW");
    const bool refused = f[2] == "1";
    QCOMPARE(!loaded, refused);
    QCOMPARE(!saved, refused);
    if (refused) { // by name
        QCOMPARE(loaded.error().kind, ErrorKind::UndecodableName);
        QCOMPARE(saved.error().kind, ErrorKind::UndecodableName);
    }
    for (const QByteArray &name : made) {
        char bytes[64] = {};
        const int fd = ::open(root + name, O_RDONLY);
        const ssize_t got = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        QCOMPARE(QByteArray(bytes, int(got)), refused || name != caseBytes(f[1]) ? name : "NEW"_ba);
        ::unlink(root + name); // the temporary folder's clean-up does not see them
        if (name.contains('/'))
            ::rmdir(root + name.left(name.indexOf('/')));
    }
}

// Large steps: the history holds no more than 64 MB, and drops the oldest first.
void TestSaveSafety::historyIsBounded()
{
    EditHistory history;
    for (int i = 0; i < 10; ++i)
        history.record({i, QString(), QString(10 * 1024 * 1024, u'a'), false});
    QCOMPARE(history.size(), 3);
    QCOMPARE(history.undo()->offset, 9);
}

QTEST_GUILESS_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
