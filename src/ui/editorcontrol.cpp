#include "ui/editorcontrol.h"

#include "ui/clipboardtext.h"

#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <utility>

namespace {

constexpr int kOriginalCharacter = QTextFormat::UserProperty + 1;
constexpr char16_t kParagraphBreak = SourceText::blockSeparator;

QTextCharFormat withoutMark(QTextCharFormat format)
{
    format.clearProperty(kOriginalCharacter);
    return format;
}

// Block user state of a line end; Qt's default -1 is a CR LF, the common case.
int stateOf(LineEnd end)
{
    return end == LineEnd::CrLf ? -1 : int(end);
}

} // namespace

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
{
    // The program keeps its own history; the widget keeps none.
    document()->setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAcceptDrops(true);
    connect(document(), &QTextDocument::contentsChange, this, &EditorControl::onContentsChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            &EditorControl::forgetInheritedMark);
}

LineEnd EditorControl::lineEndOf(const QTextBlock &block) const
{
    const int state = block.userState();
    return state < 0 ? LineEnd::CrLf : LineEnd(state);
}

// Mirrors the index into the user state of count blocks from block on.
void EditorControl::writeLineEnds(QTextBlock block, int count)
{
    for (int number = block.blockNumber(); count > 0 && block.isValid(); --count, ++number) {
        const int state = stateOf(m_source.lineEnd(number));
        if (block.userState() != state)
            block.setUserState(state);
        block = block.next();
    }
}

void EditorControl::rebuildLineEnds()
{
    std::vector<LineEnd> ends;
    ends.reserve(std::size_t(document()->blockCount()));
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        ends.push_back(block.next().isValid() ? lineEndOf(block) : LineEnd::None);
    m_source.assign(ends);
}

void EditorControl::onContentsChange(int position, int removed, int added)
{
    if (m_formatOnly || m_replacingAll)
        return;
    // The separators in the removed text ended the blocks from the first changed one
    // on; the merged block keeps the end of the last of them. The inserted separators
    // end new blocks from the first changed one on.
    int wrapsRemoved = 0;
    const QTextDocument *doc = document();
    const int blocks = doc->blockCount();
    const QTextBlock firstBlock = doc->findBlock(position);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : blocks - 1;
    // Qt may count the document's final separator in a change at the end.
    const int beyond = qMax(0, position + removed - (doc->characterCount() - added + removed - 1));
    const int offset = m_source.offset(position, first);
    int kept = 0; // separators of a change that left the index as it was
    bool toldRemoval = false;
    if (removed > 0 || added > 0 || blocks != m_source.blockCount()) {
        const QTextBlock lastBlock = doc->findBlock(position + added);
        const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
        const int inserted = last - first;
        const int erased = inserted - (blocks - m_source.blockCount());
        // As many separators out as in is a change of format only.
        if (erased != inserted && erased >= 0 && first + erased < m_source.blockCount()) {
            if (m_recorder.active()) { // what went, while the index still knows its ends
                m_recorder.change(offset,
                                  removed - beyond + m_source.extraBefore(first + erased)
                                      - m_source.extraBefore(first),
                                  0);
                toldRemoval = true;
            }
            wrapsRemoved = m_source.replaceEnds(first, erased, inserted);
            writeLineEnds(doc->findBlockByNumber(first), inserted + 1);
        } else {
            kept = qMax(0, inserted);
        }
        if (m_source.blockCount() != blocks)
            rebuildLineEnds(); // a change of an unforeseen shape: read the blocks again
    }
    if (removed == 0 && added == 0)
        return;
    if (m_recorder.active()) {
        const int end = qMin(position + added - beyond, doc->characterCount() - 1);
        const int removedChars = toldRemoval ? 0
                                             : removed - beyond + m_source.extraBefore(first + kept)
                - m_source.extraBefore(first);
        m_recorder.change(offset, removedChars, offsetFromPosition(end) - offset);
    } else if (m_programWrite == 0 && removed != added) {
        // A change the history did not see: its steps would no longer fit the text.
        m_history.clear();
    }
    if (m_programWrite > 0)
        return;
    if (added == 0 && removed == wrapsRemoved)
        return; // only display wraps went: the text is the same
    emit Change();
}

