#include "core/document/safesave.h"

#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

std::atomic<SaveStepHook> gStepHook {nullptr};

void reached(SaveStep step, const QByteArray &target)
{
    if (const SaveStepHook hook = gStepHook.load())
        hook(step, target);
}

// A call the system may cut short for a signal is made again.
template<typename Call>
int retried(Call call)
{
    int result;
    do
        result = call();
    while (result != 0 && errno == EINTR);
    return result;
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The folder resolved by the system and the last name kept: ".." counts from
// where a link leads, not from the link. A folder that is not there leaves the
// path as it is, for the system to refuse.
QByteArray systemPathOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray name = path.mid(slash + 1);
    const bool wholeIsFolder = name.isEmpty() || name == "." || name == "..";
    char real[PATH_MAX];
    const QByteArray folder = wholeIsFolder ? path : folderOf(path);
    if (slash < 0 || !::realpath(folder.constData(), real))
        return path;
    if (wholeIsFolder)
        return real;
    const QByteArray base(real);
    return (base.endsWith('/') ? base : base + '/') + name;
}

QByteArray absoluteNative(const QString &path)
{
    return native(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

// Whether another entry of the folder shows as this same name: its bytes are not
// the ones the string stands for.
bool nameIsAmbiguous(const QByteArray &folder, const QString &name)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    const QByteArray bytes = QFile::encodeName(name);
    bool ambiguous = false;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw != bytes && QFile::decodeName(raw) == name) {
            ambiguous = true;
            break;
        }
    }
    ::closedir(dir);
    return ambiguous;
}

Error systemError(int number, ErrorKind kind = ErrorKind::WriteFailed)
{
    return {.kind = kind,
            .detail = QString::fromLocal8Bit(std::strerror(number)),
            .systemCode = number,
            .writing = kind != ErrorKind::ReadFailed};
}

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.exists = true;
    id.regular = S_ISREG(st.st_mode);
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.inode = st.st_ino;
    id.device = st.st_dev;
    return id;
}

FileType typeOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return FileType::Fifo;
    if (S_ISSOCK(mode))
        return FileType::Socket;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileType::Device;
    return FileType::Other;
}

std::unexpected<Error> notRegular(const QString &path, mode_t mode, bool saving)
{
    return std::unexpected(Error {.kind = ErrorKind::NotARegularFile,
                                  .systemCode = ENODEV,
                                  .path = path,
                                  .fileType = typeOf(mode),
                                  .writing = saving});
}

class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    { }
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *data, qint64 size, qint64 offset, int *err)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t step = ::pwrite(fd, data + done, size_t(qMin<qint64>(size - done, 1 << 26)),
                                      off_t(offset + done));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0) {
            *err = step < 0 ? errno : ENOSPC;
            return false;
        }
        done += step;
    }
    return true;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void copyExtendedAttributes(int from, int to)
{
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, '\0');
    size = ::flistxattr(from, names.data(), size_t(names.size()));
    if (size <= 0)
        return;
    for (const QByteArray &name : names.first(size).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = ::fgetxattr(from, name.constData(), nullptr, 0);
        if (length < 0)
            continue;
        QByteArray value(length, '\0');
        const ssize_t got = ::fgetxattr(from, name.constData(), value.data(), size_t(length));
        if (got >= 0)
            ::fsetxattr(to, name.constData(), value.constData(), size_t(got), 0);
    }
}

// The path that is written: each link is followed as the system follows it, its
// target read against the folder the link really is in, so a ".." after a link
// goes up from where the link leads; the last target may not exist yet.
QByteArray finalPath(const QByteArray &path)
{
    QByteArray current = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QByteArray resolved = systemPathOf(current);
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length
            = ::readlink(resolved.constData(), target.data(), size_t(target.size()));
        if (length <= 0)
            return resolved;
        target.truncate(length);
        current = target.startsWith('/') ? target : folderOf(resolved) + '/' + target;
    }
    return systemPathOf(current);
}

// A new, still nameless file in the folder: a kill leaves nothing behind. Where the
// file system cannot do that, a hidden temporary name is used.
struct TempFile
{
    Fd fd;
    QByteArray name; // empty while nameless
};

bool createTemp(const QByteArray &folder, const QByteArray &base, TempFile &temp, int *err)
{
#ifdef O_TMPFILE
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        temp.fd.reset(fd);
        return true;
    }
#endif
    QByteArray pattern = folder + "/." + base + ".rubello-XXXXXX";
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named < 0) {
        *err = errno;
        return false;
    }
    temp.fd.reset(named);
    temp.name = pattern;
    return true;
}

