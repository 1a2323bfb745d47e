#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes as the tests compare them; "<missing>" when it cannot be read, so
// that a file that is not there never passes for an empty one.
inline QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}

inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
