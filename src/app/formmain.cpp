#include "app/formmain.h"

#include "ui/editorcontrol.h"
#include "ui/filepanel.h"
#include "ui/platform.h"
#include "ui/twips.h"
#include "core/reading/userreadings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QMenuBar>
#include <QStatusBar>
#include <QRadioButton>
#include <QToolButton>

#include <cstdio>

// Resources of a static library must be registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(rubello);
}

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");
const QString kModifiedMarker = QStringLiteral(" (更新)");

QAction *addItem(QMenu *menu, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

FormMain::FormMain(Module1 &module, PlatformServices &platform, QWidget *parent)
    : QMainWindow(parent)
    , CDlg(platform, this)
    , m_module(module)
    , m_platform(platform)
{
    initResources();
    setCaption(kProgramTitle);
    setWindowIcon(QIcon(QStringLiteral(":/rubello/rubello.png")));
    createControls();
    createMenus();
    setTabOrder();
    connectHandlers();
    Form_Load();
    // Typing starts in the document, not in the first list of the panel.
    RTB1->setFocus();
}

FormMain::~FormMain() = default;

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
    auto *inner = new QWidget(this);
    setCentralWidget(inner);
    inner->installEventFilter(this);

    Frame1 = new QGroupBox(QStringLiteral("ルビの文字形式"), inner);
    Frame1->setGeometry(px(120), px(240), px(2655), px(1335));
    // The caption sits on the frame's top line, so the options keep their places.
    Frame1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
    const QFont optionFont(QStringLiteral("ＭＳ ゴシック"), 9);
    const char16_t *captions[3] = {u"全角 カタカナ", u"全角 ひらがな", u"半角 ｶﾀｶﾅ"};
    const int tops[3] = {240, 600, 960};
    const int widths[3] = {1575, 1575, 1215};
    for (int i = 0; i < 3; ++i) {
        OptionKana[i] = new QRadioButton(QString::fromUtf16(captions[i]), Frame1);
        OptionKana[i]->setGeometry(px(240), px(tops[i]), px(widths[i]), px(255));
        OptionKana[i]->setFont(optionFont);
    }
    OptionKana[1]->setChecked(true);

    CheckSentKana = new QCheckBox(QStringLiteral("送り仮名を省略"), inner);
    CheckSentKana->setGeometry(px(360), px(1680), px(1575), px(375));
    CheckSentKana->setChecked(true);

    ComIE = new QToolButton(inner);
    ComIE->setGeometry(px(2160), px(1680), px(375), px(375));
    ComIE->setIcon(QIcon(QStringLiteral(":/rubello/preview.png")));
    ComIE->setIconSize(QSize(16, 16));
    ComIE->setToolTip(QStringLiteral("ブラウザで確認"));

    Drive1 = new DriveListBox(inner);
    Drive1->setGeometry(px(120), px(2280), px(2700), px(300));
    Dir1 = new DirListBox(inner);
    Dir1->setGeometry(px(120), px(2640), px(2625), px(1980));
    File1 = new FileListBox(inner);
    File1->setGeometry(px(120), px(4680), px(2655), px(2610));
    File1->setPattern(QStringLiteral("*.htm*"));

    CheckHTML = new QCheckBox(QStringLiteral("HTMLファイルのみ表示"), inner);
    CheckHTML->setGeometry(px(240), px(7440), px(2295), px(255));
    CheckHTML->setChecked(true);

    RTB1 = new EditorControl(inner);
    RTB1->setGeometry(px(3000), px(120), px(9255), px(7695));
    RTB1->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));
}

