#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The folder the preview file goes to: the program's folder while only this user
// can write it and it is not an installation's bin folder (a build tree), else
// the user's private folder, so that no other local user can plant or swap what
// the browser shows.
QString previewFolder(const QString &programFolder);

// $XDG_RUNTIME_DIR/rubello, else rubello in the user's cache folder.
QString privatePreviewFolder();

// Creates the folder with mode 0700, or accepts it when it is a real folder of
// this user's that nobody else can write. A folder that is a link or another
// user's is refused: PermissionDenied without a system code, the folder as detail.
Result<void> preparePrivateFolder(const QString &folder);

// The preview copy of a page: a <base> for the document's folder right after
// <head>, so relative style sheets and images load as they will from the page's
// own folder. A page with a <base> of its own is left as it is.
QString withDocumentBase(const QString &html, const QString &documentFolder);

// Writes the preview files of one run and removes them when the run ends.
// A file is written fresh and renamed into place (mode 0600), so a link planted
// at its path is replaced, never followed; only a regular file of this user's is
// ever replaced, anything else at the path is refused (NotARegularFile, the path
// as detail).
class PreviewFiles
{
public:
    PreviewFiles() = default;
    PreviewFiles(const PreviewFiles &) = delete;
    PreviewFiles &operator=(const PreviewFiles &) = delete;
    ~PreviewFiles();

    Result<void> write(const QString &path, const QByteArray &bytes);
    // Removes the files written, unless something else has taken their place.
    void removeAll();

private:
    struct Written
    {
        QString path;
        quint64 device;
        quint64 inode;
        qint64 changedNs; // an inode number alone may be reused by another file
    };
    QList<Written> m_written;
};
