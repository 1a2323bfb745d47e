#include "core/document/sitewalk.h"

#include "core/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

using FileId = std::pair<quint64, quint64>; // device and inode

FileId idOf(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

QByteArray realPathOf(const QByteArray &path)
{
    char real[PATH_MAX];
    return ::realpath(path.constData(), real) ? QByteArray(real) : QByteArray();
}

bool isBelow(const QByteArray &path, const QByteArray &folder)
{
    return path == folder
        || (path.startsWith(folder) && (folder.endsWith('/') || path.at(folder.size()) == '/'));
}

// A link waiting for its target's relative name, known once the walk is done.
struct PendingLink
{
    SiteLink link;
    FileId target;
};

struct Walker
{
    bool recursive;
    FileId skip {~0ULL, ~0ULL};
    SiteWalk result;
    QList<QByteArray> roots; // the folders named, as the system resolves them
    QSet<FileId> open;       // the folders on the way
    QSet<FileId> folders;    // and every folder done
    QHash<FileId, QString> files; // a page's relative by its identity
    QList<PendingLink> links;

    void fail(const QString &path, ErrorKind kind, int code)
    {
        // The system's words, except for a refusal, whose kind and number say it.
        const bool said = kind == ErrorKind::Refused || code == 0;
        result.failures.append({path, Error {kind, said ? QString() : QString::fromLocal8Bit(std::strerror(code)), code, path}});
    }

    bool insideRoots(const QByteArray &real) const
    {
        return std::any_of(roots.cbegin(), roots.cend(),
                           [&](const QByteArray &root) { return isBelow(real, root); });
    }

    void folder(const QString &path, const QString &relative, const FileId &id);
    void child(const QString &path, const QString &relative, const QByteArray &raw);
    void symbolicLink(const QString &path, const QString &relative);
    void file(const QString &path, const QString &relative, const struct stat &st);

    void visit(const QString &path, const QString &relative, bool named)
    {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
            const int code = errno;
            fail(path, code == ENOENT ? ErrorKind::NotFound : ErrorKind::ReadFailed, code);
            return;
        }
        if (!S_ISDIR(st.st_mode)) {
            file(path, relative, st);
            return;
        }
        if (!recursive && named)
            fail(path, ErrorKind::Refused, EISDIR);
        else if (recursive)
            folder(path, relative, idOf(st));
    }
};

void Walker::file(const QString &path, const QString &relative, const struct stat &st)
{
    if (!S_ISREG(st.st_mode)) {
        fail(path, ErrorKind::NotARegularFile, 0);
        return;
    }
    const FileId id = idOf(st);
    if (files.contains(id)) {
        // Another hard link of a page already found: one page, two names.
        if (st.st_nlink > 1 && files.value(id) != relative)
            links.append({{path, relative, {}, false}, id});
        return;
    }
    files.insert(id, relative);
    result.pages.append({path, relative});
}