QString EditorControl::decodedRange(int from, int to) const
{
    if (to <= from)
        return QString();
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return decode(cursor.selectedText(), from);
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
    const int from = first.position();
    const int to = qMin(last.position() + last.length(), doc->characterCount() - 1);
    m_recorder.begin(offsetFromPosition(from), decodedRange(from, to));
}

void EditorControl::endUserEdit()
{
    if (m_recorder.reachedOutside()) {
        m_recorder.cancel();
        m_history.clear(); // a step would not know what went
        return;
    }
    if (!m_recorder.changed()) {
        m_recorder.cancel();
        return;
    }
    const QString now = decodedRange(positionFromOffset(m_recorder.changedFrom()),
                                     positionFromOffset(m_recorder.changedTo()));
    if (std::optional<EditStep> step = m_recorder.finish(now))
        m_history.record(std::move(*step));
}

void EditorControl::replaceRange(int offset, int length, const QString &text)
{
    QScopedValueRollback guard(m_replaying, m_replaying + 1);
    setSelStart(offset);
    setSelLength(length);
    setSelText(text);
}

bool EditorControl::undo()
{
    const EditStep *step = m_history.undo();
    if (!step)
        return false;
    const int caret = SelStart();
    replaceRange(step->offset, int(step->inserted.size()), step->removed);
    // Typing gives the caret back after the restored text; after a command it stays
    // where it was (at the end of the text when that is shorter now).
    setSelStart(step->typing ? step->offset + int(step->removed.size()) : caret);
    return true;
}

bool EditorControl::redo()
{
    const EditStep *step = m_history.redo();
    if (!step)
        return false;
    replaceRange(step->offset, int(step->removed.size()), step->inserted);
    setSelStart(step->offset + int(step->inserted.size()));
    return true;
}

QString EditorControl::decode(const QString &raw, int firstPosition) const
{
    const int block = document()->findBlock(firstPosition).blockNumber();
    if (m_markedWritten == 0)
        return m_source.decode(raw, block);
    QTextCursor probe(document());
    return m_source.decode(raw, block, [&probe, firstPosition](qsizetype i) {
        probe.setPosition(firstPosition + int(i) + 1);
        const QVariant original = probe.charFormat().property(kOriginalCharacter);
        return original.isValid() ? char16_t(original.toInt()) : char16_t(0);
    });
}

QString EditorControl::Text() const
{
    QString raw = document()->toRawText();
    // The document's last block ends in a separator that is not part of the text.
    if (raw.endsWith(QChar(kParagraphBreak)) && raw.size() >= document()->characterCount())
        raw.chop(1);
    return decode(raw, 0);
}

int EditorControl::textLength() const
{
    return m_source.length(document()->characterCount() - 1);
}

void EditorControl::markStandIns(int documentStart, const QList<QPair<int, char16_t>> &marks)
{
    if (marks.isEmpty())
        return;
    QScopedValueRollback formatGuard(m_formatOnly, true);
    QTextCursor cursor(document());
    for (const auto &[index, original] : marks) {
        cursor.setPosition(documentStart + index);
        cursor.setPosition(documentStart + index + 1, QTextCursor::KeepAnchor);
        QTextCharFormat mark;
        mark.setProperty(kOriginalCharacter, int(original));
        cursor.mergeCharFormat(mark);
    }
    m_markedWritten += int(marks.size());
}