void FormMain::createMenus()
{
    MFile = menuBar()->addMenu(QStringLiteral("ファイル (&F)"));
    MFNew = addItem(MFile, QStringLiteral("新規作成 (&N)"), QKeySequence(Qt::CTRL | Qt::Key_N));
    MFOpen = addItem(MFile, QStringLiteral("開く (&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    MFSave = addItem(MFile, QStringLiteral("上書き保存 (&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MFSaveAs = addItem(MFile, QStringLiteral("名前を付けて保存 (&A)..."));
    MFRecent = MFile->addMenu(QStringLiteral("最近使ったファイル"));
    MFRecent->setEnabled(false);
    MFile->addSeparator(); // sepa1
    MFEnd = addItem(MFile, QStringLiteral("終了 (&X)"));

    MEdit = menuBar()->addMenu(QStringLiteral("編集 (&E)"));
    MERuby = addItem(MEdit, QStringLiteral("るびぃ (&R)"), QKeySequence(Qt::Key_F5));
    MEBatch = addItem(MEdit, QStringLiteral("ページ全体にルビ (&B)..."));
    MEPerKanji = addItem(MEdit, QStringLiteral("漢字ごとに振る"));
    MEPerKanji->setCheckable(true);
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

    MHelp = menuBar()->addMenu(QStringLiteral("ヘルプ (&H)"));
    MHHelp = addItem(MHelp, QStringLiteral("ヘルプ (&H)"), QKeySequence(Qt::Key_F1));
    MHelp->addSeparator(); // sepa6
    MHVersion = addItem(MHelp, QStringLiteral("バージョン情報 (&A)..."));

    createStatusBar();
    // The design's inner area is 822 x 529 pixels between the menu and status bars.
    resize(822, 529 + menuBar()->sizeHint().height() + statusBar()->height());
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
    connect(RTB1, &EditorControl::Change, this, &FormMain::RTB1_Change);
    connect(MFEnd, &QAction::triggered, this, &FormMain::MFEnd_Click);

    connect(MFNew, &QAction::triggered, this, &FormMain::MFNew_Click);
    connect(MFOpen, &QAction::triggered, this, &FormMain::MFOpen_Click);
    connect(MFSave, &QAction::triggered, this, &FormMain::MFSave_Click);
    connect(MFSaveAs, &QAction::triggered, this, &FormMain::MFSaveAs_Click);

    connect(MERuby, &QAction::triggered, this, &FormMain::MERuby_Click);
    connect(MEBatch, &QAction::triggered, this, &FormMain::MEBatch_Click);
    for (int i = 0; i < 3; ++i)
        connect(OptionKana[i], &QRadioButton::clicked, this, [this, i] { OptionKana_Click(i); });

    connect(MEIe, &QAction::triggered, this, &FormMain::MEIe_Click);
    connect(ComIE, &QToolButton::clicked, this, &FormMain::ComIE_Click);
    connect(MHHelp, &QAction::triggered, this, &FormMain::MHHelp_Click);
    connect(MHVersion, &QAction::triggered, this, &FormMain::MHVersion_Click);

    connect(MEBack, &QAction::triggered, this, &FormMain::MEBack_Click);
    connect(MERedo, &QAction::triggered, this, &FormMain::MERedo_Click);
    connect(MECut, &QAction::triggered, this, &FormMain::MECut_Click);
    connect(MECopy, &QAction::triggered, this, &FormMain::MECopy_Click);
    connect(MEPaste, &QAction::triggered, this, &FormMain::MEPaste_Click);
    connect(MEDel, &QAction::triggered, this, &FormMain::MEDel_Click);
    connect(MEAll, &QAction::triggered, this, &FormMain::MEAll_Click);
    connect(RTB1, &EditorControl::MouseUp, this, &FormMain::RTB1_MouseUp);
    connect(MOFont, &QAction::triggered, this, &FormMain::MOFont_Click);
    connect(MOfColor, &QAction::triggered, this, &FormMain::MOfColor_Click);
    connect(MObColor, &QAction::triggered, this, &FormMain::MObColor_Click);
    connect(MOReadings, &QAction::triggered, this, &FormMain::MOReadings_Click);
    connectEditKeys();

    connect(MSSearch, &QAction::triggered, this, &FormMain::MSSearch_Click);

    connect(RTB1, &EditorControl::OLEDragDrop, this, &FormMain::RTB1_OLEDragDrop);
    connectFilePanel();
}

void FormMain::Form_Load()
{
    // No wrapping, no drag of the editor's own, drops reported: set up by the control.
    CDlg.CancelError = true;
    CDlg.Filter
        = QStringLiteral("HTMLファイル(*.html,*.htm)|*.html;*.htm|すべてのファイル(*.*)|*.*|");
    mKanaMode = 1;
    mModified = kFalse;
    MFSave->setEnabled(false);
}

bool FormMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void FormMain::Form_Resize()
{
    // Each dimension is tested on its own; a too small window leaves it as it was.
    const QWidget *inner = centralWidget();
    if (inner->width() > 200)
        RTB1->resize(inner->width() - 200, RTB1->height());
    if (inner->height() > 10)
        RTB1->resize(RTB1->width(), inner->height() - 10);
}

void FormMain::RTB1_Change()
{
    if (mModified != kFalse)
        return;
    setCaption(Caption() + kModifiedMarker);
    mModified = kTrue;
}

qint16 FormMain::ConfirmSaveChanges()
{
    if (mModified != kTrue)
        return kFalse;
    const QString name = Caption().chopped(kModifiedMarker.size());
    const QString prompt = name + QStringLiteral("　の内容は更新されています。")
        + QStringLiteral("\r\n") + QStringLiteral("保存しますか？");
    const auto answer
        = m_platform.showMessage(this, QMessageBox::Question, kProgramTitle, prompt,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        MFSaveAs_Click();
        // A cancelled or failed save keeps the changes: going on would lose them.
        return mModified == kTrue ? kTrue : kFalse;
    case QMessageBox::No:
        return kFalse;
    default:
        return kTrue;
    }
}

qint16 FormMain::Form_QueryUnload()
{
    return ConfirmSaveChanges();
}

void FormMain::Form_Unload()
{
    if (m_module.gSearchLoaded == kTrue && searchForm)
        searchForm->close();
    m_unloaded = true;
}

void FormMain::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded && Form_QueryUnload() == kTrue) {
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
    if (mModified == kTrue) {
        EncodedText encoded = encodeDocument(RTB1->Text(), documentEncoding());
        if (encoded.error.isError())
            encoded = encodeDocument(RTB1->Text(), TextEncoding {kUtf8Encoding, false});
        const Result<QString> kept = keepUnsavedCopy(mFilePath, encoded.bytes);
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