// Gives the finished temporary file the final name in one step.
bool publish(TempFile &temp, const QByteArray &folder, const QByteArray &base,
             const QByteArray &target, int *err)
{
    if (temp.name.isEmpty()) {
        // Linked under a temporary name first: the final name may exist already.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(temp.fd.get());
        for (int attempt = 0; attempt < 100 && temp.name.isEmpty(); ++attempt) {
            const QByteArray name = folder + "/." + base + ".rubello-"
                + QByteArray::number(::getpid()) + "-" + QByteArray::number(attempt);
            if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW)
                == 0)
                temp.name = name;
            else if (errno != EEXIST) {
                *err = errno;
                return false;
            }
        }
        if (temp.name.isEmpty()) {
            *err = EEXIST;
            return false;
        }
        reached(SaveStep::TempLinked, target);
    }
    if (::rename(temp.name.constData(), target.constData()) != 0) {
        *err = errno;
        ::unlink(temp.name.constData());
        return false;
    }
    temp.name.clear();
    return true;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Returns false when the owner or group cannot be kept this way: the caller then
// writes in place.
bool replaceAtomically(const QByteArray &target, const struct stat *old, const QByteArray &bytes,
                       int *err)
{
    const QByteArray folder = folderOf(target);
    const QByteArray base = target.mid(target.lastIndexOf('/') + 1);
    TempFile temp;
    if (!createTemp(folder, base, temp, err))
        return false;
    const auto discard = [&] {
        if (!temp.name.isEmpty())
            ::unlink(temp.name.constData());
    };
    if (old) {
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid())
            && ::fchown(temp.fd.get(), old->st_uid, old->st_gid) != 0) {
            discard();
            *err = EPERM;
            return false;
        }
        ::fchmod(temp.fd.get(), old->st_mode & 07777);
        const int source = ::open(target.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (source >= 0) {
            copyExtendedAttributes(source, temp.fd.get());
            ::close(source);
        }
    } else {
        ::fchmod(temp.fd.get(), newFileMode());
    }
    if (!writeAll(temp.fd.get(), bytes.constData(), bytes.size(), 0, err)
        || retried([&] { return ::fsync(temp.fd.get()); }) != 0) {
        if (*err == 0)
            *err = errno;
        discard();
        return false;
    }
    reached(SaveStep::TempWritten, target);
    // Another program may have written while the new bytes went to disk: the
    // file is looked at again just before it is replaced.
    struct stat now
    {
    };
    const bool there = ::stat(target.constData(), &now) == 0;
    if (there != bool(old) || (old && identityOf(now) != identityOf(*old))) {
        discard();
        *err = ESTALE;
        return false;
    }
    if (!publish(temp, folder, base, target, err))
        return false;
    temp.fd.reset();
    syncFolder(folder);
    return true;
}

// A complete copy of the old file, synced, beside it or in the user's cache folder.
QByteArray backUp(int source, const QByteArray &target, qint64 size, int *err)
{
    const QFileInfo info(QFile::decodeName(target));
    QStringList folders;
    if (::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) == 0)
        folders << info.absolutePath();
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders << cache + QStringLiteral("/rubello");
    for (const QString &folder : folders) {
        QDir().mkpath(folder);
        QByteArray pattern
            = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName()) + ".backup-XXXXXX";
        Fd copy(::mkostemp(pattern.data(), O_CLOEXEC));
        if (copy.get() < 0) {
            *err = errno;
            continue;
        }
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        qint64 copied = 0;
        bool ok = true;
        for (;;) {
            const ssize_t got
                = ::pread(source, buffer.data(), size_t(buffer.size()), off_t(copied));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                *err = errno;
                ok = false;
                break;
            }
            if (got == 0)
                break;
            if (!writeAll(copy.get(), buffer.constData(), got, copied, err)) {
                ok = false;
                break;
            }
            copied += got;
        }
        if (ok && copied >= size && ::fsync(copy.get()) == 0) {
            syncFolder(QFile::encodeName(folder));
            return pattern;
        }
        if (*err == 0)
            *err = EIO;
        ::unlink(pattern.constData());
    }
    return {};
}

