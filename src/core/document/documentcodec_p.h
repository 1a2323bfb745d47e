#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringView>

// What reading and writing documents share: within src/core/document only.
namespace DocumentCodec {

// The device's failure in the system's words; errno, which the failed call left,
// as its number.
Error readError(const QIODevice &device);
Error writeError(const QIODevice &device);
Error unknownCodePage(const QByteArray &codePage);
// A character of text that the code page refuses: the character, its index and line.
Error characterError(ErrorKind kind, QStringView text, qsizetype index,
                     const QByteArray &codePage);
bool isUnicode(const QByteArray &encoding);
// The first character that the code page cannot hold; -1 when there is none.
qsizetype firstUnrepresentable(QStringView text, const QByteArray &codePage);

} // namespace DocumentCodec
