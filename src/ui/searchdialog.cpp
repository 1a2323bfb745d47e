#include "ui/searchdialog.h"

#include "ui/editorcontrol.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

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
    // A line edit keeps a short text by default; a longer selection must not
    // be cut short into another search text.
    m_searchEdit->setMaxLength(std::numeric_limits<int>::max());
    m_searchEdit->setMinimumWidth(265);
    m_searchLabel->setBuddy(m_searchEdit);

    m_replaceLabel = new QLabel(QCoreApplication::translate("SearchDialog", "置換する文字列 (&I)："), this);
    m_replaceEdit = new QLineEdit(this);
    m_replaceEdit->setMaxLength(std::numeric_limits<int>::max());
    m_replaceLabel->setBuddy(m_replaceEdit);
    m_replaceLabel->setEnabled(false);
    m_replaceEdit->setEnabled(false);

    m_replaceCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "置換も行う (&P)"), this);
    m_exactCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "大/小文字、全/半角、カナ/ひらがなを区別する"), this);
    m_fromTopCheck = new QCheckBox(QCoreApplication::translate("SearchDialog", "先頭から検索する"), this);
    m_fromTopCheck->setChecked(true);

    m_findButton = new QPushButton(QCoreApplication::translate("SearchDialog", "検索 (&S)"), this);
    m_findButton->setToolTip(QCoreApplication::translate("SearchDialog", "Enterキー"));
    m_findButton->setDefault(true);
    m_findButton->setEnabled(false);
    m_replaceButton = new QPushButton(QCoreApplication::translate("SearchDialog", "置換 (&R)"), this);
    m_replaceButton->setEnabled(false);
    m_replaceAllButton = new QPushButton(QCoreApplication::translate("SearchDialog", "全て置換 (&A)"), this);
    m_replaceAllButton->setEnabled(false);
    m_cancelButton = new QPushButton(QCoreApplication::translate("SearchDialog", "閉じる"), this);
    m_cancelButton->setToolTip(QCoreApplication::translate("SearchDialog", "Escキー"));

    // Laid out from the captions' own sizes: a larger font widens the window
    // instead of cutting a caption.
    auto *fields = new QVBoxLayout;
    fields->setSpacing(4);
    fields->addWidget(m_searchLabel);
    fields->addWidget(m_searchEdit);
    fields->addSpacing(12);
    fields->addWidget(m_replaceLabel);
    fields->addWidget(m_replaceEdit);
    fields->addSpacing(16);
    fields->addWidget(m_replaceCheck);
    fields->addWidget(m_exactCheck);
    fields->addWidget(m_fromTopCheck);
    fields->addStretch();
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(12);
    for (QPushButton *button : {m_findButton, m_replaceButton, m_replaceAllButton, m_cancelButton})
        buttons->addWidget(button);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 16, 12);
    layout->setSpacing(20);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget *order[] = {m_searchEdit, m_replaceEdit,  m_findButton, m_replaceButton, m_replaceAllButton,
                        m_cancelButton,  m_replaceCheck, m_exactCheck,  m_fromTopCheck};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_searchEdit->setFocus();
    m_searchEdit->installEventFilter(this);
    m_replaceEdit->installEventFilter(this);
}

bool SearchDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Alt with a letter is a control's access key; when its control is disabled the
    // key reaches the box, which must not take it for text.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::AltModifier || modifiers == (Qt::AltModifier | Qt::ShiftModifier)) {
            if (!key->text().isEmpty() && key->text().at(0).isPrint())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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
    emit statusMessage(QCoreApplication::translate("SearchDialog", "%1 か所を置換しました。").arg(result.replacements));
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
