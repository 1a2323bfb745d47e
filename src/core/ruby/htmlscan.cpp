#include "core/ruby/htmlscan.h"
#include "core/ruby/htmlnames.h"

#include <QStringView>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace htmlnames;

namespace {

enum class Space : quint8 { Html, Svg, MathMl };

// An element open inside SVG or MathML (HTML ones too, inside an integration point).
struct OpenElement
{
    QString name;
    Space space;
    bool htmlInside; // an HTML integration point: its start tags and text are HTML
    bool textInside; // a MathML text integration point
};

// A table being read: text outside its cells, where no other element is open,
// is moved before the table, and a <ruby> there would leave white space behind.
struct OpenTable
{
    bool cell = false; // in a td, th or caption
    QStringList others; // elements open outside a cell
};

struct Tag
{
    qsizetype end = -1; // after the '>', or -1 when it never closes
    QStringView name; // lower case, in the scanner's buffer
    bool closing = false;
    bool selfClosing = false;
    bool htmlEncoding = false; // encoding="text/html" or "application/xhtml+xml"
    bool fontBreaks = false; // color, face or size: such a font ends SVG or MathML
};

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
    bool startsWith(qsizetype at, QLatin1StringView what,
                    Qt::CaseSensitivity cs = Qt::CaseInsensitive) const
    {
        return QStringView(m_text).sliced(at).startsWith(what, cs);
    }
    // "</name" that ends raw text: followed by white space, '/' or '>'.
    bool endTagAt(qsizetype at, QStringView name) const;
    Tag tag(qsizetype at);
    // Comments, bogus comments, declarations, CDATA; -1 when one never ends.
    qsizetype markup(qsizetype at);
    void startTag(const Tag &t, qsizetype tagStart, qsizetype &pos);
    void endTag(const Tag &t, qsizetype tagStart, qsizetype pos);
    void element(QStringView name, bool closing, qsizetype tagStart, qsizetype &pos);
    void rawText(HtmlPlace place, QStringView name, qsizetype &pos);
    qsizetype scriptEnd(qsizetype from) const;
    void rubyPart(QStringView name, bool closing, qsizetype tagStart, qsizetype tagEnd);
    void drop(qsizetype start, qsizetype end);
    bool foreignCurrent() const { return !m_open.isEmpty() && m_open.last().space != Space::Html; }
    bool htmlStartTag(QStringView name) const;
    void openHtml(QStringView name);
    void openInHtml(QStringView name);
    bool closeInHtml(QStringView name);
    void popHtml(qsizetype size);
    void table(QStringView name, bool closing);

