#include "app/mainwindow.h"

#include "app/documentcommands.h"

#include "core/document/documentfile.h"
#include "core/paths.h"
#include "core/document/previewfile.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"
#include "ui/previewinterface.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPluginLoader>
#include <QSignalBlocker>
#include <QSplitter>
#include <unistd.h>

#include <utility>

#include <QCoreApplication>

void MainWindow::preview()
{
    const QString programFolder = platform().programFolder();
    const QString folder = previewFolder(programFolder);
    if (folder != programFolder) {
        const Result<void> ready = preparePrivateFolder(folder);
        if (!ready) {
            showPreviewError(platform(), this, ready.error());
            return;
        }
    }
    const QString path = joinFolderAndName(folder, QStringLiteral("_tmp.html"));
    // Encoded as a save encodes the document; only this copy gets the base address.
    QString text = m_editor->text();
    const QString document = m_documents->session().path();
    if (!document.isEmpty())
        text = withDocumentBase(text, document.left(document.lastIndexOf(QLatin1Char('/')) + 1));
    const Result<QByteArray> encoded = m_documents->session().encode(text);
    if (!encoded) {
        showDocumentError(platform(), this, encoded.error());
        return;
    }
    if (const Result<void> written = m_previewFiles.write(path, *encoded); !written) {
        showPreviewError(platform(), this, written.error());
        return;
    }
    if (platform().openInBrowser(path))
        return;
    const QString message = QCoreApplication::translate("MainWindow", "ブラウザが見つからないため、表示できません。")
        + QStringLiteral("\r\n") + QCoreApplication::translate("MainWindow", "確認用のファイル: ") + path;
    if (platform().askTwoWay(this, QStringLiteral("Rubello"), message,
                             QCoreApplication::translate("MainWindow", "パスをコピー (&C)"), QCoreApplication::translate("MainWindow", "閉じる")))
        platform().copyText(path);
}

void MainWindow::previewFromMenu()
{
    preview();
}

void MainWindow::createPreviewMenu()
{
    // Beside F8's item: F8 still sends the page to the web browser.
    const QList<QAction *> items = m_editMenu->actions();
    QAction *before = items.value(items.indexOf(m_previewAction) + 1);
    m_previewPaneAction = new QAction(QCoreApplication::translate("MainWindow", "プレビュー"), this);
    m_previewPaneAction->setCheckable(true);
    m_previewPaneAction->setShortcut(QKeySequence(Qt::Key_F9));
    m_editMenu->insertAction(before, m_previewPaneAction);
    auto *options = new QMenu(QCoreApplication::translate("MainWindow", "プレビューの設定 (&W)"), this);
    m_previewScriptsAction = options->addAction(QCoreApplication::translate("MainWindow", "ページのスクリプトを実行する (&J)"));
    m_previewRemoteAction
        = options->addAction(QCoreApplication::translate("MainWindow", "ネットワーク上の画像などを読み込む (この間だけ) (&N)"));
    for (QAction *option : {m_previewScriptsAction, m_previewRemoteAction})
        option->setCheckable(true);
    m_editMenu->insertMenu(before, options);

    connect(m_previewPaneAction, &QAction::toggled, this, &MainWindow::setPreviewShown);
    connect(m_previewScriptsAction, &QAction::toggled, this, [this](bool on) {
        if (m_previewPane)
            m_previewPane->setScriptsEnabled(on);
    });
    connect(m_previewRemoteAction, &QAction::toggled, this, [this](bool on) {
        if (m_previewPane)
            m_previewPane->setRemoteAllowed(on);
    });
}

PreviewPaneInterface *MainWindow::loadPreviewPane()
{
    // Beside the program in the build folder and under the installed prefix alike;
    // RUBELLO_PLUGIN_DIR points elsewhere (a relocated or test build).
    QString folder = qEnvironmentVariable("RUBELLO_PLUGIN_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../" RUBELLO_PLUGIN_SUBDIR);
    QString why;
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
        && !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(u"--no-sandbox")) {
        // Chromium will not start as root with its sandbox and ends the whole program,
        // unsaved text and all, instead of failing.
        why = QCoreApplication::translate(
            "MainWindow", "管理者 (root) として動いているため、描画エンジンを起動できません。");
    } else {
        QPluginLoader loader(QDir(folder).filePath(QStringLiteral(RUBELLO_PREVIEW_MODULE)));
        if (auto *factory = qobject_cast<PreviewPaneFactory *>(loader.instance()))
            return factory->createPane(m_splitter);
        why = loader.errorString();
    }
    // In the pane's place: why it cannot be shown. The editor goes on as before.
    auto *notice = new QLabel(m_splitter);
    notice->setObjectName(QStringLiteral("previewUnavailable"));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignCenter);
    notice->setMargin(12);
    notice->setTextFormat(Qt::PlainText);
    notice->setText(QCoreApplication::translate("MainWindow", "プレビューを表示できません。")
                    + QStringLiteral("\n\n") + why);
    m_previewWidget = notice;
    return nullptr;
}

