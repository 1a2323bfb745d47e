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

void HtmlHighlighter::highlightBlock(const QString &text)
{
    const int start = endStateOf(currentBlock().previous());
    LineState state = LineState::unpack(start);
    const qsizetype size = text.size();
    qsizetype i = 0;
    qsizetype nameStart = 0;
    const auto mark = [this](qsizetype from, qsizetype to, Kind kind) {
        if (to > from)
            setFormat(int(from), int(to - from), m_formats[kind]);
    };
    const auto tagKind = [&state] { return state.rubyTag ? Ruby : Tag; };
    while (i < size) {
        switch (state.lexical) {
        case InText: {
            const qsizetype start = i;
            while (i < size && text.at(i) != u'<' && text.at(i) != u'&')
                ++i;
            if (state.reading)
                mark(start, i, Ruby);
            if (i == size)
                break;
            if (text.at(i) == u'&') {
                const qsizetype length = referenceLength(text, i);
                mark(i, i + qMax<qsizetype>(length, 1), length ? Reference : state.reading ? Ruby : Plain);
                i += qMax<qsizetype>(length, 1);
            } else if (QStringView(text).sliced(i).startsWith(u"<!--")) {
                state.lexical = InComment;
                mark(i, i + 4, Comment);
                i += 4;
            } else if (i + 1 == size || !(text.at(i + 1).isLetter() || text.at(i + 1) == u'/'
                                          || text.at(i + 1) == u'!' || text.at(i + 1) == u'?')) {
                // "a < b": a browser shows the bracket as text.
                mark(i, i + 1, state.reading ? Ruby : Plain);
                ++i;
            } else {
                state.lexical = InTagName;
                state.effect = NoEffect;
                state.rubyTag = false;
                nameStart = i;
                ++i;
            }
            break;
        }
        case InComment: {
            const qsizetype end = text.indexOf(u"-->", i);
            const qsizetype stop = end < 0 ? size : end + 3;
            mark(i, stop, Comment);
            if (end >= 0)
                state.lexical = InText;
            i = stop;
            break;
        }
        case InTagName: {
            // The name decides whether the tag opens or closes a reading.
            const qsizetype from = i;
            const bool closing = i < size && text.at(i) == u'/';
            if (i < size && (closing || text.at(i) == u'!' || text.at(i) == u'?'))
                ++i;
            const qsizetype name = i;
            while (i < size && isNameChar(text.at(i)))
                ++i;
            const QStringView tag = QStringView(text).sliced(name, i - name);
            const bool reading = tag.compare(u"rt", Qt::CaseInsensitive) == 0
                || tag.compare(u"rp", Qt::CaseInsensitive) == 0;
            state.rubyTag = reading || tag.compare(u"ruby", Qt::CaseInsensitive) == 0
                || tag.compare(u"rb", Qt::CaseInsensitive) == 0;
            if (reading)
                state.effect = closing ? ClosesReading : OpensReading;
            mark(qMin(nameStart, from), i, tagKind());
            state.lexical = InTag;
            break;
        }
        case InTag: {
            const QChar c = text.at(i);
            if (c == u'>') {
                mark(i, i + 1, tagKind());
                if (state.effect != NoEffect)
                    state.reading = state.effect == OpensReading;
                state.lexical = InText;
                ++i;
            } else if (c == u'"' || c == u'\'') {
                state.lexical = c == u'"' ? InDoubleValue : InSingleValue;
                mark(i, i + 1, AttributeValue);
                ++i;
            } else if (c == u'=') {
                ++i;
                while (i < size && isSpace(text.at(i)))
                    ++i;
                if (i < size && text.at(i) != u'"' && text.at(i) != u'\'' && text.at(i) != u'>')
                    state.lexical = InBareValue;
            } else if (c == u'/') {
                mark(i, i + 1, tagKind());
                ++i;
            } else if (isSpace(c)) {
                ++i;
            } else {
                const qsizetype start = i;
                while (i < size && !isSpace(text.at(i)) && text.at(i) != u'=' && text.at(i) != u'>'
                       && text.at(i) != u'/')
                    ++i;
                mark(start, qMax(i, start + 1), AttributeName);
                i = qMax(i, start + 1);
            }
            break;
        }
        case InDoubleValue:
        case InSingleValue: {
            const QChar quote = state.lexical == InDoubleValue ? u'"' : u'\'';
            const qsizetype end = text.indexOf(quote, i);
            const qsizetype stop = end < 0 ? size : end + 1;
            mark(i, stop, AttributeValue);
            if (end >= 0)
                state.lexical = InTag;
            i = stop;
            break;
        }
        case InBareValue: {
            const qsizetype start = i;
            while (i < size && !isSpace(text.at(i)) && text.at(i) != u'>')
                ++i;
            mark(start, i, AttributeValue);
            if (i < size)
                state.lexical = InTag;
            break;
        }
        }
    }
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
