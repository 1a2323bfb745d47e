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

// The tokenizer's white space; a CR is one too, as it becomes a LF before.
bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\n' || u == u'\r' || u == u'\f';
}

bool isOneOf(QStringView name, std::initializer_list<QLatin1StringView> names)
{
    return std::any_of(names.begin(), names.end(), [&](QLatin1StringView n) { return name == n; });
}

// Start tags that end SVG or MathML content (font only with attributes: left out,
// so such a font keeps its text foreign, the safe side).
bool endsForeignContent(QStringView name)
{
    return isOneOf(name,
                   {QLatin1StringView("b"),      QLatin1StringView("big"),
                    QLatin1StringView("blockquote"), QLatin1StringView("body"),
                    QLatin1StringView("br"),     QLatin1StringView("center"),
                    QLatin1StringView("code"),   QLatin1StringView("dd"),
                    QLatin1StringView("div"),    QLatin1StringView("dl"),
                    QLatin1StringView("dt"),     QLatin1StringView("em"),
                    QLatin1StringView("embed"),  QLatin1StringView("h1"),
                    QLatin1StringView("h2"),     QLatin1StringView("h3"),
                    QLatin1StringView("h4"),     QLatin1StringView("h5"),
                    QLatin1StringView("h6"),     QLatin1StringView("head"),
                    QLatin1StringView("hr"),     QLatin1StringView("i"),
                    QLatin1StringView("img"),    QLatin1StringView("li"),
                    QLatin1StringView("listing"), QLatin1StringView("menu"),
                    QLatin1StringView("meta"),   QLatin1StringView("nobr"),
                    QLatin1StringView("ol"),     QLatin1StringView("p"),
                    QLatin1StringView("pre"),    QLatin1StringView("ruby"),
                    QLatin1StringView("s"),      QLatin1StringView("small"),
                    QLatin1StringView("span"),   QLatin1StringView("strong"),
                    QLatin1StringView("strike"), QLatin1StringView("sub"),
                    QLatin1StringView("sup"),    QLatin1StringView("table"),
                    QLatin1StringView("tt"),     QLatin1StringView("u"),
                    QLatin1StringView("ul"),     QLatin1StringView("var")});
}

bool isVoid(QStringView name)
{
    return isOneOf(name,
                   {QLatin1StringView("area"), QLatin1StringView("base"),
                    QLatin1StringView("basefont"), QLatin1StringView("bgsound"),
                    QLatin1StringView("br"), QLatin1StringView("col"), QLatin1StringView("embed"),
                    QLatin1StringView("frame"), QLatin1StringView("hr"), QLatin1StringView("img"),
                    QLatin1StringView("input"), QLatin1StringView("keygen"),
                    QLatin1StringView("link"), QLatin1StringView("meta"),
                    QLatin1StringView("param"), QLatin1StringView("source"),
                    QLatin1StringView("track"), QLatin1StringView("wbr")});
}

enum class Space : quint8 { Html, Svg, MathMl };

// An element open inside SVG or MathML (HTML ones too, inside an integration point).
struct OpenElement
{
    QString name;
    Space space;
    bool htmlInside; // an HTML integration point: its start tags and text are HTML
    bool textInside; // a MathML text integration point
};

