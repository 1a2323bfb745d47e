#include "ui/editorcontrol.h"

#include "ui/clipboardtext.h"

#include "core/text/textdiff.h"

#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <utility>

namespace {

constexpr char16_t kParagraphBreak = SourceText::blockSeparator;

} // namespace

// The margin of line numbers; the editor paints it.
class LineNumberMargin : public QWidget
{
public:
    explicit LineNumberMargin(EditorControl *editor)
        : QWidget(editor)
        , m_editor(editor)
    { }
    QSize sizeHint() const override { return {m_editor->lineNumberWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_editor->paintLineNumbers(event); }

private:
    EditorControl *m_editor;
};

QStringList droppedLocalFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

EditorControl::EditorControl(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_document(new SourceDocument(this))
{
    showDocument(m_document->document());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAcceptDrops(true);
    connect(m_document, &SourceDocument::textChanged, this, &EditorControl::onTextChanged);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            &EditorControl::forgetInheritedMark);
}

// A key or an input method's event changes at most the selection and what lies next
// to it: the blocks around the selection are kept as they are before it, so each
// change the document reports can say what it removed.
void EditorControl::beginUserEdit()
{
    const QTextCursor cursor = textCursor();
    const QTextDocument *doc = document();
    const auto around = [](QTextBlock block, bool forward) {
        // One block further, and over empty pieces of a long line.
        for (int more = 1; more > 0 || block.length() == 1; --more) {
            const QTextBlock next = forward ? block.next() : block.previous();
            if (!next.isValid())
                break;
            block = next;
        }
        return block;
    };
    const QTextBlock first = around(doc->findBlock(cursor.selectionStart()), false);
    const QTextBlock last = around(doc->findBlock(cursor.selectionEnd()), true);
    m_document->beginUserEdit(first.position(),
                              qMin(last.position() + last.length(), doc->characterCount() - 1));
}

void EditorControl::endUserEdit()
{
    m_document->endUserEdit();
}

void EditorControl::replaceRange(int offset, int length, const QString &text)
{
    QScopedValueRollback guard(m_replaying, m_replaying + 1);
    setSelectionStart(offset);
    setSelectionLength(length);
    replaceSelection(text);
}

EditorControl::ViewPlace EditorControl::viewPlace() const
{
    const QTextCursor cursor = textCursor();
    return {cursor.blockNumber(), cursor.positionInBlock(), verticalScrollBar()->value(),
            horizontalScrollBar()->value()};
}

// The caret back at its line and column (as near as the line allows), the view
// scrolled as it was.
void EditorControl::restoreViewPlace(const ViewPlace &place, bool caretToo)
{
    if (caretToo) {
        const QTextBlock block
            = document()->findBlockByNumber(qMin(place.block, document()->blockCount() - 1));
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + qMin(place.column, block.length() - 1));
        setTextCursor(cursor);
    }
    verticalScrollBar()->setValue(place.vertical);
    horizontalScrollBar()->setValue(place.horizontal);
    ensureCursorVisible(); // no scroll when the caret is in view
}

