#include "core/document/sitewalk.h"

#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <sys/stat.h>

namespace {

struct Walker
{
    bool recursive;
    SiteWalk result;
    QSet<std::pair<quint64, quint64>> open; // device and inode of the folders on the way
    QSet<std::pair<quint64, quint64>> folders; // and of every folder done
    QSet<std::pair<quint64, quint64>> files;

    void fail(const QString &path, ErrorKind kind, int code)
    {
        result.failures.append({path, Error::fromErrno(kind, code, path)});
    }

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
        const std::pair<quint64, quint64> id {quint64(st.st_dev), quint64(st.st_ino)};
        if (S_ISDIR(st.st_mode)) {
            if (!recursive && !named)
                return;
            if (!recursive) {
                fail(path, ErrorKind::Refused, EISDIR);
                return;
            }
            if (open.contains(id)) {
                fail(path, ErrorKind::Refused, ELOOP); // a link back to a folder on the way
                return;
            }
            if (folders.contains(id))
                return; // reached again by another link: done once
            folders.insert(id);
            open.insert(id);
            QDir dir(path);
            const QStringList names = dir.entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            if (names.isEmpty() && !dir.isReadable()) {
                fail(path, ErrorKind::PermissionDenied, EACCES);
                return;
            }
            for (const QString &name : names) {
                const QString child = joinFolderAndName(path, name);
                const QString below = relative.isEmpty() ? name : relative + u'/' + name;
                struct stat cst
                {
                };
                // Only pages and folders; a broken or looping link is named.
                const bool isDir = ::stat(QFile::encodeName(child).constData(), &cst) == 0
                    && S_ISDIR(cst.st_mode);
                if (isDir || isPageName(name))
                    visit(child, below, false);
            }
            open.remove(id);
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            fail(path, ErrorKind::NotARegularFile, 0);
            return;
        }
        if (files.contains(id))
            return; // the same file by another name: done once
        files.insert(id);
        result.pages.append({path, relative});
    }
};

} // namespace

bool isPageName(const QString &name)
{
    for (const char *ext : {".html", ".htm", ".xhtml", ".shtml"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return true;
    return false;
}

SiteWalk walkSite(const QStringList &paths, bool recursive)
{
    Walker walker {recursive, {}, {}, {}, {}};
    for (const QString &path : paths) {
        struct stat st
        {
        };
        const bool folder
            = ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
        walker.visit(path, folder ? QString() : QFileInfo(path).fileName(), true);
    }
    return walker.result;
}