struct Tag
{
    qsizetype end = -1; // after the '>', or -1 when it never closes
    QString name; // lower case
    bool closing = false;
    bool selfClosing = false;
    bool htmlEncoding = false; // encoding="text/html" or "application/xhtml+xml"
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
    void element(const QString &name, bool closing, qsizetype tagStart, qsizetype &pos);
    void rawText(HtmlPlace place, QStringView name, qsizetype &pos);
    qsizetype scriptEnd(qsizetype from) const;
    void rubyPart(QStringView name, bool closing, qsizetype tagStart, qsizetype tagEnd);
    void drop(qsizetype start, qsizetype end);
    bool foreignCurrent() const { return !m_open.isEmpty() && m_open.last().space != Space::Html; }
    bool htmlStartTag(QStringView name) const;

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
    int m_datalistDepth = 0;
    QList<HtmlRange> m_rubyMarkup; // of the ruby element being read
    qsizetype m_dropFrom = -1; // start of an rt, rp or rtc part being read
    bool m_inRtc = false;
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
    if (m_select || m_datalistDepth > 0)
        return HtmlPlace::Select;
    for (qsizetype i = m_open.size() - 1; i >= 0; --i) {
        const OpenElement &e = m_open.at(i);
        if (e.space == Space::Html)
            continue;
        // Inside <foreignObject> the page is HTML again; any other point where
        // HTML comes back is not shown as running text.
        if (e.space != Space::Svg || e.name != u"foreignobject")
            return HtmlPlace::Foreign;
        break;
    }
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
    t.name = m_text.sliced(nameStart, std::min<qsizetype>(p - nameStart, 32));
    for (QChar &c : t.name)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    qsizetype piece = at;
    for (;;) {
        while (p < m_n && isSpace(m_text.at(p)))
            ++p;
        if (p >= m_n)
            break;
        if (m_text.at(p) == u'>' || (m_text.at(p) == u'/' && p + 1 < m_n && m_text.at(p + 1) == u'>')) {
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
        if (attribute.compare(QLatin1StringView("encoding"), Qt::CaseInsensitive) == 0) {
            const QStringView value = QStringView(m_text).sliced(valueStart, valueEnd - valueStart);
            t.htmlEncoding = value.compare(QLatin1StringView("text/html"), Qt::CaseInsensitive) == 0
                || value.compare(QLatin1StringView("application/xhtml+xml"), Qt::CaseInsensitive)
                    == 0;
        }
    }
    giveUp(piece);
    return t;
}

qsizetype Scanner::markup(qsizetype at)
{
    HtmlPlace place = HtmlPlace::Declaration;
    qsizetype end = -1;
    if (startsWith(at, QLatin1StringView("<!--"))) {
        place = HtmlPlace::Comment;
        if (startsWith(at + 4, QLatin1StringView(">")))
            end = at + 5; // <!-->
        else if (startsWith(at + 4, QLatin1StringView("->")))
            end = at + 6; // <!--->
        else {
            const qsizetype plain = m_text.indexOf(QLatin1StringView("-->"), at + 4);
            const qsizetype bang = m_text.indexOf(QLatin1StringView("--!>"), at + 4);
            if (bang >= 0 && (plain < 0 || bang < plain))
                end = bang + 4;
            else if (plain >= 0)
                end = plain + 3;
        }
    } else if (foreignCurrent()
               && startsWith(at, QLatin1StringView("<![CDATA["), Qt::CaseSensitive)) {
        place = HtmlPlace::CData;
        end = m_text.indexOf(QLatin1StringView("]]>"), at + 9);
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
    if (top.textInside && name != u"mglyph" && name != u"malignmark")
        return true;
    return top.space == Space::MathMl && top.name == u"annotation-xml" && name == u"svg";
}

void Scanner::startTag(const Tag &t, qsizetype tagStart, qsizetype &pos)
{
    if (m_select) {
        // In a select only these count; every other tag is dropped.
        if (t.name == u"select") {
            m_select = false;
            return;
        }
        if (t.name == u"script") {
            rawText(HtmlPlace::Script, t.name, pos);
            return;
        }
        if (!isOneOf(t.name, {QLatin1StringView("input"), QLatin1StringView("keygen"),
                              QLatin1StringView("textarea")}))
            return;
        m_select = false;
    }
    if (!htmlStartTag(t.name)) {
        if (!endsForeignContent(t.name)) {
            const Space space = m_open.last().space;
            if (!t.selfClosing) {
                const bool svg = space == Space::Svg;
                m_open.append(
                    {t.name, space,
                     svg ? isOneOf(t.name, {QLatin1StringView("foreignobject"),
                                            QLatin1StringView("desc"), QLatin1StringView("title")})
                         : t.name == u"annotation-xml" && t.htmlEncoding,
                     !svg
                         && isOneOf(t.name, {QLatin1StringView("mi"), QLatin1StringView("mo"),
                                             QLatin1StringView("mn"), QLatin1StringView("ms"),
                                             QLatin1StringView("mtext")})});
            }
            return;
        }
        while (foreignCurrent() && !m_open.last().htmlInside && !m_open.last().textInside)
            m_open.removeLast();
    }
    if (t.name == u"svg" || t.name == u"math") {
        if (!t.selfClosing)
            m_open.append(
                {t.name, t.name == u"svg" ? Space::Svg : Space::MathMl, false, false});
        return;
    }
    if (!m_open.isEmpty() && !isVoid(t.name))
        m_open.append({t.name, Space::Html, false, false});
    element(t.name, false, tagStart, pos);
}

void Scanner::endTag(const Tag &t, qsizetype tagStart, qsizetype pos)
{
    if (m_select) {
        if (t.name == u"select")
            m_select = false;
        return;
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
        // Not open in here: an element around the <svg> or <math>, which would
        // end it too; staying in foreign content is the safe side.
        if (i < 0)
            return;
    }
    element(t.name, true, tagStart, pos);
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
    const auto endPart = [&] {
        drop(m_dropFrom, tagEnd);
        m_dropFrom = -1;
        m_inRtc = false;
    };
    if (name == u"ruby" || name == u"rb") {
        // A ruby end tag or rb start tag ends an rt, rp or rtc left open.
        if (dropping && (closing == (name == u"ruby")))
            endPart();
        else if (!dropping)
            drop(tagStart, tagEnd);
    } else if (name == u"rtc") {
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

void Scanner::element(const QString &name, bool closing, qsizetype tagStart, qsizetype &pos)
{
    if (name == u"ruby") {
        if (!closing) {
            if (m_rubyDepth++ == 0) {
                m_rubyStart = tagStart;
                m_rubyMarkup.clear();
                m_dropFrom = -1;
                m_inRtc = false;
            }
            rubyPart(name, closing, tagStart, pos);
        } else if (m_rubyDepth > 0) {
            rubyPart(name, closing, tagStart, pos);
            if (--m_rubyDepth == 0) {
                m_scan.rubyElements.append({m_rubyStart, pos, HtmlPlace::InsideRuby});
                m_scan.rubyMarkup.append(m_rubyMarkup);
            }
        }
        return;
    }
    const bool rubyPartName = isOneOf(name, {QLatin1StringView("rb"), QLatin1StringView("rt"),
                                             QLatin1StringView("rp"), QLatin1StringView("rtc")});
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
    if (m_skipCode && (name == u"code" || name == u"pre")) {
        if (!closing)
            ++m_codeDepth;
        else if (m_codeDepth > 0)
            --m_codeDepth;
        return;
    }
    if (name == u"datalist") {
        if (!closing)
            ++m_datalistDepth;
        else if (m_datalistDepth > 0)
            --m_datalistDepth;
        return;
    }
    // A '/' before the '>' of an HTML element changes nothing: <script/> opens a script.
    if (closing)
        return;
    if (name == u"select")
        m_select = true;
    else if (name == u"script")
        rawText(HtmlPlace::Script, name, pos);
    else if (name == u"style")
        rawText(HtmlPlace::Style, name, pos);
    else if (name == u"textarea")
        rawText(HtmlPlace::Textarea, name, pos);
    else if (name == u"title")
        rawText(HtmlPlace::Title, name, pos);
    else if (isOneOf(name, {QLatin1StringView("xmp"), QLatin1StringView("iframe"),
                            QLatin1StringView("noembed"), QLatin1StringView("noframes"),
                            QLatin1StringView("noscript")}))
        rawText(HtmlPlace::RawText, name, pos);
    else if (name == u"plaintext") {
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
            if (startsWith(i, QLatin1StringView("<!--"))) {
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
