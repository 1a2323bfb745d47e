#include "app/editorcommands.h"

#include "app/commandaction.h"
#include "core/text/textsearch.h"
#include "ui/clipboardtext.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/htmlhighlighter.h"
#include "ui/platform.h"
#include "ui/printing.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QTextDocument>
#include <QWheelEvent>

namespace {

// Ctrl+wheel over the editor zooms its font.
class WheelZoom : public QObject
{
public:
    WheelZoom(EditorCommands *commands, QObject *viewport)
        : QObject(commands)
        , m_commands(commands)
    {
        viewport->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return QObject::eventFilter(watched, event);
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        // A notch is 120; touch pads send smaller steps that add up.
        m_delta += wheel->angleDelta().y();
        const int steps = m_delta / 120;
        m_delta -= steps * 120;
        if (steps != 0)
            m_commands->zoom(steps);
        return true;
    }

private:
    EditorCommands *m_commands;
    int m_delta = 0;
};

} // namespace

EditorCommands::EditorCommands(EditorControl *editor, PlatformServices &platform, QWidget *parent)
    : QObject(parent)
    , m_editor(editor)
    , m_platform(platform)
    , m_parent(parent)
{
    new WheelZoom(this, editor->viewport());
    // Shift+Insert, Ctrl+Insert, Shift+Delete and the like: the same commands as the menu.
    connect(editor, &EditorControl::clipboardKey, this, [this](QKeySequence::StandardKey key) {
        switch (key) {
        case QKeySequence::Cut:
            cut();
            break;
        case QKeySequence::Copy:
            copy();
            break;
        case QKeySequence::Paste:
            paste();
            break;
        case QKeySequence::SelectAll:
            selectAll();
            break;
        default:
            break;
        }
    });
    connect(editor, &EditorControl::mouseReleased, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &position) {
                if (button == Qt::RightButton && m_contextMenu)
                    m_contextMenu->popup(m_editor->viewport()->mapToGlobal(position));
            });
    createActions();
}

void EditorCommands::createActions()
{
    Actions &a = m_actions;
    a.undo = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "元に戻す (&U)"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    a.redo = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "やり直し (&Y)"),
                       {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    a.cut = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "切り取り (&T)"), {QKeySequence(Qt::CTRL | Qt::Key_X)});
    a.copy = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "コピー (&C)"), {QKeySequence(Qt::CTRL | Qt::Key_C)});
    a.paste = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "貼り付け (&P)"), {QKeySequence(Qt::CTRL | Qt::Key_V)});
    a.deleteSelection = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "削除 (&L)"));
    a.selectAll = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "すべて選択 (&A)"), {QKeySequence(Qt::CTRL | Qt::Key_A)});
    connect(a.undo, &QAction::triggered, this, &EditorCommands::undo);
    connect(a.redo, &QAction::triggered, this, &EditorCommands::redo);
    connect(a.cut, &QAction::triggered, this, &EditorCommands::cut);
    connect(a.copy, &QAction::triggered, this, &EditorCommands::copy);
    connect(a.paste, &QAction::triggered, this, &EditorCommands::paste);
    connect(a.deleteSelection, &QAction::triggered, this, &EditorCommands::deleteSelection);
    connect(a.selectAll, &QAction::triggered, this, &EditorCommands::selectAll);

    a.font = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "フォント (&F)..."));
    a.textColour = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "文字色 (&M)"));
    a.backgroundColour = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "背景色 (&B)"));
    connect(a.font, &QAction::triggered, this, &EditorCommands::chooseFont);
    connect(a.textColour, &QAction::triggered, this, &EditorCommands::chooseTextColor);
    connect(a.backgroundColour, &QAction::triggered, this, &EditorCommands::chooseBackColor);

    a.zoomIn = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "拡大 (&I)"),
                         {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    a.zoomOut = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "縮小 (&D)"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    a.zoomReset = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "元の大きさ (&0)"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    connect(a.zoomIn, &QAction::triggered, this, [this] { zoom(1); });
    connect(a.zoomOut, &QAction::triggered, this, [this] { zoom(-1); });
    connect(a.zoomReset, &QAction::triggered, this, [this] { zoom(0); });

    a.htmlColours = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "HTMLの色分け (&H)"));
    a.lineNumbers = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "行番号 (&L)"));
    a.softWrap = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "右端で折り返す (&W)"));
    for (QAction *option : {a.htmlColours, a.lineNumbers, a.softWrap})
        option->setCheckable(true);
    connect(a.htmlColours, &QAction::toggled, this, &EditorCommands::setHtmlColours);
    connect(this, &EditorCommands::htmlColoursChanged, a.htmlColours, &QAction::setChecked);
    connect(a.lineNumbers, &QAction::toggled, m_editor, &EditorControl::setLineNumbersShown);
    connect(a.softWrap, &QAction::toggled, m_editor, &EditorControl::setSoftWrap);
    a.htmlColours->setChecked(true);
    a.lineNumbers->setChecked(true);

    a.print = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "印刷 (&P)..."), {QKeySequence(Qt::CTRL | Qt::Key_P)});
    // The source text as it is saved, under the file's name.
    a.printPreview = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "印刷プレビュー (&V)..."));
    for (QAction *action : {a.print, a.printPreview}) {
        connect(action, &QAction::triggered, this, [this, action] {
            print(m_printTitle ? m_printTitle() : QStringLiteral("Rubello"), action == m_actions.printPreview);
        });
    }
}

void EditorCommands::undo()
{
    m_editor->undo();
}

void EditorCommands::redo()
{
    m_editor->redo();
}

