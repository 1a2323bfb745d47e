#include "app/formmain.h"

#include "app/editorcommands.h"
#include "app/windowsettings.h"
#include "app/rubycommands.h"
#include "app/documentcommands.h"
#include "core/reading/readingengine.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/filebrowser.h"
#include "ui/filepanel.h"
#include "ui/platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QMenuBar>
#include <QStatusBar>
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

FormMain::FormMain(PlatformServices &platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
{
    initResources();
    setCaption(kProgramTitle);
    setWindowIcon(QIcon(QStringLiteral(":/rubello/rubello.png")));
    createControls();
    m_editorCommands = new EditorCommands(RTB1, m_platform, this);
    m_documents = new DocumentCommands(RTB1, platform, this);
    m_documents->setSuggestedFile([this] { return File1->FileName(); });
    createMenus();
    m_windowSettings = new WindowSettings(m_platform, this, MFRecent, statusBar());
    connect(m_windowSettings, &WindowSettings::recentFileChosen, this, &FormMain::openFile);
    setTabOrder();
    connectHandlers();
    Form_Load();
    // Typing starts in the document, not in the first list of the panel.
    RTB1->setFocus();
}

FormMain::~FormMain() = default;

QString FormMain::programTitle()
{
    return kProgramTitle;
}

void FormMain::showError(const Error &error)
{
    showErrorMessage(m_platform, this, error);
}

void FormMain::setCaption(const QString &caption)
{
    m_caption = caption;
    // Qt reads "[*]" as its own placeholder; doubled it shows as written.
    QString shown = caption;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(shown);
}

void FormMain::createControls()
{
    // The file panel on the left, the editor filling the rest; the user may move
    // the line between them. At the design's size every control sits where it
    // always did; a smaller window shrinks the two lists, never cuts a control off.
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
    auto *panel = new QWidget(splitter);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 16, 7, 16);
    column->setSpacing(0);

    Frame1 = new QGroupBox(QStringLiteral("ルビの文字形式"), panel);
    Frame1->setFixedSize(177, 89);
    // The caption sits on the frame's top line, so the options keep their places.
    Frame1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
    const QFont optionFont(QStringLiteral("ＭＳ ゴシック"), 9);
    const char16_t *captions[3] = {u"全角 カタカナ", u"全角 ひらがな", u"半角 ｶﾀｶﾅ"};
    for (int i = 0; i < 3; ++i) {
        OptionKana[i] = new QRadioButton(QString::fromUtf16(captions[i]), Frame1);
        OptionKana[i]->setGeometry(16, 16 + 24 * i, i == 2 ? 81 : 105, 17);
        OptionKana[i]->setFont(optionFont);
    }
    OptionKana[1]->setChecked(true);
    column->addWidget(Frame1);
    column->addSpacing(7);

    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addSpacing(16);
    CheckSentKana = new QCheckBox(QStringLiteral("送り仮名を省略"), panel);
    CheckSentKana->setFixedHeight(25);
    CheckSentKana->setMinimumWidth(105);
    CheckSentKana->setChecked(true);
    row->addWidget(CheckSentKana);
    row->addSpacing(15);
    ComIE = new QToolButton(panel);
    ComIE->setFixedSize(25, 25);
    ComIE->setIcon(QIcon(QStringLiteral(":/rubello/preview.png")));
    ComIE->setIconSize(QSize(16, 16));
    ComIE->setToolTip(QStringLiteral("ブラウザで確認"));
    row->addWidget(ComIE);
    row->addStretch();
    column->addLayout(row);
    column->addSpacing(15);

    m_fileBrowser = new FileBrowser(panel);
    column->addWidget(m_fileBrowser, 1);
    Drive1 = m_fileBrowser->driveList();
    Dir1 = m_fileBrowser->folderList();
    File1 = m_fileBrowser->fileList();
    CheckHTML = m_fileBrowser->htmlOnlyBox();
    panel->setMinimumWidth(Frame1->width() + 15);

    auto *editorPane = new QWidget(splitter);
    auto *editorBox = new QVBoxLayout(editorPane);
    editorBox->setContentsMargins(0, 8, 5, 2);
    RTB1 = new EditorControl(editorPane);
    RTB1->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));
    editorBox->addWidget(RTB1);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    m_splitter = splitter;
}

