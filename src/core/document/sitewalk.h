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

struct SiteFailure
{
    QString path;
    Error error;
};

struct SiteWalk
{
    QList<SitePage> pages;
    QList<SiteFailure> failures;
};

// Whether a file name is that of an HTML page (.html, .htm, .xhtml, .shtml).
bool isPageName(const QString &name);

// The files named, and the pages in the folders named (in their subfolders
// too when recursive), each once, sorted by name within a folder. A folder
// reached again through a link, a link that loops or leads nowhere, and a page
// that is not a regular file are failures; so is a folder when not recursive.
SiteWalk walkSite(const QStringList &paths, bool recursive);