namespace {

// A step that rewrote more than a line's piece: the caret's offset says nothing of
// where the user was once it is undone or done again.
bool rewritesLines(const EditStep &step, int caret)
{
    const qsizetype span = qMax(step.removed.size(), step.inserted.size());
    const bool many = span > SourceText::wrapLength || step.removed.contains(u'\n')
        || step.inserted.contains(u'\n') || step.removed.contains(u'\r')
        || step.inserted.contains(u'\r');
    return many && caret >= step.offset && caret <= step.offset + span;
}

// Shown while a long step is redone or undone: the window does not answer meanwhile.
class BusyCursor
{
public:
    explicit BusyCursor(bool on) : m_on(on)
    {
        if (m_on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_on;
};

bool isLong(const EditStep &step)
{
    constexpr qsizetype kLongStepChars = 256 * 1024;
    return qMax(step.removed.size(), step.inserted.size()) > kLongStepChars;
}

bool hasLineEnd(QStringView text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// A stretch of the text to replace: [from, to) of the text now, by target's part.
struct Change
{
    int from = 0;
    int to = 0;
    QStringView by;
};

// Beyond this many the document is faster built again whole than changed in places.
constexpr qsizetype kMaxChanges = 4096;

// What differs between now and target, in text order; empty when a difference
// puts in a line end (the lines would change, not only their characters) or when
// there are too many. One that takes a line end away spans two lines of now,
// which the caller sees.
std::vector<Change> changesBetween(QStringView now, QStringView target)
{
    std::vector<Change> changes;
    qsizetype oldAt = 0;
    qsizetype newAt = 0;
    QList<KeptSpan> kept = unchangedSpans(now, target);
    if (kept.size() > kMaxChanges)
        return {};
    kept.append({now.size(), target.size(), 0});
    for (const KeptSpan &span : std::as_const(kept)) {
        if (span.oldStart > oldAt || span.newStart > newAt) {
            const QStringView added = target.sliced(newAt, span.newStart - newAt);
            if (hasLineEnd(added))
                return {};
            changes.push_back({int(oldAt), int(span.oldStart), added});
        }
        oldAt = span.oldStart + span.length;
        newAt = span.newStart + span.length;
    }
    return changes;
}

} // namespace

// A long step that changed words here and there and no line: only those words are
// rewritten, as one change of the document, so the lines stay laid out, coloured and
// where they were, instead of the whole text built again.
bool EditorControl::rewriteByChanges(int offset, QStringView now, QStringView target)
{
    const std::vector<Change> changes = changesBetween(now, target);
    if (changes.empty())
        return now == target;
    // Where each change is in the document, while nothing has moved yet, and its
    // line: one walk down the lines, a change's offsets being in text order.
    QTextBlock block = document()->findBlock(positionFromOffset(offset + changes.front().from));
    int blockNumber = block.blockNumber();
    int blockPosition = block.position();
    int blockOffset = offsetFromPosition(blockPosition);
    const auto lineOf = [&](int textOffset) {
        while (textOffset > blockOffset + block.length() - 1 && block.next().isValid()) {
            blockOffset += block.length() - 1 + int(lineEndText(m_document->lineEndOf(block)).size());
            blockPosition += block.length();
            block = block.next();
            ++blockNumber;
        }
        // Between the CR and the LF of a line end there is no place in the document.
        return textOffset >= blockOffset ? blockNumber : -1;
    };
    std::vector<std::pair<int, int>> places;
    std::vector<int> lines;
    places.reserve(changes.size());
    for (const Change &change : changes) {
        const int line = lineOf(offset + change.from);
        const int from = blockPosition + offset + change.from - blockOffset;
        if (line < 0 || lineOf(offset + change.to) != line)
            return false; // across a line end or a piece of a long line
        // A line emptied between a CR and an LF would leave them two line ends.
        if (change.by.isEmpty() && change.to - change.from == block.length() - 1)
            return false;
        places.emplace_back(from, blockPosition + offset + change.to - blockOffset);
        if (lines.empty() || lines.back() != line)
            lines.push_back(line);
    }
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        // From the end, so the places before stay where they are.
        for (std::size_t i = changes.size(); i-- > 0;) {
            cursor.setPosition(places[i].first);
            cursor.setPosition(places[i].second, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            m_document->insert(cursor, changes[i].by.toString());
        }
        cursor.endEditBlock();
        // A line grown long is shown in pieces; from the last, so the others keep their number.
        for (auto line = lines.rbegin(); line != lines.rend(); ++line)
            m_document->wrapLongLine(document()->findBlockByNumber(*line));
    }
    emit edited();
    return true;
}

// The text on the step's other side: the kept document when it holds it, else the
// step's text written in places or whole, the document left kept for the way back.
void EditorControl::replay(const EditStep &step, bool undo)
{
    if (QTextDocument *kept = m_document->takeKept({step.serial, undo})) {
        showDocument(kept);
        emit edited();
        return;
    }
    const QString &now = undo ? step.inserted : step.removed;
    const QString &target = undo ? step.removed : step.inserted;
    if (!isLong(step) || !rewriteByChanges(step.offset, now, target))
        replaceRange(step.offset, int(now.size()), target);
    m_document->keep({step.serial, !undo});
}

bool EditorControl::undo()
{
    const EditStep *step = session().undo();
    if (!step)
        return false;
    BusyCursor busy(isLong(*step));
    const int caret = selectionStart();
    const ViewPlace place = viewPlace();
    const bool byLine = !step->typing && rewritesLines(*step, caret);
    replay(*step, true);
    if (step->typing) {
        // Typing gives the caret back after the restored text.
        setSelectionStart(step->offset + int(step->removed.size()));
        return true;
    }
    // After a command the caret stays where it was (at the end of the text when
    // that is shorter now), and so does the view.
    if (!byLine)
        setSelectionStart(caret);
    restoreViewPlace(place, byLine);
    return true;
}

bool EditorControl::redo()
{
    const EditStep *step = session().redo();
    if (!step)
        return false;
    BusyCursor busy(isLong(*step));
    const ViewPlace place = viewPlace();
    const bool byLine = !step->typing && rewritesLines(*step, selectionStart());
    replay(*step, false);
    if (byLine)
        restoreViewPlace(place, true);
    else
        setSelectionStart(step->offset + int(step->inserted.size()));
    return true;
}

void EditorControl::rewriteText(const QString &text, Progress *progress)
{
    const ViewPlace place = viewPlace();
    setSelectionStart(0);
    setSelectionLength(textLength());
    replaceSelection(text, progress);
    restoreViewPlace(place, true);
}

void EditorControl::onTextChanged(int offset, int removed, int added)
{
    Q_UNUSED(offset);
    if (!m_document->inUserEdit() && m_programWrite == 0 && removed != added)
        session().clearHistory(); // a change the history did not see: its steps would not fit
    if (m_programWrite == 0)
        emit edited();
}

QString EditorControl::text() const
{
    return m_document->text();
}

int EditorControl::textLength() const
{
    return m_document->textLength();
}

void EditorControl::setText(const QString &text, Progress *progress)
{
    session().clearHistory();
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        // Qt gives the new text the caret's format; a stand-in's mark must not spread.
        setTextCursor(QTextCursor(document()));
        setCurrentCharFormat(SourceDocument::withoutMark(currentCharFormat()));
        m_document->load(text, progress, [this](const QString &slice) { setPlainText(slice); });
        setTextCursor(QTextCursor(document()));
    }
    emit edited();
}

// The whole text replaced as a load does it, several times faster than a cursor's
// removal and insertion; the line-end convention stays the document's. The caret
// ends after the text, as after any replacement.
void EditorControl::writeWhole(const QString &text, Progress *progress)
{
    const LineEnd convention = lineEndConvention();
    QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
    if (!m_document->replaceWhole(text, progress,
                                  [this](QTextDocument *shown) { showDocument(shown); })) {
        setTextCursor(QTextCursor(document()));
        setCurrentCharFormat(SourceDocument::withoutMark(currentCharFormat()));
        m_document->load(text, progress, [this](const QString &slice) { setPlainText(slice); });
    }
    setLineEndConvention(convention);
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
}

QString EditorControl::withLineEnds(const QString &text) const
{
    return withDocumentLineEnds(text, lineEndText(lineEndConvention()));
}

int EditorControl::selectionStart() const
{
    return offsetFromPosition(textCursor().selectionStart());
}

void EditorControl::setSelectionStart(int offset)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(positionFromOffset(offset));
    setTextCursor(cursor);
}

int EditorControl::selectionLength() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return 0;
    return offsetFromPosition(cursor.selectionEnd()) - offsetFromPosition(cursor.selectionStart());
}