void FormMain::createMenus()
{
    MFile = menuBar()->addMenu(QStringLiteral("ファイル (&F)"));
    MFNew = addItem(MFile, QStringLiteral("新規作成 (&N)"), QKeySequence(Qt::CTRL | Qt::Key_N));
    MFOpen = addItem(MFile, QStringLiteral("開く (&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    MFSave = addItem(MFile, QStringLiteral("上書き保存 (&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MFSaveAs = addItem(MFile, QStringLiteral("名前を付けて保存 (&A)..."));
    MFRecent = MFile->addMenu(QStringLiteral("最近使ったファイル (&R)"));
    MFRecent->setEnabled(false);
    MFile->addSeparator(); // sepa1
    MFEnd = addItem(MFile, QStringLiteral("終了 (&X)"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    MEdit = menuBar()->addMenu(QStringLiteral("編集 (&E)"));
    MERuby = addItem(MEdit, QStringLiteral("るびぃ (&R)"), QKeySequence(Qt::Key_F5));
    MEBatch = addItem(MEdit, QStringLiteral("ページ全体にルビ (&B)..."));
    MEPerKanji = addItem(MEdit, QStringLiteral("漢字ごとに振る (&K)"));
    MEPerKanji->setCheckable(true);
    MEStrip = addItem(MEdit, QStringLiteral("ルビを外す (&H)"));
    MEdit->addSeparator(); // sepa2
    MEIe = addItem(MEdit, QStringLiteral("ブラウザで確認"), QKeySequence(Qt::Key_F8));
    MEdit->addSeparator(); // sepa3
    MEBack = addItem(MEdit, QStringLiteral("元に戻す (&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    MERedo = addItem(MEdit, QStringLiteral("やり直し (&Y)"));
    MERedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    MEdit->addSeparator(); // sepa4
    MECut = addItem(MEdit, QStringLiteral("切り取り (&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
    MECopy = addItem(MEdit, QStringLiteral("コピー (&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    MEPaste = addItem(MEdit, QStringLiteral("貼り付け (&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
    MEDel = addItem(MEdit, QStringLiteral("削除 (&L)"));
    MEdit->addSeparator(); // sepa5
    MEAll = addItem(MEdit, QStringLiteral("すべて選択 (&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));

    MSearch = menuBar()->addMenu(QStringLiteral("検索 (&S)"));
    MSSearch = addItem(MSearch, QStringLiteral("検索と置換 (&F)..."),
                       QKeySequence(Qt::CTRL | Qt::Key_F));

    MOption = menuBar()->addMenu(QStringLiteral("書式 (&O)"));
    // "(F)" carries no access key: "&&" would show an ampersand, a bare F none.
    MOFont = addItem(MOption, QStringLiteral("フォント (F)..."));
    MOfColor = addItem(MOption, QStringLiteral("文字色 (&M)"));
    MObColor = addItem(MOption, QStringLiteral("背景色 (&B)"));
    MOption->addSeparator();
    MOReadings = addItem(MOption, QStringLiteral("読みの修正のフォルダーを開く (&Y)"));

    createEncodingMenu();
    createDesktopMenus();

    MHelp = menuBar()->addMenu(QStringLiteral("ヘルプ (&H)"));
    MHHelp = addItem(MHelp, QStringLiteral("ヘルプ (&H)"), QKeySequence(Qt::Key_F1));
    MHelp->addSeparator(); // sepa6
    MHVersion = addItem(MHelp, QStringLiteral("バージョン情報 (&A)..."));

    createStatusBar();
    // The design's inner area is 822 x 529 pixels between the menu and status bars.
    resize(822, 529 + menuBar()->sizeHint().height() + statusBar()->height());
    // The editor starts at the design's 200 pixels from the left.
    m_splitter->setSizes({200 - m_splitter->handleWidth(), 822 - 200});
}

void FormMain::setTabOrder()
{
    QWidget *order[] = {Drive1,        Dir1,          File1,         RTB1,          CheckHTML,
                        OptionKana[0], OptionKana[1], OptionKana[2], CheckSentKana, ComIE};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void FormMain::connectHandlers()
{
    connect(MFEnd, &QAction::triggered, this, &FormMain::MFEnd_Click);

    connect(MFNew, &QAction::triggered, m_documents, &DocumentCommands::newDocument);
    connect(MFOpen, &QAction::triggered, m_documents, &DocumentCommands::open);
    connect(MFSave, &QAction::triggered, m_documents, &DocumentCommands::save);
    connect(MFSaveAs, &QAction::triggered, m_documents, &DocumentCommands::saveAs);
    connect(m_documents, &DocumentCommands::captionChanged, this, &FormMain::setCaption);
    connect(m_documents, &DocumentCommands::folderChosen, this, &FormMain::showFolderInPanel);
    connect(m_documents, &DocumentCommands::documentShown, this,
            [this](const QString &text) { showDocumentState(text); });
    connect(m_documents, &DocumentCommands::statusMessage, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    connect(m_documents, &DocumentCommands::fileUsed, this, &FormMain::noteRecentFile);
    connect(m_documents, &DocumentCommands::hasFileChanged, MFSave, &QAction::setEnabled);

    m_ruby = new RubyCommands(RTB1, m_platform, this);
    connect(MERuby, &QAction::triggered, m_ruby, &RubyCommands::insertRuby);
    connect(MEBatch, &QAction::triggered, m_ruby, &RubyCommands::annotatePage);
    connect(MEStrip, &QAction::triggered, m_ruby, &RubyCommands::stripRuby);
    connect(MOReadings, &QAction::triggered, m_ruby, &RubyCommands::editReadings);
    // The option controls set the form, whoever checks them (the user, the settings).
    const KanaForm forms[3] = {KanaForm::Katakana, KanaForm::Hiragana, KanaForm::HalfWidthKatakana};
    for (int i = 0; i < 3; ++i) {
        connect(OptionKana[i], &QRadioButton::toggled, m_ruby, [this, form = forms[i]](bool on) {
            if (on)
                m_ruby->setKanaForm(form);
        });
        if (OptionKana[i]->isChecked())
            m_ruby->setKanaForm(forms[i]);
    }
    connect(CheckSentKana, &QCheckBox::toggled, m_ruby, &RubyCommands::setOmitOkurigana);
    m_ruby->setOmitOkurigana(CheckSentKana->isChecked());
    connect(MEPerKanji, &QAction::toggled, m_ruby, &RubyCommands::setPerKanji);

    connect(MEIe, &QAction::triggered, this, &FormMain::MEIe_Click);
    connect(ComIE, &QToolButton::clicked, this, &FormMain::ComIE_Click);
    connect(MHHelp, &QAction::triggered, this, &FormMain::MHHelp_Click);
    connect(MHVersion, &QAction::triggered, this, &FormMain::MHVersion_Click);

    EditorCommands *edit = m_editorCommands;
    connect(MEBack, &QAction::triggered, edit, &EditorCommands::undo);
    connect(MERedo, &QAction::triggered, edit, &EditorCommands::redo);
    connect(MECut, &QAction::triggered, edit, &EditorCommands::cut);
    connect(MECopy, &QAction::triggered, edit, &EditorCommands::copy);
    connect(MEPaste, &QAction::triggered, edit, &EditorCommands::paste);
    connect(MEDel, &QAction::triggered, edit, &EditorCommands::deleteSelection);
    connect(MEAll, &QAction::triggered, edit, &EditorCommands::selectAll);
    edit->setContextMenu(MEdit);
    connect(MOFont, &QAction::triggered, edit, &EditorCommands::chooseFont);
    connect(MOfColor, &QAction::triggered, edit, &EditorCommands::chooseTextColor);
    connect(MObColor, &QAction::triggered, edit, &EditorCommands::chooseBackColor);

    connect(MSSearch, &QAction::triggered, this, &FormMain::MSSearch_Click);

    connect(RTB1, &EditorControl::OLEDragDrop, this, &FormMain::RTB1_OLEDragDrop);
    connectFilePanel();
}

void FormMain::Form_Load()
{
    // No wrapping, no drag of the editor's own, drops reported: set up by the control.
    MFSave->setEnabled(false);
}

bool FormMain::Form_QueryUnload()
{
    return m_documents->maybeSave();
}

void FormMain::Form_Unload()
{
    if (searchForm)
        searchForm->close();
    m_unloaded = true;
}

void FormMain::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded && Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void FormMain::MFEnd_Click()
{
    close();
}

void FormMain::endOnSignal()
{
    const DocumentSession &session = m_documents->session();
    if (session.isModified()) {
        EncodedText encoded = session.encode(RTB1->Text());
        if (encoded.error.isError())
            encoded = encodeDocument(RTB1->Text(), TextEncoding {kUtf8Encoding, false});
        const Result<QString> kept = keepUnsavedCopy(session.path(), encoded.bytes);
        mUnsavedCopy = kept.value_or(QString());
        std::fprintf(stderr, "rubello: %s\n",
                     kept ? qPrintable(QStringLiteral("未保存の内容を %1 に残しました。").arg(*kept))
                          : qPrintable(kept.error().detail));
    }
    m_previewFiles.removeAll();
    Form_Unload();
    close();
    QCoreApplication::quit();
}

void FormMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, m_documents, &DocumentCommands::offerReload);
}