void Walker::folder(const QString &path, const QString &relative, const FileId &id)
{
    if (id == skip)
        return;
    if (open.contains(id)) {
        fail(path, ErrorKind::Refused, ELOOP); // a link back to a folder on the way
        return;
    }
    if (folders.contains(id))
        return; // reached again: done once
    folders.insert(id);
    const QByteArray native = QFile::encodeName(path);
    DIR *dir = ::opendir(native.constData());
    if (!dir) {
        fail(path, errno == EACCES ? ErrorKind::PermissionDenied : ErrorKind::ReadFailed, errno);
        return;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    open.insert(id);
    for (const QByteArray &raw : std::as_const(names)) {
        const QString name = QFile::decodeName(raw);
        child(joinFolderAndName(path, name), relative.isEmpty() ? name : relative + u'/' + name,
              raw);
    }
    open.remove(id);
}

void Walker::child(const QString &path, const QString &relative, const QByteArray &raw)
{
    struct stat st
    {
    };
    const QByteArray native = QFile::encodeName(path);
    const bool pageName = isPageName(QString::fromLatin1(raw));
    if (QFile::encodeName(QFile::decodeName(raw)) != raw) {
        // Bytes the program's strings cannot carry: named, never skipped unsaid.
        const QString shown = joinFolderAndName(path.left(path.lastIndexOf(u'/')), escapedName(raw));
        if (pageName || recursive)
            result.failures.append(
                {shown, Error {.kind = ErrorKind::UndecodableName, .systemCode = EILSEQ, .path = shown}});
        return;
    }
    if (::lstat(native.constData(), &st) != 0)
        return; // gone since the folder was read
    if (S_ISLNK(st.st_mode)) {
        symbolicLink(path, relative);
        return;
    }
    if (S_ISDIR(st.st_mode))
        folder(path, relative, idOf(st));
    else if (pageName)
        file(path, relative, st);
}

void Walker::symbolicLink(const QString &path, const QString &relative)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) != 0) {
        // A broken or looping link is named only where it would have been a page.
        const int code = errno;
        if (isPageName(fileNameOfPath(path)))
            fail(path, code == ENOENT ? ErrorKind::NotFound : ErrorKind::ReadFailed, code);
        return;
    }
    const QByteArray real = realPathOf(native);
    const bool folderLink = S_ISDIR(st.st_mode);
    const bool pageTarget = isPageName(fileNameOfPath(QFile::decodeName(real)));
    if (real.isEmpty() || !insideRoots(real)) {
        // Never followed out; named where it would have been a page or a folder.
        if (folderLink || pageTarget || isPageName(fileNameOfPath(path)))
            fail(path, ErrorKind::Refused, EXDEV);
        return;
    }
    // The filter looks at what the link leads to, not at the link's own name.
    if (!folderLink && !pageTarget)
        return;
    if (folderLink) {
        // Its pages are done at their own place; a link back up is named.
        if (open.contains(idOf(st)))
            fail(path, ErrorKind::Refused, ELOOP);
        return;
    }
    if (S_ISREG(st.st_mode))
        links.append({{path, relative, {}, true}, idOf(st)});
    else
        fail(path, ErrorKind::NotARegularFile, 0);
}

} // namespace

bool isPageName(const QString &name)
{
    for (const char *ext : {".html", ".htm", ".xhtml", ".shtml"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return true;
    return false;
}

QString escapedName(const QByteArray &name)
{
    QString shown;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    for (qsizetype i = 0; i < name.size();) {
        // The longest piece from here that is UTF-8 on its own.
        qsizetype n = std::min<qsizetype>(4, name.size() - i);
        for (; n > 0; --n) {
            const QString piece = utf8.decode(name.sliced(i, n));
            if (!utf8.hasError() && !piece.contains(QChar::ReplacementCharacter)) {
                shown += piece;
                break;
            }
            utf8.resetState();
        }
        if (n == 0) {
            shown += QStringLiteral("\\x%1").arg(uchar(name.at(i)), 2, 16, QLatin1Char('0'));
            n = 1;
        }
        i += n;
    }
    return shown;
}

SiteWalk walkSite(const QStringList &paths, bool recursive, const QString &skip)
{
    Walker walker {recursive, {}, {}, {}, {}, {}, {}, {}};
    struct stat st
    {
    };
    if (!skip.isEmpty() && ::stat(QFile::encodeName(skip).constData(), &st) == 0)
        walker.skip = idOf(st);
    for (const QString &path : paths) {
        const QByteArray native = QFile::encodeName(path);
        if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            walker.roots.append(realPathOf(native));
    }
    for (const QString &path : paths) {
        const bool folder
            = ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
        walker.visit(path, folder ? QString() : QFileInfo(path).fileName(), true);
    }
    for (PendingLink &pending : walker.links) {
        // A link whose target was not walked (a skipped folder) is left out.
        if (!walker.files.contains(pending.target))
            continue;
        pending.link.target = walker.files.value(pending.target);
        walker.result.links.append(pending.link);
    }
    return walker.result;
}
