#include "ui/editorcontrol.h"
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
    void dialogOutcomes_data();
    void dialogOutcomes();

private:
    // Every character's colour, or an invalid colour where it has none of its own.
    QList<QColor> characterColours() const;
    void run(const QString &command);

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

void TestAppearance::run(const QString &command)
{
    static const QHash<QString, void (FormMain::*)()> commands = {
        {"font", &FormMain::MOFont_Click},
        {"text colour", &FormMain::MOfColor_Click},
        {"background", &FormMain::MObColor_Click},
    };
    (form.get()->*commands.value(command))();
}

void TestAppearance::dialogOutcomes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("startAfter");
    QTest::addColumn<int>("lengthAfter");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    // The document is "abc\r\ndef" with "c\r\nd" selected, in bold underlined struck-out
    // 10.5 pt of the program's design family; the font picked is italic 12 pt Noto Serif CJK JP.
    const char *none = "";
    const char *programBox = "エラーナンバー： 12";
    const char *description = "Cannot allocate memory";
    const char *pick = "pick", *cancel = "cancel", *fail = "fail";
    QTest::newRow("font: name, size, bold and italic change, underline and strikeout stay")
        << "font" << pick << 2 << 4 << none << none;
    QTest::newRow("text colour: everything coloured, the caret at the start")
        << "text colour" << pick << 0 << 0 << none << none;
    QTest::newRow("background: the selection stays")
        << "background" << pick << 2 << 4 << none << none;
    QTest::newRow("font: cancel is silent") << "font" << cancel << 2 << 4 << none << none;
    QTest::newRow("text colour: cancel leaves everything selected")
        << "text colour" << cancel << 0 << 8 << none << none;
    QTest::newRow("background: cancel is silent")
        << "background" << cancel << 2 << 4 << none << none;
    QTest::newRow("font: failure in the program's warning box")
        << "font" << fail << 2 << 4 << programBox << description;
    QTest::newRow("text colour: failure in its own box titled 不明なエラー")
        << "text colour" << fail << 0 << 8 << "不明なエラー" << programBox;
    QTest::newRow("background: failure in the program's warning box")
        << "background" << fail << 2 << 4 << programBox << description;
}

void TestAppearance::dialogOutcomes()
{
    QFETCH(QString, command);
    QFETCH(QString, outcome);
    QFETCH(int, startAfter);
    QFETCH(int, lengthAfter);
    QFETCH(QString, title);
    QFETCH(QString, text);
    // Not installed here: the dialog must be offered the family actually shown.
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPointSizeF(10.5);
    font.setBold(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    form->RTB1->setFont(font);
    form->RTB1->setText(QStringLiteral("abc\r\ndef"));
    form->RTB1->setSelStart(2);
    form->RTB1->setSelLength(4);
    form->mModified = kFalse;
    form->CDlg.Flags = 4100; // left by an open dialog
    const QPalette colours = form->RTB1->palette();
    const QRgb background = form->RTB1->BackColor().rgb();
    const QList<QColor> characters = characterColours();
    const QRgb picked = qRgb(200, 10, 20);
    const bool picks = outcome == QLatin1String("pick");
    if (picks && command == QLatin1String("font"))
        platform->setNextFont(QStringLiteral("Noto Serif CJK JP"), 12, false, true);
    else if (picks)
        platform->setNextColor(picked);
    else if (outcome == QLatin1String("fail"))
        platform->setNextFailure(12, QStringLiteral("Cannot allocate memory"));
    else
        platform->setNextCancel();

    run(command);

    QCOMPARE(platform->dialogs.size(), 1);
    QCOMPARE(platform->dialogs.constFirst().kind,
             command == QLatin1String("font") ? CommonDialogKind::Font : CommonDialogKind::Color);
    const CommonDialogState shown = platform->dialogs.constFirst().before;
    if (command == QLatin1String("font")) {
        QCOMPARE(shown.Flags, 3);
        QCOMPARE(shown.FontName, QFontInfo(font).family());
        QCOMPARE(shown.FontSize, 10.5);
        QCOMPARE(shown.FontBold, true);
        QCOMPARE(shown.FontItalic, false);
    }
    if (command == QLatin1String("background"))
        QCOMPARE(shown.Color, background);
    if (picks && command == QLatin1String("font")) {
        font.setFamily(QStringLiteral("Noto Serif CJK JP"));
        font.setPointSizeF(12);
        font.setBold(false);
        font.setItalic(true);
    }
    QCOMPARE(form->RTB1->font(), font);
    const bool textColour = picks && command == QLatin1String("text colour");
    QCOMPARE(characterColours(),
             textColour ? QList<QColor>(characters.size(), QColor(picked)) : characters);
    const bool backColour = picks && command == QLatin1String("background");
    QCOMPARE(form->RTB1->BackColor().rgb(), backColour ? picked : background);
    if (!picks)
        QCOMPARE(form->RTB1->palette(), colours);
    QCOMPARE(form->RTB1->Text(), QStringLiteral("abc\r\ndef"));
    QCOMPARE(form->RTB1->SelStart(), startAfter);
    QCOMPARE(form->RTB1->SelLength(), lengthAfter);
    QCOMPARE(form->mModified, kFalse);
    QCOMPARE(platform->messages.size(), title.isEmpty() ? 0 : 1);
    if (!title.isEmpty()) {
        const FakePlatform::Message box = platform->messages.constFirst();
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, text);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    if (picks && command != QLatin1String("font")) {
        // Whatever the dialog held last, the next opening starts from the colour now shown.
        form->CDlg.Color = 0;
        run(command);
        QCOMPARE(platform->dialogs.at(1).before.Color, picked);
    }
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