    const QString &m_text;
    const qsizetype m_n;
    const bool m_skipCode;
    HtmlScan m_scan;
    int m_rubyDepth = 0;
    qsizetype m_rubyStart = -1;
    int m_strayRubyParts = 0;
    int m_codeDepth = 0;
    QList<OpenElement> m_open; // from the outermost <svg> or <math> in; empty outside
    bool m_select = false;
    bool m_selectInTable = false; // a cell or row start tag ends it
    // HTML elements open outside SVG and MathML: what an end tag closes, and
    // where an unclosed ruby ends with the element around it.
    QList<QString> m_html;
    qsizetype m_rubyBase = 0; // m_html's size below the outermost ruby
    int m_datalistDepth = 0;
    QList<OpenTable> m_tables;
    char16_t m_name[32]; // of the tag being read
    bool m_frameset = false; // text after a frameset is not shown
    QList<HtmlRange> m_rubyMarkup; // of the ruby element being read
    qsizetype m_dropFrom = -1; // start of an rt, rp or rtc part being read
    int m_dropDepth = 0; // the ruby depth of that part: a ruby inside it goes with it
    bool m_inRtc = false;
    bool m_rubyBrokeOut = false; // the ruby ended SVG or MathML to open
    int m_templateDepth = 0; // template content is never shown
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
    if (m_frameset || m_templateDepth > 0)
        return HtmlPlace::Unsure;
    if (m_select || m_datalistDepth > 0)
        return HtmlPlace::Select;
    for (qsizetype i = m_open.size() - 1; i >= 0; --i) {
        const OpenElement &e = m_open.at(i);
        if (e.space == Space::Html)
            continue;
        // Inside <foreignObject> the page is HTML again; any other point where
        // HTML comes back is not shown as running text.
        if (e.space != Space::Svg || e.name != "foreignobject"_L1)
            return HtmlPlace::Foreign;
        break;
    }
    if (!m_tables.isEmpty() && !m_tables.last().cell && m_tables.last().others.isEmpty())
        return HtmlPlace::Table;
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
    if (place != HtmlPlace::Text && place != HtmlPlace::InsideRuby
        && place != HtmlPlace::InsideCode) {
        add(place, start, end);
        return;
    }
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

bool Scanner::endTagAt(qsizetype at, QStringView name) const
{
    const qsizetype after = at + 2 + name.size();
    return after < m_n && m_text.at(at) == u'<' && m_text.at(at + 1) == u'/'
        && QStringView(m_text).sliced(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0
        && (isSpace(m_text.at(after)) || m_text.at(after) == u'/' || m_text.at(after) == u'>');
}

Tag Scanner::tag(qsizetype at)
{
    Tag t;
    t.closing = m_text.at(at + 1) == u'/';
    qsizetype p = at + (t.closing ? 2 : 1);
    const qsizetype nameStart = p;
    while (p < m_n && !isSpace(m_text.at(p)) && m_text.at(p) != u'/' && m_text.at(p) != u'>')
        ++p;
    // Only ASCII letters are lowered; a longer name matches none we look for.
    const qsizetype length = std::min<qsizetype>(p - nameStart, std::size(m_name));
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = m_text.at(nameStart + i).unicode();
        m_name[i] = c >= u'A' && c <= u'Z' ? c + 32 : c;
    }
    t.name = QStringView(m_name, length);
    qsizetype piece = at;
    for (;;) {
        while (p < m_n && isSpace(m_text.at(p)))
            ++p;
        if (p >= m_n)
            break;
        if (m_text.at(p) == u'>'
            || (m_text.at(p) == u'/' && p + 1 < m_n && m_text.at(p + 1) == u'>')) {
            t.selfClosing = m_text.at(p) == u'/';
            t.end = p + (t.selfClosing ? 2 : 1);
            add(HtmlPlace::Tag, piece, t.end);
            return t;
        }
        if (m_text.at(p) == u'/') {
            ++p;
            continue;
        }
        // An attribute name: its first character may be anything, '=' and quotes too.
        const qsizetype nameAt = p++;
        while (p < m_n && !isSpace(m_text.at(p)) && m_text.at(p) != u'/' && m_text.at(p) != u'>'
               && m_text.at(p) != u'=')
            ++p;
        const QStringView attribute = QStringView(m_text).sliced(nameAt, p - nameAt);
        for (const auto name : {"color"_L1, "face"_L1, "size"_L1})
            t.fontBreaks = t.fontBreaks || attribute.compare(name, Qt::CaseInsensitive) == 0;
        while (p < m_n && isSpace(m_text.at(p)))
            ++p;
        if (p >= m_n || m_text.at(p) != u'=')
            continue;
        ++p;
        while (p < m_n && isSpace(m_text.at(p)))
            ++p;
        if (p >= m_n)
            break;
        const QChar quote = m_text.at(p);
        if (quote == u'>')
            continue; // no value
        qsizetype valueStart;
        qsizetype valueEnd;
        if (quote == u'"' || quote == u'\'') {
            valueStart = p + 1;
            valueEnd = m_text.indexOf(quote, valueStart);
            if (valueEnd < 0) {
                add(HtmlPlace::Tag, piece, valueStart);
                giveUp(valueStart);
                return t;
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
        if (attribute.compare("encoding"_L1, Qt::CaseInsensitive) == 0) {
            const QStringView value = QStringView(m_text).sliced(valueStart, valueEnd - valueStart);
            t.htmlEncoding = value.compare("text/html"_L1, Qt::CaseInsensitive) == 0
                || value.compare("application/xhtml+xml"_L1, Qt::CaseInsensitive) == 0;
        }
    }
    giveUp(piece);
    return t;
}

qsizetype Scanner::markup(qsizetype at)
{
    HtmlPlace place = HtmlPlace::Declaration;
    qsizetype end = -1;
    if (startsWith(at, "<!--"_L1)) {
        place = HtmlPlace::Comment;
        if (startsWith(at + 4, ">"_L1))
            end = at + 5; // <!-->
        else if (startsWith(at + 4, "->"_L1))
            end = at + 6; // <!--->
        else {
            const qsizetype plain = m_text.indexOf("-->"_L1, at + 4);
            // Looked for only before the plain end: each comment of a long page
            // searching to its end would make the scan quadratic.
            const QStringView before = QStringView(m_text).sliced(at + 4).first(
                plain < 0 ? m_text.size() - at - 4 : plain - at - 4);
            const qsizetype inside = before.indexOf("--!>"_L1);
            const qsizetype bang = inside < 0 ? -1 : at + 4 + inside;
            if (bang >= 0 && (plain < 0 || bang < plain))
                end = bang + 4;
            else if (plain >= 0)
                end = plain + 3;
        }
    } else if (foreignCurrent() && startsWith(at, "<![CDATA["_L1, Qt::CaseSensitive)) {
        place = HtmlPlace::CData;
        end = m_text.indexOf("]]>"_L1, at + 9);
        if (end >= 0)
            end += 3;
    } else {
        // <!...>, <?...> and </ without a letter (a bogus comment) end at the first '>'.
        if (m_text.at(at + 1) == u'/')
            place = HtmlPlace::Comment;
        end = m_text.indexOf(u'>', at + 2);
        if (end >= 0)
            ++end;
        if (m_text.at(at + 1) == u'/' && m_text.at(at + 2) == u'>') {
            place = HtmlPlace::Tag; // </> is dropped
            end = at + 3;
        }
    }
    if (end < 0) {
        giveUp(at);
        return -1;
    }
    add(place, at, end);
    return end;
}

bool Scanner::htmlStartTag(QStringView name) const
{
    if (m_open.isEmpty())
        return true;
    const OpenElement &top = m_open.last();
    if (top.space == Space::Html || top.htmlInside)
        return true;
    if (top.textInside && name != "mglyph"_L1 && name != "malignmark"_L1)
        return true;
    return top.space == Space::MathMl && top.name == "annotation-xml"_L1 && name == "svg"_L1;
}

void Scanner::startTag(const Tag &t, qsizetype tagStart, qsizetype &pos)
{
    if (m_select) {
        // In a select only these count; every other tag is dropped.
        if (t.name == "select"_L1) {
            m_select = false;
            return;
        }
        if (t.name == "script"_L1) {
            rawText(HtmlPlace::Script, t.name, pos);
            return;
        }
        // In a table, a cell, row or table start tag ends the select and is read again.
        const bool tablePart = m_selectInTable
            && (t.name == "table"_L1 || isCell(t.name) || isTablePart(t.name));
        if (!tablePart && !isOneOf(t.name, {"input"_L1, "keygen"_L1, "textarea"_L1}))
            return;
        m_select = false;
    }
    if (t.name == "ruby"_L1 && m_rubyDepth == 0)
        m_rubyBrokeOut = false;
    if (!htmlStartTag(t.name)) {
        if (!endsForeignContent(t.name, t.fontBreaks)) {
            const Space space = m_open.last().space;
            if (!t.selfClosing) {
                const bool svg = space == Space::Svg;
                m_open.append(
                    {t.name.toString(), space,
                     svg ? isOneOf(t.name, {"foreignobject"_L1, "desc"_L1, "title"_L1})
                         : t.name == "annotation-xml"_L1 && t.htmlEncoding,
                     !svg && isOneOf(t.name, {"mi"_L1, "mo"_L1, "mn"_L1, "ms"_L1, "mtext"_L1})});
            }
            return;
        }
        m_rubyBrokeOut = t.name == "ruby"_L1;
        while (foreignCurrent() && !m_open.last().htmlInside && !m_open.last().textInside)
            m_open.removeLast();
    }
    if (t.name == "svg"_L1 || t.name == "math"_L1) {
        if (!t.selfClosing)
            m_open.append(
                {t.name.toString(), t.name == "svg"_L1 ? Space::Svg : Space::MathMl, false, false});
        return;
    }
    if (!m_open.isEmpty())
        openHtml(t.name);
    else
        openInHtml(t.name);
    table(t.name, false);
    element(t.name, false, tagStart, pos);
}

// Start tags that close open elements first, as a browser's tree building does:
// a block closes a p, an li an li, a cell the cell before, an rt the rt before.
void Scanner::openInHtml(QStringView name)
{
    qsizetype keep = m_html.size();
    const bool rubyPartName = isOneOf(name, {"rb"_L1, "rtc"_L1, "rt"_L1, "rp"_L1});
    const bool row = name == "tr"_L1, cell = name == "td"_L1 || name == "th"_L1;
    const bool tableStructure = row || cell || isTablePart(name) || name == "caption"_L1;
    const QStringView searched = name == "li"_L1 ? u"li"
        : (name == "dd"_L1 || name == "dt"_L1) ? u"dd" : u"p";
    const bool closes = rubyPartName || tableStructure || endsOpen(name, u"p");
    for (qsizetype i = closes ? m_html.size() - 1 : -1; i >= 0; --i) {
        const QString &open = m_html.at(i);
        if (rubyPartName) {
            if (open == "ruby"_L1 || (open == "rtc"_L1 && (name == "rt"_L1 || name == "rp"_L1))) {
                keep = i + 1;
                break;
            }
        } else if (tableStructure) {
            const bool stop = open == "table"_L1
                || (cell && isOneOf(open, {"tr"_L1, "tbody"_L1, "thead"_L1, "tfoot"_L1}))
                || (row && isOneOf(open, {"tbody"_L1, "thead"_L1, "tfoot"_L1}));
            if (stop) {
                keep = i + 1;
                break;
            }
            continue;
        } else if (endsOpen(name, open)) {
            keep = i;
            break;
        }
        if (boundsScope(open, searched)
            || (searched != u"p" && isSpecial(open)
                && !isOneOf(open, {"address"_L1, "div"_L1, "p"_L1})))
            break;
    }
    popHtml(keep);
    if (keptOpen(name) && !isRawText(name) && name != "select"_L1)
        m_html.append(name.toString());
}

// An end tag outside SVG and MathML: the element it closes, if one is open within
// reach; false when it closes none.
bool Scanner::closeInHtml(QStringView name)
{
    const bool structure = name == "table"_L1 || isTablePart(name) || isCell(name);
    const bool other = !structure && !isSpecial(name);
    for (qsizetype i = m_html.size() - 1; i >= 0; --i) {
        const QString &open = m_html.at(i);
        if (open == name) {
            popHtml(i);
            return true;
        }
        if (structure ? isOneOf(open, {"table"_L1, "html"_L1, "template"_L1})
                      : boundsScope(open, name))
            return false;
        if (other && isSpecial(open))
            return false;
    }
    return false;
}

void Scanner::popHtml(qsizetype size)
{
    if (size >= m_html.size())
        return;
    m_html.resize(size);
    // The element around an unclosed ruby ended, and the ruby with it: the text
    // after it is no ruby text.
    if (m_rubyDepth > 0 && size <= m_rubyBase) {
        m_rubyDepth = 0;
        m_dropFrom = -1;
        m_inRtc = false;
        m_rubyMarkup.clear();
    }
}

// An HTML element inside SVG or MathML: kept open as a browser keeps it, as far
// as it matters for the end tags that follow.
void Scanner::openHtml(QStringView name)
{
    if (!keptOpen(name))
        return;
    for (qsizetype i = m_open.size() - 1; i >= 0 && m_open.at(i).space == Space::Html; --i) {
        if (endsOpen(name, m_open.at(i).name)) {
            m_open.resize(i);
            break;
        }
    }
    m_open.append({name.toString(), Space::Html, false, false});
}

void Scanner::endTag(const Tag &t, qsizetype tagStart, qsizetype pos)
{
    if (m_select) {
        const bool tablePart = t.name == "table"_L1 || isCell(t.name) || isTablePart(t.name);
        if (t.name == "select"_L1)
            m_select = false;
        // In a table, the end tag of an open cell, row or table ends the select too.
        if (!m_selectInTable || !tablePart
            || m_html.lastIndexOf(t.name.toString()) < m_html.lastIndexOf(u"table"_s)
            || !m_html.contains(t.name.toString()))
            return;
        m_select = false;
    }
    if (!m_open.isEmpty()) {
        qsizetype i = m_open.size() - 1;
        for (; i >= 0 && m_open.at(i).space != Space::Html; --i) {
            if (m_open.at(i).name == t.name) {
                m_open.resize(i);
                return;
            }
        }
        // HTML's rules: the nearest such HTML element, never past an integration point.
        for (i = m_open.size() - 1; i >= 0; --i) {
            const OpenElement &e = m_open.at(i);
            if (e.space == Space::Html && e.name == t.name) {
                m_open.resize(i);
                break;
            }
            if (e.htmlInside || e.textInside)
                return;
        }
        // Not open in here: an element around the <svg> or <math> ends it too.
        // When none is open, staying in foreign content is the safe side.
        if (i < 0) {
            if (!closeInHtml(t.name))
                return;
            m_open.clear();
        }
        table(t.name, true);
        element(t.name, true, tagStart, pos);
        return;
    }
    table(t.name, true);
    element(t.name, true, tagStart, pos);
    closeInHtml(t.name);
}

void Scanner::table(QStringView name, bool closing)
{
    if (name == "table"_L1) {
        if (closing && !m_tables.isEmpty())
            m_tables.removeLast();
        else if (!closing && !m_tables.isEmpty() && !m_tables.last().cell
                 && m_tables.last().others.isEmpty())
            m_tables.last() = OpenTable {}; // a table start tag in a table ends that one
        else if (!closing)
            m_tables.append(OpenTable {});
        return;
    }
    if (m_tables.isEmpty())
        return;
    OpenTable &open = m_tables.last();
    if (isCell(name) || isTablePart(name)) {
        open = {!closing && isCell(name), {}};
        return;
    }
    if (open.cell)
        return;
    QStringList &others = open.others;
    for (qsizetype i = others.size() - 1; i >= 0; --i) {
        if (closing ? others.at(i) == name : endsOpen(name, others.at(i))) {
            others.resize(i);
            break;
        }
    }
    // A form in a table is closed at once.
    if (!closing && keptOpen(name) && name != "form"_L1)
        others.append(name.toString());
}

void Scanner::drop(qsizetype start, qsizetype end)
{
    if (!m_rubyMarkup.isEmpty() && m_rubyMarkup.last().end == start)
        m_rubyMarkup.last().end = end;
    else
        m_rubyMarkup.append({start, end, HtmlPlace::InsideRuby});
}

void Scanner::rubyPart(QStringView name, bool closing, qsizetype tagStart, qsizetype tagEnd)
{
    const bool dropping = m_dropFrom >= 0;
    // A ruby inside an rt or rp is dropped with it, its own parts too.
    if (dropping && m_rubyDepth != m_dropDepth)
        return;
    m_dropDepth = m_rubyDepth;
    const auto endPart = [&] {
        drop(m_dropFrom, tagEnd);
        m_dropFrom = -1;
        m_inRtc = false;
    };
    if (name == "ruby"_L1 || name == "rb"_L1) {
        // A ruby end tag or rb start tag ends an rt, rp or rtc left open.
        if (dropping && (closing == (name == "ruby"_L1)))
            endPart();
        else if (!dropping)
            drop(tagStart, tagEnd);
    } else if (name == "rtc"_L1) {
        if (!closing && !dropping)
            m_dropFrom = tagStart;
        if (closing && dropping)
            endPart();
        else
            m_inRtc = !closing;
    } else if (!closing && !dropping) {
        m_dropFrom = tagStart;
    } else if (closing && dropping && !m_inRtc) {
        endPart();
    }
}

void Scanner::element(QStringView name, bool closing, qsizetype tagStart, qsizetype &pos)
{
    if (name == "ruby"_L1) {
        if (!closing) {
            if (m_rubyDepth++ == 0) {
                m_rubyStart = tagStart;
                m_rubyBase = m_open.isEmpty() ? m_html.size() - 1 : m_html.size();
                m_rubyMarkup.clear();
                m_dropFrom = -1;
                m_inRtc = false;
            }
            rubyPart(name, closing, tagStart, pos);
        } else if (m_rubyDepth > 0) {
            rubyPart(name, closing, tagStart, pos);
            if (--m_rubyDepth == 0) {
                // One that left SVG or MathML to open, or lies in a template, is
                // left alone: without it, its text would not be shown.
                const bool apart = m_rubyBrokeOut || m_templateDepth > 0;
                m_scan.rubyElements.append(
                    {m_rubyStart, pos, apart ? HtmlPlace::Unsure : HtmlPlace::InsideRuby});
                m_scan.rubyMarkup.append(m_rubyMarkup);
            }
        }
        return;
    }
    const bool rubyPartName = isOneOf(name, {"rb"_L1, "rt"_L1, "rp"_L1, "rtc"_L1});
    if (rubyPartName && m_rubyDepth > 0) {
        rubyPart(name, closing, tagStart, pos);
        return;
    }
    if (rubyPartName) {
        // Parts of ruby outside any ruby element: broken markup, leave its text alone.
        if (!closing)
            ++m_strayRubyParts;
        else if (m_strayRubyParts > 0)
            --m_strayRubyParts;
        return;
    }
    if (m_skipCode && (name == "code"_L1 || name == "pre"_L1)) {
        if (!closing)
            ++m_codeDepth;
        else if (m_codeDepth > 0)
            --m_codeDepth;
        return;
    }
    if (name == "template"_L1) {
        if (!closing)
            ++m_templateDepth;
        else if (m_templateDepth > 0)
            --m_templateDepth;
        return;
    }
    if (name == "datalist"_L1) {
        if (!closing)
            ++m_datalistDepth;
        else if (m_datalistDepth > 0)
            --m_datalistDepth;
        return;
    }
    // A '/' before the '>' of an HTML element changes nothing: <script/> opens a script.
    if (closing)
        return;
    if (name == "select"_L1) {
        m_select = true;
        m_selectInTable = !m_tables.isEmpty();
    }
    else if (name == "frameset"_L1)
        m_frameset = true;
    else if (name == "script"_L1)
        rawText(HtmlPlace::Script, name, pos);
    else if (name == "style"_L1)
        rawText(HtmlPlace::Style, name, pos);
    else if (name == "textarea"_L1)
        rawText(HtmlPlace::Textarea, name, pos);
    else if (name == "title"_L1)
        rawText(HtmlPlace::Title, name, pos);
    else if (isOneOf(name, {"xmp"_L1, "iframe"_L1, "noembed"_L1, "noframes"_L1, "noscript"_L1}))
        rawText(HtmlPlace::RawText, name, pos);
    else if (name == "plaintext"_L1) {
        add(HtmlPlace::RawText, pos, m_n);
        pos = m_n;
    }
}

// Raw text and RCDATA run to the first end tag of their element; script data
// follows its own states.
void Scanner::rawText(HtmlPlace place, QStringView name, qsizetype &pos)
{
    qsizetype end = -1;
    if (place == HtmlPlace::Script) {
        end = scriptEnd(pos);
    } else {
        const QString endTag = QStringLiteral("</") + name.toString();
        for (qsizetype from = pos; end < 0;) {
            const qsizetype found = m_text.indexOf(endTag, from, Qt::CaseInsensitive);
            if (found < 0)
                break;
            if (endTagAt(found, name))
                end = found;
            from = found + 2;
        }
    }
    if (end < 0) {
        giveUp(pos);
        pos = m_n;
        return;
    }
    add(place, pos, end);
    pos = end;
}

// Where </script ends a script: "<!--" escapes it, and "<script" inside that
// escapes it twice, so "</script>" there does not end it.
qsizetype Scanner::scriptEnd(qsizetype from) const
{
    static constexpr QStringView script = u"script";
    enum { Data, Escaped, DoubleEscaped } state = Data;
    int dashes = 0;
    const auto letters = [&](qsizetype at) {
        qsizetype end = at;
        while (end < m_n && isAsciiLetter(m_text.at(end)))
            ++end;
        return end;
    };
    const auto isScript = [&](qsizetype at, qsizetype end) {
        return end < m_n && end - at == script.size()
            && QStringView(m_text).sliced(at, end - at).compare(script, Qt::CaseInsensitive) == 0
            && (isSpace(m_text.at(end)) || m_text.at(end) == u'/' || m_text.at(end) == u'>');
    };
    for (qsizetype i = from; i < m_n; ++i) {
        const QChar c = m_text.at(i);
        if (state != Data && c == u'-') {
            ++dashes;
            continue;
        }
        const int seen = dashes;
        dashes = 0;
        if (state != Data && c == u'>' && seen >= 2) {
            state = Data;
            continue;
        }
        if (c != u'<')
            continue;
        if (state != DoubleEscaped && endTagAt(i, script))
            return i;
        if (state == Data) {
            if (startsWith(i, "<!--"_L1)) {
                state = Escaped;
                dashes = 2;
                i += 3;
            }
        } else if (state == Escaped && i + 1 < m_n && isAsciiLetter(m_text.at(i + 1))) {
            const qsizetype end = letters(i + 1);
            if (isScript(i + 1, end)) {
                state = DoubleEscaped;
                i = end;
            }
        } else if (state == DoubleEscaped && i + 1 < m_n && m_text.at(i + 1) == u'/') {
            const qsizetype end = letters(i + 2);
            if (isScript(i + 2, end)) {
                state = Escaped;
                i = end;
            }
        }
    }
    return -1;
}

HtmlScan Scanner::run()
{
    qsizetype pos = 0;
    qsizetype textStart = 0;
    while (pos < m_n) {
        const qsizetype lt = m_text.indexOf(u'<', pos);
        if (lt < 0 || lt + 1 >= m_n)
            break;
        const QChar next = m_text.at(lt + 1);
        const bool closing = next == u'/';
        if (closing && lt + 2 >= m_n)
            break; // "</" at the end is text
        const QChar first = m_text.at(lt + (closing ? 2 : 1));
        if (next == u'!' || next == u'?' || (closing && !isAsciiLetter(first))) {
            emitText(textStart, lt);
            pos = markup(lt);
            if (pos < 0)
                return m_scan;
            textStart = pos;
            continue;
        }
        if (!isAsciiLetter(first)) {
            pos = lt + 1; // a '<' of the text
            continue;
        }
        emitText(textStart, lt);
        const Tag t = tag(lt);
        if (t.end < 0)
            return m_scan;
        pos = t.end;
        if (t.closing)
            endTag(t, lt, pos);
        else
            startTag(t, lt, pos);
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
