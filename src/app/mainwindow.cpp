#include "app/mainwindow.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "app/rubycommands.h"
#include "app/documentcommands.h"
#include "core/paths.h"
#include "core/reading/readingengine.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/filebrowser.h"
#include "ui/filepanel.h"
#include "ui/platform.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QMenuBar>
#include <QStatusBar>
#include <QComboBox>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

// Resources of a static library must be registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(rubello);
}

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");

QAction *addItem(QMenu *menu, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

MainWindow::MainWindow(PlatformServices &platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
{
    initResources();
    setCaption(kProgramTitle);
    setWindowIcon(QIcon(QStringLiteral(":/rubello/rubello.png")));
    createControls();
    m_editorCommands = new EditorCommands(m_editor, m_platform, this);
    m_documents = new DocumentCommands(m_editor, platform, this);
    m_ruby = new RubyCommands(m_editor, m_platform, this);
    m_editorCommands->setPrintTitle([this] {
        const DocumentSession &session = m_documents->session();
        return session.path().isEmpty() ? QStringLiteral("Rubello") : session.fileName();
    });
    // The panel's folder, with the file highlighted in it: a full path, whatever the
    // process's working folder is.
    m_documents->setSuggestedFile([this] {
        const QString name = m_fileList->fileNameUndecodable() ? QString() : m_fileList->fileName();
        return name.isEmpty() ? m_fileList->path() : joinFolderAndName(m_fileList->path(), name);
    });
    createMenus();
    m_windowSettings = new WindowSettings(m_platform, this, m_recentMenu, statusBar());
    connect(m_windowSettings, &WindowSettings::recentFileChosen, this, &MainWindow::openFile);
    setTabOrder();
    connectHandlers();
    // Typing starts in the document, not in the first list of the panel.
    m_editor->setFocus();
}

MainWindow::~MainWindow() = default;

QString MainWindow::programTitle()
{
    return kProgramTitle;
}

void MainWindow::showError(const Error &error)
{
    showErrorMessage(m_platform, this, error);
}

void MainWindow::setCaption(const QString &caption)
{
    m_caption = caption;
    // Qt reads "[*]" as its own placeholder; doubled it shows as written.
    QString shown = caption;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(shown);
}

void MainWindow::createControls()
{
    // The file panel on the left, the editor filling the rest; the user may move
    // the line between them. At the design's size every control sits where it
    // always did; a smaller window shrinks the two lists, never cuts a control off.
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
    auto *panel = new QWidget(splitter);
    auto *column = new QVBoxLayout(panel);
    // The fourth ruby form's row is taken from the space above and between, so
    // the file panel keeps its place.
    column->setContentsMargins(8, 8, 7, 16);
    column->setSpacing(0);

    m_rubyOptions = new QGroupBox(QCoreApplication::translate("MainWindow", "ルビの文字形式"), panel);
    // The caption sits on the frame's top line, so the options keep their places.
    m_rubyOptions->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
    const QFont optionFont(QStringLiteral("ＭＳ ゴシック"), 9);
    const char *captions[4] = {QT_TRANSLATE_NOOP("MainWindow", "全角 カタカナ"), QT_TRANSLATE_NOOP("MainWindow", "全角 ひらがな"),
                               QT_TRANSLATE_NOOP("MainWindow", "半角 ｶﾀｶﾅ"), QT_TRANSLATE_NOOP("MainWindow", "ローマ字")};
    // At the usual font the options stand 24 pixels apart as they always did; a
    // larger font makes the box grow instead of cutting them.
    auto *options = new QVBoxLayout(m_rubyOptions);
    m_rubyOptions->ensurePolished(); // the caption's room is known
    options->setContentsMargins(16, qMax(0, 16 - m_rubyOptions->contentsMargins().top()), 7, 8);
    // Romaji's long vowels: with a macron or spelled as the kana are.
    m_longVowelBox = new QComboBox(m_rubyOptions);
    m_longVowelBox->addItems({QStringLiteral("ō ū"), QStringLiteral("ou uu")});
    m_longVowelBox->setToolTip(QCoreApplication::translate("MainWindow", "ローマ字の長音"));
    for (int i = 0; i < 4; ++i) {
        m_kanaButtons[i] = new QRadioButton(QCoreApplication::translate("MainWindow", captions[i]), m_rubyOptions);
        m_kanaButtons[i]->setFont(optionFont);
        if (i < 3)
            options->addWidget(m_kanaButtons[i]);
    }
    options->setSpacing(qMax(0, 24 - m_kanaButtons[0]->sizeHint().height()));
    // The long-vowel choice stands beside the romaji option it belongs to.
    auto *romajiRow = new QHBoxLayout;
    romajiRow->addWidget(m_kanaButtons[3]);
    romajiRow->addWidget(m_longVowelBox);
    options->addLayout(romajiRow);
    m_rubyOptions->setMinimumWidth(177);
    m_rubyOptions->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_kanaButtons[1]->setChecked(true);
    column->addWidget(m_rubyOptions, 0, Qt::AlignLeft);
    column->addSpacing(3);

    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addSpacing(16);
    m_omitOkuriganaCheck = new QCheckBox(QCoreApplication::translate("MainWindow", "送り仮名を省略"), panel);
    m_omitOkuriganaCheck->setMinimumHeight(25);
    m_omitOkuriganaCheck->setMinimumWidth(105);
    m_omitOkuriganaCheck->setChecked(true);
    row->addWidget(m_omitOkuriganaCheck);
    row->addSpacing(15);
    m_previewButton = new QToolButton(panel);
    m_previewButton->setFixedSize(25, 25);
    m_previewButton->setIcon(QIcon(QStringLiteral(":/rubello/preview.png")));
    m_previewButton->setIconSize(QSize(16, 16));
    m_previewButton->setToolTip(QCoreApplication::translate("MainWindow", "ブラウザで確認"));
    row->addWidget(m_previewButton);
    row->addStretch();
    column->addLayout(row);
    column->addSpacing(3);

    m_fileBrowser = new FileBrowser(panel);
    column->addWidget(m_fileBrowser, 1);
    m_driveList = m_fileBrowser->driveList();
    m_folderList = m_fileBrowser->folderList();
    m_fileList = m_fileBrowser->fileList();
    m_htmlOnlyCheck = m_fileBrowser->htmlOnlyBox();

    auto *editorPane = new QWidget(splitter);
    auto *editorBox = new QVBoxLayout(editorPane);
    editorBox->setContentsMargins(0, 8, 5, 2);
    m_editor = new EditorControl(editorPane);
    m_editor->setFont(defaultEditorFont());
    editorBox->addWidget(m_editor);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    m_splitter = splitter;
}

void MainWindow::createMenus()
{
    createFileMenu();
    createEditMenu();
    createSearchMenu();
    createFormatMenu();
    createEncodingMenu();
    createPreviewMenu();

    m_helpMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "ヘルプ (&H)"));
    m_helpAction = addItem(m_helpMenu, QCoreApplication::translate("MainWindow", "ヘルプ (&H)"), QKeySequence(Qt::Key_F1));
    m_helpMenu->addSeparator(); // sepa6
    m_aboutAction = addItem(m_helpMenu, QCoreApplication::translate("MainWindow", "バージョン情報 (&A)..."));

    createStatusBar();
    // The design's inner area is 822 x 529 pixels between the menu and status bars.
    resize(822, 529 + menuBar()->sizeHint().height() + statusBar()->height());
    // The editor starts at the design's 200 pixels from the left.
    m_splitter->setSizes({200 - m_splitter->handleWidth(), 822 - 200});
}

