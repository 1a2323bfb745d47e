#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

// Colours for HTML source: tags, attribute names and values, comments, character
// references, and the readings of ruby (rt and rp, with the ruby tags). Each line
// is read once by a small state machine; the state at its end (inside a comment,
// a tag or a quoted value) is kept with the line, so a change reads only the
// lines whose start state changed. The editor's own block states are left alone.
class HtmlHighlighter : public QSyntaxHighlighter
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

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followChangedEnds();
    // Tells the program's editor that the document's changes are colours only.
    bool formatOnly(bool on);

    QPointer<QPlainTextEdit> m_editor;
    QTextCharFormat m_formats[KindCount];
    QColor m_text;
    QColor m_background;
    int m_changedFrom = -1; // first line whose end state changed, read again later
    bool m_following = false;
};
