#include "ui/htmlhighlighter.h"

#include "ui/editorcontrol.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTimer>

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

// The states a line was read from and ended in, kept with the line (the block's
// user state holds the editor's line end).
class LineStates : public QTextBlockUserData
{
public:
    int start = -1;
    int end = -1;
};

LineStates *statesOf(const QTextBlock &block)
{
    return block.isValid() ? static_cast<LineStates *>(block.userData()) : nullptr;
}

int endStateOf(const QTextBlock &block)
{
    const LineStates *states = statesOf(block);
    return states ? states->end : LineState().packed();
}

// A line is read again when the line before it ends otherwise than it began.
bool stale(const QTextBlock &block)
{
    const LineStates *states = statesOf(block);
    return states && states->start != endStateOf(block.previous());
}

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
    : QSyntaxHighlighter(editor->document())
    , m_editor(editor)
{
    m_text = editor->palette().color(QPalette::Text);
    m_background = editor->palette().color(QPalette::Base);
    setColours(m_text, m_background);
    editor->installEventFilter(this);
}

HtmlHighlighter::~HtmlHighlighter()
{
    // Going with its document (the editor closing) there is nothing to take off,
    // and the editor is no longer whole enough to be told.
    if (!document())
        return;
    // Taking the colours off is no edit either.
    const bool was = formatOnly(true);
    setDocument(nullptr);
    formatOnly(was);
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
    // Qt reports a reading of lines outside an edit as a change of the document.
    const bool was = formatOnly(true);
    rehighlight();
    formatOnly(was);
}

bool HtmlHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::PaletteChange) {
        const QPalette colours = m_editor->palette();
        const QColor text = colours.color(QPalette::Text);
        const QColor background = colours.color(QPalette::Base);
        if (text != m_text || background != m_background) {
            m_text = text;
            m_background = background;
            setColours(text, background);
        }
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
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

void HtmlHighlighter::highlightBlock(const QString &text)
{
    const int start = endStateOf(currentBlock().previous());
    LineReader reader(text, LineState::unpack(start), [this](qsizetype from, qsizetype to, Kind kind) {
        setFormat(int(from), int(to - from), m_formats[kind]);
    });
    reader.read();
    LineState &state = reader.state;
    // A value without quotes and a tag name end with the line.
    if (state.lexical == InBareValue || state.lexical == InTagName)
        state.lexical = InTag;

    auto *states = static_cast<LineStates *>(currentBlockUserData());
    if (!states) {
        states = new LineStates;
        setCurrentBlockUserData(states);
    }
    states->start = start;
    states->end = state.packed();
    // Qt reads on only while the block's user state changes, and that state is
    // the editor's: the lines below are read again here, after the change.
    const QTextBlock next = currentBlock().next();
    if (m_following || !stale(next))
        return;
    if (m_changedFrom < 0)
        QTimer::singleShot(0, this, &HtmlHighlighter::followChangedEnds);
    if (m_changedFrom < 0 || next.blockNumber() < m_changedFrom)
        m_changedFrom = next.blockNumber();
}

void HtmlHighlighter::followChangedEnds()
{
    QTextBlock block = document() ? document()->findBlockByNumber(m_changedFrom) : QTextBlock();
    m_changedFrom = -1;
    m_following = true;
    const bool was = formatOnly(true);
    // Each line whose start no longer fits, until one does.
    for (; stale(block); block = block.next())
        rehighlightBlock(block);
    formatOnly(was);
    m_following = false;
}