void EditorCommands::cut()
{
    const Result<void> written = writeClipboardText(QGuiApplication::clipboard(), m_editor->selectedText());
    if (!written) {
        // The selection stays: deleting it now would lose it.
        showClipboardError(m_platform, m_parent, written.error());
        return;
    }
    m_editor->replaceSelection(QString());
}

void EditorCommands::copy()
{
    // The clipboard is emptied even when nothing is selected.
    const Result<void> written = writeClipboardText(QGuiApplication::clipboard(), m_editor->selectedText());
    if (!written)
        showClipboardError(m_platform, m_parent, written.error());
}

void EditorCommands::paste()
{
    const QString text = readClipboardText(QGuiApplication::clipboard());
    if (text.isEmpty())
        return;
    m_editor->replaceSelection(m_editor->withLineEnds(text));
}

void EditorCommands::deleteSelection()
{
    m_editor->replaceSelection(QString());
}

void EditorCommands::selectAll()
{
    m_editor->setSelectionStart(0);
    m_editor->setSelectionLength(m_editor->textLength());
}

void EditorCommands::chooseFont()
{
    QFont font = m_editor->font();
    const QFontInfo shown(font);
    // The family actually shown, so the dialog can find it in its list.
    QFont initial(shown.family());
    initial.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() : shown.pointSizeF());
    initial.setBold(font.bold());
    initial.setItalic(font.italic());
    const std::optional<QFont> chosen = m_platform.askFont(m_parent, initial);
    if (!chosen)
        return;
    // Only name, size, bold and italic pass; underline, strikeout and the rest stay.
    font.setFamily(chosen->family());
    if (chosen->pointSizeF() > 0)
        font.setPointSizeF(chosen->pointSizeF());
    if (font.bold() != chosen->bold())
        font.setBold(chosen->bold());
    if (font.italic() != chosen->italic())
        font.setItalic(chosen->italic());
    m_editor->setFont(font);
}

void EditorCommands::chooseTextColor()
{
    const std::optional<QColor> chosen = m_platform.askColor(m_parent, m_editor->textColour());
    if (chosen)
        m_editor->setTextColour(*chosen);
}

void EditorCommands::chooseBackColor()
{
    const std::optional<QColor> chosen = m_platform.askColor(m_parent, m_editor->backgroundColour());
    if (chosen)
        m_editor->setBackgroundColour(*chosen);
}

QFont EditorCommands::chosenFont() const
{
    QFont font = m_editor->font();
    if (m_zoom != 0 && font.pointSizeF() == m_zoomedSize)
        font.setPointSizeF(font.pointSizeF() - m_zoom);
    return font;
}

void EditorCommands::zoom(int steps)
{
    QFont font = m_editor->font();
    // A font chosen while zoomed is the new chosen size.
    if (m_zoom != 0 && font.pointSizeF() != m_zoomedSize)
        m_zoom = 0;
    const double chosen = font.pointSizeF() - m_zoom;
    const double zoom = steps == 0 ? 0 : qBound(4 - chosen, m_zoom + steps, 96 - chosen);
    if (chosen <= 0 || zoom == m_zoom)
        return;
    m_zoom = zoom;
    font.setPointSizeF(chosen + zoom);
    m_zoomedSize = font.pointSizeF();
    m_editor->setFont(font);
}

void EditorCommands::setHtmlColours(bool on)
{
    if (on == htmlColours())
        return;
    if (on) {
        m_highlighter = new HtmlHighlighter(m_editor);
    } else {
        delete m_highlighter; // takes its colours off the document
        m_highlighter = nullptr;
    }
    emit htmlColoursChanged(on);
}

void EditorCommands::print(const QString &title, bool preview)
{
    // Lines wrapped at the page's width.
    QString text = m_editor->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextDocument document;
    document.setDefaultFont(chosenFont());
    document.setPlainText(text);
    document.setMetaInformation(QTextDocument::DocumentTitle, title);
    // Every line read for its colours, not only those the editor has shown.
    if (htmlColours())
        m_highlighter->colourDocument(document);
    if (preview)
        m_platform.previewDocument(m_parent, document);
    else
        m_platform.printDocument(m_parent, document);
}

void EditorCommands::findAgain(const QString &search, bool exact, bool forward)
{
    const CompareMode mode = exact ? CompareMode::Exact : CompareMode::Loose;
    const QString text = m_editor->text();
    const qsizetype length = search.size();
    qsizetype found = -1; // 0-based
    if (forward) {
        found = findText(text, search, m_editor->selectionStart() + m_editor->selectionLength() + 1, mode) - 1;
    } else {
        // The nearest hit that starts before the selection; never inside a CR LF.
        const auto splitsLineEnd = [&text](qsizetype at) {
            return at > 0 && at < text.size() && text.at(at - 1) == u'\r' && text.at(at) == u'\n';
        };
        for (qsizetype at = qMin<qsizetype>(m_editor->selectionStart() - 1, text.size() - length);
             at >= 0; --at) {
            if (!splitsLineEnd(at) && !splitsLineEnd(at + length)
                && textsEqual(QStringView(text).sliced(at, length), search, mode)) {
                found = at;
                break;
            }
        }
    }
    if (found < 0) {
        m_platform.showMessage(m_parent, QMessageBox::Information, QCoreApplication::translate("EditorCommands", "検索終了"),
                               QCoreApplication::translate("EditorCommands", "文書の検索が終わりました。"), QMessageBox::Ok);
        return;
    }
    m_editor->setSelectionStart(int(found));
    m_editor->setSelectionLength(int(length));
}
