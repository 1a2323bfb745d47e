#include "ui/sourcedocument.h"

#include <QPlainTextDocumentLayout>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr int kOriginalCharacter = QTextFormat::UserProperty + 1;

// Beyond this many characters a whole-text write goes into the document in place:
// a second document of such a text costs more memory than a fast undo is worth.
constexpr int kMaxKeptCharacters = 24 * 1024 * 1024;

// Block user state of a line end; Qt's default -1 is a CR LF, the common case.
int stateOf(LineEnd end)
{
    return end == LineEnd::CrLf ? -1 : int(end);
}

} // namespace

SourceDocument::SourceDocument(QObject *parent)
    : QObject(parent)
    , m_document(newDocument())
{
    connect(m_document, &QTextDocument::contentsChange, this, &SourceDocument::onContentsChange);
}

QTextDocument *SourceDocument::newDocument()
{
    auto *document = new QTextDocument(this);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    // The session keeps the history; the document keeps none.
    document->setUndoRedoEnabled(false);
    return document;
}

void SourceDocument::swapWithKept()
{
    disconnect(m_document, &QTextDocument::contentsChange, this, &SourceDocument::onContentsChange);
    std::swap(m_document, m_kept.document);
    std::swap(m_source, m_kept.source);
    std::swap(m_markedWritten, m_kept.markedWritten);
    connect(m_document, &QTextDocument::contentsChange, this, &SourceDocument::onContentsChange);
}

void SourceDocument::dropKept()
{
    delete m_kept.document;
    m_kept = Kept();
}

bool SourceDocument::replaceWhole(const QString &text, Progress *progress,
                                  const std::function<void(QTextDocument *)> &show)
{
    if (text.size() > kMaxKeptCharacters || m_document->characterCount() > kMaxKeptCharacters)
        return false;
    dropKept(); // never three documents at once
    m_kept.document = newDocument();
    swapWithKept();
    show(m_document);
    try {
        QTextDocument *fresh = m_document;
        fill(text, progress, [fresh](const QString &slice) { fresh->setPlainText(slice); });
    } catch (...) {
        // Out of memory half-way: the text stays as it was.
        swapWithKept();
        show(m_document);
        dropKept();
        throw;
    }
    return true;
}

void SourceDocument::keep(KeptFor what)
{
    if (!m_kept.document || m_kept.serves.step != 0)
        return;
    if (what.step == 0)
        dropKept();
    else
        m_kept.serves = what;
}

QTextDocument *SourceDocument::takeKept(KeptFor what)
{
    if (!m_kept.document || what.step == 0 || !(m_kept.serves == what))
        return nullptr;
    swapWithKept();
    m_kept.serves = {what.step, !what.undo};
    return m_document;
}

void SourceDocument::beginUserEdit(int from, int to)
{
    m_recorder.begin(offsetFromPosition(from), textBetween(from, to));
}

void SourceDocument::endUserEdit()
{
    if (m_recorder.reachedOutside()) {
        m_recorder.cancel();
        m_session.clearHistory(); // a step would not know what went
        return;
    }
    if (!m_recorder.changed()) {
        m_recorder.cancel();
        return;
    }
    const QString now = textBetween(positionFromOffset(m_recorder.changedFrom()),
                                    positionFromOffset(m_recorder.changedTo()));
    if (std::optional<EditStep> step = m_recorder.finish(now))
        m_session.record(std::move(*step));
}

QTextCharFormat SourceDocument::withoutMark(QTextCharFormat format)
{
    format.clearProperty(kOriginalCharacter);
    return format;
}

LineEnd SourceDocument::lineEndOf(const QTextBlock &block) const
{
    const int state = block.userState();
    return state < 0 ? LineEnd::CrLf : LineEnd(state);
}

// Mirrors the index into the user state of count blocks from block on.
void SourceDocument::writeLineEnds(QTextBlock block, int count)
{
    for (int number = block.blockNumber(); count > 0 && block.isValid(); --count, ++number) {
        const int state = stateOf(m_source.lineEnd(number));
        if (block.userState() != state)
            block.setUserState(state);
        block = block.next();
    }
}