void MainWindow::createFileMenu()
{
    const DocumentCommands::Actions &document = m_documents->actions();
    const EditorCommands::Actions &edit = m_editorCommands->actions();
    m_fileMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "ファイル (&F)"));
    m_fileMenu->addActions({document.newDocument, document.open, document.save, document.saveAs});
    m_recentMenu = m_fileMenu->addMenu(QCoreApplication::translate("MainWindow", "最近使ったファイル (&R)"));
    m_recentMenu->setEnabled(false);
    m_fileMenu->addActions({edit.printPreview, edit.print});
    m_fileMenu->addSeparator(); // sepa1
    m_quitAction = addItem(m_fileMenu, QCoreApplication::translate("MainWindow", "終了 (&X)"), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void MainWindow::createEditMenu()
{
    const RubyCommands::Actions &ruby = m_ruby->actions();
    const EditorCommands::Actions &edit = m_editorCommands->actions();
    m_editMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "編集 (&E)"));
    m_editMenu->addActions({ruby.insertRuby, ruby.annotatePage, ruby.perKanji, ruby.perWord, ruby.stripRuby});
    m_editMenu->addSeparator(); // sepa2
    m_previewAction = addItem(m_editMenu, QCoreApplication::translate("MainWindow", "ブラウザで確認"), QKeySequence(Qt::Key_F8));
    m_editMenu->addSeparator(); // sepa3
    m_editMenu->addActions({edit.undo, edit.redo});
    m_editMenu->addSeparator(); // sepa4
    m_editMenu->addActions({edit.cut, edit.copy, edit.paste, edit.deleteSelection});
    m_editMenu->addSeparator(); // sepa5
    m_editMenu->addAction(edit.selectAll);
}

void MainWindow::createSearchMenu()
{
    m_searchMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "検索 (&S)"));
    m_findAction = addItem(m_searchMenu, QCoreApplication::translate("MainWindow", "検索と置換 (&F)..."),
                       QKeySequence(Qt::CTRL | Qt::Key_F));
    m_findNextAction = addItem(m_searchMenu, QCoreApplication::translate("MainWindow", "次を検索 (&N)"), QKeySequence(Qt::Key_F3));
    m_findPreviousAction = addItem(m_searchMenu, QCoreApplication::translate("MainWindow", "前を検索 (&P)"),
                                   QKeySequence(Qt::SHIFT | Qt::Key_F3));
}

