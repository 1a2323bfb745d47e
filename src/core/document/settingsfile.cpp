#include "core/document/settingsfile.h"

#include "core/document/safesave.h"

#include <QFile>
#include <QFileInfo>

int firstMalformedSettingsLine(const QByteArray &bytes)
{
    int number = 0;
    for (const QByteArray &whole : bytes.split('\n')) {
        ++number;
        const QByteArray line = whole.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.contains('\0'))
            return number;
        if (line.startsWith('[') ? !line.endsWith(']') : !line.contains('='))
            return number;
    }
    return 0;
}

namespace {

// Beside the file, once for each damaged content: a copy that is already there is
// not made again, and fresh says so.
QString keepAside(const QString &path, const QByteArray &bytes, bool *fresh)
{
    const QString copy = path + QStringLiteral(".damaged");
    QFile existing(copy);
    *fresh = false;
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size()
        && existing.readAll() == bytes)
        return copy;
    existing.close();
    *fresh = true;
    return saveBytesSafely(copy, bytes) ? copy : QString();
}

} // namespace

SettingsFileState inspectSettingsFile(const QString &path, qint64 maxBytes)
{
    SettingsFileState state;
    state.readFrom = path;
    const QFileInfo info(path);
    if (!info.exists())
        return state;
    if (const Result<void> replaceable = checkMayReplace(path); !replaceable) {
        state.writable = false;
        state.problem = replaceable.error();
    }
    if (info.size() > maxBytes) {
        state.readFrom.clear();
        state.writable = false;
        state.problem = Error {ErrorKind::TooLarge, path};
        return state;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return state; // QSettings reports it as an access error and reads nothing
    const QByteArray bytes = file.read(maxBytes + 1);
    const int line = firstMalformedSettingsLine(bytes);
    if (line == 0)
        return state;
    state.writable = false;
    bool fresh = false;
    state.keptCopy = keepAside(path, bytes, &fresh);
    state.readFrom = state.keptCopy;
    state.malformedLine = line;
    if (fresh)
        state.problem = Error {ErrorKind::Damaged, path};
    return state;
}
