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
constexpr char16_t kLineBreak = 0x2028; // Qt's line break inside a block
constexpr char16_t kParagraphBreak = 0x2029; // Qt's block separator

bool needsStandIn(char16_t c)
{
    return c == u'\r' || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

char16_t standInFor(char16_t c)
{
    switch (c) {
    case u'\r':
        return 0x240D; // SYMBOL FOR CARRIAGE RETURN
    case 0x2028:
        return 0x2028;
    case 0x2029:
        return 0x00B6; // PILCROW
    default:
        return 0xFFFD;
    }
}

bool mayBeStandIn(char16_t c)
{
    return c == 0x240D || c == 0x2028 || c == 0x00B6 || c == 0xFFFD;
}

struct Encoded
{
    QString text; // as the document holds it, '\n' between blocks
    QList<QPair<int, char16_t>> marks; // stand-ins: index in text, original character
};

Encoded encode(QStringView text)
{
    Encoded result;
    result.text.resize(text.size());
    QChar *out = result.text.data();
    const QChar *in = text.constData();
    const qsizetype size = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i].unicode();
        if (c == u'\r' && i + 1 < size && in[i + 1] == u'\n') {
            out[written++] = u'\n';
            ++i;
        } else if (c == u'\n') {
            out[written++] = kLineBreak;
        } else if (needsStandIn(c)) {
            result.marks.append({int(written), c});
            out[written++] = standInFor(c);
        } else {
            out[written++] = c;
        }
    }
    result.text.truncate(written);
    return result;
}

