#pragma once

#include "core/progress.h"
#include "core/text/sourcetext.h"
#include "ui/sourcedocument.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>

// The editor m_editor: a plain-text editor whose offsets count a CR LF as two
// characters. It shows a SourceDocument (the text with its line ends, stand-ins and
// pieces of long lines) and keeps the selection, the keys and drops; the document
// keeps the undo history and makes the steps of the user's own edits.
class EditorControl : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit EditorControl(QWidget *parent = nullptr);

    QString text() const;
    // Long writes report to progress, when given, as they go; they never stop half-way.
    void setText(const QString &text, Progress *progress = nullptr);

    // Length of Text without building it.
    int textLength() const;

    int selectionStart() const;
    void setSelectionStart(int offset);
    int selectionLength() const;
    void setSelectionLength(int length);
    QString selectedText() const;
    void replaceSelection(const QString &text, Progress *progress = nullptr);
    // A rewrite of what the last command inserted (still selected): the same undo step.
    void amendSelection(const QString &text);
    // The whole text replaced by a command, as one step of the history; the caret
    // and the view stay at the lines where the user was.
    void rewriteText(const QString &text, Progress *progress = nullptr);

    // Raises the editor's window and gives the editor the keys.
    void focusInWindow();

    // Through the document's undo history. Every write and every typed change is a
    // step; a whole-text write (setText) starts the history empty.
    bool undo();
    bool redo();
    // The document's file, history and modified state.
    DocumentSession &session() { return m_document->session(); }
    const DocumentSession &session() const { return m_document->session(); }

    QColor textColour() const;
    void setTextColour(const QColor &color);
    QColor backgroundColour() const;
    void setBackgroundColour(const QColor &color);

    // Offsets of Text (CR LF counting as two) against the document's positions.
    int offsetFromPosition(int position) const { return m_document->offsetFromPosition(position); }
    int positionFromOffset(int offset) const { return m_document->positionFromOffset(offset); }

    // The line end that the document's lines mostly use, taken at each write of
    // Text (CR LF for an empty text and for ties); Enter and inserted text use it.
    LineEnd lineEndConvention() const { return source().convention(); }
    // A new document's choice, until the next write of Text.
    void setLineEndConvention(LineEnd end) { m_document->setConvention(end); }
    const SourceText &source() const { return m_document->source(); }
    // While on, changes of the document are of colours laid over it (a highlighter
    // reading lines again), not edits.
    bool setFormatOnly(bool on) { return m_document->setFormatOnly(on); }
    // The text with each of its line ends made the document's convention.
    QString withLineEnds(const QString &text) const;

    // Numbers of the text's lines in a margin (a long line's pieces are one line).
    void setLineNumbersShown(bool on);
    bool lineNumbersShown() const { return m_lineNumbers != nullptr; }
    // Lines broken at the window's edge for display only; the text keeps its lines.
    void setSoftWrap(bool on);
    bool softWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

    // The caret's line and column as the text has them (1-based): the pieces of a
    // long line are one line.
    QPair<int, int> caretLineAndColumn() const;

    // Lines longer than this are shown in pieces of wrapLength characters.
    static constexpr int longLineLength = SourceText::longLineLength;
    static constexpr int wrapLength = SourceText::wrapLength;

signals:
    // After every change of the text, by typing or by a write.
    void edited();
    // The text is held by another document now (a whole-text write, its undo or redo).
    void documentReplaced();
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &position);
    // A drop of local files; only the editor takes them.
    void filesDropped(const QStringList &files);
    // Keys of the platform's own clipboard bindings (Shift+Insert and the like),
    // handed to the program's commands instead of the widget's.
    void clipboardKey(QKeySequence::StandardKey key);

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Where the user was: the caret's block and column, the scroll bars.
    struct ViewPlace
    {
        int block = 0;
        int column = 0;
        int vertical = 0;
        int horizontal = 0;
    };
    ViewPlace viewPlace() const;
    void restoreViewPlace(const ViewPlace &place, bool caretToo);
    void writeWhole(const QString &text, Progress *progress);
    void showDocument(QTextDocument *shown);
    // Rewrites the text at offset, now there, into target by the stretches that
    // differ, each inside one line; false (nothing done) when a change would add or
    // take away a line end.
    bool rewriteByChanges(int offset, QStringView now, QStringView target);
    friend class LineNumberMargin;
    int lineNumberWidth() const;
    void fitLineNumbers();
    void paintLineNumbers(QPaintEvent *event);
    QList<QPair<int, int>> numbersShown() const;
    void onTextChanged(int offset, int removed, int added);
    void forgetInheritedMark();
    void replaceRange(int offset, int length, const QString &text);
    void replay(const EditStep &step, bool undo);
    void beginUserEdit();
    void endUserEdit();
    void stepOverWraps(bool forward, bool keepAnchor);
    void insertTyped(const QString &text);
    void typeKey(QKeyEvent *event);

    SourceDocument *m_document;
    QWidget *m_lineNumbers = nullptr;
    QList<QPair<int, int>> m_numbersPainted; // as numbersShown() gave them at the last paint
    int m_replaying = 0; // an undo or redo: not a step of its own
    bool m_amending = false;
    int m_programWrite = 0; // inside a write of ours: no Change from the document
};

// Local files carried by a drag, in the order the data object lists them.
QStringList droppedLocalFiles(const QMimeData *data);