void EditorControl::setSelectionLength(int length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = positionFromOffset(offsetFromPosition(start) + qMax(0, length));
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString EditorControl::selectedText() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return QString();
    return m_document->decode(cursor.selectedText(), cursor.selectionStart());
}

void EditorControl::amendSelection(const QString &text)
{
    m_amending = true;
    replaceSelection(text);
    m_amending = false;
}

void EditorControl::replaceSelection(const QString &text, Progress *progress)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() && text.isEmpty())
        return;
    EditStep step;
    if (m_replaying == 0) {
        step.offset = selectionStart();
        step.removed = selectedText();
        step.inserted = text;
        step.amends = m_amending;
    }
    const bool whole = cursor.selectionStart() == 0
        && cursor.selectionEnd() >= document()->characterCount() - 1;
    if (whole) {
        writeWhole(text, progress);
    } else {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        cursor.removeSelectedText();
        const int start = cursor.position();
        m_document->insert(cursor, text, progress);
        setTextCursor(cursor);
        m_document->wrapLongLines(start, cursor.position());
    }
    if (m_replaying == 0)
        m_document->keep({session().record(std::move(step)), true});
    emit edited();
}

// The document takes the settings of the one shown before it (the editor's font, tab
// stops, margin and caret width), which the widget gives only the one it shows.
void EditorControl::showDocument(QTextDocument *shown)
{
    const QTextDocument *before = document();
    if (shown == before)
        return;
    if (shown->defaultFont() != before->defaultFont())
        shown->setDefaultFont(before->defaultFont());
    shown->setDefaultTextOption(before->defaultTextOption());
    shown->setDocumentMargin(before->documentMargin());
    const int caretWidth = cursorWidth();
    setDocument(shown);
    setCursorWidth(caretWidth);
    fitLineNumbers();
    emit documentReplaced();
}