QTextCharFormat withoutMark(QTextCharFormat format)
{
    format.clearProperty(kOriginalCharacter);
    return format;
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

void EditorControl::onContentsChange(int position, int removed, int added)
{
    if (m_formatOnly || (removed == 0 && added == 0))
        return;
    if (m_userEdit.active) {
        // Qt may count the document's final separator in a change at the end.
        const int last = document()->characterCount() - 1 - (added - removed);
        const int limit = m_userEdit.end >= last ? m_userEdit.end + 1 : m_userEdit.end;
        if (position < m_userEdit.start || position + removed > limit)
            m_userEdit.outside = true;
        m_userEdit.end += added - removed;
        ++m_userEdit.changes;
    } else if (m_programWrite == 0 && removed != added) {
        // A change the history did not see: its steps would no longer fit the text.
        m_history.clear();
    }
    if (m_programWrite > 0)
        return;
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

void EditorControl::beginUserEdit()
{
    constexpr int kWindow = 4096; // further than any key reaches from the selection
    const QTextCursor cursor = textCursor();
    const int last = document()->characterCount() - 1;
    m_userEdit = UserEdit();
    m_userEdit.active = true;
    m_userEdit.start = qMax(0, cursor.selectionStart() - kWindow);
    m_userEdit.end = qMin(last, cursor.selectionEnd() + kWindow);
    m_userEdit.before = decodedRange(m_userEdit.start, m_userEdit.end);
}

void EditorControl::endUserEdit()
{
    const UserEdit edit = std::exchange(m_userEdit, UserEdit());
    if (edit.changes == 0)
        return;
    if (edit.outside) {
        m_history.clear();
        return;
    }
    const QString &before = edit.before;
    const QString after
        = decodedRange(edit.start, qBound(edit.start, edit.end, document()->characterCount() - 1));
    const qsizetype common = qMin(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < common && before.at(prefix) == after.at(prefix))
        ++prefix;
    if (prefix > 0 && before.at(prefix - 1) == u'\r')
        --prefix; // a line end stays whole
    qsizetype suffix = 0;
    while (suffix < common - prefix
           && before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;
    if (suffix > 0 && before.at(before.size() - suffix) == u'\n')
        --suffix;
    EditStep step;
    step.offset = offsetFromPosition(edit.start) + int(prefix);
    step.removed = before.sliced(prefix, before.size() - prefix - suffix);
    step.inserted = after.sliced(prefix, after.size() - prefix - suffix);
    step.typing = true;
    if (!step.removed.isEmpty() || !step.inserted.isEmpty())
        m_history.record(std::move(step));
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
    QString text;
    text.resize(raw.size() + raw.count(QChar(kParagraphBreak)));
    QChar *out = text.data();
    qsizetype written = 0;
    const bool checkMarks = m_markedWritten > 0;
    QTextCursor probe(document());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        if (c == kParagraphBreak) {
            out[written++] = u'\r';
            out[written++] = u'\n';
            continue;
        }
        if (checkMarks && mayBeStandIn(c)) {
            probe.setPosition(firstPosition + int(i) + 1);
            const QVariant original = probe.charFormat().property(kOriginalCharacter);
            if (original.isValid() && standInFor(char16_t(original.toInt())) == c) {
                out[written++] = QChar(char16_t(original.toInt()));
                continue;
            }
        }
        out[written++] = (c == kLineBreak) ? QChar(u'\n') : QChar(c);
    }
    text.truncate(written);
    return text;
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
    return (document()->characterCount() - 1) + (document()->blockCount() - 1);
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

namespace {

// A large text goes in by pieces, so that its encoded copy never exists whole
// beside the text and the document, and long writes can show their progress.
constexpr qsizetype kPiece = qsizetype(1) << 20;

qsizetype pieceEnd(QStringView text, qsizetype end)
{
    if (end >= text.size())
        return text.size();
    if (text.at(end - 1) == u'\r' && text.at(end) == u'\n')
        ++end; // a line end stays whole
    return end;
}

} // namespace

void EditorControl::setText(const QString &text, Progress *progress)
{
    m_history.clear();
    {
        QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
        // Qt gives the new text the caret's format; a stand-in's mark must not spread.
        setTextCursor(QTextCursor(document()));
        setCurrentCharFormat(withoutMark(currentCharFormat()));
        const qsizetype done = pieceEnd(text, qMin(kPiece, text.size()));
        const Encoded encoded = encode(QStringView(text).first(done));
        setPlainText(encoded.text);
        markStandIns(0, encoded.marks);
        if (done < text.size()) {
            QTextCursor end(document());
            end.movePosition(QTextCursor::End);
            insertPieces(end, QStringView(text).sliced(done), progress);
        }
        setTextCursor(QTextCursor(document()));
    }
    emit Change();
}

void EditorControl::insertPieces(QTextCursor &cursor, QStringView text, Progress *progress)
{
    const QTextCharFormat plain = withoutMark(cursor.charFormat());
    qsizetype done = 0;
    while (done < text.size()) {
        const qsizetype next = pieceEnd(text, done + kPiece);
        const Encoded encoded = encode(text.sliced(done, next - done));
        const int start = cursor.position();
        cursor.insertText(encoded.text, plain);
        markStandIns(start, encoded.marks);
        done = next;
        // A write cannot stop half-way: the answer is not asked for.
        if (progress && done < text.size())
            progress->advance(done, text.size());
    }
}

void EditorControl::insertEncoded(QTextCursor &cursor, const QString &text)
{
    const Encoded encoded = encode(text);
    const int start = cursor.selectionStart();
    cursor.insertText(encoded.text, withoutMark(cursor.charFormat()));
    markStandIns(start, encoded.marks);
}

int EditorControl::offsetFromPosition(int position) const
{
    return position + document()->findBlock(position).blockNumber();
}

int EditorControl::positionFromOffset(int offset) const
{
    offset = qBound(0, offset, textLength());
    const QTextDocument *doc = document();
    // The last block whose start offset (position + block number) is <= offset.
    int low = 0;
    int high = doc->blockCount() - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (doc->findBlockByNumber(middle).position() + middle <= offset)
            low = middle;
        else
            high = middle - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(low);
    const int blockEnd = block.position() + block.length() - 1;
    // An offset between the CR and the LF of a line end goes to the line's end.
    return qMin(offset - low, blockEnd);
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
        if (text.size() <= kPiece)
            insertEncoded(cursor, text);
        else
            insertPieces(cursor, text, progress);
        setTextCursor(cursor);
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
    QPlainTextEdit::keyPressEvent(event);
    endUserEdit();
}

void EditorControl::inputMethodEvent(QInputMethodEvent *event)
{
    beginUserEdit();
    QPlainTextEdit::inputMethodEvent(event);
    endUserEdit();
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
        setSelText(withDocumentLineEnds(source->text()));
}
