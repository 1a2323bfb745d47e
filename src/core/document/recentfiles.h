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

class QSettings;

// Writes one change of the list (a path opened, a path gone) into the settings
// shared by every running window: under a lock file, the list is read again and
// the change made to it, so what another window noted since is kept. Gives the
// list as written.
QStringList updateRecentFiles(QSettings &settings, const QString &key, const QString &opened,
                              const QString &gone = {});