void EditorControl::focusInWindow()
{
    if (QWidget *top = window()) {
        top->raise();
        top->activateWindow();
    }
    setFocus(Qt::OtherFocusReason);
}

QColor EditorControl::textColour() const
{
    return palette().color(QPalette::Text);
}

void EditorControl::setTextColour(const QColor &color)
{
    // A property of the editor, like its background: the selection and the caret stay.
    QPalette colours = palette();
    colours.setColor(QPalette::Text, color);
    setPalette(colours);
}

QColor EditorControl::backgroundColour() const
{
    return palette().color(QPalette::Base);
}

void EditorControl::setBackgroundColour(const QColor &color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

void EditorControl::forgetInheritedMark()
{
    // A stand-in's mark must not pass to characters typed after it.
    if (!m_document->mayHoldMarks())
        return;
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return;
    const QTextCharFormat format = cursor.charFormat();
    const QTextCharFormat plain = SourceDocument::withoutMark(format);
    if (plain != format)
        setCurrentCharFormat(plain);
}

namespace {
bool isEditKey(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
        || key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy)
        || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll);
}
} // namespace

bool EditorControl::event(QEvent *event)
{
    // Leave the edit keys to the menu's shortcuts: the widget would take them.
    if (event->type() == QEvent::ShortcutOverride && isEditKey(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    return QPlainTextEdit::event(event);
}

// A caret at a display wrap of a long line steps over it first, so that a key
// that moves or deletes one character always reaches a character of the text.
void EditorControl::stepOverWraps(bool forward, bool keepAnchor)
{
    QTextCursor cursor = textCursor();
    const auto mode = keepAnchor ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    bool moved = false;
    if (forward) {
        while (cursor.atBlockEnd() && cursor.block().next().isValid()
               && m_document->lineEndOf(cursor.block()) == LineEnd::Wrap) {
            cursor.movePosition(QTextCursor::NextCharacter, mode);
            moved = true;
        }
    } else {
        while (cursor.atBlockStart() && cursor.block().previous().isValid()
               && m_document->lineEndOf(cursor.block().previous()) == LineEnd::Wrap) {
            cursor.movePosition(QTextCursor::PreviousCharacter, mode);
            moved = true;
        }
    }
    if (moved)
        setTextCursor(cursor);
}

// Typed text that a block cannot hold as it is (a typed U+2029 would become a
// block separator) goes in as a write does, and still counts as typing.
void EditorControl::insertTyped(const QString &text)
{
    QTextCursor cursor = textCursor();
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        cursor.removeSelectedText();
        m_document->insert(cursor, text);
        setTextCursor(cursor);
        m_document->wrapLongLine(cursor.block());
    }
    ensureCursorVisible();
    emit edited();
}

void EditorControl::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        event->accept();
        return;
    }
    for (const auto key :
         {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::SelectAll}) {
        if (event->matches(key)) {
            event->accept();
            emit clipboardKey(key);
            return;
        }
    }
    beginUserEdit();
    typeKey(event);
    endUserEdit();
    m_document->wrapLongLine(textCursor().block());
}

