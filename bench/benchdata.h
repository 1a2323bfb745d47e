#pragma once

#include <QString>

// A Japanese HTML page of about the given size in UTF-8 bytes, CR LF lines.
inline QString makeJapaneseHtml(qsizetype utf8Bytes)
{
    // About 50 bytes a line in UTF-8, as hand-written pages have.
    static const QString lines[] = {
        QStringLiteral("<p>送り仮名を省略して漢字にルビ。</p>"),
        QStringLiteral("<div class=\"note\">十一月の予定</div>"),
        QStringLiteral("<li><a href=\"p%1.html\">第%1章</a></li>"),
        QStringLiteral("<td>ひらがな</td><td>ｶﾀｶﾅ</td>"),
    };
    QString text;
    text.reserve(utf8Bytes / 2 + 200);
    qsizetype bytes = 0;
    text += QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<body>\r\n");
    int line = 0;
    while (bytes < utf8Bytes) {
        QString next = lines[line % 4];
        if (next.contains(QLatin1String("%1")))
            next = next.arg(line);
        next += QLatin1String("\r\n");
        bytes += next.toUtf8().size();
        text += next;
        ++line;
    }
    text += QStringLiteral("</body>\r\n</html>\r\n");
    return text;
}
