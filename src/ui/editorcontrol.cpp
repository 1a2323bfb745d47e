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
constexpr char16_t kParagraphBreak = 0x2029; // Qt's block separator

// Characters that a block cannot hold inside a line: Qt would take them for a
// block separator or a frame.
bool needsStandIn(char16_t c)
{
    return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

char16_t standInFor(char16_t c)
{
    return c == 0x2029 ? char16_t(0x00B6) : char16_t(0xFFFD); // PILCROW, REPLACEMENT
}

bool mayBeStandIn(char16_t c)
{
    return c == 0x00B6 || c == 0xFFFD;
}

struct Encoded
{
    QString text; // as the document holds it, '\n' between blocks
    QList<QPair<int, char16_t>> marks; // stand-ins: index in text, original character
    std::vector<LineEnd> ends; // how the line ended, for every '\n' of text in order
};

qsizetype lineEndFrom(QStringView text, qsizetype from)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = from; i < size; ++i) {
        if (data[i] == u'\r' || data[i] == u'\n')
            return i;
    }
    return size;
}

// Turns a text into what the document holds, a slice at a time: every line end and
// every display wrap of a long line becomes a block separator, and characters a
// block cannot hold become stand-ins.
class Encoder
{
public:
    explicit Encoder(QStringView text)
        : m_text(text)
    { }

