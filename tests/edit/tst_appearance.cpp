#include "app/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"

#include <QFontInfo>
#include <QTest>
#include <QTextBlock>

#include <memory>

// Font, text colour and background colour of the editor through the common dialog.
class TestAppearance : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fontDialogIsPresetFromTheEditor();
    void fontKeepsOtherTraits_data();
    void fontKeepsOtherTraits();

    void textColourColoursEverythingAndPutsCaretAtStart_data();
    void textColourColoursEverythingAndPutsCaretAtStart();
    void textColourDialogOpensOnTheCurrentColour();
    void backgroundColourLeavesSelection();

    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void failureIsReported_data();
    void failureIsReported();

private:
    // Every character's colour, or an invalid colour where it has none of its own.
    QList<QColor> characterColours() const;

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<Module1> module;
    std::unique_ptr<FormMain> form;
};

void TestAppearance::init()
{
    form.reset();
    platform = std::make_unique<FakePlatform>();
    module = std::make_unique<Module1>(Module1::atStartUp());
    form = std::make_unique<FormMain>(*module, *platform);
}

QList<QColor> TestAppearance::characterColours() const
{
    QList<QColor> colours;
    for (QTextBlock block = form->RTB1->document()->begin(); block.isValid();
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QBrush brush = fragment.charFormat().foreground();
            for (int i = 0; i < fragment.length(); ++i)
                colours.append(brush.style() == Qt::NoBrush ? QColor() : brush.color());
        }
    }
    return colours;
}

void TestAppearance::fontDialogIsPresetFromTheEditor()
{
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSizeF(10.5);
    font.setBold(true);
    form->RTB1->setFont(font);
    form->CDlg.Flags = 4100; // left by an open dialog
    platform->setNextCancel();

    form->MOFont_Click();

    QCOMPARE(platform->dialogs.size(), 1);
    const FakePlatform::Dialog shown = platform->dialogs.constFirst();
    QCOMPARE(shown.kind, CommonDialogKind::Font);
    QCOMPARE(shown.before.Flags, 3);
    QCOMPARE(shown.before.FontName, QFontInfo(font).family());
    QCOMPARE(shown.before.FontSize, 10.5);
    QCOMPARE(shown.before.FontBold, true);
    QCOMPARE(shown.before.FontItalic, false);
}

void TestAppearance::fontKeepsOtherTraits_data()
{
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("underline survives a change to bold")
        << true << false << QStringLiteral("Noto Sans CJK JP") << 12.0 << true << false;
    QTest::newRow("strikeout survives a change to italic")
        << false << true << QStringLiteral("Noto Serif CJK JP") << 9.0 << false << true;
    QTest::newRow("both survive a change of size only")
        << true << true << QStringLiteral("Noto Sans CJK JP") << 20.5 << false << false;
    QTest::newRow("plain font takes bold and italic")
        << false << false << QStringLiteral("Noto Sans Mono CJK JP") << 11.0 << true << true;
}

void TestAppearance::fontKeepsOtherTraits()
{
    QFETCH(bool, underline);
    QFETCH(bool, strikeOut);
    QFETCH(QString, name);
    QFETCH(double, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFont font = form->RTB1->font();
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    form->RTB1->setFont(font);
    form->RTB1->setText(QStringLiteral("漢字"));
    form->mModified = kFalse;
    platform->setNextFont(name, size, bold, italic);

    form->MOFont_Click();

    const QFont now = form->RTB1->font();
    QCOMPARE(now.family(), name);
    QCOMPARE(now.pointSizeF(), size);
    QCOMPARE(now.bold(), bold);
    QCOMPARE(now.italic(), italic);
    QCOMPARE(now.underline(), underline);
    QCOMPARE(now.strikeOut(), strikeOut);
    QCOMPARE(form->RTB1->Text(), QStringLiteral("漢字"));
    QCOMPARE(form->mModified, kFalse);
    QVERIFY(platform->messages.isEmpty());
}

void TestAppearance::textColourColoursEverythingAndPutsCaretAtStart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::newRow("caret in the middle") << QStringLiteral("abc\r\ndef\r\n") << 5 << 0;
    QTest::newRow("selection at the end") << QStringLiteral("abc\r\ndef") << 6 << 2;
    QTest::newRow("empty document") << QString() << 0 << 0;
}