// Writes the copy back over a failed in-place write; its blocks are the file's own,
// so no new room is needed.
bool restoreFromBackup(int fd, const QByteArray &backup, qint64 size)
{
    Fd copy(::open(backup.constData(), O_RDONLY | O_CLOEXEC));
    if (copy.get() < 0)
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 done = 0;
    int err = 0;
    while (done < size) {
        const ssize_t got = ::pread(copy.get(), buffer.data(), size_t(buffer.size()), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !writeAll(fd, buffer.constData(), got, done, &err))
            return false;
        done += got;
    }
    return retried([&] { return ::ftruncate(fd, off_t(size)); }) == 0
        && retried([&] { return ::fsync(fd); }) == 0;
}

Result<FileIdentity> writeInPlace(const QByteArray &target, const struct stat &old,
                                  const QByteArray &bytes)
{
    int err = 0;
    // A file read-only for its owner is written once the user agreed; it stays read-only.
    const bool lifted = !(old.st_mode & S_IWUSR) && old.st_uid == ::geteuid();
    if (lifted)
        ::chmod(target.constData(), (old.st_mode & 07777) | S_IWUSR);
    Fd fd(::open(target.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    const int openErr = errno;
    const auto restoreMode = [&] {
        if (lifted)
            ::chmod(target.constData(), old.st_mode & 07777);
    };
    if (fd.get() < 0) {
        restoreMode();
        return std::unexpected(systemError(openErr));
    }
    // What the file is now; reserving room below may touch its times.
    struct stat reference
    {
    };
    if (::fstat(fd.get(), &reference) != 0 || reference.st_size != old.st_size
        || reference.st_mtim.tv_sec != old.st_mtim.tv_sec
        || reference.st_mtim.tv_nsec != old.st_mtim.tv_nsec) {
        restoreMode();
        return std::unexpected(Error {.kind = ErrorKind::ChangedOnDisk,
                                      .systemCode = ESTALE,
                                      .path = QFile::decodeName(target),
                                      .writing = true});
    }
    // The room for the new text first: a full disk refuses the save before a byte changes.
    if (bytes.size() > old.st_size
        && ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS) {
        err = errno;
        restoreMode();
        return std::unexpected(systemError(err, ErrorKind::NoSpace));
    }
    ::fstat(fd.get(), &reference);
    const QByteArray backup = backUp(fd.get(), target, old.st_size, &err);
    if (backup.isEmpty()) {
        restoreMode();
        Error error = systemError(err ? err : EIO);
        error.kind = ErrorKind::NoBackup;
        return std::unexpected(error);
    }
    reached(SaveStep::CopyWritten, target);
    // The last look before a byte changes: another program's write is kept.
    struct stat before
    {
    };
    if (::fstat(fd.get(), &before) != 0 || before.st_size != reference.st_size
        || before.st_mtim.tv_sec != reference.st_mtim.tv_sec
        || before.st_mtim.tv_nsec != reference.st_mtim.tv_nsec) {
        ::unlink(backup.constData());
        restoreMode();
        return std::unexpected(Error {.kind = ErrorKind::ChangedOnDisk,
                                      .systemCode = ESTALE,
                                      .path = QFile::decodeName(target),
                                      .writing = true});
    }
    bool ok = writeAll(fd.get(), bytes.constData(), bytes.size(), 0, &err);
    if (ok)
        reached(SaveStep::InPlaceWritten, target);
    if (ok && retried([&] { return ::ftruncate(fd.get(), off_t(bytes.size())); }) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && retried([&] { return ::fsync(fd.get()); }) != 0) {
        err = errno;
        ok = false;
    }
    struct stat now
    {
    };
    FileIdentity written;
    if (ok && ::fstat(fd.get(), &now) == 0)
        written = identityOf(now);
    // Whatever part of the new text went in, the old bytes go back from the copy.
    const bool restored = ok || restoreFromBackup(fd.get(), backup, old.st_size);
    fd.reset();
    restoreMode();
    if (!ok) {
        Error error = systemError(err ? err : EIO);
        if (restored) {
            ::unlink(backup.constData());
            error.kind = ErrorKind::WriteRolledBack;
            return std::unexpected(error);
        }
        error.kind = ErrorKind::WriteLeftBackup;
        error.path = QFile::decodeName(backup);
        return std::unexpected(error);
    }
    ::unlink(backup.constData());
    return written;
}

} // namespace

QString systemAbsolutePath(const QString &folder, const QString &path)
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : joinFolderAndName(folder, path);
    const QStringList parts = absolute.split(QLatin1Char('/'));
    if (!parts.contains(QLatin1String("..")) && !parts.contains(QLatin1String(".")))
        return QDir::cleanPath(absolute);
    return QFile::decodeName(systemPathOf(native(absolute)));
}

