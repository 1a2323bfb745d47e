#include "ui/formsearch.h"

#include "ui/editorcontrol.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <limits>

namespace {

// Places a label or check box at its design rectangle. The design's heights were
// made for a smaller font: a taller control is centred on its rectangle, and a
// caption longer than the rectangle widens it, so nothing is cut off.
void placeCaptioned(QWidget *widget, int left, int top, int width, int height)
{
    QRect rect(left, top, width, height);
    const QSize hint = widget->sizeHint();
    if (hint.height() > rect.height()) {
        const int centre = rect.top() + rect.height() / 2;
        rect.setTop(centre - hint.height() / 2);
        rect.setHeight(hint.height());
    }
    if (hint.width() > rect.width())
        rect.setWidth(hint.width());
    widget->setGeometry(rect);
}

} // namespace

FormSearch::FormSearch(QWidget *owner, PlatformServices &platform, EditorControl *editor)
    : QDialog(owner,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_platform(platform)
    , RTB1(editor)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("検索と置換"));
    // No icon of its own: a blank one keeps the owner's from showing.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    setWindowIcon(QIcon(blank));
    setFixedSize(406, 185);
    createControls();
    connectHandlers();
    Form_Load();
}

FormSearch::~FormSearch()
{
    // Deleted with its owner without being closed first.
    if (!m_unloaded)
        Form_Unload();
}

void FormSearch::createControls()
{
    LabelSearch = new QLabel(QStringLiteral("検索する文字列 (&F)："), this);
    TextSearch = new QLineEdit(this);
    TextSearch->setGeometry(8, 24, 265, 18);
    // A line edit keeps a short text by default; a longer selection must not
    // be cut short into another search text.
    TextSearch->setMaxLength(std::numeric_limits<int>::max());
    LabelSearch->setBuddy(TextSearch);
    placeCaptioned(LabelSearch, 8, 8, 107, 12);

    LabelReplace = new QLabel(QStringLiteral("置換する文字列 (&I)："), this);
    TextReplace = new QLineEdit(this);
    TextReplace->setGeometry(8, 72, 265, 18);
    TextReplace->setMaxLength(std::numeric_limits<int>::max());
    LabelReplace->setBuddy(TextReplace);
    placeCaptioned(LabelReplace, 8, 56, 103, 12);
    LabelReplace->setEnabled(false);
    TextReplace->setEnabled(false);

    CheckReplace = new QCheckBox(QStringLiteral("置換も行う"), this);
    placeCaptioned(CheckReplace, 16, 112, 161, 12);
    CheckStr = new QCheckBox(QStringLiteral("大/小文字、全/半角、カナ/ひらがなを区別する"), this);
    placeCaptioned(CheckStr, 16, 136, 265, 12);
    CheckTop = new QCheckBox(QStringLiteral("先頭から検索する"), this);
    placeCaptioned(CheckTop, 16, 160, 161, 12);
    CheckTop->setChecked(true);

    ComSearch = new QPushButton(QStringLiteral("検索 (&S)"), this);
    ComSearch->setGeometry(296, 24, 89, 25);
    ComSearch->setToolTip(QStringLiteral("Enterキー"));
    ComSearch->setDefault(true);
    ComSearch->setEnabled(false);
    ComReplace = new QPushButton(QStringLiteral("置換 (&R)"), this);
    ComReplace->setGeometry(296, 64, 89, 25);
    ComReplace->setEnabled(false);
    ComAllReplace = new QPushButton(QStringLiteral("全て置換 (&A)"), this);
    ComAllReplace->setGeometry(296, 104, 89, 25);
    ComAllReplace->setEnabled(false);
    ComCancel = new QPushButton(QStringLiteral("閉じる"), this);
    ComCancel->setGeometry(296, 144, 89, 25);
    ComCancel->setToolTip(QStringLiteral("Escキー"));

    QWidget *order[] = {TextSearch, TextReplace,  ComSearch, ComReplace, ComAllReplace,
                        ComCancel,  CheckReplace, CheckStr,  CheckTop};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    TextSearch->setFocus();
}

void FormSearch::connectHandlers()
{
    connect(TextSearch, &QLineEdit::textChanged, this, &FormSearch::TextSearch_Change);
    connect(CheckReplace, &QCheckBox::toggled, this, &FormSearch::CheckReplace_Click);
    connect(ComSearch, &QPushButton::clicked, this, &FormSearch::ComSearch_Click);
    connect(ComReplace, &QPushButton::clicked, this, &FormSearch::ComReplace_Click);
    connect(ComAllReplace, &QPushButton::clicked, this, &FormSearch::ComAllReplace_Click);
    connect(ComCancel, &QPushButton::clicked, this, &FormSearch::ComCancel_Click);
}

