#include "ui/htmlhighlighter.h"

#include "ui/editorcontrol.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

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

} // namespace

HtmlHighlighter::HtmlHighlighter(QPlainTextEdit *editor)
    : QObject(editor)
    , m_editor(editor)
    , m_document(editor->document())
{
    m_lines.resize(std::size_t(m_document->blockCount()));
    connect(m_document, &QTextDocument::contentsChange, this, &HtmlHighlighter::onContentsChange);
    if (auto *control = qobject_cast<EditorControl *>(editor))
        connect(control, &EditorControl::documentReplaced, this, &HtmlHighlighter::followDocument);
    m_text = editor->palette().color(QPalette::Text);
    m_background = editor->palette().color(QPalette::Base);
    setColours(m_text, m_background);
    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
}

HtmlHighlighter::~HtmlHighlighter()
{
    // Going with its document (the editor closing) there is nothing to take off.
    if (!m_editor)
        return;
    if (m_kept.document)
        takeColoursOff(*m_kept.document, m_kept.lines);
    if (m_document)
        clearColours();
}

void HtmlHighlighter::followDocument()
{
    QTextDocument *shown = m_editor ? m_editor->document() : nullptr;
    if (!shown || shown == m_document)
        return;
    if (m_document)
        disconnect(m_document, &QTextDocument::contentsChange, this, &HtmlHighlighter::onContentsChange);
    KeptLines left{m_document, std::move(m_lines), m_known};
    if (m_kept.document == shown) {
        m_lines = std::move(m_kept.lines);
        m_known = m_kept.known;
    } else {
        m_lines.assign(std::size_t(shown->blockCount()), Line());
        m_known = 0;
    }
    m_kept = std::move(left);
    m_document = shown;
    connect(m_document, &QTextDocument::contentsChange, this, &HtmlHighlighter::onContentsChange);
    m_editor->viewport()->update();
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
    // Lines are given the new colours as they are shown.
    for (Line &line : m_lines)
        line.coloured = false;
    for (Line &line : m_kept.lines)
        line.coloured = false;
    if (m_editor)
        m_editor->viewport()->update();
}

