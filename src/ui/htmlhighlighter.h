#pragma once

#include <QColor>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>

#include <vector>

class QTextDocument;

// Colours for HTML source: tags, attribute names and values, comments, character
// references, and the readings of ruby (rt and rp, with the ruby tags). Each line
// is read by a small state machine from the state the line before ended in (inside
// a comment, a tag or a quoted value). Only what is shown gets its colours, when it
// is painted: a load or a whole-text rewrite colours one screen, not the file. The
// states of the lines above what is shown are read once and kept, so a jump reads
// only the lines it passes; an edit forgets the states from its line on.
class HtmlHighlighter : public QObject
{
    Q_OBJECT
public:
    enum Kind { Plain, Tag, AttributeName, AttributeValue, Comment, Reference, Ruby, KindCount };

    // Watches the editor's document and its painting, and follows its colours.
    explicit HtmlHighlighter(QPlainTextEdit *editor);
    ~HtmlHighlighter() override;

    // Colours that stay readable on this background, text in this colour.
    void setColours(const QColor &text, const QColor &background);
    QColor colour(Kind kind) const { return m_formats[kind].foreground().color(); }

    // Colours every line of the editor now, not only what is shown.
    void rehighlight();
    // Colours the lines of another document (a printout) as this one's would be.
    void colourDocument(QTextDocument &document) const;
    // The editor shows another document: what is known of the lines of the one it
    // showed is kept for its return, as the editor keeps the document itself.
    void followDocument();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Line
    {
        quint8 end = 0; // state at the line's end; known for lines before m_known
        bool coloured = false; // its colours are those of its text and start state
        quint8 colouredFrom = 0; // the start state they were read from
        bool formatted = false; // its layout may hold colours of ours
    };

    void onContentsChange(int position, int removed, int added);
    void settleColoured(int from, int to);
    // The state the line starts in, reading the lines above it that are not known yet.
    int startState(const QTextBlock &block);
    // Gives the line its colours read from start; the state it ends in.
    int colourLine(const QTextBlock &block, int start) const;
    void colourBlock(const QTextBlock &block, int start);
    void colourShown(const QRect &area);
    void clearColours();
    static void takeColoursOff(const QTextDocument &document, std::vector<Line> &lines);

    // The lines of a document the editor showed before the one it shows.
    struct KeptLines
    {
        QPointer<QTextDocument> document;
        std::vector<Line> lines;
        int known = 0;
    };

    QPointer<QPlainTextEdit> m_editor;
    QPointer<QTextDocument> m_document;
    KeptLines m_kept;
    QTextCharFormat m_formats[KindCount];
    QColor m_text;
    QColor m_background;
    std::vector<Line> m_lines; // one a block of the document
    int m_known = 0; // lines before this one have their end state
};
