#include "ui/htmlhighlighter.h"

#include "ui/editorcontrol.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTextDocument>

namespace {

using Kind = HtmlHighlighter::Kind;

// Where a line ends: the lexical state, whether it is inside rt or rp, and what
// the open tag will do to that when it closes.
enum Lexical : int { InText, InComment, InTagName, InTag, InDoubleValue, InSingleValue, InBareValue };
enum TagEffect : int { NoEffect, OpensReading, ClosesReading };

struct LineState
{
    int lexical = InText;
    bool reading = false;
    int effect = NoEffect;
    bool rubyTag = false;

    int packed() const { return lexical | (reading << 4) | (effect << 5) | (rubyTag << 7); }
    static LineState unpack(int v)
    {
        return {v & 15, bool(v >> 4 & 1), v >> 5 & 3, bool(v >> 7 & 1)};
    }
};

// What a coloured line's colours were made from (the block's user state holds the
// editor's line end).
class LineColours : public QTextBlockUserData
{
public:
    int start = -1;
    int generation = -1;
};

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u':' || c == u'_' || c == u'.';
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

// A character reference starting at '&': its length, or 0.
qsizetype referenceLength(const QString &text, qsizetype at)
{
    const qsizetype limit = qMin(text.size(), at + 40);
    qsizetype i = at + 1;
    if (i < limit && text.at(i) == u'#')
        ++i;
    const qsizetype first = i;
    while (i < limit && text.at(i).isLetterOrNumber() && text.at(i).unicode() < 128)
        ++i;
    return i > first && i < limit && text.at(i) == u';' ? i + 1 - at : 0;
}

QColor readable(int hue, int saturation, bool darkBackground)
{
    return QColor::fromHsl(hue, saturation, darkBackground ? 185 : 80);
}

// Reads one line from the state before it: the state after it and, when asked, the
// spans of each kind.
class LineReader
{
public:
    LineReader(const QString &text, int start, const QTextCharFormat *formats,
               QList<QTextLayout::FormatRange> *ranges)
        : m_text(text)
        , m_size(text.size())
        , m_state(LineState::unpack(start))
        , m_formats(formats)
        , m_ranges(ranges)
    { }

    int run()
    {
        while (m_i < m_size) {
            switch (m_state.lexical) {
            case InText: readText(); break;
            case InComment: readComment(); break;
            case InTagName: readTagName(); break;
            case InTag: readTag(); break;
            case InDoubleValue:
            case InSingleValue: readQuoted(); break;
            case InBareValue: readBareValue(); break;
            }
        }
        // A value without quotes and a tag name end with the line.
        if (m_state.lexical == InBareValue || m_state.lexical == InTagName)
            m_state.lexical = InTag;
        return m_state.packed();
    }

private:
    QChar at(qsizetype i) const { return m_text.at(i); }
    void mark(qsizetype from, qsizetype to, Kind kind)
    {
        if (m_ranges && to > from && kind != HtmlHighlighter::Plain)
            m_ranges->append({int(from), int(to - from), m_formats[kind]});
    }
    Kind tagKind() const { return m_state.rubyTag ? HtmlHighlighter::Ruby : HtmlHighlighter::Tag; }
    Kind textKind() const { return m_state.reading ? HtmlHighlighter::Ruby : HtmlHighlighter::Plain; }
    bool opensTag(qsizetype i) const
    {
        if (i + 1 >= m_size)
            return false;
        const QChar next = at(i + 1);
        return next.isLetter() || next == u'/' || next == u'!' || next == u'?';
    }

    void readText()
    {
        const qsizetype start = m_i;
        while (m_i < m_size && at(m_i) != u'<' && at(m_i) != u'&')
            ++m_i;
        mark(start, m_i, textKind());
        if (m_i == m_size)
            return;
        if (at(m_i) == u'&') {
            const qsizetype length = referenceLength(m_text, m_i);
            const qsizetype stop = m_i + qMax<qsizetype>(length, 1);
            mark(m_i, stop, length ? HtmlHighlighter::Reference : textKind());
            m_i = stop;
        } else if (QStringView(m_text).sliced(m_i).startsWith(u"<!--")) {
            m_state.lexical = InComment;
            mark(m_i, m_i + 4, HtmlHighlighter::Comment);
            m_i += 4;
        } else if (!opensTag(m_i)) {
            // "a < b": a browser shows the bracket as text.
            mark(m_i, m_i + 1, textKind());
            ++m_i;
        } else {
            m_state.lexical = InTagName;
            m_state.effect = NoEffect;
            m_state.rubyTag = false;
            m_nameStart = m_i;
            ++m_i;
        }
    }

    void readComment()
    {
        const qsizetype end = m_text.indexOf(u"-->", m_i);
        const qsizetype stop = end < 0 ? m_size : end + 3;
        mark(m_i, stop, HtmlHighlighter::Comment);
        if (end >= 0)
            m_state.lexical = InText;
        m_i = stop;
    }