bool HtmlHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_editor && watched == m_editor->viewport() && event->type() == QEvent::Paint) {
        colourShown(static_cast<QPaintEvent *>(event)->rect());
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
namespace {

// Reads one line from a start state, a step per lexical state, and hands each
// coloured span to mark(from, to, kind).
template <typename Mark>
class LineReader
{
public:
    using Kind = HtmlHighlighter::Kind;

    LineReader(const QString &text, LineState start, Mark mark)
        : state(start)
        , m_text(text)
        , m_size(text.size())
        , m_mark(mark)
    {
    }

    LineState state; // where the line is, and at the end where it ends

    void read()
    {
        while (m_i < m_size) {
            switch (state.lexical) {
            case InText:
                m_i = readText(m_i);
                break;
            case InComment:
                readComment();
                break;
            case InTagName:
                m_i = readTagName(m_i);
                break;
            case InTag:
                m_i = readTag(m_i);
                break;
            case InDoubleValue:
            case InSingleValue:
                readQuotedValue();
                break;
            case InBareValue:
                readBareValue();
                break;
            }
        }
    }

private:
    const QString &m_text;
    const qsizetype m_size;
    Mark m_mark;
    qsizetype m_i = 0;
    qsizetype m_nameStart = 0;

    void mark(qsizetype from, qsizetype to, Kind kind)
    {
        if (to > from)
            m_mark(from, to, kind);
    }
    Kind tagKind() const { return state.rubyTag ? HtmlHighlighter::Ruby : HtmlHighlighter::Tag; }
    Kind textKind() const { return state.reading ? HtmlHighlighter::Ruby : HtmlHighlighter::Plain; }

    qsizetype readText(qsizetype i)
    {
        const QString &text = m_text;
        const qsizetype start = i;
        while (i < m_size && text.at(i) != u'<' && text.at(i) != u'&')
            ++i;
        if (state.reading)
            mark(start, i, HtmlHighlighter::Ruby);
        if (i == m_size)
            return i;
        if (text.at(i) == u'&') {
            const qsizetype length = referenceLength(text, i);
            mark(i, i + qMax<qsizetype>(length, 1), length ? HtmlHighlighter::Reference : textKind());
            i += qMax<qsizetype>(length, 1);
        } else if (QStringView(text).sliced(i).startsWith(u"<!--")) {
            state.lexical = InComment;
            mark(i, i + 4, HtmlHighlighter::Comment);
            i += 4;
        } else if (i + 1 == m_size || !(text.at(i + 1).isLetter() || text.at(i + 1) == u'/'
                                        || text.at(i + 1) == u'!' || text.at(i + 1) == u'?')) {
            // "a < b": a browser shows the bracket as text.
            mark(i, i + 1, textKind());
            ++i;
        } else {
            state.lexical = InTagName;
            state.effect = NoEffect;
            state.rubyTag = false;
            m_nameStart = i;
            ++i;
        }
        return i;
    }

    void readComment()
    {
        const qsizetype end = m_text.indexOf(u"-->", m_i);
        const qsizetype stop = end < 0 ? m_size : end + 3;
        mark(m_i, stop, HtmlHighlighter::Comment);
        if (end >= 0)
            state.lexical = InText;
        m_i = stop;
    }

    qsizetype readTagName(qsizetype i)
    {
        // The name decides whether the tag opens or closes a reading.
        const QString &text = m_text;
        const qsizetype from = i;
        const bool closing = i < m_size && text.at(i) == u'/';
        if (i < m_size && (closing || text.at(i) == u'!' || text.at(i) == u'?'))
            ++i;
        const qsizetype name = i;
        while (i < m_size && isNameChar(text.at(i)))
            ++i;
        const QStringView tag = QStringView(text).sliced(name, i - name);
        const bool reading = tag.compare(u"rt", Qt::CaseInsensitive) == 0
            || tag.compare(u"rp", Qt::CaseInsensitive) == 0;
        state.rubyTag = reading || tag.compare(u"ruby", Qt::CaseInsensitive) == 0
            || tag.compare(u"rb", Qt::CaseInsensitive) == 0;
        if (reading)
            state.effect = closing ? ClosesReading : OpensReading;
        mark(qMin(m_nameStart, from), i, tagKind());
        state.lexical = InTag;
        return i;
    }

    qsizetype readTag(qsizetype i)
    {
        const QString &text = m_text;
        const QChar c = text.at(i);
        if (c == u'>') {
            mark(i, i + 1, tagKind());
            if (state.effect != NoEffect)
                state.reading = state.effect == OpensReading;
            state.lexical = InText;
            ++i;
        } else if (c == u'"' || c == u'\'') {
            state.lexical = c == u'"' ? InDoubleValue : InSingleValue;
            mark(i, i + 1, HtmlHighlighter::AttributeValue);
            ++i;
        } else if (c == u'=') {
            ++i;
            while (i < m_size && isSpace(text.at(i)))
                ++i;
            if (i < m_size && text.at(i) != u'"' && text.at(i) != u'\'' && text.at(i) != u'>')
                state.lexical = InBareValue;
        } else if (c == u'/') {
            mark(i, i + 1, tagKind());
            ++i;
        } else if (isSpace(c)) {
            ++i;
        } else {
            const qsizetype start = i;
            while (i < m_size && !isSpace(text.at(i)) && text.at(i) != u'=' && text.at(i) != u'>'
                   && text.at(i) != u'/')
                ++i;
            mark(start, qMax(i, start + 1), HtmlHighlighter::AttributeName);
            i = qMax(i, start + 1);
        }
        return i;
    }

    void readQuotedValue()
    {
        const QChar quote = state.lexical == InDoubleValue ? u'"' : u'\'';
        const qsizetype end = m_text.indexOf(quote, m_i);
        const qsizetype stop = end < 0 ? m_size : end + 1;
        mark(m_i, stop, HtmlHighlighter::AttributeValue);
        if (end >= 0)
            state.lexical = InTag;
        m_i = stop;
    }

    void readBareValue()
    {
        const qsizetype start = m_i;
        while (m_i < m_size && !isSpace(m_text.at(m_i)) && m_text.at(m_i) != u'>')
            ++m_i;
        mark(start, m_i, HtmlHighlighter::AttributeValue);
        if (m_i < m_size)
            state.lexical = InTag;
    }
};

} // namespace

namespace {

// Reads one line from a start state; the state it ends in.
template <typename Mark>
int readLine(const QString &text, int start, Mark mark)
{
    LineReader reader(text, LineState::unpack(start), mark);
    reader.read();
    LineState &state = reader.state;
    // A value without quotes and a tag name end with the line.
    if (state.lexical == InBareValue || state.lexical == InTagName)
        state.lexical = InTag;
    return state.packed();
}

int endState(const QString &text, int start)
{
    return readLine(text, start, [](qsizetype, qsizetype, HtmlHighlighter::Kind) {});
}

// Changes of more lines than this forget the states below them instead of reading
// them at once: a paste or a load reads only what is then shown.
constexpr int kLinesReadAtOnce = 64;

} // namespace

int HtmlHighlighter::colourLine(const QTextBlock &block, int start) const
{
    QList<QTextLayout::FormatRange> ranges;
    Kind last = KindCount;
    const int end = readLine(block.text(), start, [&](qsizetype from, qsizetype to, Kind kind) {
        // Touching spans of one colour are one range: fewer runs to lay out and draw.
        if (kind == last && ranges.last().start + ranges.last().length == int(from))
            ranges.last().length = int(to) - ranges.last().start;
        else
            ranges.append({int(from), int(to - from), m_formats[kind]});
        last = kind;
    });
    block.layout()->setFormats(ranges);
    return end;
}

void HtmlHighlighter::colourBlock(const QTextBlock &block, int start)
{
    Line &line = m_lines[std::size_t(block.blockNumber())];
    line.end = quint8(colourLine(block, start));
    line.coloured = true;
    line.colouredFrom = quint8(start);
    line.formatted = true;
}

int HtmlHighlighter::startState(const QTextBlock &block)
{
    const int number = block.blockNumber();
    if (m_known < number) {
        int state = m_known > 0 ? m_lines[std::size_t(m_known - 1)].end : LineState().packed();
        QTextBlock line = m_document->findBlockByNumber(m_known);
        for (int i = m_known; i < number && line.isValid(); ++i, line = line.next()) {
            state = endState(line.text(), state);
            m_lines[std::size_t(i)].end = quint8(state);
        }
        m_known = number;
    }
    return number > 0 ? m_lines[std::size_t(number - 1)].end : LineState().packed();
}

void HtmlHighlighter::colourShown(const QRect &area)
{
    if (!m_document || int(m_lines.size()) != m_document->blockCount())
        return;
    const QTextBlock first = m_editor->cursorForPosition(area.topLeft()).block();
    // The line under the bottom edge too: it may show a row of pixels.
    const QTextBlock last = m_editor->cursorForPosition(area.bottomLeft()).block().next();
    int state = startState(first);
    int changedFrom = -1, changedTo = -1;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        const int number = block.blockNumber();
        const Line &line = m_lines[std::size_t(number)];
        if (!line.coloured || line.colouredFrom != state) {
            colourBlock(block, state);
            if (changedFrom < 0)
                changedFrom = block.position();
            changedTo = block.position() + block.length();
        }
        state = line.end;
        m_known = qMax(m_known, number + 1);
        if (block == last)
            break;
    }
    settleColoured(changedFrom, changedTo);
}

