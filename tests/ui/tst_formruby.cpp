#include "ui/editorcontrol.h"
#include "core/module1.h"
#include "ui/formruby.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <tuple>

namespace {

// An editor holding text with the selection [start, start + length).
struct Editor
{
    EditorControl control;
    Editor(const QString &text, int start, int length)
    {
        control.setText(text);
        control.setSelStart(start);
        control.setSelLength(length);
    }
};

const QString kStartUpAttribute = QStringLiteral("style=\"font-size:7pt\"");

// The element as it must appear; rt is the reading element's opening tag.
QString ruby(const QString &base, const QString &reading, const QString &rt = "<rt>")
{
    return "<ruby><rb>" + base + "</rb><rp>(</rp>" + rt + reading + "</rt><rp>)</rp></ruby>";
}

} // namespace

class TestFormRuby : public QObject
{
    Q_OBJECT

private slots:
    void laidOutAsDesigned();
    void insertion_data();
    void insertion();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void stateCarriesToTheNextOpening();
};

void TestFormRuby::laidOutAsDesigned()
{
    Module1 module = Module1::atStartUp();
    Editor editor(QString(), 0, 0);
    FormRuby form(module, editor.control);

    QCOMPARE(form.windowTitle(), QStringLiteral("ルビの挿入"));
    QCOMPARE(form.size(), QSize(637, 151));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));

    // In tab order; the line edits have no caption.
    const std::tuple<QWidget *, QRect, QString> controls[] = {
        {form.TextRuby, QRect(16, 16, 361, 33), {}},
        {form.ComElie, QRect(408, 16, 97, 33), QStringLiteral("ルビの挿入")},
        {form.ComCancel, QRect(512, 16, 97, 33), QStringLiteral("キャンセル")},
        {form.CheckAlt, QRect(24, 64, 129, 17), QStringLiteral("ルビに属性を与える")},
        {form.TextAlt, QRect(16, 96, 593, 25), {}},
    };
    QWidget *previous = nullptr;
    for (const auto &[widget, geometry, caption] : controls) {
        QCOMPARE(widget->geometry(), geometry);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            QCOMPARE(button->text(), caption);
        QWidget *next = previous ? previous->nextInFocusChain() : nullptr;
        while (next && previous->isAncestorOf(next)) // the reading box's own line edit
            next = next->nextInFocusChain();
        if (previous)
            QCOMPARE(next, widget);
        previous = widget;
    }
    QCOMPARE(form.focusWidget(), form.TextRuby);

    QCOMPARE(form.TextRuby->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(form.TextRuby->font().pointSizeF(), 18.0);
    QCOMPARE(form.TextAlt->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(form.TextAlt->font().pointSizeF(), 11.25);
    QVERIFY(!form.TextRuby->font().bold());
}

void TestFormRuby::insertion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<bool>("tick"); // tick CheckAlt before inserting
    QTest::addColumn<QString>("attribute"); // typed into TextAlt, if not null
    QTest::addColumn<QString>("rt"); // the reading element's opening tag
    const auto row
        = [](const char *name, const QString &text, int start, int length, const QString &reading,
             bool tick, const QString &attribute, const QString &rt) {
              QTest::newRow(name) << text << start << length << reading << tick << attribute << rt;
          };
    const QString none;
    const QString longAttribute(33000, u'a');

    row("with the start-up attribute", "a漢字b", 1, 2, "かんじ", true, none,
        "<rt style=\"font-size:7pt\">");
    row("edited attribute is kept", "漢", 0, 1, "かん", true, "class=\"k\"", "<rt class=\"k\">");
    row("emptied attribute gives <rt >", "漢", 0, 1, "かん", true, "", "<rt >");
    row("nothing escaped", "x<&>y", 1, 3, "&lt;", true, "x=\"<&>\"", "<rt x=\"<&>\">");
    row("base across a line break", "上\r\n下です", 0, 4, "うえした", false, none, "<rt>");
    row("empty base and reading go before the former selection", "xひらがなy", 1, 0, "", false,
        none, "<rt>");
    // A line edit cuts its text at 32767 characters unless told otherwise.
    row("long reading and attribute are not cut", "漢", 0, 1, QString(40000, u'カ'), true,
        longAttribute, "<rt " + longAttribute + ">");
}

