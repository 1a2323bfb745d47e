#include "ui/formruby.h"

#include "core/module1.h"
#include "core/ruby/rubytext.h"
#include "ui/editorcontrol.h"
#include "ui/twips.h"

#include <QCheckBox>
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

FormRuby::FormRuby(Module1 &module, EditorControl &editor, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_module(module)
    , RTB1(editor)
{
    setWindowTitle(QStringLiteral("ルビの挿入"));
    setModal(true);
    setFixedSize(px(9555), px(2265));
    createControls();
    Form_Load();
}

void FormRuby::createControls()
{
    TextRuby = new ReadingBox(this);
    TextRuby->setGeometry(px(240), px(240), px(5415), px(495));
    TextRuby->setFont(gothic(18));
    // A line edit cuts its text at 32767 characters unless told otherwise.
    TextRuby->lineEdit()->setMaxLength(std::numeric_limits<int>::max());

    ComElie = new QPushButton(QStringLiteral("ルビの挿入"), this);
    ComElie->setGeometry(px(6120), px(240), px(1455), px(495));
    ComElie->setDefault(true);

    ComCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    ComCancel->setGeometry(px(7680), px(240), px(1455), px(495));

    CheckAlt = new QCheckBox(QStringLiteral("ルビに属性を与える"), this);
    CheckAlt->setGeometry(px(360), px(960), px(1935), px(255));

    TextAlt = new QLineEdit(this);
    TextAlt->setGeometry(px(240), px(1440), px(8895), px(375));
    TextAlt->setFont(gothic(11.25));
    TextAlt->setMaxLength(std::numeric_limits<int>::max());
    TextAlt->setEnabled(false);

    setTabOrder(TextRuby, ComElie);
    setTabOrder(ComElie, ComCancel);
    setTabOrder(ComCancel, CheckAlt);
    setTabOrder(CheckAlt, TextAlt);
    TextRuby->setFocus();

    connect(CheckAlt, &QCheckBox::toggled, this, &FormRuby::CheckAlt_Click);
    connect(ComElie, &QPushButton::clicked, this, &FormRuby::ComElie_Click);
    connect(ComCancel, &QPushButton::clicked, this, &FormRuby::ComCancel_Click);
}

void FormRuby::Form_Load()
{
    TextRuby->setText(m_module.gRubyReading);
    TextAlt->setText(m_module.gRubyAttribute);
    CheckAlt->setChecked(m_module.gRubyAttributeOn == 1);
}

void FormRuby::setCandidates(const QStringList &readings)
{
    TextRuby->setCandidates(readings);
}

void FormRuby::CheckAlt_Click()
{
    TextAlt->setEnabled(CheckAlt->isChecked());
}

void FormRuby::ComElie_Click()
{
    m_module.gUndoText = RTB1.Text();
    const qint32 start = RTB1.SelStart();
    const bool withAttribute = CheckAlt->isChecked();
    QString element;
    if (withAttribute) {
        element = rubyElementWithAttribute(RTB1.SelText(), RTB1.withLineEnds(TextAlt->text()),
                                           RTB1.withLineEnds(TextRuby->text()));
        m_module.gRubyAttribute = TextAlt->text();
    } else {
        element = rubyElement(RTB1.SelText(), RTB1.withLineEnds(TextRuby->text()));
    }
    m_module.gRubyAttributeOn = withAttribute ? 1 : 0;
    RTB1.setSelText(element);
    RTB1.setSelStart(start);
    RTB1.setSelLength(int(element.size()));
    accept();
}

void FormRuby::ComCancel_Click()
{
    reject();
}
