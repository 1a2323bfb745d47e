#pragma once

#include <QFont>
#include <QObject>

class EditorControl;
class HtmlHighlighter;
class PlatformServices;
class QMenu;
class QWidget;

// The editor's own commands, for the window's actions to trigger: undo and the
// clipboard, font and colours, zoom, the colours of HTML, printing and finding
// the last search again. Failures and the dialogs are shown over parent.
class EditorCommands : public QObject
{
    Q_OBJECT

public:
    EditorCommands(EditorControl *editor, PlatformServices &platform, QWidget *parent);

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
    EditorControl *m_editor;
    PlatformServices &m_platform;
    QWidget *m_parent;
    QMenu *m_contextMenu = nullptr;
    HtmlHighlighter *m_highlighter = nullptr;
    double m_zoom = 0; // points added to the font the user chose
    double m_zoomedSize = 0; // the size shown while zoomed
};
