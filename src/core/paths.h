#pragma once

#include <QString>

// Joins a folder and a file name with one "/", none when the folder already ends in one
// (a root such as "/").
inline QString joinFolderAndName(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The part of a path after its last "/": the file name.
inline QString fileNameOfPath(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