void SourceDocument::rebuildLineEnds()
{
    std::vector<LineEnd> ends;
    ends.reserve(std::size_t(m_document->blockCount()));
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next())
        ends.push_back(block.next().isValid() ? lineEndOf(block) : LineEnd::None);
    m_source.assign(ends);
}

void SourceDocument::onContentsChange(int position, int removed, int added)
{
    if (m_formatOnly || m_loading)
        return;
    // The separators in the removed text ended the blocks from the first changed one
    // on; the merged block keeps the end of the last of them. The inserted separators
    // end new blocks from the first changed one on.
    int wrapsRemoved = 0;
    const int blocks = m_document->blockCount();
    const QTextBlock firstBlock = m_document->findBlock(position);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : blocks - 1;
    // Qt may count the document's final separator in a change at the end.
    const int beyond
        = qMax(0, position + removed - (m_document->characterCount() - added + removed - 1));
    const int offset = m_source.offset(position, first);
    int removedChars = removed - beyond;
    if (removed > 0 || added > 0 || blocks != m_source.blockCount()) {
        const QTextBlock lastBlock = m_document->findBlock(position + added);
        const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
        const int inserted = last - first;
        const int erased = inserted - (blocks - m_source.blockCount());
        // The line ends that went, while the index still knows them.
        const int separators = qBound(0, erased, m_source.blockCount() - 1 - first);
        removedChars += m_source.extraBefore(first + separators) - m_source.extraBefore(first);
        // As many separators out as in is a change of format only.
        if (erased != inserted && erased >= 0 && first + erased < m_source.blockCount()) {
            wrapsRemoved = m_source.replaceEnds(first, erased, inserted);
            writeLineEnds(m_document->findBlockByNumber(first), inserted + 1);
        }
        if (m_source.blockCount() != blocks)
            rebuildLineEnds(); // a change of an unforeseen shape: read the blocks again
    }
    if ((removed == 0 && added == 0) || m_wrapping || (added == 0 && removed == wrapsRemoved))
        return; // nothing, or only display wraps: the text is the same
    dropKept(); // it held the text on the other side of a step that is not next now
    const int end = qMin(position + added - beyond, m_document->characterCount() - 1);
    const int addedChars = offsetFromPosition(end) - offset;
    m_recorder.change(offset, removedChars, addedChars);
    emit textChanged(offset, removedChars, addedChars);
}