void MainWindow::createFormatMenu()
{
    const EditorCommands::Actions &edit = m_editorCommands->actions();
    m_formatMenu = menuBar()->addMenu(QCoreApplication::translate("MainWindow", "書式 (&O)"));
    m_formatMenu->addActions({edit.font, edit.textColour, edit.backgroundColour});
    m_formatMenu->addSeparator();
    m_formatMenu->addAction(m_ruby->actions().editReadings);
    m_formatMenu->addSeparator();
    m_formatMenu->addActions({edit.zoomIn, edit.zoomOut, edit.zoomReset});
    m_formatMenu->addSeparator();
    m_formatMenu->addActions({edit.htmlColours, edit.lineNumbers, edit.softWrap});
    QMenu *newLineEnd = m_formatMenu->addMenu(QCoreApplication::translate("MainWindow", "新規文書の改行 (&N)"));
    newLineEnd->addActions({m_documents->actions().newLf, m_documents->actions().newCrLf});
}

void MainWindow::setTabOrder()
{
    QWidget *order[] = {m_driveList,        m_folderList,          m_fileList,         m_editor,          m_htmlOnlyCheck,
                        m_kanaButtons[0], m_kanaButtons[1], m_kanaButtons[2], m_kanaButtons[3], m_longVowelBox, m_omitOkuriganaCheck, m_previewButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void MainWindow::connectHandlers()
{
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::quit);

    connect(m_documents, &DocumentCommands::captionChanged, this, &MainWindow::setCaption);
    connect(m_documents, &DocumentCommands::folderChosen, this, &MainWindow::showFolderInPanel);
    connect(m_documents, &DocumentCommands::documentShown, this,
            [this](const QString &text) { showDocumentState(text); });
    connect(m_documents, &DocumentCommands::statusMessage, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    connect(m_documents, &DocumentCommands::fileUsed, this, &MainWindow::noteRecentFile);

    connect(m_ruby, &RubyCommands::statusMessage, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    // The option controls set the form, whoever checks them (the user, the settings).
    const auto chooseForm = [this] {
        const KanaForm forms[4] = {KanaForm::Katakana, KanaForm::Hiragana, KanaForm::HalfWidthKatakana,
                                   m_longVowelBox->currentIndex() == 1 ? KanaForm::RomajiSpelled : KanaForm::Romaji};
        for (int i = 0; i < 4; ++i) {
            if (m_kanaButtons[i]->isChecked())
                m_ruby->setKanaForm(forms[i]);
        }
    };
    for (QRadioButton *button : m_kanaButtons)
        connect(button, &QRadioButton::toggled, m_ruby, chooseForm);
    connect(m_longVowelBox, &QComboBox::currentIndexChanged, m_ruby, chooseForm);
    chooseForm();
    connect(m_omitOkuriganaCheck, &QCheckBox::toggled, m_ruby, &RubyCommands::setOmitOkurigana);
    m_ruby->setOmitOkurigana(m_omitOkuriganaCheck->isChecked());

    connect(m_previewAction, &QAction::triggered, this, &MainWindow::previewFromMenu);
    connect(m_previewButton, &QToolButton::clicked, this, &MainWindow::preview);
    connect(m_helpAction, &QAction::triggered, this, &MainWindow::showHelp);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    m_editorCommands->setContextMenu(m_editMenu);
    connect(m_findAction, &QAction::triggered, this, &MainWindow::showSearch);
    connect(m_findNextAction, &QAction::triggered, this, [this] { findAgain(true); });
    connect(m_findPreviousAction, &QAction::triggered, this, [this] { findAgain(false); });

    connect(m_editor, &EditorControl::filesDropped, this, &MainWindow::openDroppedFiles);
    connectFilePanel();
}

bool MainWindow::maybeClose()
{
    return m_documents->maybeSave();
}

void MainWindow::unload()
{
    if (m_searchDialog)
        m_searchDialog->close();
    m_unloaded = true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded && !maybeClose()) {
        event->ignore();
        return;
    }
    unload();
    event->accept();
}

void MainWindow::quit()
{
    close();
}

void MainWindow::endOnSignal()
{
    const DocumentSession &session = m_documents->session();
    if (session.isModified()) {
        Result<QByteArray> encoded = session.encode(m_editor->text());
        if (!encoded)
            encoded = encodeDocument(m_editor->text(), TextEncoding {kUtf8Encoding, false});
        const QByteArray bytes = encoded.value_or(QByteArray());
        const Result<QString> kept = keepUnsavedCopy(session.path(), bytes);
        m_unsavedCopy = kept.value_or(QString());
        std::fprintf(stderr, "rubello: %s\n",
                     kept ? qPrintable(QCoreApplication::translate("MainWindow", "未保存の内容を %1 に残しました。").arg(*kept))
                          : qPrintable(kept.error().detail));
    }
    m_previewFiles.removeAll();
    unload();
    close();
    QCoreApplication::quit();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, m_documents, &DocumentCommands::offerReload);
}
