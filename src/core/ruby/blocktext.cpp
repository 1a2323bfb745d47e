#include "core/ruby/blocktext.h"

#include "core/ruby/htmlnames.h"

using namespace Qt::StringLiterals;
using htmlnames::isNameChar;
using htmlnames::isOneOf;

namespace {

// A block longer than this is handed over in parts.
constexpr qsizetype kLongestBlock = 64 * 1024;
// The source of the character that stands for code; takes no ruby.
constexpr qsizetype kCode = -2;

bool isWide(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF && (u < 0x3130 || u > 0x318F)) || (u >= 0xF900 && u <= 0xFAFF)
        || (u >= 0xFF01 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || c.isSurrogate();
}

// Elements that do not break a line of text.
bool isInline(QStringView name)
{
    return isOneOf(name,
                   {"a"_L1,    "abbr"_L1, "acronym"_L1, "b"_L1,      "bdi"_L1,  "bdo"_L1,
                    "big"_L1,  "cite"_L1, "code"_L1,    "data"_L1,   "del"_L1,  "dfn"_L1,
                    "em"_L1,   "font"_L1, "i"_L1,       "ins"_L1,    "kbd"_L1,  "label"_L1,
                    "mark"_L1, "nobr"_L1, "q"_L1,       "s"_L1,      "samp"_L1, "small"_L1,
                    "span"_L1, "strike"_L1, "strong"_L1, "sub"_L1,   "sup"_L1,  "time"_L1,
                    "tt"_L1,   "u"_L1,    "var"_L1,     "wbr"_L1});
}

class Blocks
{
public:
    Blocks(const QString &html, const std::function<bool(const BlockText &)> &sink)
        : m_html(html)
        , m_sink(sink)
    { }

    bool text(qsizetype start, qsizetype end, bool mayTakeRuby);
    void code();
    void reference(qsizetype start, qsizetype end);
    bool tags(qsizetype start, qsizetype end);
    bool flush();

private:
    void append(QChar c, qsizetype source);

