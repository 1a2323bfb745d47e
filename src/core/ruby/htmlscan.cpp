#include "core/ruby/htmlscan.h"

#include <QStringView>

#include <algorithm>

namespace {

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return isAsciiLetter(c) || (u >= u'0' && u <= u'9') || u == u'-' || u == u':' || u == u'_';
}

bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\n' || u == u'\r' || u == u'\f';
}

class Scanner
{
public:
    Scanner(const QString &html, bool skipCode)
        : m_text(html)
        , m_n(html.size())
        , m_skipCode(skipCode)
    { }

    HtmlScan run();

private:
    void add(HtmlPlace place, qsizetype start, qsizetype end);
    void emitText(qsizetype start, qsizetype end);
    HtmlPlace textPlace() const;
    // Ends the scan: what is left is not to be touched.
    void giveUp(qsizetype from) { add(HtmlPlace::Unsure, from, m_n); }
    bool startsWith(qsizetype at, QLatin1StringView what) const
    {
        return QStringView(m_text).sliced(at).startsWith(what, Qt::CaseInsensitive);
    }
    // Returns the position after the tag, or -1 when it never closes.
    qsizetype tag(qsizetype at);
    void element(const QString &name, bool closing, bool selfClosing, qsizetype tagStart,
                 qsizetype &pos);

    const QString &m_text;
    const qsizetype m_n;
    const bool m_skipCode;
    HtmlScan m_scan;
    int m_rubyDepth = 0;
    qsizetype m_rubyStart = -1;
    int m_strayRubyParts = 0;
    int m_codeDepth = 0;
};

void Scanner::add(HtmlPlace place, qsizetype start, qsizetype end)
{
    if (end <= start)
        return;
    if (!m_scan.ranges.isEmpty()) {
        HtmlRange &last = m_scan.ranges.last();
        if (last.place == place && last.end == start) {
            last.end = end;
            return;
        }
    }
    m_scan.ranges.append({start, end, place});
}

HtmlPlace Scanner::textPlace() const
{
    if (m_rubyDepth > 0 || m_strayRubyParts > 0)
        return HtmlPlace::InsideRuby;
    if (m_codeDepth > 0)
        return HtmlPlace::InsideCode;
    return HtmlPlace::Text;
}

// Text with its character references cut out, so none is ever split.
void Scanner::emitText(qsizetype start, qsizetype end)
{
    const HtmlPlace place = textPlace();
    qsizetype from = start;
    for (qsizetype i = start; i < end; ++i) {
        if (m_text.at(i) != u'&' || i + 1 >= end)
            continue;
        const QChar next = m_text.at(i + 1);
        if (next != u'#' && !isAsciiLetter(next))
            continue;
        qsizetype j = i + 2;
        while (j < end && (m_text.at(j).isLetterOrNumber() && m_text.at(j).unicode() < 0x80))
            ++j;
        if (j < end && m_text.at(j) == u';')
            ++j;
        add(place, from, i);
        add(HtmlPlace::Reference, i, j);
        from = j;
        i = j - 1;
    }
    add(place, from, end);
}

qsizetype Scanner::tag(qsizetype at)
{
    qsizetype piece = at;
    qsizetype p = at + 1;
    while (p < m_n && m_text.at(p) != u'>') {
        if (m_text.at(p) != u'=') {
            ++p;
            continue;
        }
        ++p;
        while (p < m_n && isSpace(m_text.at(p)))
            ++p;
        if (p >= m_n)
            break;
        const QChar quote = m_text.at(p);
        qsizetype valueStart;
        qsizetype valueEnd;
        if (quote == u'"' || quote == u'\'') {
            valueStart = p + 1;
            valueEnd = m_text.indexOf(quote, valueStart);
            if (valueEnd < 0) {
                add(HtmlPlace::Tag, piece, valueStart);
                giveUp(valueStart);
                return -1;
            }
            p = valueEnd + 1;
        } else {
            valueStart = p;
            while (p < m_n && !isSpace(m_text.at(p)) && m_text.at(p) != u'>')
                ++p;
            valueEnd = p;
        }
        add(HtmlPlace::Tag, piece, valueStart);
        add(HtmlPlace::AttributeValue, valueStart, valueEnd);
        piece = valueEnd;
    }
    if (p >= m_n) {
        giveUp(piece);
        return -1;
    }
    add(HtmlPlace::Tag, piece, p + 1);
    return p + 1;
}

void Scanner::element(const QString &name, bool closing, bool selfClosing, qsizetype tagStart,
                      qsizetype &pos)
{
    if (name == u"ruby") {
        if (!closing && !selfClosing) {
            if (m_rubyDepth++ == 0)
                m_rubyStart = tagStart;
        } else if (closing && m_rubyDepth > 0 && --m_rubyDepth == 0) {
            m_scan.rubyElements.append({m_rubyStart, pos, HtmlPlace::InsideRuby});
        }
        return;
    }
    if (m_rubyDepth == 0 && (name == u"rb" || name == u"rt" || name == u"rp" || name == u"rtc")) {
        // Parts of ruby outside any ruby element: broken markup, leave its text alone.
        if (!closing && !selfClosing)
            ++m_strayRubyParts;
        else if (closing && m_strayRubyParts > 0)
            --m_strayRubyParts;
        return;
    }
    if (m_skipCode && (name == u"code" || name == u"pre")) {
        if (!closing && !selfClosing)
            ++m_codeDepth;
        else if (closing && m_codeDepth > 0)
            --m_codeDepth;
        return;
    }
    if (closing || selfClosing)
        return;
    HtmlPlace raw;
    if (name == u"script")
        raw = HtmlPlace::Script;
    else if (name == u"style")
        raw = HtmlPlace::Style;
    else if (name == u"textarea")
        raw = HtmlPlace::Textarea;
    else if (name == u"title")
        raw = HtmlPlace::Title;
    else
        return;
    // Raw text runs to the first matching end tag.
    const QString endTag = QStringLiteral("</") + name;
    qsizetype from = pos;
    for (;;) {
        const qsizetype found = m_text.indexOf(endTag, from, Qt::CaseInsensitive);
        if (found < 0) {
            giveUp(pos);
            pos = m_n;
            return;
        }
        const qsizetype after = found + endTag.size();
        if (after >= m_n || !isNameChar(m_text.at(after))) {
            add(raw, pos, found);
            pos = found;
            return;
        }
        from = after;
    }
}