void FormSearch::Form_Load()
{
    TextSearch->setText(RTB1->SelText());
    TextSearch->setSelection(0, int(TextSearch->text().size()));
}

void FormSearch::Form_Unload()
{
    m_unloaded = true;
}

void FormSearch::closeEvent(QCloseEvent *event)
{
    // Closing always unloads: the window is never merely hidden.
    Form_Unload();
    event->accept();
}

void FormSearch::reject()
{
    ComCancel_Click();
}

void FormSearch::TextSearch_Change()
{
    ComSearch->setEnabled(!TextSearch->text().isEmpty());
}

void FormSearch::CheckReplace_Click()
{
    const bool on = CheckReplace->checkState() == Qt::Checked;
    LabelReplace->setEnabled(on);
    TextReplace->setEnabled(on);
    ComReplace->setEnabled(on);
    ComAllReplace->setEnabled(on);
}

CompareMode FormSearch::compareMode() const
{
    return CheckStr->checkState() == Qt::Checked ? CompareMode::Exact : CompareMode::Loose;
}

void FormSearch::SetSearchStart()
{
    mSearchText = TextSearch->text();
    if (CheckTop->checkState() == Qt::Checked)
        mStartPos = 1;
    else
        mStartPos = RTB1->SelStart() + RTB1->SelLength() + 1;
}

void FormSearch::FindAndSelect()
{
    mDocText = RTB1->Text();
    const CompareMode mode = compareMode();
    mFoundPos = qint32(findText(mDocText, mSearchText, mStartPos, mode));
    if (mFoundPos < 1) {
        m_platform.showMessage(this, QMessageBox::Information, QStringLiteral("検索終了"),
                               QStringLiteral("文書の検索が終わりました。"), QMessageBox::Ok);
        mSearchEnded = true;
    } else {
        RTB1->setSelStart(mFoundPos - 1);
        RTB1->setSelLength(int(mSearchText.size()));
    }
    CheckTop->setChecked(false);
    RTB1->SetFocus();
}

void FormSearch::ComSearch_Click()
{
    SetSearchStart();
    FindAndSelect();
}

void FormSearch::ComReplace_Click()
{
    mSearchText = TextSearch->text();
    mReplaceText = RTB1->withLineEnds(TextReplace->text());
    if (CheckTop->checkState() == Qt::Checked) {
        mStartPos = 1;
    } else {
        // An empty search text is never found, so it never matches the selection
        // either: the replacement is not inserted at a bare caret.
        if (!mSearchText.isEmpty() && textsEqual(RTB1->SelText(), mSearchText, compareMode()))
            RTB1->setSelText(mReplaceText);
        mStartPos = RTB1->SelStart() + RTB1->SelLength() + 1;
    }
    FindAndSelect();
}

void FormSearch::ComAllReplace_Click()
{
    // The result of repeating Replace until a search finds nothing, computed in one
    // pass over the text and written to the editor as one edit of the changed span.
    mSearchEnded = false;
    mSearchText = TextSearch->text();
    mReplaceText = RTB1->withLineEnds(TextReplace->text());
    const bool fromTop = CheckTop->checkState() == Qt::Checked;
    ProgressWindow progress(this, QStringLiteral("置換しています..."));
    ReplaceAllResult result;
    {
        // The copy of the text goes before the editor is written.
        const QString text = RTB1->Text();
        result = replaceAll(text, RTB1->SelStart(), RTB1->SelLength(), fromTop, mSearchText,
                            mReplaceText, compareMode(), &progress);
    }
    if (result.stopped)
        return; // cancelled: nothing changed, no end message
    progress.setCancellable(false);
    if (result.replacements > 0) {
        RTB1->setSelStart(int(result.changeStart));
        RTB1->setSelLength(int(result.changeLength));
        RTB1->setSelText(result.changeText, &progress);
        result.changeText = QString();
    }
    if (result.searches > 1)
        CheckTop->setChecked(false); // the first search of the run found a hit
    RTB1->setSelStart(int(result.selStart));
    RTB1->setSelLength(int(result.selLength));
    // The run's last search, which finds nothing and reports the end.
    mStartPos = qint32(result.lastSearchStart);
    FindAndSelect();
}

void FormSearch::ComCancel_Click()
{
    close();
}
