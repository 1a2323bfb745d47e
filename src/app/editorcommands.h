#pragma once

#include <QFont>
#include <QObject>

#include <functional>

class EditorControl;
class HtmlHighlighter;
class PlatformServices;
class QAction;
class QMenu;
class QWidget;

// The editor's own commands and the actions that trigger them: undo and the
// clipboard, font and colours, zoom, the colours of HTML, line numbers and
// wrapping, printing and finding the last search again. The window places the
// actions in its menus. Failures and the dialogs are shown over parent.
class EditorCommands : public QObject
{
    Q_OBJECT

public:
    EditorCommands(EditorControl *editor, PlatformServices &platform, QWidget *parent);

    struct Actions
    {
        QAction *undo, *redo, *cut, *copy, *paste, *deleteSelection, *selectAll;
        QAction *font, *textColour, *backgroundColour;
        QAction *zoomIn, *zoomOut, *zoomReset;
        QAction *htmlColours, *lineNumbers, *softWrap; // checkable
        QAction *print, *printPreview;
    };
    const Actions &actions() const { return m_actions; }
    // The title a printed page carries: the document's name when the print starts.
    void setPrintTitle(std::function<QString()> title) { m_printTitle = std::move(title); }

    // The font the user chose, without the zoom.
    QFont chosenFont() const;
    bool htmlColours() const { return m_highlighter != nullptr; }
    // The menu the right button opens over the text.
    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void selectAll();

    void chooseFont();
    void chooseTextColor();
    void chooseBackColor();
    // Points added to the chosen font size: steps of one point, 0 back to it.
    void zoom(int steps);
    void setHtmlColours(bool on);

    // The source text as it is saved, in the chosen font, under title.
    // Prints the text under title, or shows it in a preview first.
    void print(const QString &title, bool preview = false);
    // Selects the next (or previous) occurrence after (or before) the selection;
    // says so when there is none.
    void findAgain(const QString &text, bool exact, bool forward);

signals:
    void htmlColoursChanged(bool on);

private:
    void createActions();

    EditorControl *m_editor;
    PlatformServices &m_platform;
    QWidget *m_parent;
    QMenu *m_contextMenu = nullptr;
    HtmlHighlighter *m_highlighter = nullptr;
    double m_zoom = 0; // points added to the font the user chose
    double m_zoomedSize = 0; // the size shown while zoomed
    Actions m_actions {};
    std::function<QString()> m_printTitle;
};