void EditorControl::setLineNumbersShown(bool on)
{
    if (on == lineNumbersShown())
        return;
    if (on) {
        m_lineNumbers = new LineNumberMargin(this);
        // Typing repaints the numbers of the lines it repaints, no more.
        connect(this, &QPlainTextEdit::updateRequest, m_lineNumbers, [this](const QRect &rect, int dy) {
            if (dy)
                m_lineNumbers->scroll(0, dy);
            else if (rect.height() < viewport()->height() || numbersShown() != m_numbersPainted)
                m_lineNumbers->update(0, rect.y(), m_lineNumbers->width(), rect.height());
            // else the whole text is repainted (a colour laid over a line asks for
            // that) with every number where it was: the margin stays as it is.
        });
        connect(this, &QPlainTextEdit::blockCountChanged, m_lineNumbers, [this] { fitLineNumbers(); });
        m_lineNumbers->show();
    } else {
        delete m_lineNumbers;
        m_lineNumbers = nullptr;
    }
    fitLineNumbers();
}

void EditorControl::setSoftWrap(bool on)
{
    setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int EditorControl::lineNumberWidth() const
{
    if (!m_lineNumbers)
        return 0;
    const int lines = source().linesBefore(document()->blockCount() - 1) + 1;
    const int digits = QString::number(qMax(lines, 99)).size();
    return fontMetrics().horizontalAdvance(u'9') * digits + 2 * fontMetrics().averageCharWidth();
}

void EditorControl::fitLineNumbers()
{
    const int width = lineNumberWidth();
    if (viewportMargins().left() != width)
        setViewportMargins(width, 0, 0, 0);
    if (m_lineNumbers) {
        const QRect area = contentsRect();
        m_lineNumbers->setGeometry(area.left(), area.top(), width, area.height());
    }
}

void EditorControl::resizeEvent(QResizeEvent *event)
{
    // Unwrapped lines do not depend on the width, but Qt lays out every line again
    // when it changes (the scroll bar or the line numbers coming with a load), and
    // keeps a layout for each: hundreds of bytes a line. They are laid out as shown.
    if (lineWrapMode() == QPlainTextEdit::NoWrap) {
        QResizeEvent sameWidth(event->size(), QSize(event->size().width(), event->oldSize().height()));
        QPlainTextEdit::resizeEvent(&sameWidth);
    } else {
        QPlainTextEdit::resizeEvent(event);
    }
    fitLineNumbers();
}

// Each line's number and the top of its first piece in the view.
QList<QPair<int, int>> EditorControl::numbersShown() const
{
    QList<QPair<int, int>> numbers;
    const int bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= bottom) {
        const qreal height = blockBoundingRect(block).height();
        const QTextBlock before = block.previous();
        if (block.isVisible() && top + height >= 0
            && !(before.isValid() && m_document->lineEndOf(before) == LineEnd::Wrap))
            numbers.append({source().linesBefore(block.blockNumber()) + 1, qRound(top)});
        top += height;
        block = block.next();
    }
    return numbers;
}

void EditorControl::paintLineNumbers(QPaintEvent *event)
{
    QPainter painter(m_lineNumbers);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const QFontMetrics metrics = fontMetrics();
    const int right = m_lineNumbers->width() - metrics.averageCharWidth();
    m_numbersPainted = numbersShown();
    for (const auto &[number, top] : std::as_const(m_numbersPainted)) {
        if (top > event->rect().bottom() || top + metrics.height() < event->rect().top())
            continue;
        // Drawn at a point, not laid out in a box.
        const QString text = QString::number(number);
        painter.drawText(QPointF(right - metrics.horizontalAdvance(text), top + metrics.ascent()),
                         text);
    }
}

