#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextLayout>

#include <vector>

class QPlainTextEdit;
class QTextBlock;
class QTextDocument;

// Colours for HTML source: tags, attribute names and values, comments, character
// references, and the readings of ruby (rt and rp, with the ruby tags). Each line
// is read by a small state machine; the state at each line's end (inside a
// comment, a tag or a quoted value) is kept in a table beside the document, read
// as far as a line asks for it, and a change reads again only until a line ends
// as it did before. Only the lines shown, and a screen around them, are coloured,
// as they are shown: a large file is shown at once and costs no layout for lines
// nobody looks at. The editor's own block states are left alone.
class HtmlHighlighter : public QObject
{
    Q_OBJECT
public:
    enum Kind { Plain, Tag, AttributeName, AttributeValue, Comment, Reference, Ruby, KindCount };

    // Installs itself on the editor's document and follows its colours.
    explicit HtmlHighlighter(QPlainTextEdit *editor);
    ~HtmlHighlighter() override;

    // Colours that stay readable on this background, text in this colour.
    void setColours(const QColor &text, const QColor &background);
    QColor colour(Kind kind) const { return m_formats[kind].foreground().color(); }
    // Colours the lines first to last now, as showing them would.
    void colourLines(int first, int last);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onContentsChange(int position, int removed, int added);
    void colourShown();
    void colourBlock(const QTextBlock &block);
    // The state at the end of line number, reading the lines not read yet.
    int endState(int number);
    QList<QTextLayout::FormatRange> rangesOf(const QString &text, int start, int *end) const;
    void clearColours();
    // Tells the program's editor that the document's changes are colours only.
    bool formatOnly(bool on);

    QPointer<QPlainTextEdit> m_editor;
    QPointer<QTextDocument> m_document;
    QTextCharFormat m_formats[KindCount];
    QColor m_text;
    QColor m_background;
    std::vector<int> m_ends; // the state at each line's end, for the first m_known lines
    int m_known = 0;
    // After a change: lines from m_changedTo + 1 to m_trusted - 1 kept their old ends,
    // which hold as soon as one of them ends as before.
    int m_changedTo = -1;
    int m_trusted = 0;
    int m_generation = 0; // of the colours: a new one colours every line again
    bool m_colouring = false;
};