Result<void> checkNameRoundTrip(const QString &path)
{
    // A name that is valid text comes back as the same bytes; only replacement
    // characters stand for bytes that may have been others.
    if (!path.contains(QChar::ReplacementCharacter))
        return {};
    const QString absolute
        = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    const QStringList parts = absolute.split(QLatin1Char('/'));
    QByteArray folder = "/";
    for (const QString &part : parts) {
        if (part.isEmpty())
            continue;
        if (part.contains(QChar::ReplacementCharacter) && nameIsAmbiguous(folder, part)) {
            return std::unexpected(
                Error {.kind = ErrorKind::UndecodableName, .systemCode = EILSEQ, .path = part});
        }
        folder = (folder.endsWith('/') ? folder : folder + '/') + QFile::encodeName(part);
    }
    return {};
}

namespace {

QString unsavedCopyName(const QString &folder, const QString &base, int n)
{
    return joinFolderAndName(folder, base)
        + (n == 1 ? QStringLiteral(".unsaved") : QStringLiteral(".unsaved-%1").arg(n));
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/rubello");
}

} // namespace

QStringList unsavedCopiesOf(const QString &documentPath)
{
    const QFileInfo document(documentPath);
    const QString folder = documentPath.isEmpty() ? cacheFolder() : document.absolutePath();
    const QString base = documentPath.isEmpty() ? QStringLiteral("rubello") : document.fileName();
    QStringList copies;
    for (int n = 1; n < 100; ++n) {
        const QString path = unsavedCopyName(folder, base, n);
        if (QFileInfo(path).isFile())
            copies << path;
    }
    return copies;
}

LineDifference compareLines(QStringView kept, QStringView current)
{
    // Lines as the editor counts them: CR LF, LF and CR each end one.
    const auto lines = [](QStringView text) {
        QList<QStringView> result;
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\r' && text[i] != u'\n')
                continue;
            result << text.sliced(start, i - start);
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        result << text.sliced(start);
        return result;
    };
    const QList<QStringView> a = lines(kept), b = lines(current);
    LineDifference difference {0, a.size(), b.size()};
    const qsizetype common = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < common && difference.firstLine == 0; ++i)
        if (a[i] != b[i])
            difference.firstLine = i + 1;
    if (difference.firstLine == 0 && a.size() != b.size())
        difference.firstLine = common + 1;
    return difference;
}

