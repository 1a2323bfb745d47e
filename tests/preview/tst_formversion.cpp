#include "app/formmain.h"
#include "app/startup.h"
#include "fakeplatform.h"
#include "preview/formversion.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

// The help command and the About window.
class TestFormVersion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpOpensThePageBesideTheProgram_data();
    void helpOpensThePageBesideTheProgram();

    void layoutAsDesigned();
    void captionsFitTheirLabels();
    void linkFollowsThePointer_data();
    void linkFollowsThePointer();
    void linkClickOpensTheAddressAndStaysOpen();
    void keysThatClose_data();
    void keysThatClose();
    void aboutIsModalAndAfreshEachTime();
};

void TestFormVersion::initTestCase()
{
    // The program's own fonts, so the captions are measured as they will be shown.
    installJapaneseEnvironment();
}

void TestFormVersion::helpOpensThePageBesideTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("page");
    QTest::newRow("folder without trailing separator")
        << QStringLiteral("/opt/rubello/bin") << QStringLiteral("/opt/rubello/bin/index.html");
    QTest::newRow("folder with trailing separator")
        << QStringLiteral("/opt/rubello/bin/") << QStringLiteral("/opt/rubello/bin/index.html");
    QTest::newRow("root folder") << QStringLiteral("/") << QStringLiteral("/index.html");
    QTest::newRow("folder with spaces and kanji")
        << QStringLiteral("/home/u/ルビ ツール") << QStringLiteral("/home/u/ルビ ツール/index.html");
}

void TestFormVersion::helpOpensThePageBesideTheProgram()
{
    QFETCH(QString, folder);
    QFETCH(QString, page);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    platform.folder = folder;
    // The page need not exist and the open may fail: nothing is said either way.
    platform.openResult = false;
    FormMain form(module, platform);

    form.MHHelp_Click();

    QCOMPARE(platform.opened, QStringList{page});
    QVERIFY(platform.messages.isEmpty());
}