    // The name decides whether the tag opens or closes a reading.
    void readTagName()
    {
        const qsizetype from = m_i;
        const bool closing = at(m_i) == u'/';
        if (closing || at(m_i) == u'!' || at(m_i) == u'?')
            ++m_i;
        const qsizetype name = m_i;
        while (m_i < m_size && isNameChar(at(m_i)))
            ++m_i;
        const QStringView tag = QStringView(m_text).sliced(name, m_i - name);
        const auto is = [&tag](QStringView other) {
            return tag.compare(other, Qt::CaseInsensitive) == 0;
        };
        const bool reading = is(u"rt") || is(u"rp");
        m_state.rubyTag = reading || is(u"ruby") || is(u"rb");
        if (reading)
            m_state.effect = closing ? ClosesReading : OpensReading;
        mark(qMin(m_nameStart, from), m_i, tagKind());
        m_state.lexical = InTag;
    }

    void readTag()
    {
        const QChar c = at(m_i);
        if (c == u'>') {
            mark(m_i, m_i + 1, tagKind());
            if (m_state.effect != NoEffect)
                m_state.reading = m_state.effect == OpensReading;
            m_state.lexical = InText;
            ++m_i;
        } else if (c == u'"' || c == u'\'') {
            m_state.lexical = c == u'"' ? InDoubleValue : InSingleValue;
            mark(m_i, m_i + 1, HtmlHighlighter::AttributeValue);
            ++m_i;
        } else if (c == u'=') {
            ++m_i;
            while (m_i < m_size && isSpace(at(m_i)))
                ++m_i;
            if (m_i < m_size && at(m_i) != u'"' && at(m_i) != u'\'' && at(m_i) != u'>')
                m_state.lexical = InBareValue;
        } else if (c == u'/') {
            mark(m_i, m_i + 1, tagKind());
            ++m_i;
        } else if (isSpace(c)) {
            ++m_i;
        } else {
            const qsizetype start = m_i;
            while (m_i < m_size && !isSpace(at(m_i)) && at(m_i) != u'=' && at(m_i) != u'>'
                   && at(m_i) != u'/')
                ++m_i;
            m_i = qMax(m_i, start + 1);
            mark(start, m_i, HtmlHighlighter::AttributeName);
        }
    }

    void readQuoted()
    {
        const QChar quote = m_state.lexical == InDoubleValue ? u'"' : u'\'';
        const qsizetype end = m_text.indexOf(quote, m_i);
        const qsizetype stop = end < 0 ? m_size : end + 1;
        mark(m_i, stop, HtmlHighlighter::AttributeValue);
        if (end >= 0)
            m_state.lexical = InTag;
        m_i = stop;
    }

    void readBareValue()
    {
        const qsizetype start = m_i;
        while (m_i < m_size && !isSpace(at(m_i)) && at(m_i) != u'>')
            ++m_i;
        mark(start, m_i, HtmlHighlighter::AttributeValue);
        if (m_i < m_size)
            m_state.lexical = InTag;
    }

    const QString &m_text;
    const qsizetype m_size;
    LineState m_state;
    const QTextCharFormat *m_formats;
    QList<QTextLayout::FormatRange> *m_ranges;
    qsizetype m_i = 0;
    qsizetype m_nameStart = 0;
};

// An edit of more lines than this colours the lines shown anew instead of marking
// each edited line.
constexpr int kMarkedLines = 512;

} // namespace

HtmlHighlighter::HtmlHighlighter(QPlainTextEdit *editor)
    : QObject(editor->document())
    , m_editor(editor)
    , m_document(editor->document())
{
    m_ends.assign(std::size_t(m_document->blockCount()), -1);
    connect(m_document, &QTextDocument::contentsChange, this, &HtmlHighlighter::onContentsChange);
    m_text = editor->palette().color(QPalette::Text);
    m_background = editor->palette().color(QPalette::Base);
    setColours(m_text, m_background);
    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
}

HtmlHighlighter::~HtmlHighlighter()
{
    // Going with its document (the editor closing) there is nothing to take off,
    // and the editor is no longer whole enough to be told.
    if (m_document)
        clearColours();
}

bool HtmlHighlighter::formatOnly(bool on)
{
    auto *editor = qobject_cast<EditorControl *>(m_editor.data());
    return editor && editor->setFormatOnly(on);
}

void HtmlHighlighter::setColours(const QColor &text, const QColor &background)
{
    const bool dark = background.lightness() < 128;
    m_formats[Tag].setForeground(readable(220, 200, dark));
    m_formats[AttributeName].setForeground(readable(28, 200, dark));
    m_formats[AttributeValue].setForeground(readable(130, 180, dark));
    m_formats[Reference].setForeground(readable(285, 170, dark));
    m_formats[Ruby].setForeground(readable(340, 200, dark));
    // Comments recede towards the background, still nearer the text.
    const auto mixed = [&](int t, int b) { return (3 * t + 2 * b) / 5; };
    m_formats[Comment].setForeground(QColor(mixed(text.red(), background.red()),
                                            mixed(text.green(), background.green()),
                                            mixed(text.blue(), background.blue())));
    ++m_generation;
    colourShown();
}

