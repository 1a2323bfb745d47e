#include "core/document/previewpage.h"

#include "core/ruby/htmlscan.h"

#include <QFileInfo>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The end of a tag name starting at pos, as the tokenizer reads it.
qsizetype tagNameEnd(const QString &html, qsizetype pos)
{
    while (pos < html.size()) {
        const QChar c = html.at(pos);
        if (c == u'>' || c == u'/' || c.isSpace())
            break;
        ++pos;
    }
    return pos;
}

bool isWordBreak(QChar c)
{
    return c.isSpace() || c.isPunct();
}

} // namespace

QString markedForPreview(const QString &html)
{
    const HtmlScan scan = scanHtml(html, false);
    QString marked;
    marked.reserve(html.size() + html.size() / 8);
    qsizetype copied = 0;
    for (const HtmlRange &range : scan.ranges) {
        // Tags next to each other share one range; in a ruby element its own
        // tags sit among its text.
        const bool inRuby = range.place == HtmlPlace::InsideRuby;
        if (range.place != HtmlPlace::Tag && !inRuby)
            continue;
        for (qsizetype at = range.start; at + 1 < range.end; ++at) {
            if (html.at(at) != u'<' || !isAsciiLetter(html.at(at + 1)))
                continue;
            if (!inRuby && at != range.start && html.at(at - 1) != u'>')
                continue;
            const qsizetype nameEnd = tagNameEnd(html, at + 1);
            if (nameEnd > range.end)
                break;
            marked.append(QStringView(html).mid(copied, nameEnd - copied));
            marked.append(u' ');
            marked.append(kPreviewOffsetAttribute);
            marked.append(QStringLiteral("=\"%1\"").arg(at));
            // "<br/>" stays a self-closing tag: the space keeps the slash apart.
            if (nameEnd < html.size() && html.at(nameEnd) == u'/')
                marked.append(u' ');
            copied = nameEnd;
        }
    }
    marked.append(QStringView(html).mid(copied));
    return marked;
}

bool isInsideFolder(const QString &folder, const QString &path)
{
    if (folder.isEmpty() || path.isEmpty())
        return false;
    const QString root = QFileInfo(folder).canonicalFilePath();
    // A file that does not exist has no canonical path: its folder is checked.
    QFileInfo info(path);
    QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty()) {
        const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (parent.isEmpty())
            return false;
        resolved = parent + u'/' + info.fileName();
    }
    if (root.isEmpty())
        return false;
    if (root == u"/")
        return true;
    return resolved == root || resolved.startsWith(root + u'/');
}

bool previewMayLoad(const QUrl &url, const QString &folder, const QString &ownScheme,
                    bool remoteAllowed)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == ownScheme || scheme == u"data")
        return true;
    if (scheme == u"file")
        return url.host().isEmpty() && isInsideFolder(folder, url.toLocalFile());
    if (scheme == u"http" || scheme == u"https")
        return remoteAllowed;
    return false;
}

int sourceOffsetOfClick(const QString &html, int elementOffset, const QString &nodeText,
                        int index)
{
    const int tagEnd = int(html.indexOf(u'>', elementOffset));
    const int fallback = tagEnd < 0 ? elementOffset : tagEnd + 1;
    index = qBound(0, index, int(nodeText.size()));
    int wordStart = index;
    while (wordStart > 0 && !isWordBreak(nodeText.at(wordStart - 1)))
        --wordStart;
    int wordEnd = index;
    while (wordEnd < nodeText.size() && !isWordBreak(nodeText.at(wordEnd)))
        ++wordEnd;
    if (wordStart == wordEnd)
        return fallback;
    const qsizetype found = html.indexOf(QStringView(nodeText).mid(wordStart, wordEnd - wordStart),
                                         fallback);
    if (found < 0)
        return fallback;
    return int(found) + index - wordStart;
}

namespace {

bool plainRun(QStringView text)
{
    for (const QChar c : text)
        if (c == u'<' || c == u'>' || c == u'&' || c == u'\r' || c == u'\n')
            return false;
    return true;
}

// The text as a browser's parser keeps it: CR LF and CR become LF.
QString asParsed(QStringView text)
{
    QString parsed = text.toString();
    parsed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    parsed.replace(u'\r', u'\n');
    return parsed;
}

bool rawTextElement(const QString &name)
{
    static const QStringList raw{QStringLiteral("script"), QStringLiteral("style"), QStringLiteral("textarea"), QStringLiteral("title"),
                                 QStringLiteral("xmp"), QStringLiteral("iframe"), QStringLiteral("noembed"), QStringLiteral("noframes"),
                                 QStringLiteral("noscript"), QStringLiteral("plaintext"), QStringLiteral("pre"), QStringLiteral("listing")};
    return raw.contains(name);
}

} // namespace

std::optional<PreviewTextEdit> previewTextEdit(const QString &shown, const QString &now)
{
    if (shown == now)
        return std::nullopt;
    qsizetype start = 0;
    const qsizetype shorter = qMin(shown.size(), now.size());
    while (start < shorter && shown.at(start) == now.at(start))
        ++start;
    qsizetype tail = 0;
    while (tail < shorter - start && shown.at(shown.size() - 1 - tail) == now.at(now.size() - 1 - tail))
        ++tail;
    PreviewTextEdit edit;
    edit.removed = shown.mid(start, shown.size() - tail - start);
    edit.inserted = now.mid(start, now.size() - tail - start);
    if (!plainRun(edit.removed) || !plainRun(edit.inserted))
        return std::nullopt;
    // The run of text the change is in: from the last tag before it to the next.
    if (start == 0)
        return std::nullopt;
    const qsizetype tagEnd = now.lastIndexOf(u'>', start - 1);
    const qsizetype tagStart = tagEnd < 0 ? -1 : now.lastIndexOf(u'<', tagEnd);
    const qsizetype openAfter = tagEnd < 0 ? -1 : now.indexOf(u'<', tagEnd);
    if (tagStart < 0 || (openAfter >= 0 && openAfter < start))
        return std::nullopt;
    const qsizetype changeEnd = now.size() - tail;
    qsizetype nextTag = now.indexOf(u'<', changeEnd);
    if (nextTag < 0)
        nextTag = now.size();
    const QStringView before = QStringView(now).mid(tagEnd + 1, start - tagEnd - 1);
    const QStringView after = QStringView(now).mid(changeEnd, nextTag - changeEnd);
    if (before.contains(u'&') || after.contains(u'&') || after.contains(u'>'))
        return std::nullopt;
    edit.closing = tagStart + 1 < now.size() && now.at(tagStart + 1) == u'/';
    const qsizetype nameStart = tagStart + (edit.closing ? 2 : 1);
    qsizetype nameEnd = nameStart;
    while (nameEnd < tagEnd && (now.at(nameEnd).isLetterOrNumber() || now.at(nameEnd) == u'-'))
        ++nameEnd;
    edit.tagName = now.mid(nameStart, nameEnd - nameStart).toLower();
    if (edit.tagName.isEmpty() || !edit.tagName.at(0).isLetter() || rawTextElement(edit.tagName))
        return std::nullopt;
    edit.tagOffset = tagStart;
    edit.before = asParsed(before);
    edit.after = asParsed(after);
    edit.from = start;
    edit.delta = now.size() - shown.size();
    return edit;
}
