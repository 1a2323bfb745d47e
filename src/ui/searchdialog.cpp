#include "ui/searchdialog.h"

#include "ui/editorcontrol.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"

#include <QCoreApplication>
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

SearchDialog::SearchDialog(QWidget *owner, PlatformServices &platform, EditorControl *editor)
    : QDialog(owner,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_platform(platform)
    , m_editor(editor)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QCoreApplication::translate("SearchDialog", "検索と置換"));
    // No icon of its own: a blank one keeps the owner's from showing.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    setWindowIcon(QIcon(blank));
    setFixedSize(406, 185);
    createControls();
    connectHandlers();
    resetFields();
}

SearchDialog::~SearchDialog()
{
    // Deleted with its owner without being closed first.
    if (!m_unloaded)
        forgetSearch();
}

void SearchDialog::createControls()
{
    m_searchLabel = new QLabel(QCoreApplication::translate("SearchDialog", "検索する文字列 (&F)："), this);
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setGeometry(8, 24, 265, 18);
    // A line edit keeps a short text by default; a longer selection must not
    // be cut short into another search text.
    m_searchEdit->setMaxLength(std::numeric_limits<int>::max());
    m_searchLabel->setBuddy(m_searchEdit);
    placeCaptioned(m_searchLabel, 8, 8, 107, 12);

    m_replaceLabel = new QLabel(QCoreApplication::translate("SearchDialog", "置換する文字列 (&I)："), this);
    m_replaceEdit = new QLineEdit(this);
    m_replaceEdit->setGeometry(8, 72, 265, 18);
    m_replaceEdit->setMaxLength(std::numeric_limits<int>::max());
    m_replaceLabel->setBuddy(m_replaceEdit);
    placeCaptioned(m_replaceLabel, 8, 56, 103, 12);
    m_replaceLabel->setEnabled(false);
    m_replaceEdit->setEnabled(false);

    m_replaceCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "置換も行う"), this);
    placeCaptioned(m_replaceCheck, 16, 112, 161, 12);
    m_exactCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "大/小文字、全/半角、カナ/ひらがなを区別する"), this);
    placeCaptioned(m_exactCheck, 16, 136, 265, 12);
    m_fromTopCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "先頭から検索する"), this);
    placeCaptioned(m_fromTopCheck, 16, 160, 161, 12);
    m_fromTopCheck->setChecked(true);

    m_findButton = new QPushButton(QCoreApplication::translate("SearchDialog", "検索 (&S)"), this);
    m_findButton->setGeometry(296, 24, 89, 25);
    m_findButton->setToolTip(QCoreApplication::translate("SearchDialog", "Enterキー"));
    m_findButton->setDefault(true);
    m_findButton->setEnabled(false);
    m_replaceButton = new QPushButton(QCoreApplication::translate("SearchDialog", "置換 (&R)"), this);
    m_replaceButton->setGeometry(296, 64, 89, 25);
    m_replaceButton->setEnabled(false);
    m_replaceAllButton = new QPushButton(QCoreApplication::translate("SearchDialog", "全て置換 (&A)"), this);
    m_replaceAllButton->setGeometry(296, 104, 89, 25);
    m_replaceAllButton->setEnabled(false);
    m_cancelButton = new QPushButton(QCoreApplication::translate("SearchDialog", "閉じる"), this);
    m_cancelButton->setGeometry(296, 144, 89, 25);
    m_cancelButton->setToolTip(QCoreApplication::translate("SearchDialog", "Escキー"));

    QWidget *order[] = {m_searchEdit, m_replaceEdit,  m_findButton, m_replaceButton, m_replaceAllButton,
                        m_cancelButton,  m_replaceCheck, m_exactCheck,  m_fromTopCheck};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_searchEdit->setFocus();
}

void SearchDialog::connectHandlers()
{
    connect(m_searchEdit, &QLineEdit::textChanged, this, &SearchDialog::onSearchTextChanged);
    connect(m_replaceCheck, &QCheckBox::toggled, this, &SearchDialog::onReplaceToggled);
    connect(m_findButton, &QPushButton::clicked, this, &SearchDialog::find);
    connect(m_replaceButton, &QPushButton::clicked, this, &SearchDialog::replace);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &SearchDialog::replaceAllMatches);
    connect(m_cancelButton, &QPushButton::clicked, this, &SearchDialog::cancel);
}