bool HtmlHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_editor && watched == m_editor->viewport() && event->type() == QEvent::Paint) {
        colourShown(); // before the lines are drawn
    } else if (watched == m_editor && event->type() == QEvent::PaletteChange) {
        const QPalette colours = m_editor->palette();
        const QColor text = colours.color(QPalette::Text);
        const QColor background = colours.color(QPalette::Base);
        if (text != m_text || background != m_background) {
            m_text = text;
            m_background = background;
            setColours(text, background);
        }
    }
    return QObject::eventFilter(watched, event);
}

void HtmlHighlighter::onContentsChange(int position, int removed, int added)
{
    if (m_colouring)
        return;
    const int blocks = m_document->blockCount();
    const QTextBlock firstBlock = m_document->findBlock(position);
    const QTextBlock lastBlock = m_document->findBlock(position + added);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : blocks - 1;
    const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
    // The lines the change made or took go from the table after its first line.
    const int delta = blocks - int(m_ends.size());
    const auto at = m_ends.begin() + qMin<qsizetype>(first + 1, m_ends.size());
    if (delta > 0)
        m_ends.insert(at, std::size_t(delta), -1);
    else if (delta < 0)
        m_ends.erase(at, at + qMin<qsizetype>(-delta, m_ends.end() - at));
    // Lines known before the change may still hold; they are read again from its
    // first line until one ends as it did.
    const bool window = m_trusted > m_known;
    const int held = window ? m_trusted : m_known;
    if (first < held) {
        const int changedTo = window && m_changedTo > first ? m_changedTo + delta : m_changedTo;
        m_trusted = qMin(qMax(held + delta, last + 1), blocks);
        m_changedTo = qMax(changedTo, last);
        m_known = qMin(m_known, first);
    }
    Q_UNUSED(removed);
    if (last - first > kMarkedLines) {
        ++m_generation;
    } else {
        for (QTextBlock block = firstBlock; block.isValid() && block.blockNumber() <= last;
             block = block.next()) {
            if (auto *colours = static_cast<LineColours *>(block.userData()))
                colours->generation = -1;
        }
    }
    colourShown();
}

int HtmlHighlighter::endState(int number)
{
    if (number < 0)
        return LineState().packed();
    if (number < m_known)
        return m_ends[std::size_t(number)];
    QTextBlock block = m_document->findBlockByNumber(m_known);
    while (m_known <= number && block.isValid()) {
        const int k = m_known;
        const int end = LineReader(block.text(), endState(k - 1), nullptr, nullptr).run();
        if (k > m_changedTo && k < m_trusted && end == m_ends[std::size_t(k)]) {
            // Ends as it did: the lines after it end as they did too.
            m_known = m_trusted;
            block = m_document->findBlockByNumber(m_known);
            continue;
        }
        m_ends[std::size_t(k)] = end;
        ++m_known;
        block = block.next();
    }
    m_trusted = qMax(m_trusted, m_known);
    return m_ends[std::size_t(number)];
}

QList<QTextLayout::FormatRange> HtmlHighlighter::rangesOf(const QString &text, int start,
                                                          int *end) const
{
    QList<QTextLayout::FormatRange> ranges;
    *end = LineReader(text, start, m_formats, &ranges).run();
    return ranges;
}

void HtmlHighlighter::colourBlock(const QTextBlock &shown)
{
    QTextBlock block = shown;
    const int start = endState(block.blockNumber() - 1);
    auto *colours = static_cast<LineColours *>(block.userData());
    if (colours && colours->start == start && colours->generation == m_generation)
        return;
    int end = 0;
    const QList<QTextLayout::FormatRange> ranges = rangesOf(block.text(), start, &end);
    if (!colours) {
        colours = new LineColours;
        block.setUserData(colours);
    }
    colours->start = start;
    colours->generation = m_generation;
    QTextLayout *layout = block.layout();
    if (layout->formats() == ranges)
        return;
    QScopedValueRollback guard(m_colouring, true);
    const bool was = formatOnly(true);
    layout->setFormats(ranges);
    m_document->markContentsDirty(block.position(), block.length());
    formatOnly(was);
}

void HtmlHighlighter::colourLines(int first, int last)
{
    first = qMax(0, first);
    for (QTextBlock block = m_document->findBlockByNumber(first);
         block.isValid() && block.blockNumber() <= last; block = block.next())
        colourBlock(block);
}

// The lines in view, and a screen above and below for a scroll.
void HtmlHighlighter::colourShown()
{
    if (!m_editor || !m_document)
        return;
    const QTextBlock top = m_document->findBlockByLineNumber(m_editor->verticalScrollBar()->value());
    const int lines = m_editor->viewport()->height() / qMax(1, m_editor->fontMetrics().lineSpacing());
    const int screen = qMax(50, lines + 1);
    const int first = top.isValid() ? top.blockNumber() : 0;
    colourLines(first - screen, first + 2 * screen);
}

void HtmlHighlighter::clearColours()
{
    QScopedValueRollback guard(m_colouring, true);
    const bool was = formatOnly(true);
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        if (!block.userData())
            continue;
        block.setUserData(nullptr);
        if (block.layout()->formats().isEmpty())
            continue;
        block.layout()->clearFormats();
        m_document->markContentsDirty(block.position(), block.length());
    }
    formatOnly(was);
}
