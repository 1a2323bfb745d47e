#include "core/document/safesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

ErrorReport systemError(int number)
{
    return {number, QString::fromLocal8Bit(std::strerror(number))};
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
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

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("名前付きパイプ");
    if (S_ISSOCK(mode))
        return QStringLiteral("ソケット");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("デバイス");
    return QStringLiteral("特殊なファイル");
}

ErrorReport notRegular(const QString &path, mode_t mode, bool saving)
{
    return {ENODEV,
            QStringLiteral("%1 は通常のファイルではありません（%2）。\n%3")
                .arg(QFileInfo(path).fileName(), kindOf(mode),
                     saving ? QStringLiteral("ファイルは書き込まれていません。")
                            : QStringLiteral("開けるのは通常のファイルだけです。"))};
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

// The path that is written: a symbolic link is followed to its target, which may
// not exist yet.
QString finalPath(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    return info.absoluteFilePath();
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
    const QByteArray folder
        = QFile::encodeName(QFileInfo(QFile::decodeName(target)).absolutePath());
    const QByteArray base = QFile::encodeName(QFileInfo(QFile::decodeName(target)).fileName());
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
        || ::fsync(temp.fd.get()) != 0) {
        if (*err == 0)
            *err = errno;
        discard();
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

SaveOutcome writeInPlace(const QByteArray &target, const struct stat &old, const QByteArray &bytes)
{
    SaveOutcome outcome;
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
        outcome.error = systemError(openErr);
        return outcome;
    }
    const QByteArray backup = backUp(fd.get(), target, old.st_size, &err);
    if (backup.isEmpty()) {
        restoreMode();
        outcome.error = systemError(err ? err : EIO);
        outcome.error.description += QStringLiteral(
            "\n元のファイルの写しを作れなかったため、ファイルは書き込まれていません。");
        return outcome;
    }
    bool ok = writeAll(fd.get(), bytes.constData(), bytes.size(), 0, &err);
    if (ok && ::ftruncate(fd.get(), off_t(bytes.size())) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && ::fsync(fd.get()) != 0) {
        err = errno;
        ok = false;
    }
    struct stat now
    {
    };
    if (ok && ::fstat(fd.get(), &now) == 0)
        outcome.identity = identityOf(now);
    fd.reset();
    restoreMode();
    if (!ok) {
        outcome.error = systemError(err ? err : EIO);
        outcome.keptBackup = QFile::decodeName(backup);
        outcome.error.description += QStringLiteral("\n元のファイルの写しは %1 に残してあります。")
                                         .arg(outcome.keptBackup);
        return outcome;
    }
    ::unlink(backup.constData());
    return outcome;
}

} // namespace

FileIdentity fileIdentity(const QString &path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(native(path).constData(), &st) != 0)
        return {};
    return identityOf(st);
}

OpenedFile openRegularFileForReading(const QString &path)
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
    if (!S_ISREG(st.st_mode)) {
        result.error = notRegular(path, st.st_mode, false);
        return result;
    }
    // Non-blocking, and checked again once open: the name may have been swapped
    // for a FIFO after the check above.
    Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        const int err = errno;
        result.error = {err == EMFILE ? QFileDevice::ResourceError : QFileDevice::OpenError,
                        qt_error_string(err)};
        return result;
    }
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = notRegular(path, st.st_mode, false);
        return result;
    }
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

SaveOutcome saveBytesSafely(const QString &path, const QByteArray &bytes)
{
    SaveOutcome outcome;
    const QString finalName = finalPath(path);
    const QByteArray target = native(finalName);
    struct stat old
    {
    };
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT) {
        outcome.error = systemError(errno);
        return outcome;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        outcome.error
            = S_ISDIR(old.st_mode) ? systemError(EISDIR) : notRegular(finalName, old.st_mode, true);
        return outcome;
    }
    const QByteArray folder = native(QFileInfo(finalName).absolutePath());
    const bool folderWritable = ::access(folder.constData(), W_OK) == 0;
    int err = 0;
    if (!exists || (old.st_nlink <= 1 && folderWritable)) {
        if (replaceAtomically(target, exists ? &old : nullptr, bytes, &err)) {
            outcome.identity = fileIdentity(finalName);
            return outcome;
        }
        // The owner could not be kept by a new file: the old one is written instead.
        if (!exists || err != EPERM) {
            outcome.error = systemError(err ? err : EIO);
            return outcome;
        }
    }
    return writeInPlace(target, old, bytes);
}