void TestFormVersion::layoutAsDesigned()
{
    FakePlatform platform;
    FormVersion form(platform);
    QCOMPARE(form.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(form.size(), QSize(413, 84));
    QCOMPARE(form.minimumSize(), QSize(413, 84));
    QCOMPARE(form.maximumSize(), QSize(413, 84));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowIcon().isNull());

    QCOMPARE(form.Image1->geometry(), QRect(16, 16, 48, 48));
    QCOMPARE(form.Image1->pixmap().size(), QSize(48, 48));
    QCOMPARE(form.LabelVersion->text(), QStringLiteral("Rubello Version 1.2.0"));
    QCOMPARE(form.LabelURL->text(), FormVersion::homePageAddress());
    QVERIFY(FormVersion::homePageAddress().startsWith(QStringLiteral("https://")));
    QVERIFY(!form.LabelCopyright->text().isEmpty());
    // Labels keep their design left edge and width; the height is the font's line.
    QCOMPARE(form.LabelVersion->x(), 80);
    QCOMPARE(form.LabelVersion->width(), 125);
    QCOMPARE(form.LabelCopyright->x(), 80);
    QCOMPARE(form.LabelCopyright->width(), 189);
    QCOMPARE(form.LabelURL->x(), 80);
    QCOMPARE(form.LabelURL->width(), 196);
    QVERIFY(form.LabelVersion->geometry().bottom() < form.LabelURL->geometry().top());

    QCOMPARE(form.ComOK->geometry(), QRect(304, 16, 89, 25));
    QCOMPARE(form.ComOK->text(), QStringLiteral("OK"));
    QVERIFY(form.ComOK->isDefault());

    QCOMPARE(form.LabelURL->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(form.LabelURL->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(!form.LabelURL->font().underline());
}

void TestFormVersion::captionsFitTheirLabels()
{
    FakePlatform platform;
    FormVersion form(platform);
    QCOMPARE(QFontInfo(form.LabelVersion->font()).family(), QStringLiteral("Noto Sans CJK JP"));
    for (const QLabel *label : {form.LabelVersion, form.LabelCopyright, form.LabelURL}) {
        // Wide enough in the hovered look too: underline does not change the width.
        QFont hovered = label->font();
        hovered.setUnderline(true);
        const QFontMetrics metrics(hovered);
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
        QVERIFY2(metrics.height() <= label->height(), qPrintable(label->text()));
        QVERIFY2(form.rect().contains(label->geometry()), qPrintable(label->text()));
    }
    QVERIFY(form.ComOK->sizeHint().width() <= form.ComOK->width());
}

void TestFormVersion::linkFollowsThePointer_data()
{
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<bool>("hovered");
    QTest::newRow("at rest when the window opens") << QStringList{} << false;
    QTest::newRow("over the link") << QStringList{"link"} << true;
    QTest::newRow("link, then the bare background") << QStringList{"link", "background"} << false;
    QTest::newRow("link, then straight onto OK") << QStringList{"link", "button"} << true;
    QTest::newRow("link, then the copyright line") << QStringList{"link", "copyright"} << true;
    QTest::newRow("link, then the version line") << QStringList{"link", "version"} << true;
    QTest::newRow("link, then the picture") << QStringList{"link", "picture"} << true;
    QTest::newRow("link, OK, picture, then the background")
        << QStringList{"link", "button", "picture", "background"} << false;
    QTest::newRow("background, then the link") << QStringList{"background", "link"} << true;
    QTest::newRow("background only") << QStringList{"background"} << false;
}

void TestFormVersion::linkFollowsThePointer()
{
    QFETCH(QStringList, places);
    QFETCH(bool, hovered);
    FakePlatform platform;
    FormVersion form(platform);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QHash<QString, QPoint> points = {
        {"link", form.LabelURL->geometry().center()},
        {"background", QPoint(300, 70)},
        {"button", form.ComOK->geometry().center()},
        {"copyright", form.LabelCopyright->geometry().center()},
        {"version", form.LabelVersion->geometry().center()},
        {"picture", form.Image1->geometry().center()},
    };
    QCOMPARE(form.childAt(points["background"]), nullptr);

    for (const QString &place : places) {
        // As the window system does: the move goes to the control under the pointer.
        const QPoint at = points.value(place);
        QWidget *target = form.childAt(at);
        if (!target)
            target = &form;
        const QPoint local = target->mapFrom(&form, at);
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    const QColor expected = hovered ? QColor(255, 0, 0) : QColor(0, 0, 255);
    QCOMPARE(form.LabelURL->palette().color(QPalette::WindowText), expected);
    QCOMPARE(form.LabelURL->font().underline(), hovered);
    QCOMPARE(form.LabelURL->cursor().shape(), Qt::CrossCursor);
}

void TestFormVersion::linkClickOpensTheAddressAndStaysOpen()
{
    FakePlatform platform;
    FormVersion form(platform);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(form.LabelURL, Qt::LeftButton, {}, QPoint(5, 5));

    QCOMPARE(platform.opened, QStringList{QStringLiteral("https://rubello.example.org/")});
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);

    // The right button is no click.
    QTest::mouseClick(form.LabelURL, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(platform.opened.size(), 1);
}

void TestFormVersion::keysThatClose_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter presses OK") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter presses OK") << int(Qt::Key_Enter) << true;
    QTest::newRow("Esc does nothing: there is no cancel button") << int(Qt::Key_Escape) << false;
    QTest::newRow("space on the focused OK presses it") << int(Qt::Key_Space) << true;
}

void TestFormVersion::keysThatClose()
{
    QFETCH(int, key);
    QFETCH(bool, closes);
    FakePlatform platform;
    FormVersion form(platform);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.ComOK);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QCOMPARE(form.isVisible(), !closes);
    if (closes)
        QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestFormVersion::aboutIsModalAndAfreshEachTime()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain main(module, platform);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QStringList seen;
    int openings = 0;
    std::function<void()> check = [&] {
        auto *about = qobject_cast<FormVersion *>(QApplication::activeModalWidget());
        if (!about) {
            QTimer::singleShot(10, this, check);
            return;
        }
        ++openings;
        seen.append(about->LabelVersion->text());
        seen.append(about->LabelURL->font().underline() ? "hovered" : "at rest");
        seen.append(about->isModal() ? "modal" : "modeless");
        // Leave the link hovered: the next opening must not inherit it.
        about->LabelURL_MouseMove();
        QTest::keyClick(about, Qt::Key_Escape);
        seen.append(about->isVisible() ? "open after Esc" : "closed by Esc");
        QTest::keyClick(about, Qt::Key_Return);
    };

    QTimer::singleShot(0, this, check);
    main.MHVersion_Click();
    QTimer::singleShot(0, this, check);
    main.MHVersion_Click();

    QCOMPARE(openings, 2);
    const QStringList once = {"Rubello Version 1.2.0", "at rest", "modal", "open after Esc"};
    QCOMPARE(seen, once + once);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

QTEST_MAIN(TestFormVersion)
#include "tst_formversion.moc"
