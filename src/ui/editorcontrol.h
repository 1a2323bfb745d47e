#pragma once

#include "core/edithistory.h"
#include "core/progress.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>

// The editor RTB1: a plain-text editor whose text has CR LF line ends and whose
// offsets count a CR LF as two characters. Inside, Qt keeps one block per line;
// a lone LF is held as a line break inside the block (U+2028). Characters that a
// QTextDocument cannot hold as they are (a lone CR, U+2028, U+2029, U+FDD0,
// U+FDD1) are held as a stand-in character marked with the original in its
// character format, so every text written reads back unchanged.
class EditorControl : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit EditorControl(QWidget *parent = nullptr);

    QString Text() const;
    // Long writes report to progress, when given, as they go; they never stop half-way.
    void setText(const QString &text, Progress *progress = nullptr);

    // Length of Text without building it.
    int textLength() const;

    int SelStart() const;
    void setSelStart(int offset);
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString &text, Progress *progress = nullptr);
    // A rewrite of what the last command inserted (still selected): the same undo step.
    void amendSelText(const QString &text);

    void SetFocus();

    // The text's undo history. Every write and every typed change is a step; a
    // whole-text write (setText) starts the history empty.
    bool undo();
    bool redo();
    const EditHistory &history() const { return m_history; }

    QColor SelColor() const;
    void setSelColor(const QColor &color);
    QColor BackColor() const;
    void setBackColor(const QColor &color);

    // Offsets of Text (CR LF counting as two) against the document's positions.
    int offsetFromPosition(int position) const;
    int positionFromOffset(int offset) const;

signals:
    // After every change of the text, by typing or by a write.
    void Change();
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &position);
    // A drop of local files; only the editor takes them.
    void OLEDragDrop(const QStringList &files);
    // Keys of the platform's own clipboard bindings (Shift+Insert and the like),
    // handed to the program's commands instead of the widget's.
    void clipboardKey(QKeySequence::StandardKey key);

protected:
    bool event(QEvent *event) override;
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
    void onContentsChange(int position, int removed, int added);
    void insertEncoded(QTextCursor &cursor, const QString &text);
    void insertPieces(QTextCursor &cursor, QStringView text, Progress *progress);
    void markStandIns(int documentStart, const QList<QPair<int, char16_t>> &marks);
    QString decode(const QString &raw, int firstPosition) const;
    void forgetInheritedMark();
    QString decodedRange(int from, int to) const;
    void replaceRange(int offset, int length, const QString &text);
    void beginUserEdit();
    void endUserEdit();

    // A user's edit is seen in a window of the text around the selection, before
    // and after, and recorded as the difference.
    struct UserEdit
    {
        bool active = false;
        int start = 0;
        int end = 0; // moves with the changes
        QString before;
        bool outside = false;
        int changes = 0;
    };
    UserEdit m_userEdit;
    EditHistory m_history;
    int m_replaying = 0; // an undo or redo: not a step of its own
    bool m_amending = false;

    int m_programWrite = 0; // inside a write of ours: no Change from the document
    bool m_formatOnly = false; // a change of format only: no Change at all
    int m_markedWritten = 0; // stand-ins written so far; 0 keeps reads on the fast path
};

// Local files carried by a drag, in the order the data object lists them.
QStringList droppedLocalFiles(const QMimeData *data);
