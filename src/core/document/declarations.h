#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The label a page in this encoding names itself with in its declarations.
QByteArray declarationLabelFor(const QByteArray &encoding);

// Whether a declared label names the encoding the page is written in. "UTF-16"
// names either byte order: the byte-order mark tells which.
bool declarationAgrees(QByteArrayView label, const QByteArray &encoding);

// The page's declarations (XML declaration, <meta charset>, the charset of a
// <meta http-equiv="Content-Type">) made to name the encoding, as one replacement
// of the characters from the first changed label to the last: one edit.
struct DeclarationRewrite
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString replacement;
    int count = 0; // declarations changed

    bool isEmpty() const { return count == 0; }
};
DeclarationRewrite rewriteDeclarations(QStringView text, const QByteArray &encoding);