void EditorControl::setText(const QString &text, Progress *progress)
{
    m_history.clear();
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        QScopedValueRollback replacing(m_replacingAll, true);
        // Qt gives the new text the caret's format; a stand-in's mark must not spread.
        setTextCursor(QTextCursor(document()));
        setCurrentCharFormat(withoutMark(currentCharFormat()));
        SourceText::Encoder encoder(text);
        EncodedText encoded = encoder.next();
        std::vector<LineEnd> ends = std::move(encoded.ends);
        setPlainText(encoded.text);
        markStandIns(0, encoded.marks);
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        insertSlices(end, encoder, progress, &ends);
        ends.push_back(LineEnd::None);
        m_source.assign(ends);
        m_source.setConvention(m_source.majority());
        std::size_t number = 0;
        for (QTextBlock block = document()->begin(); block.isValid() && number < ends.size();
             block = block.next()) {
            const int state = stateOf(ends[number++]);
            if (block.userState() != state)
                block.setUserState(state);
        }
        setTextCursor(QTextCursor(document()));
    }
    emit Change();
}

// A large text goes in by slices, so that its encoded copy never exists whole beside
// the text and the document, and long writes can show their progress.
void EditorControl::insertSlices(QTextCursor &cursor, SourceText::Encoder &encoder,
                                 Progress *progress, std::vector<LineEnd> *ends)
{
    const QTextCharFormat plain = withoutMark(cursor.charFormat());
    while (!encoder.atEnd()) {
        EncodedText encoded = encoder.next();
        const int start = cursor.position();
        if (ends)
            ends->insert(ends->end(), encoded.ends.begin(), encoded.ends.end());
        m_source.expectEnds(std::move(encoded.ends));
        cursor.insertText(encoded.text, plain);
        m_source.expectEnds({});
        markStandIns(start, encoded.marks);
        // A write cannot stop half-way: the answer is not asked for.
        if (progress && !encoder.atEnd())
            progress->advance(encoder.encoded(), encoder.size());
    }
}

void EditorControl::insertText(QTextCursor &cursor, const QString &text, Progress *progress)
{
    SourceText::Encoder encoder(text);
    insertSlices(cursor, encoder, progress, nullptr);
}

QString EditorControl::withLineEnds(const QString &text) const
{
    return withDocumentLineEnds(text, lineEndText(m_source.convention()));
}

// A line grown too long by an edit is cut into pieces by display wraps, and so is
// a piece that typing made twice as long as it was.
void EditorControl::wrapLongLine(const QTextBlock &block)
{
    if (!block.isValid() || block.length() - 1 <= 2 * wrapLength)
        return;
    const bool piece = lineEndOf(block) == LineEnd::Wrap
        || (block.previous().isValid() && lineEndOf(block.previous()) == LineEnd::Wrap);
    if (!piece && block.length() - 1 <= longLineLength)
        return;
    const std::vector<int> wraps = SourceText::wrapsFor(block.text(), piece);
    QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
    QTextCursor cursor(document());
    // From the end, so the places before stay where they are.
    for (auto at = wraps.rbegin(); at != wraps.rend(); ++at) {
        cursor.setPosition(block.position() + *at);
        m_source.expectEnds({LineEnd::Wrap});
        cursor.insertBlock();
    }
    m_source.expectEnds({});
}

void EditorControl::wrapLongLines(int firstPosition, int lastPosition)
{
    // Lines inside an inserted text came wrapped; the two at its ends may have grown.
    const QTextBlock last = document()->findBlock(lastPosition);
    wrapLongLine(last);
    const QTextBlock first = document()->findBlock(firstPosition);
    if (first != last)
        wrapLongLine(first);
}

int EditorControl::offsetFromPosition(int position) const
{
    if (m_source.offsetsArePositions())
        return position;
    return m_source.offset(position, document()->findBlock(position).blockNumber());
}

int EditorControl::positionFromOffset(int offset) const
{
    const QTextDocument *doc = document();
    return m_source.position(
        qBound(0, offset, textLength()),
        [doc](int block) { return doc->findBlockByNumber(block).position(); },
        [doc](int block) { return doc->findBlockByNumber(block).length() - 1; });
}

int EditorControl::SelStart() const
{
    return offsetFromPosition(textCursor().selectionStart());
}

void EditorControl::setSelStart(int offset)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(positionFromOffset(offset));
    setTextCursor(cursor);
}