HtmlScan Scanner::run()
{
    qsizetype pos = 0;
    qsizetype textStart = 0;
    while (pos < m_n) {
        const qsizetype lt = m_text.indexOf(u'<', pos);
        if (lt < 0 || lt + 1 >= m_n)
            break;
        pos = lt;
        const QChar next = m_text.at(pos + 1);
        if (next == u'!' || next == u'?') {
            QLatin1StringView close(">");
            HtmlPlace place = HtmlPlace::Declaration;
            qsizetype searchFrom = pos + 2;
            if (startsWith(pos, QLatin1StringView("<!--"))) {
                close = QLatin1StringView("-->");
                place = HtmlPlace::Comment;
            } else if (startsWith(pos, QLatin1StringView("<![CDATA["))) {
                close = QLatin1StringView("]]>");
                place = HtmlPlace::CData;
                searchFrom = pos + 9;
            }
            emitText(textStart, pos);
            const qsizetype end = m_text.indexOf(close, searchFrom);
            if (end < 0) {
                giveUp(pos);
                return m_scan;
            }
            pos = end + close.size();
            add(place, lt, pos);
            textStart = pos;
            continue;
        }
        const bool closing = next == u'/';
        const qsizetype nameStart = pos + 1 + (closing ? 1 : 0);
        if (nameStart >= m_n || !isAsciiLetter(m_text.at(nameStart))) {
            ++pos; // a '<' of the text
            continue;
        }
        emitText(textStart, pos);
        qsizetype nameEnd = nameStart;
        while (nameEnd < m_n && isNameChar(m_text.at(nameEnd)))
            ++nameEnd;
        const QString name
            = m_text.sliced(nameStart, std::min<qsizetype>(nameEnd - nameStart, 16)).toLower();
        const qsizetype after = tag(pos);
        if (after < 0)
            return m_scan;
        const bool selfClosing = m_text.at(after - 2) == u'/';
        const qsizetype tagStart = pos;
        pos = after;
        element(name, closing, selfClosing, tagStart, pos);
        textStart = pos;
    }
    emitText(textStart, m_n);
    return m_scan;
}

} // namespace

HtmlScan scanHtml(const QString &html, bool skipCodeAndPre)
{
    return Scanner(html, skipCodeAndPre).run();
}

HtmlPlace placeOf(const HtmlScan &scan, qsizetype start, qsizetype end)
{
    const auto &ranges = scan.ranges;
    auto it = std::upper_bound(ranges.begin(), ranges.end(), start,
                               [](qsizetype at, const HtmlRange &r) { return at < r.end; });
    for (; it != ranges.end() && it->start < std::max(end, start + 1); ++it) {
        if (it->place != HtmlPlace::Text)
            return it->place;
    }
    return HtmlPlace::Text;
}

HtmlRange rubyElementAround(const HtmlScan &scan, qsizetype start, qsizetype end)
{
    const auto &elements = scan.rubyElements;
    auto it = std::upper_bound(elements.begin(), elements.end(), start,
                               [](qsizetype at, const HtmlRange &r) { return at < r.end; });
    if (it != elements.end() && it->start <= start && end <= it->end)
        return *it;
    return {-1, -1, HtmlPlace::InsideRuby};
}

bool parseRubyElement(const QString &element, QString *base, QString *reading)
{
    const HtmlScan scan = scanHtml(element, false);
    if (scan.rubyElements.size() != 1 || scan.rubyElements.first().start != 0
        || scan.rubyElements.first().end != element.size())
        return false;
    base->clear();
    reading->clear();
    // Which of rb, rt, rp the text is in: the last tag before it says.
    enum { Base, Reading, Parenthesis } part = Base;
    for (const HtmlRange &r : scan.ranges) {
        const QStringView piece = QStringView(element).sliced(r.start, r.end - r.start);
        if (r.place == HtmlPlace::Tag) {
            // Neighbouring tags come as one range: look at each tag in it.
            for (qsizetype lt = piece.indexOf(u'<'); lt >= 0; lt = piece.indexOf(u'<', lt + 1)) {
                const bool closing = piece.sliced(lt).startsWith(u"</");
                const QStringView name = piece.sliced(lt + (closing ? 2 : 1));
                const auto is = [&](QLatin1StringView n) {
                    return name.startsWith(n, Qt::CaseInsensitive)
                        && (name.size() == n.size() || !isNameChar(name.at(n.size())));
                };
                if (is(QLatin1StringView("rt")))
                    part = closing ? Base : Reading;
                else if (is(QLatin1StringView("rp")))
                    part = closing ? Base : Parenthesis;
                else if (is(QLatin1StringView("rb")) || is(QLatin1StringView("rtc")))
                    part = Base;
            }
        } else if (r.place == HtmlPlace::InsideRuby || r.place == HtmlPlace::Reference) {
            if (part == Base)
                base->append(piece);
            else if (part == Reading)
                reading->append(piece);
        }
    }
    return true;
}
