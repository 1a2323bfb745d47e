#pragma once

#include "core/error.h"

#include <QList>
#include <QString>
#include <QStringList>

// A page found for a run over a site: its path and its path below the folder
// it was found in (the name alone for a file named directly).
struct SitePage
{
    QString path;
    QString relative;
};

// A second name of a page inside the site: a symbolic link to it, or another
// hard link. The page itself is done once, under target (a page's relative).
struct SiteLink
{
    QString path;
    QString relative;
    QString target;
    bool symbolic = true;
};

struct SiteFailure
{
    QString path;
    Error error;
};

struct SiteWalk
{
    QList<SitePage> pages;
    QList<SiteLink> links;
    QList<SiteFailure> failures;
};

// Whether a file name is that of an HTML page (.html, .htm, .xhtml, .shtml).
bool isPageName(const QString &name);

// The files named, and the pages in the folders named (in their subfolders
// too when recursive), each once, sorted by name within a folder. Inside a
// folder, a symbolic link is never followed out of the folders named: such a
// link is a failure (Refused, EXDEV); one to a page inside them is a link, its
// target done at its own place, and the page-name filter looks at that target.
// A link that loops or leads nowhere, a page that is not a regular file and a
// name that is not text (UndecodableName, its bytes escaped as \xHH) are
// failures; so is a folder when not recursive. The folder skip (the run's
// output) is never entered.
SiteWalk walkSite(const QStringList &paths, bool recursive, const QString &skip = {});

// A file name's bytes as text, each byte that is not UTF-8 written as \xHH.
QString escapedName(const QByteArray &name);