int EditorControl::SelLength() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return 0;
    return offsetFromPosition(cursor.selectionEnd()) - offsetFromPosition(cursor.selectionStart());
}

void EditorControl::setSelLength(int length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = positionFromOffset(offsetFromPosition(start) + qMax(0, length));
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString EditorControl::SelText() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return QString();
    return decode(cursor.selectedText(), cursor.selectionStart());
}

void EditorControl::amendSelText(const QString &text)
{
    m_amending = true;
    setSelText(text);
    m_amending = false;
}

void EditorControl::setSelText(const QString &text, Progress *progress)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() && text.isEmpty())
        return;
    EditStep step;
    if (m_replaying == 0) {
        step.offset = SelStart();
        step.removed = SelText();
        step.inserted = text;
        step.amends = m_amending;
    }
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        cursor.removeSelectedText();
        const int start = cursor.position();
        insertText(cursor, text, progress);
        setTextCursor(cursor);
        wrapLongLines(start, cursor.position());
    }
    if (m_replaying == 0)
        m_history.record(std::move(step));
    emit Change();
}

void EditorControl::SetFocus()
{
    if (QWidget *top = window()) {
        top->raise();
        top->activateWindow();
    }
    setFocus(Qt::OtherFocusReason);
}

QColor EditorControl::SelColor() const
{
    const QTextCharFormat format = textCursor().charFormat();
    if (format.foreground().style() != Qt::NoBrush)
        return format.foreground().color();
    return palette().color(QPalette::Text);
}

void EditorControl::setSelColor(const QColor &color)
{
    QTextCursor cursor = textCursor();
    const bool wholeText
        = cursor.selectionStart() == 0 && cursor.selectionEnd() >= document()->characterCount() - 1;
    {
        QScopedValueRollback formatGuard(m_formatOnly, true);
        QTextCharFormat format;
        format.setForeground(color);
        cursor.mergeCharFormat(format);
        setTextCursor(cursor);
    }
    if (wholeText) {
        // Text that comes later takes the colour too.
        QPalette colours = palette();
        colours.setColor(QPalette::Text, color);
        setPalette(colours);
    }
}

QColor EditorControl::BackColor() const
{
    return palette().color(QPalette::Base);
}

void EditorControl::setBackColor(const QColor &color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

void EditorControl::forgetInheritedMark()
{
    // A stand-in's mark must not pass to characters typed after it.
    if (m_markedWritten == 0)
        return;
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return;
    const QTextCharFormat format = cursor.charFormat();
    if (format.hasProperty(kOriginalCharacter))
        setCurrentCharFormat(withoutMark(format));
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
               && lineEndOf(cursor.block()) == LineEnd::Wrap) {
            cursor.movePosition(QTextCursor::NextCharacter, mode);
            moved = true;
        }
    } else {
        while (cursor.atBlockStart() && cursor.block().previous().isValid()
               && lineEndOf(cursor.block().previous()) == LineEnd::Wrap) {
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
        insertText(cursor, text);
        setTextCursor(cursor);
        wrapLongLine(cursor.block());
    }
    ensureCursorVisible();
    emit Change();
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
    wrapLongLine(textCursor().block());
}

QPair<int, int> EditorControl::caretLineAndColumn() const
{
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    int column = cursor.positionInBlock();
    for (QTextBlock b = block.previous(); b.isValid() && lineEndOf(b) == LineEnd::Wrap;
         b = b.previous())
        column += b.length() - 1;
    return {m_source.linesBefore(block.blockNumber()) + 1, column + 1};
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
            while (lineEndOf(block) == LineEnd::Wrap && block.next().isValid())
                block = block.next();
            cursor.setPosition(block.position() + block.length() - 1, mode);
        } else {
            while (block.previous().isValid() && lineEndOf(block.previous()) == LineEnd::Wrap)
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
    wrapLongLine(textCursor().block());
}

void EditorControl::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
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
    emit OLEDragDrop(files);
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
        setSelText(withLineEnds(source->text()));
}
