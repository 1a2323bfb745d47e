#include "core/document/previewfile.h"

#include "core/document/installlayout.h"
#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unexpected<Error> systemError(int number, const QString &path)
{
    const ErrorKind kind = number == EACCES || number == EPERM ? ErrorKind::PermissionDenied
        : number == ENOSPC || number == EDQUOT                 ? ErrorKind::NoSpace
        : number == ENOENT                                     ? ErrorKind::NotFound
                                                               : ErrorKind::WriteFailed;
    return std::unexpected(Error::fromErrno(
        kind, number, QString::fromLocal8Bit(std::strerror(number)) + QStringLiteral("\n") + path));
}

bool ownedAndClosedToOthers(const struct stat &info)
{
    return info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

qint64 changedNs(const struct stat &info)
{
    return qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

} // namespace

QString previewFolder(const QString &programFolder)
{
    // An installed program never writes into its bin folder, whoever runs it.
    if (helpPagePath(programFolder)
        != joinFolderAndName(programFolder, QStringLiteral("index.html")))
        return privatePreviewFolder();
    struct stat info;
    // The program's folder may be reached through a link (/bin -> usr/bin): follow it.
    if (::stat(QFile::encodeName(programFolder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && (info.st_mode & S_IWUSR) && ownedAndClosedToOthers(info))
        return programFolder;
    return privatePreviewFolder();
}

QString privatePreviewFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return joinFolderAndName(runtime, QStringLiteral("rubello"));
    return joinFolderAndName(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                             QStringLiteral("rubello"));
}

Result<void> preparePrivateFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent))
        return systemError(errno ? errno : EACCES, parent);
    if (::mkdir(name.constData(), 0700) == 0)
        return {};
    if (errno != EEXIST)
        return systemError(errno, folder);
    struct stat info;
    if (::lstat(name.constData(), &info) != 0)
        return systemError(errno, folder);
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return std::unexpected(Error {ErrorKind::PermissionDenied, folder});
    if ((info.st_mode & 0077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return systemError(errno, folder);
    return {};
}

QString withDocumentBase(const QString &html, const QString &documentFolder)
{
    static const QRegularExpression ownBase(QStringLiteral("<base[\\s/>]"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (html.contains(ownBase))
        return html;
    const QString folder = documentFolder.endsWith(QLatin1Char('/'))
        ? documentFolder
        : documentFolder + QLatin1Char('/');
    const QString base = QStringLiteral("<base href=\"")
        + QString::fromLatin1(QUrl::fromLocalFile(folder).toEncoded()) + QStringLiteral("\">");

    static const QRegularExpression head(QStringLiteral("<head(?:\\s[^>]*)?>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(html);
    qsizetype at = 0;
    if (match.hasMatch())
        at = match.capturedEnd();
    else if (html.startsWith(QChar(0xFEFF)))
        at = 1; // a byte order mark stays first
    QString copy = html;
    copy.insert(at, base);
    return copy;
}

PreviewFiles::~PreviewFiles()
{
    removeAll();
}

Result<void> PreviewFiles::write(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::lstat(name.constData(), &info) == 0
        && (!S_ISREG(info.st_mode) || info.st_uid != geteuid()))
        return std::unexpected(Error {ErrorKind::NotARegularFile, path});

    // A fresh file of our own (O_EXCL, 0600) beside the target, renamed over it:
    // the rename replaces whatever name is there and never writes through it.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QByteArray temporary
        = QFile::encodeName(path.left(slash + 1) + QLatin1Char('.') + path.mid(slash + 1))
        + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return systemError(errno, path);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int number = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(temporary.constData());
            return systemError(number, path);
        }
        done += n;
    }
    if (::fchmod(fd, 0600) != 0 || ::close(fd) != 0
        || ::rename(temporary.constData(), name.constData()) != 0) {
        const int number = errno ? errno : EIO;
        ::unlink(temporary.constData());
        return systemError(number, path);
    }
    Written entry {path, 0, 0, 0};
    struct stat written;
    if (::lstat(name.constData(), &written) == 0)
        entry = {path, quint64(written.st_dev), quint64(written.st_ino), changedNs(written)};
    m_written.removeIf([&path](const Written &old) { return old.path == path; });
    m_written.append(entry);
    return {};
}

void PreviewFiles::removeAll()
{
    for (const Written &entry : std::as_const(m_written)) {
        const QByteArray name = QFile::encodeName(entry.path);
        struct stat info;
        if (::lstat(name.constData(), &info) == 0 && quint64(info.st_dev) == entry.device
            && quint64(info.st_ino) == entry.inode && changedNs(info) == entry.changedNs)
            ::unlink(name.constData());
    }
    m_written.clear();
}
