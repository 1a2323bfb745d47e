#include "ui/rubydialog.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

QFont gothic(qreal points)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

ReadingBox::ReadingBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Enter inserts the ruby; it never adds the typed text to the list.
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(false);
    setCompleter(nullptr);
    setMaxVisibleItems(8);
}

void ReadingBox::setCandidates(const QStringList &readings)
{
    const QString shown = currentText();
    clear();
    addItems(readings);
    setEditText(shown);
}

RubyDialog::RubyDialog(const RubyProposal &proposal, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_formerAttribute(proposal.attribute)
{
    setWindowTitle(QCoreApplication::translate("RubyDialog", "ルビの挿入"));
    setModal(true);

    m_reading = new ReadingBox(this);
    m_reading->setFont(gothic(18));
    // A line edit cuts a long text short unless told otherwise.
    m_reading->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    m_reading->setMinimumWidth(361);
    m_insert = new QPushButton(QCoreApplication::translate("RubyDialog", "ルビの挿入"), this);
    m_insert->setDefault(true);
    m_cancel = new QPushButton(QCoreApplication::translate("RubyDialog", "キャンセル"), this);
    m_attributeOn = new QCheckBox(QCoreApplication::translate("RubyDialog", "ルビに属性を与える"), this);
    m_attribute = new QLineEdit(this);
    m_attribute->setFont(gothic(11.25));
    m_attribute->setMaxLength(std::numeric_limits<int>::max());
    m_note = new QLabel(this);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->addWidget(m_reading, 0, 0, 1, 2);
    grid->addWidget(m_insert, 0, 2);
    grid->addWidget(m_cancel, 0, 3);
    grid->addWidget(m_attributeOn, 1, 0);
    grid->addWidget(m_note, 1, 1, 1, 3);
    grid->addWidget(m_attribute, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    setFixedSize(sizeHint().expandedTo(QSize(637, 151)));

    setTabOrder(m_reading, m_insert);
    setTabOrder(m_insert, m_cancel);
    setTabOrder(m_cancel, m_attributeOn);
    setTabOrder(m_attributeOn, m_attribute);

    m_reading->setText(proposal.reading);
    m_reading->setCandidates(proposal.candidates);
    // The box opens with its text selected, ready to be typed over.
    m_reading->lineEdit()->selectAll();
    if (proposal.guessed) {
        m_note->setText(QCoreApplication::translate("RubyDialog", "辞書にない語です。読みは推測です。"));
    } else if (proposal.unsure) {
        const QStringList others = proposal.candidates.mid(1, 2);
        m_note->setText(others.isEmpty()
                            ? QCoreApplication::translate("RubyDialog", "読みが分かれる語です。確かめてください。")
                            : QCoreApplication::translate("RubyDialog", "読みが分かれる語です。ほかの読み: %1")
                                  .arg(others.join(QCoreApplication::translate("RubyDialog", "、"))));
    }
    m_reading->setFocus();
    m_attribute->setText(proposal.attribute);
    m_attributeOn->setChecked(proposal.attributeOn);
    m_attribute->setEnabled(proposal.attributeOn);

    connect(m_attributeOn, &QCheckBox::toggled, m_attribute, &QLineEdit::setEnabled);
    connect(m_insert, &QPushButton::clicked, this, &RubyDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<RubyChoice> RubyDialog::ask(const RubyProposal &proposal, QWidget *parent)
{
    RubyDialog dialog(proposal, parent);
    dialog.exec();
    return dialog.choice();
}

void RubyDialog::confirm()
{
    // An element without a reading would show an empty ruby over the word.
    if (m_reading->text().isEmpty()) {
        m_note->setText(QCoreApplication::translate("RubyDialog", "読みが空です。読みを入力してください。"));
        m_reading->setFocus();
        return;
    }
    const bool on = m_attributeOn->isChecked();
    m_choice = RubyChoice {m_reading->text(), on ? m_attribute->text() : m_formerAttribute, on};
    accept();
}
