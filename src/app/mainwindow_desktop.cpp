#include "app/mainwindow.h"

#include "app/documentcommands.h"
#include "app/editorcommands.h"
#include "ui/editorcontrol.h"
#include "ui/searchdialog.h"
#include "ui/platform.h"

#include <QCoreApplication>
#include <QActionGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

void MainWindow::createDesktopMenus()
{
    m_printAction = new QAction(QCoreApplication::translate("MainWindow", "印刷 (&P)..."), this);
    m_printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // Before the separator above 終了.
    const QList<QAction *> fileItems = m_fileMenu->actions();
    m_fileMenu->insertAction(fileItems.at(fileItems.indexOf(m_quitAction) - 1), m_printAction);
    // The source text as it is saved, under the file's name.
    m_printPreviewAction = new QAction(QCoreApplication::translate("MainWindow", "印刷プレビュー (&V)..."), this);
    m_fileMenu->insertAction(m_printAction, m_printPreviewAction);
    for (QAction *action : {m_printAction, m_printPreviewAction}) {
        connect(action, &QAction::triggered, this, [this, action] {
            const DocumentSession &session = m_documents->session();
            m_editorCommands->print(session.path().isEmpty() ? QStringLiteral("Rubello") : session.fileName(),
                                    action == m_printPreviewAction);
        });
    }

    m_findNextAction = m_searchMenu->addAction(QCoreApplication::translate("MainWindow", "次を検索 (&N)"));
    m_findNextAction->setShortcut(QKeySequence(Qt::Key_F3));
    m_findPreviousAction = m_searchMenu->addAction(QCoreApplication::translate("MainWindow", "前を検索 (&P)"));
    m_findPreviousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(m_findNextAction, &QAction::triggered, this, [this] { findAgain(true); });
    connect(m_findPreviousAction, &QAction::triggered, this, [this] { findAgain(false); });

    m_formatMenu->addSeparator();
    m_zoomInAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "拡大 (&I)"));
    m_zoomInAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                            QKeySequence(Qt::CTRL | Qt::Key_Equal),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    m_zoomOutAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "縮小 (&D)"));
    m_zoomOutAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    m_zoomResetAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "元の大きさ (&0)"));
    m_zoomResetAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    EditorCommands *edit = m_editorCommands;
    connect(m_zoomInAction, &QAction::triggered, edit, [edit] { edit->zoom(1); });
    connect(m_zoomOutAction, &QAction::triggered, edit, [edit] { edit->zoom(-1); });
    connect(m_zoomResetAction, &QAction::triggered, edit, [edit] { edit->zoom(0); });

    m_formatMenu->addSeparator();
    m_htmlColoursAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "HTMLの色分け (&H)"));
    m_htmlColoursAction->setCheckable(true);
    connect(m_htmlColoursAction, &QAction::toggled, edit, &EditorCommands::setHtmlColours);
    connect(edit, &EditorCommands::htmlColoursChanged, m_htmlColoursAction, &QAction::setChecked);
    m_lineNumbersAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "行番号 (&L)"));
    m_lineNumbersAction->setCheckable(true);
    connect(m_lineNumbersAction, &QAction::toggled, m_editor, &EditorControl::setLineNumbersShown);
    m_softWrapAction = m_formatMenu->addAction(QCoreApplication::translate("MainWindow", "右端で折り返す (&W)"));
    m_softWrapAction->setCheckable(true);
    connect(m_softWrapAction, &QAction::toggled, m_editor, &EditorControl::setSoftWrap);
    m_newLineEndMenu = m_formatMenu->addMenu(QCoreApplication::translate("MainWindow", "新規文書の改行 (&N)"));
    auto *lineEnds = new QActionGroup(this);
    m_newLfAction = lineEnds->addAction(QStringLiteral("LF (&L)"));
    m_newCrLfAction = lineEnds->addAction(QStringLiteral("CR LF (&C)"));
    for (QAction *item : {m_newLfAction, m_newCrLfAction}) {
        item->setCheckable(true);
        m_newLineEndMenu->addAction(item);
    }
    connect(m_newLfAction, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::Lf); });
    connect(m_newCrLfAction, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::CrLf); });

    m_htmlColoursAction->setChecked(true);
    m_lineNumbersAction->setChecked(true);
    setNewLineEnd(LineEnd::Lf); // the platform's line end
}

void MainWindow::setNewLineEnd(LineEnd end)
{
    m_newLineEnd = end;
    (end == LineEnd::CrLf ? m_newCrLfAction : m_newLfAction)->setChecked(true);
    // The document in the window takes it while it is new and empty.
    m_documents->setNewLineEnd(end);
    if (m_documents->session().path().isEmpty() && m_editor->document()->isEmpty()) {
        m_editor->setLineEndConvention(end);
        if (m_lineEndLabel)
            showLineEnds(QString());
    }
}

void MainWindow::findAgain(bool forward)
{
    // The search window's texts while it is open, else its last search.
    if (auto *form = qobject_cast<SearchDialog *>(m_searchDialog.data());
        form && form->isVisible() && !form->searchEdit()->text().isEmpty()) {
        m_lastSearch = form->searchEdit()->text();
        m_lastSearchExact = form->exactCheck()->isChecked();
    }
    if (m_lastSearch.isEmpty()) {
        showSearch();
        return;
    }
    m_editorCommands->findAgain(m_lastSearch, m_lastSearchExact, forward);
}
