#include "app/editorcontrol.h"
#include "app/module1.h"
#include "ruby/formruby.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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

struct Outcome
{
    QString text;
    int selStart;
    int selLength;
    Module1 module;
};

} // namespace

class TestFormRuby : public QObject
{
    Q_OBJECT

private slots:
    void laidOutAsDesigned();
    void opensFromTheSharedState_data();
    void opensFromTheSharedState();
    void insertion_data();
    void insertion();
    void enterInserts();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void stateCarriesToTheNextOpening();
    void emptyBaseGoesBeforeTheFormerSelection();
    void longReadingIsNotCut();
};

void TestFormRuby::laidOutAsDesigned()
{
    Module1 module = Module1::atStartUp();
    Editor editor(QString(), 0, 0);
    FormRuby form(module, editor.control);

    QCOMPARE(form.windowTitle(), QStringLiteral("ルビの挿入"));
    QCOMPARE(form.size(), QSize(637, 151));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));

    QCOMPARE(form.TextRuby->geometry(), QRect(16, 16, 361, 33));
    QCOMPARE(form.ComElie->geometry(), QRect(408, 16, 97, 33));
    QCOMPARE(form.ComCancel->geometry(), QRect(512, 16, 97, 33));
    QCOMPARE(form.CheckAlt->geometry(), QRect(24, 64, 129, 17));
    QCOMPARE(form.TextAlt->geometry(), QRect(16, 96, 593, 25));

    QCOMPARE(form.ComElie->text(), QStringLiteral("ルビの挿入"));
    QCOMPARE(form.ComCancel->text(), QStringLiteral("キャンセル"));
    QCOMPARE(form.CheckAlt->text(), QStringLiteral("ルビに属性を与える"));

    QCOMPARE(form.TextRuby->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(form.TextRuby->font().pointSizeF(), 18.0);
    QCOMPARE(form.TextAlt->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(form.TextAlt->font().pointSizeF(), 11.25);
    QVERIFY(!form.TextRuby->font().bold());

    QVERIFY(form.ComElie->isDefault());
    QVERIFY(!form.ComCancel->isDefault());

    const QList<QWidget *> order = {form.TextRuby, form.ComElie, form.ComCancel, form.CheckAlt,
                                    form.TextAlt};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(order.at(i)->nextInFocusChain(), order.at(i + 1));
    QCOMPARE(form.focusWidget(), form.TextRuby);
}

void TestFormRuby::opensFromTheSharedState_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<int>("attributeOn");

    QTest::newRow("start-up state: unticked, box disabled") << "style=\"font-size:7pt\"" << 0;
    QTest::newRow("attribute on: ticked, box enabled") << "class=\"r\"" << 1;
    QTest::newRow("empty attribute on") << "" << 1;
}

void TestFormRuby::opensFromTheSharedState()
{
    QFETCH(QString, attribute);
    QFETCH(int, attributeOn);

    Module1 module = Module1::atStartUp();
    module.gRubyReading = QStringLiteral("おく");
    module.gRubyAttribute = attribute;
    module.gRubyAttributeOn = quint8(attributeOn);
    Editor editor(QStringLiteral("送り"), 0, 1);
    FormRuby form(module, editor.control);

    QCOMPARE(form.TextRuby->text(), QStringLiteral("おく"));
    QCOMPARE(form.TextAlt->text(), attribute);
    QCOMPARE(form.CheckAlt->isChecked(), attributeOn == 1);
    QCOMPARE(form.TextAlt->isEnabled(), attributeOn == 1);

    // The box follows the check box both ways.
    form.CheckAlt->click();
    QCOMPARE(form.TextAlt->isEnabled(), attributeOn != 1);
    form.CheckAlt->click();
    QCOMPARE(form.TextAlt->isEnabled(), attributeOn == 1);
}

