#pragma once

#include <QStringList>

inline constexpr int kMaxRecentFiles = 10;

// The list with the path first, each path once, at most kMaxRecentFiles long.
inline QStringList withRecentFile(QStringList list, const QString &path)
{
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecentFiles)
        list.removeLast();
    return list;
}
