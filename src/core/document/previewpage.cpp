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

QString markedForPreview(const QString &html, qsizetype base)
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
            marked.append(QStringLiteral("=\"%1\"").arg(base + at));
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

// Where two texts differ: the length of their common start and of their common
// end after it.
QPair<qsizetype, qsizetype> changedSpan(const QString &shown, const QString &now)
{
    qsizetype start = 0;
    const qsizetype shorter = qMin(shown.size(), now.size());
    while (start < shorter && shown.at(start) == now.at(start))
        ++start;
    qsizetype tail = 0;
    while (tail < shorter - start && shown.at(shown.size() - 1 - tail) == now.at(now.size() - 1 - tail))
        ++tail;
    return {start, tail};
}

} // namespace

std::optional<PreviewTextEdit> previewTextEdit(const QString &shown, const QString &now)
{
    if (shown == now)
        return std::nullopt;
    const auto [start, tail] = changedSpan(shown, now);
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

namespace {

// A block parsed again alone is at most this long; a larger one is loaded whole.
constexpr qsizetype kLargestBlock = 256 * 1024;

bool isOneOf(QStringView name, std::initializer_list<const char16_t *> names)
{
    for (const char16_t *candidate : names)
        if (name == QStringView(candidate))
            return true;
    return false;
}

bool isHeading(QStringView name)
{
    return name.size() == 2 && name.at(0) == u'h' && name.at(1) >= u'1' && name.at(1) <= u'6';
}

// Elements that may hold a change parsed again alone: their content ends only at
// their own end tag.
bool isBlock(QStringView name)
{
    return isHeading(name)
        || isOneOf(name, {u"address", u"article", u"aside", u"blockquote", u"center", u"div", u"dl",
                          u"figcaption", u"figure", u"footer", u"header", u"main", u"nav", u"ol",
                          u"p", u"section", u"ul", u"li", u"dt", u"dd", u"td", u"th", u"caption"});
}

// Text-level elements a parser nests as written when they are closed in order.
bool isInline(QStringView name)
{
    return isOneOf(name, {u"a", u"abbr", u"b", u"bdi", u"bdo", u"big", u"cite", u"code", u"data",
                          u"del", u"dfn", u"em", u"font", u"i", u"ins", u"kbd", u"mark", u"q",
                          u"ruby", u"s", u"samp", u"small", u"span", u"strike", u"strong", u"sub",
                          u"sup", u"time", u"tt", u"u", u"var"});
}

struct SourceTag
{
    QString name;
    bool closing = false;
    qsizetype end = -1; // after its ">"
};

// The tag at pos ("<" and a letter, or "</" and a letter), read as the tokenizer
// reads it, quoted attribute values included; nullopt when it does not end before limit.
std::optional<SourceTag> readTag(const QString &html, qsizetype pos, qsizetype limit)
{
    SourceTag tag;
    tag.closing = html.at(pos + 1) == u'/';
    const qsizetype nameStart = pos + (tag.closing ? 2 : 1);
    const qsizetype nameEnd = tagNameEnd(html, nameStart);
    tag.name = html.mid(nameStart, nameEnd - nameStart).toLower();
    qsizetype at = nameEnd;
    while (at < limit) {
        const QChar c = html.at(at);
        if (c == u'>') {
            tag.end = at + 1;
            return tag;
        }
        if (c.isSpace() || c == u'/') {
            ++at;
            continue;
        }
        ++at; // an attribute's name: its first character may be "="
        while (at < limit && !html.at(at).isSpace() && html.at(at) != u'/' && html.at(at) != u'>'
               && html.at(at) != u'=')
            ++at;
        while (at < limit && html.at(at).isSpace())
            ++at;
        if (at >= limit || html.at(at) != u'=')
            continue;
        ++at;
        while (at < limit && html.at(at).isSpace())
            ++at;
        if (at < limit && (html.at(at) == u'"' || html.at(at) == u'\'')) {
            const qsizetype close = html.indexOf(html.at(at), at + 1);
            if (close < 0 || close >= limit)
                return std::nullopt;
            at = close + 1;
        } else {
            while (at < limit && !html.at(at).isSpace() && html.at(at) != u'>')
                ++at;
        }
    }
    return std::nullopt;
}

// Whether a start tag of name, with open elements the innermost last, builds
// just that element where it stands: no element is closed or moved for it.
bool opensInPlace(const QString &name, const QStringList &open)
{
    const QString &parent = open.last();
    if (isOneOf(name, {u"br", u"img", u"wbr"}))
        return true;
    if (isOneOf(name, {u"rb", u"rt", u"rp", u"rtc"}))
        return parent == u"ruby" || (parent == u"rtc" && name != u"rtc" && name != u"rb");
    if (isInline(name))
        return name != u"a" || !open.contains(QStringLiteral("a"));
    // A block closes an open paragraph or heading, and ends text-level elements' reach.
    for (const QString &outer : open)
        if (outer == u"p" || isHeading(outer) || isInline(outer) || isOneOf(outer, {u"rb", u"rt", u"rp", u"rtc"}))
            return false;
    if (name == u"li")
        return parent == u"ul" || parent == u"ol";
    if (name == u"dt" || name == u"dd")
        return parent == u"dl";
    return name == u"hr" || (isBlock(name) && !isOneOf(name, {u"td", u"th", u"caption"}));
}

// The end of a comment starting at pos ("<!--"), or -1 when it does not end
// plainly before limit.
qsizetype commentEnd(const QString &html, qsizetype pos, qsizetype limit)
{
    if (QStringView(html).mid(pos + 4).startsWith(u">"))
        return pos + 5;
    if (QStringView(html).mid(pos + 4).startsWith(u"->"))
        return pos + 6;
    const qsizetype close = html.indexOf(QStringLiteral("-->"), pos + 4);
    const qsizetype bang = html.indexOf(QStringLiteral("--!>"), pos + 4);
    if (close < 0 || close + 3 > limit || (bang >= 0 && bang < close))
        return -1;
    return close + 3;
}

// Reads html from `from` as the content of the elements open (the innermost last),
// every tag opening in place and closing in order: the end tag that closes the
// outermost of them (open then empty), or limit with those still open there; -1
// for anything else.
qsizetype readNested(const QString &html, qsizetype from, qsizetype limit, QStringList &open)
{
    qsizetype at = from;
    while (true) {
        at = html.indexOf(u'<', at);
        if (at < 0 || at >= limit)
            return limit;
        if (at + 2 >= limit)
            return -1; // a tag the limit may cut
        const QChar next = html.at(at + 1);
        if (next == u'!' || next == u'?') {
            at = QStringView(html).mid(at).startsWith(u"<!--") ? commentEnd(html, at, limit) : -1;
            if (at < 0)
                return -1;
            continue;
        }
        const bool closing = next == u'/';
        if (!isAsciiLetter(html.at(at + (closing ? 2 : 1)))) {
            if (closing)
                return -1; // "</>" and "</ " are dropped or made comments
            ++at; // a "<" of the text
            continue;
        }
        const std::optional<SourceTag> tag = readTag(html, at, limit);
        if (!tag)
            return -1;
        if (tag->closing) {
            if (tag->name != open.last())
                return -1;
            open.removeLast();
            if (open.isEmpty())
                return at;
        } else if (!opensInPlace(tag->name, open)) {
            return -1;
        } else if (!isOneOf(tag->name, {u"br", u"img", u"wbr", u"hr"})) {
            open.append(tag->name);
        }
        at = tag->end;
    }
}

// Where the element of name whose start tag ends at from has its end tag, when
// everything up to it opens in place and closes in order; -1 otherwise.
qsizetype matchingEnd(const QString &html, qsizetype from, const QString &name, qsizetype limit)
{
    QStringList open{name};
    const qsizetype end = readNested(html, from, limit, open);
    return open.isEmpty() ? end : -1;
}

// Walking back from at (moved to its "<"): the nearest start tag that ends by
// start; none after farthest.
std::optional<SourceTag> previousStartTag(const QString &now, qsizetype &at, qsizetype farthest,
                                          qsizetype start)
{
    while (at > farthest) {
        at = now.lastIndexOf(u'<', at - 1);
        if (at < farthest || at + 1 >= now.size() || !isAsciiLetter(now.at(at + 1)))
            continue;
        std::optional<SourceTag> tag = readTag(now, at, qMin(now.size(), start + 1));
        if (tag && tag->end <= start)
            return tag;
    }
    return std::nullopt;
}

// Blocks that may stand side by side in any flow container: a run of them is
// parsed again between two of them.
bool isFlowBlock(QStringView name)
{
    return isBlock(name) && !isOneOf(name, {u"li", u"dt", u"dd", u"td", u"th", u"caption"});
}

// Whether html[from, to) is a run of whole elements and text that a parser builds
// the same alone as between the blocks around it; a paragraph left open at the end
// is closed by the block at to, as the page's parser closes it.
bool isWholeRun(const QString &html, qsizetype from, qsizetype to)
{
    QStringList open{QStringLiteral("div")}; // a neutral flow container
    if (readNested(html, from, to, open) != to)
        return false;
    return open.size() == 1 || (open.size() == 2 && open.last() == u"p");
}

// Where a run after the body's last block ends: the body's or the page's end tag
// from `from` on, else the text's end; -1 when that is too far from start.
qsizetype bodyEnd(const QString &now, qsizetype from, qsizetype start)
{
    for (qsizetype at = now.indexOf(QLatin1StringView("</"), from); at >= 0 && at - start <= kLargestBlock;
         at = now.indexOf(QLatin1StringView("</"), at + 1)) {
        if (at + 2 >= now.size() || !isAsciiLetter(now.at(at + 2)))
            continue;
        const std::optional<SourceTag> tag = readTag(now, at, now.size());
        if (tag && (tag->name == u"body" || tag->name == u"html"))
            return at;
    }
    return now.size() - start <= kLargestBlock ? now.size() : -1;
}

// A change between blocks no block holds (typed straight in the body, or in a
// container too large or not plain enough to parse again): the run from the
// nearest block starting before it up to the first block after it, or to the
// body's end after its last block.
std::optional<PreviewBlockEdit> siblingsEdit(const QString &shown, const QString &now,
                                              qsizetype start, qsizetype changeEnd)
{
    const qsizetype delta = now.size() - shown.size();
    // The next block: it and all after it as the page has them.
    qsizetype next = -1;
    QString nextName;
    // The common start may hold the next block's "<" and more of its tag.
    const qsizetype searchFrom = start > 0 ? qMax<qsizetype>(0, now.lastIndexOf(u'<', start - 1)) : 0;
    for (qsizetype at = now.indexOf(u'<', searchFrom); at >= 0 && at - start <= kLargestBlock;
         at = now.indexOf(u'<', at + 1)) {
        if (at + 1 >= now.size() || !isAsciiLetter(now.at(at + 1)))
            continue;
        const std::optional<SourceTag> tag = readTag(now, at, now.size());
        if (!tag || !isFlowBlock(tag->name))
            continue;
        // Blocks typed in the change are part of the run.
        if (at - delta >= 0 && (at >= changeEnd || QStringView(now).mid(at) == QStringView(shown).mid(at - delta))) {
            next = at;
            nextName = tag->name;
            break;
        }
        if (at >= changeEnd)
            break;
    }
    const bool toBodyEnd = next < 0;
    // The page from the body's end tag on is as shown; the common start may hold its "<".
    if (toBodyEnd
        && ((next = bodyEnd(now, searchFrom, start)) < 0 || next - delta < 0
            || QStringView(now).mid(next) != QStringView(shown).mid(next - delta)))
        return std::nullopt;
    const qsizetype farthest = qMax<qsizetype>(0, next - kLargestBlock);
    int tries = 16;
    for (qsizetype at = qMin(start, next); tries > 0;) {
        const std::optional<SourceTag> tag = previousStartTag(now, at, farthest, start);
        if (!tag)
            break;
        if (!isFlowBlock(tag->name))
            continue;
        --tries;
        // In the page shown the run starts with this element too: it is not empty.
        if (next - delta <= at || !isWholeRun(now, at, next) || !isWholeRun(shown, at, next - delta))
            continue;
        PreviewBlockEdit edit;
        edit.tagOffset = at;
        edit.tagName = tag->name;
        edit.nextOffset = next - delta;
        edit.nextName = nextName;
        edit.toBodyEnd = toBodyEnd;
        edit.content = markedForPreview(now.mid(at, next - at), at);
        // The elements from the next one on move, in the page shown and in the text now.
        edit.from = next - qMax<qsizetype>(delta, 0);
        edit.delta = delta;
        return edit;
    }
    return std::nullopt;
}

} // namespace

std::optional<PreviewBlockEdit> previewBlockEdit(const QString &shown, const QString &now)
{
    if (shown == now)
        return std::nullopt;
    const auto [start, tail] = changedSpan(shown, now);
    const qsizetype delta = now.size() - shown.size();
    const qsizetype changeEnd = now.size() - tail;
    const qsizetype farthest = qMax<qsizetype>(0, start - kLargestBlock);
    int tries = 64;
    // Outwards from the change, the first block that holds all of it.
    for (qsizetype at = start; tries > 0;) {
        const std::optional<SourceTag> tag = previousStartTag(now, at, farthest, start);
        if (!tag)
            break;
        if (!isBlock(tag->name))
            continue;
        --tries;
        const qsizetype limit = qMin(now.size(), tag->end + kLargestBlock);
        const qsizetype end = matchingEnd(now, tag->end, tag->name, limit);
        if (end < start)
            continue; // none, or one closed before the change
        // Its end tag unchanged: the common start may have taken the end tag's "<".
        if (end < changeEnd
            && (end - delta < tag->end || QStringView(now).mid(end) != QStringView(shown).mid(end - delta)))
            continue;
        // The page shows the same element, its content closed in the same way.
        if (matchingEnd(shown, tag->end, tag->name, qMin(shown.size(), limit - delta)) != end - delta)
            continue;
        PreviewBlockEdit edit;
        edit.tagOffset = at;
        edit.tagName = tag->name;
        edit.content = markedForPreview(now.mid(tag->end, end - tag->end), tag->end);
        edit.from = start;
        edit.delta = delta;
        return edit;
    }
    return siblingsEdit(shown, now, start, changeEnd);
}