void TestFormRuby::insertion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<bool>("tick");         // tick CheckAlt before inserting
    QTest::addColumn<QString>("attribute"); // typed into TextAlt, if not null
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("attributeAfter");

    const QString startUp = QStringLiteral("style=\"font-size:7pt\"");
    QTest::newRow("without attribute")
        << "送り仮名" << 0 << 1 << "おく" << false << QString()
        << "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>り仮名" << startUp;
    QTest::newRow("with the start-up attribute")
        << "a漢字b" << 1 << 2 << "かんじ" << true << QString()
        << "a<ruby><rb>漢字</rb><rp>(</rp><rt style=\"font-size:7pt\">かんじ</rt><rp>)</rp></ruby>b"
        << startUp;
    QTest::newRow("edited attribute is kept")
        << "漢" << 0 << 1 << "かん" << true << "class=\"k\""
        << "<ruby><rb>漢</rb><rp>(</rp><rt class=\"k\">かん</rt><rp>)</rp></ruby>"
        << "class=\"k\"";
    QTest::newRow("emptied attribute gives <rt >")
        << "漢" << 0 << 1 << "かん" << true << ""
        << "<ruby><rb>漢</rb><rp>(</rp><rt >かん</rt><rp>)</rp></ruby>" << "";
    QTest::newRow("empty reading inserted as it is")
        << "漢" << 0 << 1 << "" << false << QString()
        << "<ruby><rb>漢</rb><rp>(</rp><rt></rt><rp>)</rp></ruby>" << startUp;
    QTest::newRow("nothing escaped")
        << "x<&>y" << 1 << 3 << "&lt;" << false << QString()
        << "x<ruby><rb><&></rb><rp>(</rp><rt>&lt;</rt><rp>)</rp></ruby>y" << startUp;
    QTest::newRow("base across a line break")
        << "上\r\n下です" << 0 << 4 << "うえした" << false << QString()
        << "<ruby><rb>上\r\n下</rb><rp>(</rp><rt>うえした</rt><rp>)</rp></ruby>です" << startUp;
}

void TestFormRuby::insertion()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, reading);
    QFETCH(bool, tick);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    QFETCH(QString, attributeAfter);

    Module1 module = Module1::atStartUp();
    module.gRubyReading = reading;
    Editor editor(text, start, length);
    int changes = 0;
    connect(&editor.control, &EditorControl::Change, this, [&changes] { ++changes; });
    FormRuby form(module, editor.control);
    if (tick)
        form.CheckAlt->click();
    if (!attribute.isNull())
        form.TextAlt->setText(attribute);

    QTest::mouseClick(form.ComElie, Qt::LeftButton);

    QCOMPARE(editor.control.Text(), expected);
    QCOMPARE(module.gUndoText, text);
    QCOMPARE(module.gRubyAttribute, attributeAfter);
    QCOMPARE(module.gRubyAttributeOn, quint8(tick ? 1 : 0));
    QVERIFY(changes > 0);
    // The whole element is selected.
    QCOMPARE(editor.control.SelStart(), start);
    const int elementLength = int(expected.size() - text.size() + length);
    QCOMPARE(editor.control.SelLength(), elementLength);
    QVERIFY(editor.control.SelText().startsWith(QStringLiteral("<ruby>")));
    QVERIFY(editor.control.SelText().endsWith(QStringLiteral("</ruby>")));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestFormRuby::enterInserts()
{
    Module1 module = Module1::atStartUp();
    module.gRubyReading = QStringLiteral("かん");
    Editor editor(QStringLiteral("漢"), 0, 1);
    FormRuby form(module, editor.control);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.TextRuby, Qt::Key_Return);
    QCOMPARE(editor.control.Text(),
             QStringLiteral("<ruby><rb>漢</rb><rp>(</rp><rt>かん</rt><rp>)</rp></ruby>"));
    QVERIFY(!form.isVisible());
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
    QCOMPARE(module.gRubyAttribute, QStringLiteral("style=\"font-size:7pt\""));
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
        first.CheckAlt->click();
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

void TestFormRuby::emptyBaseGoesBeforeTheFormerSelection()
{
    Module1 module = Module1::atStartUp();
    Editor editor(QStringLiteral("xひらがなy"), 1, 0);
    FormRuby form(module, editor.control);
    form.ComElie->click();
    const QString element = QStringLiteral("<ruby><rb></rb><rp>(</rp><rt></rt><rp>)</rp></ruby>");
    QCOMPARE(editor.control.Text(), QStringLiteral("x") + element + QStringLiteral("ひらがなy"));
    QCOMPARE(editor.control.SelStart(), 1);
    QCOMPARE(editor.control.SelLength(), int(element.size()));
}

void TestFormRuby::longReadingIsNotCut()
{
    // A reading box that cut its text would insert a shortened reading.
    Module1 module = Module1::atStartUp();
    module.gRubyReading = QString(40000, u'カ');
    module.gRubyAttribute = QString(33000, u'a');
    module.gRubyAttributeOn = 1;
    Editor editor(QStringLiteral("漢"), 0, 1);
    FormRuby form(module, editor.control);
    form.ComElie->click();
    QCOMPARE(editor.control.Text(), QStringLiteral("<ruby><rb>漢</rb><rp>(</rp><rt ")
                                        + QString(33000, u'a') + QStringLiteral(">")
                                        + QString(40000, u'カ')
                                        + QStringLiteral("</rt><rp>)</rp></ruby>"));
    QCOMPARE(module.gRubyAttribute, QString(33000, u'a'));
}

QTEST_MAIN(TestFormRuby)
#include "tst_formruby.moc"