    // The next slice, up to end (never between the CR and the LF of a line end).
    Encoded next(qsizetype end)
    {
        Encoded result;
        const qsizetype begin = m_done;
        result.text.resize(end - begin + (end - begin) / (EditorControl::wrapLength - 1) + 2);
        QChar *out = result.text.data();
        const QChar *in = m_text.constData();
        const qsizetype size = m_text.size();
        qsizetype written = 0;
        for (qsizetype i = begin; i < end; ++i) {
            if (m_lineEnd < i) {
                m_lineEnd = lineEndFrom(m_text, i);
                m_nextWrap = m_lineEnd - i > EditorControl::longLineLength
                    ? i + EditorControl::wrapLength
                    : -1;
            }
            if (i == m_nextWrap && i < m_lineEnd) {
                if (in[i].isLowSurrogate()) {
                    ++m_nextWrap; // a surrogate pair stays whole
                } else {
                    out[written++] = u'\n';
                    result.ends.push_back(LineEnd::Wrap);
                    m_nextWrap += EditorControl::wrapLength;
                }
            }
            const char16_t c = in[i].unicode();
            if (c == u'\r' && i + 1 < size && in[i + 1] == u'\n') {
                out[written++] = u'\n';
                result.ends.push_back(LineEnd::CrLf);
                ++i;
            } else if (c == u'\r' || c == u'\n') {
                out[written++] = u'\n';
                result.ends.push_back(c == u'\r' ? LineEnd::Cr : LineEnd::Lf);
            } else if (needsStandIn(c)) {
                result.marks.append({int(written), c});
                out[written++] = standInFor(c);
            } else {
                out[written++] = c;
            }
        }
        result.text.truncate(written);
        m_done = end;
        return result;
    }

private:
    QStringView m_text;
    qsizetype m_done = 0;
    qsizetype m_lineEnd = -1; // the end of the line being encoded
    qsizetype m_nextWrap = -1; // where that line is wrapped next, -1 when it is not long
};

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
        const int state = stateOf(m_lineEnds.at(number));
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
    m_lineEnds.assign(ends);
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
    if (removed > 0 || added > 0 || blocks != m_lineEnds.size()) {
        const QTextBlock firstBlock = doc->findBlock(position);
        const int first = firstBlock.isValid() ? firstBlock.blockNumber() : blocks - 1;
        const QTextBlock lastBlock = doc->findBlock(position + added);
        const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
        const int inserted = last - first;
        const int erased = inserted - (blocks - m_lineEnds.size());
        // As many separators out as in is a change of format only.
        if (erased != inserted && erased >= 0 && first + erased < m_lineEnds.size()) {
            wrapsRemoved = m_lineEnds.erase(first, erased);
            std::vector<LineEnd> ends(std::size_t(inserted), m_convention);
            const std::size_t given = qMin(ends.size(), m_pendingEnds.size());
            std::copy_n(m_pendingEnds.begin(), given, ends.begin());
            m_pendingEnds.erase(m_pendingEnds.begin(), m_pendingEnds.begin() + qsizetype(given));
            m_lineEnds.insert(first, ends.data(), inserted);
            writeLineEnds(doc->findBlockByNumber(first), inserted + 1);
        }
        if (m_lineEnds.size() != blocks)
            rebuildLineEnds(); // a change of an unforeseen shape: read the blocks again
    }
    if (removed == 0 && added == 0)
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
        emit editRecorded(); // the history is gone
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
    emit editRecorded();
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
    // Lines that all end alike need no look at the blocks.
    const int ends = m_lineEnds.size() - 1;
    LineEnd uniform = LineEnd::None;
    for (const LineEnd end : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr}) {
        if (m_lineEnds.count(end) == ends)
            uniform = end;
    }
    QTextBlock block
        = uniform == LineEnd::None ? document()->findBlock(firstPosition) : QTextBlock();
    QTextCursor probe(document());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        if (c == kParagraphBreak) {
            LineEnd end = uniform;
            if (end == LineEnd::None) {
                end = lineEndOf(block);
                block = block.next();
            }
            for (const QChar lineEnd : lineEndText(end))
                out[written++] = lineEnd;
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
        out[written++] = QChar(c);
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
    return (document()->characterCount() - 1) + m_lineEnds.extraBefore(m_lineEnds.size());
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
        QScopedValueRollback replacing(m_replacingAll, true);
        // Qt gives the new text the caret's format; a stand-in's mark must not spread.
        setTextCursor(QTextCursor(document()));
        setCurrentCharFormat(withoutMark(currentCharFormat()));
        Encoder encoder(text);
        qsizetype done = pieceEnd(text, qMin(kPiece, text.size()));
        Encoded encoded = encoder.next(done);
        std::vector<LineEnd> ends = std::move(encoded.ends);
        setPlainText(encoded.text);
        markStandIns(0, encoded.marks);
        if (done < text.size()) {
            QTextCursor end(document());
            end.movePosition(QTextCursor::End);
            const QTextCharFormat plain = withoutMark(end.charFormat());
            while (done < text.size()) {
                const qsizetype next = pieceEnd(text, done + kPiece);
                encoded = encoder.next(next);
                ends.insert(ends.end(), encoded.ends.begin(), encoded.ends.end());
                const int start = end.position();
                end.insertText(encoded.text, plain);
                markStandIns(start, encoded.marks);
                done = next;
                if (progress && done < text.size())
                    progress->advance(done, text.size());
            }
        }
        ends.push_back(LineEnd::None);
        m_lineEnds.assign(ends);
        m_convention
            = majorityLineEnd(m_lineEnds.count(LineEnd::CrLf), m_lineEnds.count(LineEnd::Lf),
                              m_lineEnds.count(LineEnd::Cr));
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

void EditorControl::insertPieces(QTextCursor &cursor, const QString &text, Progress *progress)
{
    const QTextCharFormat plain = withoutMark(cursor.charFormat());
    Encoder encoder(text);
    qsizetype done = 0;
    while (done < text.size()) {
        const qsizetype next = pieceEnd(text, done + kPiece);
        Encoded encoded = encoder.next(next);
        const int start = cursor.position();
        m_pendingEnds = std::move(encoded.ends);
        cursor.insertText(encoded.text, plain);
        m_pendingEnds.clear();
        markStandIns(start, encoded.marks);
        done = next;
        // A write cannot stop half-way: the answer is not asked for.
        if (progress && done < text.size())
            progress->advance(done, text.size());
    }
}

void EditorControl::insertEncoded(QTextCursor &cursor, const QString &text)
{
    Encoder encoder(text);
    Encoded encoded = encoder.next(text.size());
    const int start = cursor.selectionStart();
    m_pendingEnds = std::move(encoded.ends);
    cursor.insertText(encoded.text, withoutMark(cursor.charFormat()));
    m_pendingEnds.clear();
    markStandIns(start, encoded.marks);
}

QString EditorControl::withLineEnds(const QString &text) const
{
    return withDocumentLineEnds(text, lineEndText(m_convention));
}

// A line grown too long by an edit is cut into pieces by display wraps, and so is
// a piece that typing made twice as long as it was.
void EditorControl::wrapLongLine(const QTextBlock &block)
{
    if (!block.isValid())
        return;
    const int length = block.length() - 1;
    if (length <= 2 * wrapLength)
        return;
    const bool piece = lineEndOf(block) == LineEnd::Wrap
        || (block.previous().isValid() && lineEndOf(block.previous()) == LineEnd::Wrap);
    if (!piece && length <= longLineLength)
        return;
    const QTextDocument *doc = document();
    const int start = block.position();
    std::vector<int> wraps;
    for (int at = start + wrapLength; at < start + length; at += wrapLength) {
        if (doc->characterAt(at).isLowSurrogate())
            ++at;
        if (at < start + length)
            wraps.push_back(at);
    }
    QScopedValueRollback guard(m_programWrite, m_programWrite + 1);
    QTextCursor cursor(document());
    // From the end, so the places before stay where they are.
    for (auto at = wraps.rbegin(); at != wraps.rend(); ++at) {
        cursor.setPosition(*at);
        m_pendingEnds = {LineEnd::Wrap};
        cursor.insertBlock();
    }
    m_pendingEnds.clear();
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
    if (m_lineEnds.offsetsArePositions())
        return position;
    return position + m_lineEnds.extraBefore(document()->findBlock(position).blockNumber());
}

int EditorControl::positionFromOffset(int offset) const
{
    offset = qBound(0, offset, textLength());
    if (m_lineEnds.offsetsArePositions())
        return offset;
    const QTextDocument *doc = document();
    const auto startOffset = [this, doc](int number) {
        return doc->findBlockByNumber(number).position() + m_lineEnds.extraBefore(number);
    };
    // The last block whose start offset is <= offset.
    int low = 0;
    int high = doc->blockCount() - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (startOffset(middle) <= offset)
            low = middle;
        else
            high = middle - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(low);
    const int blockEnd = block.position() + block.length() - 1;
    // An offset between the CR and the LF of a line end goes to the line's end.
    return qMin(offset - m_lineEnds.extraBefore(low), blockEnd);
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
        if (text.size() <= kPiece)
            insertEncoded(cursor, text);
        else
            insertPieces(cursor, text, progress);
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
        insertEncoded(cursor, text);
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
    int line = block.blockNumber() + 1;
    // Only a document with long lines pays for counting their pieces.
    if (m_lineEnds.count(LineEnd::Wrap) > 0) {
        for (QTextBlock b = document()->firstBlock(); b.isValid() && b != block; b = b.next())
            line -= lineEndOf(b) == LineEnd::Wrap;
    }
    return {line, column + 1};
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
