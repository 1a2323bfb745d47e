#include "app/formmain.h"

#include "app/documentcommands.h"

#include "core/text/textsearch.h"
#include "ui/editorcontrol.h"
#include "ui/formsearch.h"
#include "ui/htmlhighlighter.h"
#include "ui/platform.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextDocument>
#include <QWheelEvent>

namespace {

// Ctrl+wheel over the editor zooms its font.
class WheelZoom : public QObject
{
public:
    WheelZoom(FormMain *window, QObject *viewport)
        : QObject(window)
        , m_window(window)
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
            m_window->zoomEditor(steps);
        return true;
    }

private:
    FormMain *m_window;
    int m_delta = 0;
};

} // namespace

void FormMain::createDesktopMenus()
{
    MFPrint = new QAction(QStringLiteral("印刷 (&P)..."), this);
    MFPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // Before the separator above 終了.
    const QList<QAction *> fileItems = MFile->actions();
    MFile->insertAction(fileItems.at(fileItems.indexOf(MFEnd) - 1), MFPrint);
    connect(MFPrint, &QAction::triggered, this, &FormMain::MFPrint_Click);

    MSNext = MSearch->addAction(QStringLiteral("次を検索 (&N)"));
    MSNext->setShortcut(QKeySequence(Qt::Key_F3));
    MSPrevious = MSearch->addAction(QStringLiteral("前を検索 (&P)"));
    MSPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(MSNext, &QAction::triggered, this, &FormMain::MSNext_Click);
    connect(MSPrevious, &QAction::triggered, this, &FormMain::MSPrevious_Click);

    MOption->addSeparator();
    MOZoomIn = MOption->addAction(QStringLiteral("拡大 (&I)"));
    MOZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                            QKeySequence(Qt::CTRL | Qt::Key_Equal),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    MOZoomOut = MOption->addAction(QStringLiteral("縮小 (&D)"));
    MOZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    MOZoomReset = MOption->addAction(QStringLiteral("元の大きさ (&0)"));
    MOZoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(MOZoomIn, &QAction::triggered, this, [this] { zoomEditor(1); });
    connect(MOZoomOut, &QAction::triggered, this, [this] { zoomEditor(-1); });
    connect(MOZoomReset, &QAction::triggered, this, [this] { zoomEditor(0); });
    new WheelZoom(this, RTB1->viewport());

    MOption->addSeparator();
    MOColours = MOption->addAction(QStringLiteral("HTMLの色分け (&H)"));
    MOColours->setCheckable(true);
    connect(MOColours, &QAction::toggled, this, &FormMain::setHtmlColours);
    MONewLineEnd = MOption->addMenu(QStringLiteral("新規文書の改行 (&N)"));
    auto *lineEnds = new QActionGroup(this);
    MONewLf = lineEnds->addAction(QStringLiteral("LF (&L)"));
    MONewCrLf = lineEnds->addAction(QStringLiteral("CR LF (&C)"));
    for (QAction *item : {MONewLf, MONewCrLf}) {
        item->setCheckable(true);
        MONewLineEnd->addAction(item);
    }
    connect(MONewLf, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::Lf); });
    connect(MONewCrLf, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::CrLf); });

    MOColours->setChecked(true);
    setNewLineEnd(LineEnd::Lf); // the platform's line end
}

void FormMain::setNewLineEnd(LineEnd end)
{
    mNewLineEnd = end;
    (end == LineEnd::CrLf ? MONewCrLf : MONewLf)->setChecked(true);
    // The document in the window takes it while it is new and empty.
    m_documents->setNewLineEnd(end);
    if (m_documents->session().path().isEmpty() && RTB1->document()->isEmpty()) {
        RTB1->setLineEndConvention(end);
        if (StatusLineEnds)
            showLineEnds(QString());
    }
}

void FormMain::setHtmlColours(bool on)
{
    if (on == htmlColours())
        return;
    if (on) {
        m_highlighter = new HtmlHighlighter(RTB1);
    } else {
        delete m_highlighter; // takes its colours off the document
        m_highlighter = nullptr;
    }
    MOColours->setChecked(on);
}

void FormMain::zoomEditor(int steps)
{
    QFont font = RTB1->font();
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
    RTB1->setFont(font);
}

void FormMain::MFPrint_Click()
{
    // The source text as it is saved, in the chosen font and size, lines wrapped
    // at the page's width.
    QString text = RTB1->Text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextDocument document;
    QFont font = RTB1->font();
    if (m_zoom != 0 && font.pointSizeF() == m_zoomedSize)
        font.setPointSizeF(font.pointSizeF() - m_zoom);
    document.setDefaultFont(font);
    document.setPlainText(text);
    document.setMetaInformation(QTextDocument::DocumentTitle,
                                m_documents->session().path().isEmpty()
                                    ? QStringLiteral("Rubello")
                                    : m_documents->session().fileName());
    platform().printDocument(this, document);
}

void FormMain::MSNext_Click()
{
    findAgain(true);
}

void FormMain::MSPrevious_Click()
{
    findAgain(false);
}

void FormMain::findAgain(bool forward)
{
    // The search window's texts while it is open, else its last search.
    if (auto *form = qobject_cast<FormSearch *>(searchForm.data());
        form && form->isVisible() && !form->TextSearch->text().isEmpty()) {
        mLastSearch = form->TextSearch->text();
        mLastSearchExact = form->CheckStr->isChecked();
    }
    if (mLastSearch.isEmpty()) {
        MSSearch_Click();
        return;
    }
    const CompareMode mode = mLastSearchExact ? CompareMode::Exact : CompareMode::Loose;
    const QString text = RTB1->Text();
    const qsizetype length = mLastSearch.size();
    qsizetype found = -1; // 0-based
    if (forward) {
        found = findText(text, mLastSearch, RTB1->SelStart() + RTB1->SelLength() + 1, mode) - 1;
    } else {
        // The nearest hit that starts before the selection; never inside a CR LF.
        const auto splitsLineEnd = [&text](qsizetype at) {
            return at > 0 && at < text.size() && text.at(at - 1) == u'\r' && text.at(at) == u'\n';
        };
        for (qsizetype at = qMin<qsizetype>(RTB1->SelStart() - 1, text.size() - length); at >= 0;
             --at) {
            if (!splitsLineEnd(at) && !splitsLineEnd(at + length)
                && textsEqual(QStringView(text).sliced(at, length), mLastSearch, mode)) {
                found = at;
                break;
            }
        }
    }
    if (found < 0) {
        platform().showMessage(this, QMessageBox::Information, QStringLiteral("検索終了"),
                               QStringLiteral("文書の検索が終わりました。"), QMessageBox::Ok);
        return;
    }
    RTB1->setSelStart(int(found));
    RTB1->setSelLength(int(length));
}