    const QString &m_html;
    const std::function<bool(const BlockText &)> &m_sink;
    BlockText m_block;
    // White space holding a line break, kept back until the next character says
    // whether it joins two Japanese characters.
    QString m_space;
    QList<qsizetype> m_spaceSource;
};

void Blocks::append(QChar c, qsizetype source)
{
    if (!m_space.isEmpty()) {
        const bool joins = !m_block.text.isEmpty() && isWide(m_block.text.back()) && isWide(c)
            && m_space.contains(u'\n');
        if (!joins) {
            // Otherwise a line break shows as a space, and is read as one.
            m_block.text += m_space.replace(u'\n', u' ').replace(u'\r', u' ');
            m_block.source += m_spaceSource;
        }
        m_space.clear();
        m_spaceSource.clear();
    }
    m_block.text += c;
    m_block.source.append(source);
}

bool Blocks::text(qsizetype start, qsizetype end, bool mayTakeRuby)
{
    for (qsizetype i = start; i < end; ++i) {
        const QChar c = m_html.at(i);
        if (isVariationSelectorAt(m_html, i)) {
            i += c.isHighSurrogate() ? 1 : 0; // goes with the character before
            continue;
        }
        if (htmlnames::isSpace(c)) {
            m_space += c;
            m_spaceSource.append(mayTakeRuby ? i : -1);
            continue;
        }
        append(c, mayTakeRuby ? i : -1);
        // A sentence end lets a long block go in parts.
        if (m_block.text.size() >= kLongestBlock && (c == u'。' || c == u'\n' || c == u'.')
            && !flush())
            return false;
    }
    return true;
}

// Code in a sentence is read as one Latin word: enough for the words around it,
// and its own text, often long, is never read.
void Blocks::code()
{
    if (m_block.source.isEmpty() || m_block.source.back() != kCode || !m_space.isEmpty())
        append(u'X', kCode);
}

void Blocks::reference(qsizetype start, qsizetype end)
{
    const QStringView ref = QStringView(m_html).sliced(start, end - start);
    const QStringView name = ref.sliced(1, ref.size() - (ref.endsWith(u';') ? 2 : 1));
    if (name == u"shy")
        return; // a hyphenation point joins the word
    char32_t c = U' ';
    bool ok = false;
    if (name.startsWith(u'#')) {
        const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
        const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
            c = value;
    } else if (name == u"amp") {
        c = U'&';
    } else if (name == u"lt") {
        c = U'<';
    } else if (name == u"gt") {
        c = U'>';
    }
    for (const QChar unit : QString::fromUcs4(&c, 1))
        append(unit, -1);
}

bool Blocks::tags(qsizetype start, qsizetype end)
{
    const QStringView piece = QStringView(m_html).sliced(start, end - start);
    for (qsizetype lt = piece.indexOf(u'<'); lt >= 0; lt = piece.indexOf(u'<', lt + 1)) {
        qsizetype at = lt + 1;
        if (at < piece.size() && piece.at(at) == u'/')
            ++at;
        qsizetype nameEnd = at;
        while (nameEnd < piece.size() && isNameChar(piece.at(nameEnd)))
            ++nameEnd;
        // Inline names are short: a longer one is none of them.
        char16_t lowered[8];
        const qsizetype length = nameEnd - at;
        for (qsizetype i = 0; i < std::min<qsizetype>(length, 8); ++i) {
            const char16_t c = piece.at(at + i).unicode();
            lowered[i] = c >= u'A' && c <= u'Z' ? c + 32 : c;
        }
        if (length > 8 || !isInline(QStringView(lowered, length)))
            return flush();
    }
    return true;
}

bool Blocks::flush()
{
    m_space.clear();
    m_spaceSource.clear();
    if (m_block.text.isEmpty())
        return true;
    const bool go = m_sink(m_block);
    m_block.text.clear();
    m_block.source.clear();
    return go;
}

} // namespace

bool isVariationSelectorAt(const QString &text, qsizetype at)
{
    const char16_t u = text.at(at).unicode();
    if (u >= 0xFE00 && u <= 0xFE0F)
        return true;
    // U+E0100-E01EF: DB40 DD00-DDEF.
    return u == 0xDB40 && at + 1 < text.size() && text.at(at + 1).unicode() >= 0xDD00
        && text.at(at + 1).unicode() <= 0xDDEF;
}

bool forEachBlock(const QString &html, const HtmlScan &scan,
                  const std::function<bool(const BlockText &)> &sink)
{
    Blocks blocks(html, sink);
    for (const HtmlRange &range : scan.ranges) {
        bool go = true;
        switch (range.place) {
        case HtmlPlace::Text:
            go = blocks.text(range.start, range.end, true);
            break;
        case HtmlPlace::InsideCode:
            blocks.code();
            break;
        case HtmlPlace::Reference:
            blocks.reference(range.start, range.end);
            break;
        case HtmlPlace::Comment:
        case HtmlPlace::AttributeValue:
            break;
        case HtmlPlace::Tag:
            go = blocks.tags(range.start, range.end);
            break;
        default:
            go = blocks.flush();
            break;
        }
        if (!go)
            return false;
    }
    return blocks.flush();
}

std::optional<std::pair<BlockText, qsizetype>> blockAround(const QString &html,
                                                          const HtmlScan &scan, qsizetype start,
                                                          qsizetype end)
{
    std::optional<std::pair<BlockText, qsizetype>> found;
    forEachBlock(html, scan, [&](const BlockText &block) {
        const qsizetype at = block.source.indexOf(start);
        if (at < 0)
            return block.source.isEmpty() || block.source.back() < start;
        for (qsizetype i = 0; i < end - start; ++i) {
            if (at + i >= block.source.size() || block.source.at(at + i) != start + i)
                return false;
        }
        found = {block, at};
        return false;
    });
    return found;
}
