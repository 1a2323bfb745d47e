#include "core/document/declarations.h"

#include "core/document/encodings.h"

QByteArray declarationLabelFor(const QByteArray &encoding)
{
    if (encoding == kShiftJisEncoding)
        return QByteArrayLiteral("Shift_JIS");
    if (encoding == kUtf16LeEncoding || encoding == kUtf16BeEncoding)
        return QByteArrayLiteral("UTF-16");
    return encoding;
}

bool declarationAgrees(QByteArrayView label, const QByteArray &encoding)
{
    if (sameEncoding(label, encoding))
        return true;
    const bool utf16 = encoding == kUtf16LeEncoding || encoding == kUtf16BeEncoding;
    return utf16 && encodingForLabel(label) == kUtf16LeEncoding
        && label.trimmed().compare("utf-16le", Qt::CaseInsensitive) != 0;
}

DeclarationRewrite rewriteDeclarations(QStringView text, const QByteArray &encoding)
{
    DeclarationRewrite rewrite;
    const QString label = QString::fromLatin1(declarationLabelFor(encoding));
    qsizetype at = -1;
    for (const m_spanLabel &span : declarationLabels(text)) {
        if (declarationAgrees(text.sliced(span.start, span.length).toLatin1(), encoding))
            continue;
        if (at < 0)
            at = rewrite.start = span.start;
        rewrite.replacement += text.sliced(at, span.start - at);
        rewrite.replacement += label;
        at = span.start + span.length;
        ++rewrite.count;
    }
    rewrite.length = at < 0 ? 0 : at - rewrite.start;
    return rewrite;
}