void TestAppearance::textColourColoursEverythingAndPutsCaretAtStart()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    form->RTB1->setText(text);
    form->RTB1->setSelStart(start);
    form->RTB1->setSelLength(length);
    form->mModified = kFalse;
    const QRgb red = qRgb(200, 10, 20);
    platform->setNextColor(red);

    form->MOfColor_Click();

    QCOMPARE(platform->dialogs.size(), 1);
    QCOMPARE(platform->dialogs.constFirst().kind, CommonDialogKind::Color);
    for (const QColor &colour : characterColours())
        QCOMPARE(colour, QColor(red));
    QCOMPARE(form->RTB1->SelStart(), 0);
    QCOMPARE(form->RTB1->SelLength(), 0);
    QCOMPARE(form->RTB1->Text(), text);
    QCOMPARE(form->mModified, kFalse);
}

void TestAppearance::textColourDialogOpensOnTheCurrentColour()
{
    form->RTB1->setText(QStringLiteral("abc"));
    const QRgb green = qRgb(0, 128, 0);
    platform->setNextColor(green);
    form->MOfColor_Click();
    // The dialog opens on the colour the text now has.
    platform->setNextCancel();
    form->MOfColor_Click();
    QCOMPARE(platform->dialogs.at(1).before.Color, green);
}

void TestAppearance::backgroundColourLeavesSelection()
{
    form->RTB1->setText(QStringLiteral("abc\r\ndef"));
    form->RTB1->setSelStart(2);
    form->RTB1->setSelLength(3);
    const QRgb before = form->RTB1->BackColor().rgb();
    const QRgb yellow = qRgb(255, 255, 200);
    platform->setNextColor(yellow);

    form->MObColor_Click();

    QCOMPARE(platform->dialogs.constFirst().before.Color, before);
    QCOMPARE(form->RTB1->BackColor(), QColor(yellow));
    QCOMPARE(form->RTB1->SelStart(), 2);
    QCOMPARE(form->RTB1->SelLength(), 3);
}

void TestAppearance::cancelChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("startAfter");
    QTest::addColumn<int>("lengthAfter");
    // The document is "abc\r\ndef" with "c\r\nd" selected.
    QTest::newRow("font dialog") << QStringLiteral("font") << 2 << 4;
    QTest::newRow("text colour dialog leaves everything selected")
        << QStringLiteral("text colour") << 0 << 8;
    QTest::newRow("background colour dialog") << QStringLiteral("background") << 2 << 4;
}

void TestAppearance::cancelChangesNothing()
{
    QFETCH(QString, command);
    QFETCH(int, startAfter);
    QFETCH(int, lengthAfter);
    form->RTB1->setText(QStringLiteral("abc\r\ndef"));
    form->RTB1->setSelStart(2);
    form->RTB1->setSelLength(4);
    form->mModified = kFalse;
    const QFont font = form->RTB1->font();
    const QPalette colours = form->RTB1->palette();
    const QList<QColor> characters = characterColours();
    platform->setNextCancel();

    if (command == QLatin1String("font"))
        form->MOFont_Click();
    else if (command == QLatin1String("text colour"))
        form->MOfColor_Click();
    else
        form->MObColor_Click();

    QCOMPARE(platform->dialogs.size(), 1);
    QCOMPARE(form->RTB1->font(), font);
    QCOMPARE(form->RTB1->palette(), colours);
    QCOMPARE(characterColours(), characters);
    QCOMPARE(form->RTB1->Text(), QStringLiteral("abc\r\ndef"));
    QCOMPARE(form->RTB1->SelStart(), startAfter);
    QCOMPARE(form->RTB1->SelLength(), lengthAfter);
    QCOMPARE(form->mModified, kFalse);
    QVERIFY(platform->messages.isEmpty());
}

void TestAppearance::failureIsReported_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("font: the program's warning box")
        << QStringLiteral("font") << QStringLiteral("エラーナンバー： 12")
        << QStringLiteral("Cannot allocate memory");
    QTest::newRow("text colour: its own box titled 不明なエラー")
        << QStringLiteral("text colour") << QStringLiteral("不明なエラー")
        << QStringLiteral("エラーナンバー： 12");
    QTest::newRow("background: the program's warning box")
        << QStringLiteral("background") << QStringLiteral("エラーナンバー： 12")
        << QStringLiteral("Cannot allocate memory");
}

void TestAppearance::failureIsReported()
{
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(QString, text);
    form->RTB1->setText(QStringLiteral("abc"));
    const QFont font = form->RTB1->font();
    const QPalette colours = form->RTB1->palette();
    platform->setNextFailure(12, QStringLiteral("Cannot allocate memory"));

    if (command == QLatin1String("font"))
        form->MOFont_Click();
    else if (command == QLatin1String("text colour"))
        form->MOfColor_Click();
    else
        form->MObColor_Click();

    QCOMPARE(platform->messages.size(), 1);
    const FakePlatform::Message box = platform->messages.constFirst();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, text);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(form->RTB1->font(), font);
    QCOMPARE(form->RTB1->palette(), colours);
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
