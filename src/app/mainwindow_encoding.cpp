#include "app/mainwindow.h"

#include "app/documentcommands.h"

#include "core/document/declarations.h"
#include "core/document/documentfile.h"
#include "core/paths.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"

#include <QCoreApplication>
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
        return QCoreApplication::translate("MainWindow", "改行混在");
    case LineEnds::CrLf:
    case LineEnds::None:
        break;
    }
    return QStringLiteral("CR LF");
}

} // namespace

void MainWindow::createEncodingMenu()
{
    m_encodingMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "文字コード (&C)"));
    m_reopenMenu = m_encodingMenu->addMenu(QCoreApplication::translate("MainWindow", "指定した文字コードで開き直す (&R)"));
    m_convertMenu = m_encodingMenu->addMenu(QCoreApplication::translate("MainWindow", "文字コードを変換 (&V)"));
    m_reopenMenu->addActions(m_documents->actions().reopen);
    m_convertMenu->addActions(m_documents->actions().convert);
    // Only a document read from a file can be read again.
    connect(m_encodingMenu, &QMenu::aboutToShow, this,
            [this] { m_reopenMenu->setEnabled(m_documents->session().hasFile()); });
}

void MainWindow::createStatusBar()
{
    m_encodingLabel = new QLabel(this);
    m_lineEndLabel = new QLabel(this);
    m_caretLabel = new QLabel(this);
    statusBar()->setFixedHeight(kStatusBarHeight);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->addPermanentWidget(m_caretLabel);
    statusBar()->addPermanentWidget(m_lineEndLabel);
    statusBar()->addPermanentWidget(m_encodingLabel);

    m_statusTimer = new QTimer(this);
    m_statusTimer->setSingleShot(true);
    m_statusTimer->setInterval(kStatusPauseMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        showLineEnds();
        showCaret();
    });
    // A keystroke only restarts the timer: the line ends need the whole text.
    connect(m_editor, &EditorControl::edited, m_statusTimer, qOverload<>(&QTimer::start));
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_editor->textCursor().block().length() <= kLongBlock)
            showCaret();
        else
            m_statusTimer->start();
    });
    showDocumentState(QString());
}

void MainWindow::showDocumentState(QStringView text)
{
    m_statusTimer->stop();
    m_encodingLabel->setText(encodingDisplayName(m_documents->session().encoding()));
    showLineEnds(text);
    showCaret();
}

void MainWindow::showLineEnds(QStringView text)
{
    LineEnds ends = lineEndsOf(text);
    // A text without line ends shows the one Enter gives it.
    if (ends == LineEnds::None && m_editor->lineEndConvention() == LineEnd::Lf)
        ends = LineEnds::Lf;
    m_lineEndLabel->setText(lineEndsCaption(ends));
}

void MainWindow::showLineEnds()
{
    showLineEnds(m_editor->text());
}

void MainWindow::showCaret()
{
    const auto [line, column] = m_editor->caretLineAndColumn();
    m_caretLabel->setText(QCoreApplication::translate("MainWindow", "%1 行、%2 列").arg(line).arg(column));
}