// New colours are a change Qt would otherwise report with the next edit: every
// line painted since would be laid out and coloured again at each key.
void HtmlHighlighter::settleColoured(int from, int to)
{
    if (from >= 0 && to > from)
        m_document->markContentsDirty(from, qMin(to, m_document->characterCount()) - from);
}

void HtmlHighlighter::rehighlight()
{
    if (!m_document)
        return;
    int state = LineState().packed();
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        colourBlock(block, state);
        state = m_lines[std::size_t(block.blockNumber())].end;
    }
    m_known = int(m_lines.size());
    settleColoured(0, m_document->characterCount());
    m_editor->viewport()->update();
}

void HtmlHighlighter::colourDocument(QTextDocument &document) const
{
    int state = LineState().packed();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        state = colourLine(block, state);
}

void HtmlHighlighter::takeColoursOff(const QTextDocument &document, std::vector<Line> &lines)
{
    std::size_t number = 0;
    for (QTextBlock block = document.begin(); block.isValid() && number < lines.size();
         block = block.next(), ++number) {
        if (lines[number].formatted)
            block.layout()->clearFormats();
        lines[number] = Line();
    }
}

void HtmlHighlighter::clearColours()
{
    takeColoursOff(*m_document, m_lines);
    m_known = 0;
    m_editor->viewport()->update();
}

// The lines of the change lose their colours; a line split keeps its data in its
// first part, so only that one may still hold colours of ours. When the change
// ends in the state its lines ended in before, the states below still hold.
void HtmlHighlighter::onContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    const int count = m_document->blockCount();
    const QTextBlock firstBlock = m_document->findBlock(position);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : count - 1;
    const QTextBlock lastBlock = m_document->findBlock(position + added);
    const int last = lastBlock.isValid() ? lastBlock.blockNumber() : count - 1;
    const int grown = count - int(m_lines.size());
    const int oldLast = last - grown;
    const bool oldEndKnown = oldLast >= first && oldLast < m_known;
    const int oldEnd = oldEndKnown ? m_lines[std::size_t(oldLast)].end : -1;
    const auto at = m_lines.begin() + qMin<qsizetype>(first + 1, qsizetype(m_lines.size()));
    if (grown > 0)
        m_lines.insert(at, std::size_t(grown), Line());
    else if (grown < 0)
        m_lines.erase(at, at + qMin<qsizetype>(-grown, m_lines.end() - at));
    if (int(m_lines.size()) != count || first < 0) {
        m_lines.resize(std::size_t(qMax(count, 0))); // a change of an unforeseen shape
        m_known = 0;
        m_editor->viewport()->update();
        return;
    }
    for (int i = first; i <= last; ++i)
        m_lines[std::size_t(i)].coloured = false;
    if (oldEndKnown && last - first < kLinesReadAtOnce) {
        // Coloured now, inside the change Qt is reporting, they are laid out once
        // with it; coloured at the next paint, they would be laid out again.
        int state = first > 0 ? m_lines[std::size_t(first - 1)].end : LineState().packed();
        QTextBlock block = firstBlock;
        for (int i = first; i <= last; ++i, block = block.next()) {
            colourBlock(block, state);
            state = m_lines[std::size_t(i)].end;
        }
        if (state == oldEnd) {
            m_known += grown;
            return; // Qt repaints the changed lines
        }
        m_known = last + 1;
    } else {
        m_known = qMin(m_known, first);
    }
    // The lines below, where they are shown, start in another state now.
    m_editor->viewport()->update();
}
