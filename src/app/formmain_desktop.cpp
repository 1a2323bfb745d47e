#include "app/formmain.h"

#include "app/documentcommands.h"
#include "app/editorcommands.h"
#include "ui/editorcontrol.h"
#include "ui/formsearch.h"
#include "ui/platform.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

void FormMain::createDesktopMenus()
{
    MFPrint = new QAction(QStringLiteral("印刷 (&P)..."), this);
    MFPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // Before the separator above 終了.
    const QList<QAction *> fileItems = MFile->actions();
    MFile->insertAction(fileItems.at(fileItems.indexOf(MFEnd) - 1), MFPrint);
    // The source text as it is saved, under the file's name.
    connect(MFPrint, &QAction::triggered, this, [this] {
        const DocumentSession &session = m_documents->session();
        m_editorCommands->print(session.path().isEmpty() ? QStringLiteral("Rubello")
                                                         : session.fileName());
    });

    MSNext = MSearch->addAction(QStringLiteral("次を検索 (&N)"));
    MSNext->setShortcut(QKeySequence(Qt::Key_F3));
    MSPrevious = MSearch->addAction(QStringLiteral("前を検索 (&P)"));
    MSPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(MSNext, &QAction::triggered, this, [this] { findAgain(true); });
    connect(MSPrevious, &QAction::triggered, this, [this] { findAgain(false); });

    MOption->addSeparator();
    MOZoomIn = MOption->addAction(QStringLiteral("拡大 (&I)"));
    MOZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                            QKeySequence(Qt::CTRL | Qt::Key_Equal),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    MOZoomOut = MOption->addAction(QStringLiteral("縮小 (&D)"));
    MOZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    MOZoomReset = MOption->addAction(QStringLiteral("元の大きさ (&0)"));
    MOZoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    EditorCommands *edit = m_editorCommands;
    connect(MOZoomIn, &QAction::triggered, edit, [edit] { edit->zoom(1); });
    connect(MOZoomOut, &QAction::triggered, edit, [edit] { edit->zoom(-1); });
    connect(MOZoomReset, &QAction::triggered, edit, [edit] { edit->zoom(0); });

    MOption->addSeparator();
    MOColours = MOption->addAction(QStringLiteral("HTMLの色分け (&H)"));
    MOColours->setCheckable(true);
    connect(MOColours, &QAction::toggled, edit, &EditorCommands::setHtmlColours);
    connect(edit, &EditorCommands::htmlColoursChanged, MOColours, &QAction::setChecked);
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
    m_editorCommands->findAgain(mLastSearch, mLastSearchExact, forward);
}
