#pragma once

#include "core/document/documentsession.h"
#include "core/progress.h"
#include "core/text/editrecorder.h"
#include "core/text/sourcetext.h"

#include <QObject>
#include <QTextBlock>
#include <QTextCharFormat>

#include <functional>

class QTextCursor;
class QTextDocument;

// A QTextDocument holding a SourceText: every line end ends a block, and each block
// remembers how its line ended (its user state, mirroring the model's index); long
// lines are held in pieces; a stand-in keeps its original in its character format.
// It reads the text back exactly and tells each change in offsets of the text.
// It owns its session: the file, the undo history and the modified state; the
// steps of a user's edit are made from its own changes. A whole-text write builds
// a document of its own and keeps the one it replaced, so that undoing it, and
// redoing it after, only shows the other document again.
class SourceDocument : public QObject
{
    Q_OBJECT

public:
    explicit SourceDocument(QObject *parent = nullptr);

    // The document that holds the text now; another after replaceWhole or takeKept.
    QTextDocument *document() const { return m_document; }

    // Which step a kept document serves: its text is the one before the step (for
    // the step's undo) or the one after it (for its redo).
    struct KeptFor
    {
        quint64 step = 0;
        bool undo = false;
        bool operator==(const KeptFor &) const = default;
    };
    // The whole text written into a new document, which holds the text from now on;
    // show is given it while it is still empty (filled in view, it is laid out as a
    // load lays it out). The one it replaces is kept, serving no step until keep()
    // names it. False, and nothing written, when the text is too large to hold twice.
    bool replaceWhole(const QString &text, Progress *progress,
                      const std::function<void(QTextDocument *)> &show);
    // The document just set aside serves this step; with step 0 it goes. A kept
    // document also goes with any change of the text.
    void keep(KeptFor what);
    // The kept document, when it serves this step, holds the text again and the one
    // it replaces is kept serving the step the other way; nullptr otherwise.
    QTextDocument *takeKept(KeptFor what);

    DocumentSession &session() { return m_session; }
    const DocumentSession &session() const { return m_session; }

    // A user's edit (a key, an input method's event) of the document's positions
    // from to to and what lies next to them: the changes until its end make one
    // step of the history. A change beyond that span leaves no step, and no history.
    void beginUserEdit(int from, int to);
    void endUserEdit();
    bool inUserEdit() const { return m_recorder.active(); }

    const SourceText &source() const { return m_source; }
    void setConvention(LineEnd end) { m_source.setConvention(end); }

    QString text() const;
    int textLength() const;
    // The text of the document's positions from to to.
    QString textBetween(int from, int to) const;
    QString decode(const QString &raw, int firstPosition) const;
    int offsetFromPosition(int position) const;
    int positionFromOffset(int offset) const;
    LineEnd lineEndOf(const QTextBlock &block) const;

    // Puts a whole text in; setFirstSlice writes the document's first slice (the
    // widget's own whole write), the rest is appended. The convention becomes the
    // line end the text mostly uses. No document stays kept.
    void load(const QString &text, Progress *progress,
              const std::function<void(const QString &)> &setFirstSlice);
    // Inserts text at the cursor, in slices when large; the cursor ends after it.
    void insert(QTextCursor &cursor, const QString &text, Progress *progress = nullptr);
    // Cuts the block into pieces when an edit made it too long to lay out.
    void wrapLongLine(const QTextBlock &block);
    void wrapLongLines(int firstPosition, int lastPosition);

    // While on, changes of the document are of format only.
    bool setFormatOnly(bool on) { return std::exchange(m_formatOnly, on); }
    // The format without a stand-in's mark: for what comes after a stand-in.
    static QTextCharFormat withoutMark(QTextCharFormat format);
    bool mayHoldMarks() const { return m_markedWritten > 0; }

signals:
    // The text changed: removed characters at offset (of the text as it was) gave way
    // to added ones. Changes of format or of display wraps alone are not told.
    void textChanged(int offset, int removed, int added);

private:
    // What a document of the text carries beside it.
    struct Kept
    {
        QTextDocument *document = nullptr;
        SourceText source;
        int markedWritten = 0;
        KeptFor serves;
    };

    QTextDocument *newDocument();
    void swapWithKept();
    void dropKept();
    void fill(const QString &text, Progress *progress,
              const std::function<void(const QString &)> &setFirstSlice);
    void onContentsChange(int position, int removed, int added);
    void insertSlices(QTextCursor &cursor, SourceText::Encoder &encoder, Progress *progress,
                      std::vector<LineEnd> *ends);
    void markStandIns(int documentStart, const QList<QPair<int, char16_t>> &marks);
    void writeLineEnds(QTextBlock block, int count);
    void rebuildLineEnds();

    QTextDocument *m_document;
    DocumentSession m_session;
    EditRecorder m_recorder; // a user's edit while it lasts
    SourceText m_source;
    bool m_loading = false; // the index is rebuilt after the write
    bool m_formatOnly = false; // a change of format only
    bool m_wrapping = false; // display wraps going in: no character of the text
    int m_markedWritten = 0; // stand-ins written so far; 0 keeps reads on the fast path
    Kept m_kept; // the text on the other side of a whole-text step
};
