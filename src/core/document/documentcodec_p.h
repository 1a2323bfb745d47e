#pragma once

#include "core/errorreport.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringView>

// What reading and writing documents share: within src/core/document only.
namespace DocumentCodec {

ErrorReport deviceError(const QIODevice &device, QFileDevice::FileError fallback);
ErrorReport unknownCodePage(const QByteArray &codePage);
bool isUnicode(const QByteArray &encoding);
// The first character that the code page cannot hold; -1 when there is none.
qsizetype firstUnrepresentable(QStringView text, const QByteArray &codePage);
// The character at index as a message shows it: 「c」(U+XXXX).
QString describeCharacter(QStringView text, qsizetype index);

} // namespace DocumentCodec