void SearchDialog::resetFields()
{
    m_searchEdit->setText(m_editor->selectedText());
    m_searchEdit->setSelection(0, int(m_searchEdit->text().size()));
}

void SearchDialog::forgetSearch()
{
    m_unloaded = true;
}

void SearchDialog::closeEvent(QCloseEvent *event)
{
    // Closing always unloads: the window is never merely hidden.
    forgetSearch();
    event->accept();
}

void SearchDialog::reject()
{
    cancel();
}

void SearchDialog::onSearchTextChanged()
{
    m_findButton->setEnabled(!m_searchEdit->text().isEmpty());
}

void SearchDialog::onReplaceToggled()
{
    const bool on = m_replaceCheck->checkState() == Qt::Checked;
    m_replaceLabel->setEnabled(on);
    m_replaceEdit->setEnabled(on);
    m_replaceButton->setEnabled(on);
    m_replaceAllButton->setEnabled(on);
}

CompareMode SearchDialog::compareMode() const
{
    return m_exactCheck->checkState() == Qt::Checked ? CompareMode::Exact : CompareMode::Loose;
}

void SearchDialog::setSearchStart()
{
    m_searchText = m_searchEdit->text();
    if (m_fromTopCheck->checkState() == Qt::Checked)
        m_startPos = 1;
    else
        m_startPos = m_editor->selectionStart() + m_editor->selectionLength() + 1;
}

void SearchDialog::findAndSelect()
{
    m_docText = m_editor->text();
    const CompareMode mode = compareMode();
    m_foundPos = qint32(findText(m_docText, m_searchText, m_startPos, mode));
    if (m_foundPos < 1) {
        m_platform.showMessage(this, QMessageBox::Information, QCoreApplication::translate("SearchDialog", "検索終了"),
                               QCoreApplication::translate("SearchDialog", "文書の検索が終わりました。"), QMessageBox::Ok);
        m_searchEnded = true;
    } else {
        m_editor->setSelectionStart(m_foundPos - 1);
        m_editor->setSelectionLength(int(m_searchText.size()));
    }
    m_fromTopCheck->setChecked(false);
    m_editor->focusInWindow();
}

void SearchDialog::find()
{
    setSearchStart();
    findAndSelect();
}

void SearchDialog::replace()
{
    m_searchText = m_searchEdit->text();
    m_replaceText = m_editor->withLineEnds(m_replaceEdit->text());
    if (m_fromTopCheck->checkState() == Qt::Checked) {
        m_startPos = 1;
    } else {
        // An empty search text is never found, so it never matches the selection
        // either: the replacement is not inserted at a bare caret.
        if (!m_searchText.isEmpty() && textsEqual(m_editor->selectedText(), m_searchText, compareMode()))
            m_editor->replaceSelection(m_replaceText);
        m_startPos = m_editor->selectionStart() + m_editor->selectionLength() + 1;
    }
    findAndSelect();
}

void SearchDialog::replaceAllMatches()
{
    // The result of repeating Replace until a search finds nothing, computed in one
    // pass over the text and written to the editor as one edit of the changed span.
    m_searchEnded = false;
    m_searchText = m_searchEdit->text();
    m_replaceText = m_editor->withLineEnds(m_replaceEdit->text());
    const bool fromTop = m_fromTopCheck->checkState() == Qt::Checked;
    ProgressWindow progress(this, QCoreApplication::translate("SearchDialog", "置換しています..."));
    ReplaceAllResult result;
    {
        // The copy of the text goes before the editor is written.
        const QString text = m_editor->text();
        result = replaceAll(text, m_editor->selectionStart(), m_editor->selectionLength(), fromTop, m_searchText,
                            m_replaceText, compareMode(), &progress);
    }
    if (result.stopped)
        return; // cancelled: nothing changed, no end message
    progress.setCancellable(false);
    if (result.replacements > 0) {
        m_editor->setSelectionStart(int(result.changeStart));
        m_editor->setSelectionLength(int(result.changeLength));
        m_editor->replaceSelection(result.changeText, &progress);
        result.changeText = QString();
    }
    if (result.searches > 1)
        m_fromTopCheck->setChecked(false); // the first search of the run found a hit
    m_editor->setSelectionStart(int(result.selStart));
    m_editor->setSelectionLength(int(result.selLength));
    // The run's last search, which finds nothing and reports the end.
    m_startPos = qint32(result.lastSearchStart);
    findAndSelect();
}

void SearchDialog::cancel()
{
    close();
}