void MainWindow::createPreviewPane()
{
    m_previewPane = loadPreviewPane();
    if (!m_previewPane) {
        m_splitter->addWidget(m_previewWidget);
        return;
    }
    m_previewWidget = m_previewPane->widget();
    m_splitter->addWidget(m_previewWidget);
    m_splitter->setStretchFactor(2, 1);
    m_previewPane->setSource([this] { return m_editor->text(); },
                             [this] { return m_documents->session().path(); },
                             [this] {
                                 return qMakePair(m_editor->selectionStart(), m_editor->selectionLength());
                             });
    m_previewPane->setListeners(
        [this](bool) {
            // The engine's surface makes the window anew the first time: it keeps the keys.
            if (!std::exchange(m_previewFocusPending, false))
                return;
            activateWindow();
            if (m_previewFocus)
                m_previewFocus->setFocus();
        },
        [this](int offset) {
            m_editor->setSelectionStart(offset);
            m_editor->setSelectionLength(0);
            m_editor->setFocus();
        },
        [this](const QUrl &url) { openPreviewLink(url); });
    if (m_previewScriptsAction->isChecked())
        m_previewPane->setScriptsEnabled(true);
    if (m_previewRemoteAction->isChecked())
        m_previewPane->setRemoteAllowed(true);
    // Each key only restarts a timer; the text is read when the render is due.
    auto changed = [this] {
        if (m_previewWidget->isVisible())
            m_previewPane->noteTextChanged();
    };
    connect(m_editor, &EditorControl::edited, m_previewWidget, changed);
    // Save As and Open move the page to another folder.
    connect(m_documents, &DocumentCommands::captionChanged, m_previewWidget, changed);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, m_previewWidget, [this] {
        if (m_previewWidget->isVisible())
            m_previewPane->noteSelectionChanged();
    });
}

void MainWindow::setPreviewShown(bool shown)
{
    m_previewWanted = shown;
    {
        const QSignalBlocker blocker(m_previewPaneAction);
        m_previewPaneAction->setChecked(shown);
    }
    if (!shown) {
        if (m_previewWidget && !m_previewWidget->isHidden()) {
            m_previewWidth = m_splitter->sizes().value(2);
            m_previewWidget->hide();
        }
        return;
    }
    if (!m_previewWidget) {
        m_previewFocusPending = isActiveWindow();
        m_previewFocus = focusWidget();
        createPreviewPane();
    } else if (!m_previewWidget->isHidden()) {
        return;
    }
    QList<int> sizes = m_splitter->sizes();
    const int room = sizes.value(1) + sizes.value(2);
    const int width = m_previewWidth > 0 ? qMin(m_previewWidth, room - 100) : room / 2;
    m_previewWidget->show();
    m_splitter->setSizes({sizes.value(0), room - width, width});
    if (m_previewPane) {
        m_previewPane->renderNow();
        m_previewPane->noteSelectionChanged();
    }
}

bool MainWindow::previewShown() const
{
    return m_previewWanted;
}

void MainWindow::openPreviewLink(const QUrl &url)
{
    // As F1 shows its page: a local file through the browser choice, an address
    // through the desktop, which gives it to its web browser.
    if (url.isLocalFile())
        platform().openInBrowser(url.toLocalFile());
    else if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
        platform().openWithDesktop(url.toString());
}

void MainWindow::usePreviewChoices(const RememberedChoices &choices)
{
    if (choices.previewWidth)
        m_previewWidth = *choices.previewWidth;
    if (choices.previewShown && *choices.previewShown)
        setPreviewShown(true);
}

void MainWindow::keepPreviewChoices(RememberedChoices &choices) const
{
    choices.previewShown = m_previewWanted;
    const int width = m_previewWidget && !m_previewWidget->isHidden() ? m_splitter->sizes().value(2)
                                                                   : m_previewWidth;
    if (width > 0)
        choices.previewWidth = width;
}