void TestFormRuby::insertion()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, reading);
    QFETCH(bool, tick);
    QFETCH(QString, attribute);
    QFETCH(QString, rt);
    const QString element = ruby(text.mid(start, length), reading, rt);

    Module1 module = Module1::atStartUp();
    module.gRubyReading = reading;
    Editor editor(text, start, length);
    int changes = 0;
    connect(&editor.control, &EditorControl::Change, this, [&changes] { ++changes; });
    FormRuby form(module, editor.control);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (tick)
        form.CheckAlt->click();
    if (!attribute.isNull())
        form.TextAlt->setText(attribute);

    QTest::keyClick(form.TextRuby, Qt::Key_Return);

    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(editor.control.Text(), text.left(start) + element + text.mid(start + length));
    QCOMPARE(module.gUndoText, text);
    QCOMPARE(module.gRubyAttribute, attribute.isNull() ? kStartUpAttribute : attribute);
    QCOMPARE(module.gRubyAttributeOn, quint8(tick ? 1 : 0));
    QVERIFY(changes > 0);
    QCOMPARE(editor.control.SelStart(), start);
    QCOMPARE(editor.control.SelText(), element);
}

void TestFormRuby::cancelChangesNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close box") << 2;
}

void TestFormRuby::cancelChangesNothing()
{
    QFETCH(int, how);

    Module1 module = Module1::atStartUp();
    module.gRubyReading = QStringLiteral("おく");
    module.gUndoText = QStringLiteral("before");
    Editor editor(QStringLiteral("送り仮名"), 0, 1);
    FormRuby form(module, editor.control);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.TextRuby->setText(QStringLiteral("ちがう"));
    form.CheckAlt->click();
    form.TextAlt->setText(QStringLiteral("edited"));

    if (how == 0)
        QTest::mouseClick(form.ComCancel, Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(form.TextRuby, Qt::Key_Escape);
    else
        form.close();

    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(editor.control.Text(), QStringLiteral("送り仮名"));
    QCOMPARE(editor.control.SelStart(), 0);
    QCOMPARE(editor.control.SelLength(), 1);
    QCOMPARE(module.gRubyAttribute, kStartUpAttribute);
    QCOMPARE(module.gRubyAttributeOn, quint8(0));
    QCOMPARE(module.gUndoText, QStringLiteral("before"));
    QCOMPARE(module.gRubyReading, QStringLiteral("おく"));
}

void TestFormRuby::stateCarriesToTheNextOpening()
{
    Module1 module = Module1::atStartUp();
    module.gRubyReading = QStringLiteral("かん");
    Editor editor(QStringLiteral("漢字"), 0, 1);
    {
        FormRuby first(module, editor.control);
        QCOMPARE(first.TextRuby->text(), QStringLiteral("かん"));
        QVERIFY(!first.CheckAlt->isChecked());
        QVERIFY(!first.TextAlt->isEnabled());
        QCOMPARE(first.TextAlt->text(), kStartUpAttribute);
        first.CheckAlt->click();
        QVERIFY(first.TextAlt->isEnabled());
        first.TextAlt->setText(QStringLiteral("class=\"a\""));
        first.ComElie->click();
    }
    {
        FormRuby second(module, editor.control);
        QVERIFY(second.CheckAlt->isChecked());
        QVERIFY(second.TextAlt->isEnabled());
        QCOMPARE(second.TextAlt->text(), QStringLiteral("class=\"a\""));
        // Tick off after editing: no attribute, the former text is kept.
        second.TextAlt->setText(QStringLiteral("class=\"b\""));
        second.CheckAlt->click();
        QVERIFY(!second.TextAlt->isEnabled());
        editor.control.setSelStart(int(editor.control.Text().size()) - 1);
        editor.control.setSelLength(1);
        second.ComElie->click();
    }
    QVERIFY(editor.control.Text().endsWith(
        QStringLiteral("<ruby><rb>字</rb><rp>(</rp><rt>かん</rt><rp>)</rp></ruby>")));
    QCOMPARE(module.gRubyAttribute, QStringLiteral("class=\"a\""));
    QCOMPARE(module.gRubyAttributeOn, quint8(0));
    FormRuby third(module, editor.control);
    QVERIFY(!third.CheckAlt->isChecked());
    QVERIFY(!third.TextAlt->isEnabled());
    QCOMPARE(third.TextAlt->text(), QStringLiteral("class=\"a\""));
}

QTEST_MAIN(TestFormRuby)
#include "tst_formruby.moc"
