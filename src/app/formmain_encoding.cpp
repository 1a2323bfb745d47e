#include "app/formmain.h"

#include "app/documentcommands.h"

#include "core/document/declarations.h"
#include "core/document/documentfile.h"
#include "core/paths.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

namespace {

// A caret in a block longer than this waits for a pause in typing: finding its
// line and column walks the block.
constexpr int kLongBlock = 4096;
constexpr int kStatusPauseMs = 300;
constexpr int kStatusBarHeight = 22;

QString lineEndsCaption(LineEnds ends)
{
    switch (ends) {
    case LineEnds::Lf:
        return QStringLiteral("LF");
    case LineEnds::Cr:
        return QStringLiteral("CR");
    case LineEnds::Mixed:
        return QStringLiteral("改行混在");
    case LineEnds::CrLf:
    case LineEnds::None:
        break;
    }
    return QStringLiteral("CR LF");
}

} // namespace

void FormMain::createEncodingMenu()
{
    MCode = menuBar()->addMenu(QStringLiteral("文字コード (&C)"));
    MCReopen = MCode->addMenu(QStringLiteral("指定した文字コードで開き直す (&R)"));
    MCConvert = MCode->addMenu(QStringLiteral("文字コードを変換 (&V)"));
    for (const TextEncoding &encoding : choosableEncodings()) {
        const QString name = encodingDisplayName(encoding);
        connect(MCReopen->addAction(name), &QAction::triggered, this,
                [this, encoding] { m_documents->reopenAs(encoding); });
        connect(MCConvert->addAction(name), &QAction::triggered, this,
                [this, encoding] { m_documents->convertTo(encoding); });
    }
    // Only a document read from a file can be read again.
    connect(MCode, &QMenu::aboutToShow, this,
            [this] { MCReopen->setEnabled(m_documents->session().hasFile()); });
}

void FormMain::createStatusBar()
{
    StatusEncoding = new QLabel(this);
    StatusLineEnds = new QLabel(this);
    StatusCaret = new QLabel(this);
    statusBar()->setFixedHeight(kStatusBarHeight);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->addPermanentWidget(StatusCaret);
    statusBar()->addPermanentWidget(StatusLineEnds);
    statusBar()->addPermanentWidget(StatusEncoding);

    m_statusTimer = new QTimer(this);
    m_statusTimer->setSingleShot(true);
    m_statusTimer->setInterval(kStatusPauseMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        showLineEnds();
        showCaret();
    });
    // A keystroke only restarts the timer: the line ends need the whole text.
    connect(RTB1, &EditorControl::Change, m_statusTimer, qOverload<>(&QTimer::start));
    connect(RTB1, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (RTB1->textCursor().block().length() <= kLongBlock)
            showCaret();
        else
            m_statusTimer->start();
    });
    showDocumentState(QString());
}

void FormMain::showDocumentState(QStringView text)
{
    m_statusTimer->stop();
    StatusEncoding->setText(encodingDisplayName(m_documents->session().encoding()));
    showLineEnds(text);
    showCaret();
}

void FormMain::showLineEnds(QStringView text)
{
    LineEnds ends = lineEndsOf(text);
    // A text without line ends shows the one Enter gives it.
    if (ends == LineEnds::None && RTB1->lineEndConvention() == LineEnd::Lf)
        ends = LineEnds::Lf;
    StatusLineEnds->setText(lineEndsCaption(ends));
}

void FormMain::showLineEnds()
{
    showLineEnds(RTB1->Text());
}

void FormMain::showCaret()
{
    const auto [line, column] = RTB1->caretLineAndColumn();
    StatusCaret->setText(QStringLiteral("%1 行、%2 列").arg(line).arg(column));
}
