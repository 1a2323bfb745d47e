#include "ui/clipboardtext.h"

#include <QClipboard>

#include <cerrno>

QString withDocumentLineEnds(const QString &text, QStringView lineEnd)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString result;
    result.reserve(text.size() + text.count(QLatin1Char('\n')));
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            result.append(lineEnd);
            if (i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            result.append(lineEnd);
        } else {
            result.append(c);
        }
    }
    return result;
}

QString readClipboardText(const QClipboard *clipboard)
{
    return clipboard->text(QClipboard::Clipboard);
}

Result<void> writeClipboardText(QClipboard *clipboard, const QString &text)
{
    if (text.isEmpty()) {
        // Nothing to check: a clipboard manager may refill an emptied clipboard at once.
        clipboard->clear(QClipboard::Clipboard);
        return {};
    }
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->text(QClipboard::Clipboard) != text)
        return std::unexpected(Error::fromErrno(ErrorKind::WriteFailed, EBUSY));
    return {};
}
