#include "core/document/recentfiles.h"

#include <QLockFile>
#include <QSettings>

QStringList updateRecentFiles(QSettings &settings, const QString &key, const QString &opened,
                              const QString &gone)
{
    // Not QSettings' own lock file, which its sync takes.
    QLockFile lock(settings.fileName() + QStringLiteral(".recent-lock"));
    const bool locked = lock.tryLock(2000); // a stuck window does not stop this one
    settings.sync(); // what other windows wrote since
    const QVariant stored = settings.value(key);
    QStringList list;
    if (stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QString)
        list = stored.toStringList();
    if (!gone.isEmpty())
        list.removeAll(gone);
    if (!opened.isEmpty())
        list = withRecentFile(list, opened);
    settings.setValue(key, list);
    settings.sync();
    if (locked)
        lock.unlock();
    return list;
}