Result<QString> keepUnsavedCopy(const QString &documentPath, const QByteArray &bytes)
{
    const QFileInfo document(documentPath);
    QStringList folders;
    if (!documentPath.isEmpty() && ::access(native(document.absolutePath()).constData(), W_OK) == 0)
        folders << document.absolutePath();
    folders << cacheFolder();
    const QString base = documentPath.isEmpty() ? QStringLiteral("rubello") : document.fileName();
    int err = ENOENT;
    for (const QString &folder : std::as_const(folders)) {
        QDir().mkpath(folder);
        for (int n = 1; n < 100; ++n) {
            const QString path = unsavedCopyName(folder, base, n);
            // Never over a file that is there: a new name is taken instead.
            Fd fd(::open(native(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
            if (fd.get() < 0 && errno == EEXIST)
                continue;
            if (fd.get() < 0) {
                err = errno;
                break;
            }
            if (writeAll(fd.get(), bytes.constData(), bytes.size(), 0, &err)
                && ::fsync(fd.get()) == 0)
                return path;
            ::unlink(native(path).constData());
            break;
        }
    }
    return std::unexpected(
        Error::fromErrno(ErrorKind::WriteFailed, err, QString::fromLocal8Bit(std::strerror(err))));
}

Result<void> checkMayReplace(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(native(path).constData(), &st) != 0)
        return {};
    if (!S_ISREG(st.st_mode))
        return std::unexpected(Error {ErrorKind::NotARegularFile, path});
    // Root may write anything; the mode still says what the owner wants.
    if (!(st.st_mode & S_IWUSR))
        return std::unexpected(Error::fromErrno(ErrorKind::PermissionDenied, EACCES, path));
    return {};
}

FileIdentity fileIdentity(const QString &path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(native(path).constData(), &st) != 0)
        return {};
    return identityOf(st);
}

Result<OpenedFile> openRegularFileForReading(const QString &path)
{
    OpenedFile result;
    const QByteArray name = native(path);
    struct stat st
    {
    };
    // What cannot be looked at, and a directory, go to the file layer, which
    // reports them as it always has.
    if (::stat(name.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return result;
    if (!S_ISREG(st.st_mode))
        return notRegular(path, st.st_mode, false);
    // Non-blocking, and checked again once open: the name may have been swapped
    // for a FIFO after the check above.
    Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::unexpected(systemError(errno, ErrorKind::ReadFailed));
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return notRegular(path, st.st_mode, false);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    result.size = st.st_size;
    result.fd = fd.release();
    return result;
}

bool isReadOnlyForOwner(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(native(path).constData(), &st) == 0 && S_ISREG(st.st_mode)
        && !(st.st_mode & S_IWUSR);
}

Result<FileIdentity> saveBytesSafely(const QString &path, const QByteArray &bytes,
                                     const FileIdentity *expected)
{
    if (const Result<void> name = checkNameRoundTrip(path); !name)
        return std::unexpected(name.error());
    const QByteArray target = finalPath(absoluteNative(path));
    const QString finalName = QFile::decodeName(target);
    struct stat old
    {
    };
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return std::unexpected(systemError(errno));
    // Checked after the last question the save asked: another program's write since
    // then is not overwritten unasked.
    if (expected && (exists ? identityOf(old) : FileIdentity()) != *expected) {
        return std::unexpected(Error {.kind = ErrorKind::ChangedOnDisk,
                                      .systemCode = ESTALE,
                                      .path = path,
                                      .writing = true});
    }
    if (exists && S_ISDIR(old.st_mode)) {
        Error folder = systemError(EISDIR);
        folder.path = finalName; // the box names what was not written
        return std::unexpected(folder);
    }
    if (exists && !S_ISREG(old.st_mode))
        return notRegular(finalName, old.st_mode, true);
    const QByteArray folder = folderOf(target);
    const bool folderWritable = ::access(folder.constData(), W_OK) == 0;
    int err = 0;
    if (!exists || (old.st_nlink <= 1 && folderWritable)) {
        if (replaceAtomically(target, exists ? &old : nullptr, bytes, &err))
            return fileIdentity(finalName);
        if (err == ESTALE)
            return std::unexpected(Error {.kind = ErrorKind::ChangedOnDisk,
                                          .systemCode = ESTALE,
                                          .path = path,
                                          .writing = true});
        // The owner could not be kept by a new file: the old one is written instead.
        if (!exists || err != EPERM)
            return std::unexpected(systemError(err ? err : EIO));
    }
    return writeInPlace(target, old, bytes);
}

void setSaveStepHook(SaveStepHook hook)
{
    gStepHook = hook;
}

namespace {

// The original's owner, mode, extended attributes and times, in that order: a
// change of owner clears set-id bits, and the times go last, after every write.
void copyAttributes(int from, const struct stat &st, int to)
{
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
        (void)::fchown(to, st.st_uid, st.st_gid); // only root may give a file away
    ::fchmod(to, st.st_mode & 07777);
    copyExtendedAttributes(from, to);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(to, times);
}

} // namespace

Result<void> writeBackupCopy(const QString &original, const QString &backup,
                             const QByteArray &bytes, bool replace)
{
    Fd source(::open(native(original).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st
    {
    };
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0)
        return std::unexpected(systemError(errno, ErrorKind::ReadFailed));
    const QByteArray name = native(backup);
    // Replacing: a new file renamed over the old name, which replaces a link itself.
    QByteArray created = name;
    if (replace)
        created = folderOf(absoluteNative(backup)) + "/." + name.mid(name.lastIndexOf('/') + 1)
            + ".rubello-" + QByteArray::number(::getpid());
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    flags |= O_EXCL; // never over a file that is there
    flags |= O_NOFOLLOW; // nor through a link
    Fd fd(::open(created.constData(), flags, 0600));
    if (fd.get() < 0) {
        Error error = systemError(errno);
        if (errno == EEXIST)
            error.kind = ErrorKind::Refused;
        error.path = backup;
        return std::unexpected(error);
    }
    int err = 0;
    if (!writeAll(fd.get(), bytes.constData(), bytes.size(), 0, &err)) {
        ::unlink(created.constData());
        return std::unexpected(systemError(err));
    }
    reached(SaveStep::BackupWritten, name);
    copyAttributes(source.get(), st, fd.get());
    if (retried([&] { return ::fsync(fd.get()); }) != 0
        || (replace && ::rename(created.constData(), name.constData()) != 0)) {
        err = errno;
        ::unlink(created.constData());
        return std::unexpected(systemError(err));
    }
    syncFolder(folderOf(absoluteNative(backup)));
    return {};
}