QString SourceDocument::textBetween(int from, int to) const
{
    if (to <= from)
        return QString();
    QTextCursor cursor(m_document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return decode(cursor.selectedText(), from);
}

QString SourceDocument::decode(const QString &raw, int firstPosition) const
{
    const int block = m_document->findBlock(firstPosition).blockNumber();
    if (m_markedWritten == 0)
        return m_source.decode(raw, block);
    QTextCursor probe(m_document);
    return m_source.decode(raw, block, [&probe, firstPosition](qsizetype i) {
        probe.setPosition(firstPosition + int(i) + 1);
        const QVariant original = probe.charFormat().property(kOriginalCharacter);
        return original.isValid() ? char16_t(original.toInt()) : char16_t(0);
    });
}

QString SourceDocument::text() const
{
    QString raw = m_document->toRawText();
    // The document's last block ends in a separator that is not part of the text.
    if (raw.endsWith(QChar(SourceText::blockSeparator))
        && raw.size() >= m_document->characterCount())
        raw.chop(1);
    return decode(raw, 0);
}

int SourceDocument::textLength() const
{
    return m_source.length(m_document->characterCount() - 1);
}

int SourceDocument::offsetFromPosition(int position) const
{
    if (m_source.offsetsArePositions())
        return position;
    return m_source.offset(position, m_document->findBlock(position).blockNumber());
}

int SourceDocument::positionFromOffset(int offset) const
{
    const QTextDocument *doc = m_document;
    return m_source.position(
        qBound(0, offset, textLength()),
        [doc](int block) { return doc->findBlockByNumber(block).position(); },
        [doc](int block) { return doc->findBlockByNumber(block).length() - 1; });
}

void SourceDocument::markStandIns(int documentStart, const QList<QPair<int, char16_t>> &marks)
{
    if (marks.isEmpty())
        return;
    QScopedValueRollback formatGuard(m_formatOnly, true);
    QTextCursor cursor(m_document);
    for (const auto &[index, original] : marks) {
        cursor.setPosition(documentStart + index);
        cursor.setPosition(documentStart + index + 1, QTextCursor::KeepAnchor);
        QTextCharFormat mark;
        mark.setProperty(kOriginalCharacter, int(original));
        cursor.mergeCharFormat(mark);
    }
    m_markedWritten += int(marks.size());
}

void SourceDocument::load(const QString &text, Progress *progress,
                          const std::function<void(const QString &)> &setFirstSlice)
{
    dropKept(); // no step leads to another file's text
    fill(text, progress, setFirstSlice);
}

void SourceDocument::fill(const QString &text, Progress *progress,
                          const std::function<void(const QString &)> &setFirstSlice)
{
    QScopedValueRollback loading(m_loading, true);
    SourceText::Encoder encoder(text);
    EncodedBlocks encoded = encoder.next();
    std::vector<LineEnd> ends = std::move(encoded.ends);
    setFirstSlice(encoded.text);
    markStandIns(0, encoded.marks);
    QTextCursor end(m_document);
    end.movePosition(QTextCursor::End);
    // One change for the view: laid out once at the end, not after every slice.
    end.beginEditBlock();
    insertSlices(end, encoder, progress, &ends);
    end.endEditBlock();
    ends.push_back(LineEnd::None);
    m_source.assign(ends);
    m_source.setConvention(m_source.majority());
    std::size_t number = 0;
    for (QTextBlock block = m_document->begin(); block.isValid() && number < ends.size();
         block = block.next()) {
        const int state = stateOf(ends[number++]);
        if (block.userState() != state)
            block.setUserState(state);
    }
}

// A large text goes in by slices, so that its encoded copy never exists whole beside
// the text and the document, and long writes can show their progress.
void SourceDocument::insertSlices(QTextCursor &cursor, SourceText::Encoder &encoder,
                                  Progress *progress, std::vector<LineEnd> *ends)
{
    const QTextCharFormat plain = withoutMark(cursor.charFormat());
    while (!encoder.atEnd()) {
        EncodedBlocks encoded = encoder.next();
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

void SourceDocument::insert(QTextCursor &cursor, const QString &text, Progress *progress)
{
    SourceText::Encoder encoder(text);
    insertSlices(cursor, encoder, progress, nullptr);
}

// A line grown too long by an edit is cut into pieces by display wraps, and so is
// a piece that typing made twice as long as it was.
void SourceDocument::wrapLongLine(const QTextBlock &block)
{
    if (!block.isValid() || block.length() - 1 <= 2 * SourceText::wrapLength)
        return;
    const bool piece = lineEndOf(block) == LineEnd::Wrap
        || (block.previous().isValid() && lineEndOf(block.previous()) == LineEnd::Wrap);
    if (!piece && block.length() - 1 <= SourceText::longLineLength)
        return;
    const std::vector<int> wraps = SourceText::wrapsFor(block.text(), piece);
    QScopedValueRollback wrapping(m_wrapping, true);
    QTextCursor cursor(m_document);
    // From the end, so the places before stay where they are.
    for (auto at = wraps.rbegin(); at != wraps.rend(); ++at) {
        cursor.setPosition(block.position() + *at);
        m_source.expectEnds({LineEnd::Wrap});
        cursor.insertBlock();
    }
    m_source.expectEnds({});
}

void SourceDocument::wrapLongLines(int firstPosition, int lastPosition)
{
    // Lines inside an inserted text came wrapped; the two at its ends may have grown.
    const QTextBlock last = m_document->findBlock(lastPosition);
    wrapLongLine(last);
    const QTextBlock first = m_document->findBlock(firstPosition);
    if (first != last)
        wrapLongLine(first);
}