QPair<int, int> EditorControl::caretLineAndColumn() const
{
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    int column = cursor.positionInBlock();
    for (QTextBlock b = block.previous(); b.isValid() && m_document->lineEndOf(b) == LineEnd::Wrap;
         b = b.previous())
        column += b.length() - 1;
    return {source().linesBefore(block.blockNumber()) + 1, column + 1};
}

// A key as the editor types it, in the document's line ends.
void EditorControl::typeKey(QKeyEvent *event)
{
    const bool command
        = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if ((event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && !command) {
        // Home and End go to the ends of the line, not of the piece shown.
        QTextCursor cursor = textCursor();
        const auto mode = event->modifiers() & Qt::ShiftModifier ? QTextCursor::KeepAnchor
                                                                   : QTextCursor::MoveAnchor;
        QTextBlock block = cursor.block();
        if (event->key() == Qt::Key_End) {
            while (m_document->lineEndOf(block) == LineEnd::Wrap && block.next().isValid())
                block = block.next();
            cursor.setPosition(block.position() + block.length() - 1, mode);
        } else {
            while (block.previous().isValid() && m_document->lineEndOf(block.previous()) == LineEnd::Wrap)
                block = block.previous();
            cursor.setPosition(block.position(), mode);
        }
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !command) {
        // Enter and Shift+Enter both end the line with the document's line end. The
        // selection goes first on its own, so the new block's end is never taken
        // for the end of a removed line.
        QTextCursor cursor = textCursor();
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        cursor.insertBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    if (!command && event->text().contains(QChar(kParagraphBreak))) {
        insertTyped(event->text());
        event->accept();
        return;
    }
    const bool select = event->matches(QKeySequence::SelectPreviousChar)
        || event->matches(QKeySequence::SelectNextChar);
    const bool backward = event->key() == Qt::Key_Backspace
        || event->matches(QKeySequence::MoveToPreviousChar)
        || event->matches(QKeySequence::SelectPreviousChar);
    const bool forward = event->matches(QKeySequence::Delete)
        || event->matches(QKeySequence::MoveToNextChar)
        || event->matches(QKeySequence::SelectNextChar);
    if ((backward || forward) && (select || !textCursor().hasSelection()))
        stepOverWraps(forward, select);
    QPlainTextEdit::keyPressEvent(event);
}

void EditorControl::inputMethodEvent(QInputMethodEvent *event)
{
    beginUserEdit();
    if (event->commitString().contains(QChar(kParagraphBreak))) {
        QInputMethodEvent preedit(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&preedit);
        insertTyped(event->commitString());
        event->accept();
    } else {
        QPlainTextEdit::inputMethodEvent(event);
    }
    endUserEdit();
    m_document->wrapLongLine(textCursor().block());
}

void EditorControl::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->modifiers(), event->position().toPoint());
}

void EditorControl::contextMenuEvent(QContextMenuEvent *event)
{
    // The program opens its own menu on the right button's release.
    event->accept();
}

namespace {

// Files are taken as a copy only: a drag that allows no copy would have its source
// remove the file after the drop.
bool takesDrop(const QDropEvent *event)
{
    return event->possibleActions().testFlag(Qt::CopyAction)
        && !droppedLocalFiles(event->mimeData()).isEmpty();
}

} // namespace

void EditorControl::dragEnterEvent(QDragEnterEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void EditorControl::dragMoveEvent(QDragMoveEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void EditorControl::dropEvent(QDropEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    const QStringList files = droppedLocalFiles(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(files);
}

bool EditorControl::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void EditorControl::insertFromMimeData(const QMimeData *source)
{
    // Reached by the X11 selection paste: plain text with the document's line ends,
    // as the paste command gives it.
    if (source->hasText())
        replaceSelection(withLineEnds(source->text()));
}
