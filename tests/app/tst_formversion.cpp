#include "app/formmain.h"
#include "app/startup.h"
#include "fakeplatform.h"
#include "ui/formversion.h"

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
    void init();
    void helpOpensThePageBesideTheProgram();
    void layoutAsDesigned();
    void linkFollowsThePointer_data();
    void linkFollowsThePointer();
    void linkClickOpensTheAddressAndStaysOpen();
    void keysThatClose_data();
    void keysThatClose();
    void aboutIsModalAndAfreshEachTime();

private:
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<FormVersion> form;
};

void TestFormVersion::initTestCase()
{
    // The program's own fonts, so the captions are measured as they will be shown.
    installJapaneseEnvironment();
}

void TestFormVersion::init()
{
    form.reset();
    platform = std::make_unique<FakePlatform>();
    form = std::make_unique<FormVersion>(*platform);
}

void TestFormVersion::helpOpensThePageBesideTheProgram()
{
    Module1 module = Module1::atStartUp();
    // The page need not exist and the open may fail: nothing is said either way.
    platform->openResult = false;
    FormMain main(module, *platform);
    for (const char *folder : {"/opt/rubello/bin", "/opt/rubello/bin/"}) {
        platform->folder = QString::fromUtf8(folder);
        main.MHHelp_Click();
    }
    QCOMPARE(platform->opened, QStringList(2, QStringLiteral("/opt/rubello/bin/index.html")));
    QVERIFY(platform->messages.isEmpty());
}

void TestFormVersion::layoutAsDesigned()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(form->LabelVersion->text(), QStringLiteral("Rubello Version 1.2.0"));
    QCOMPARE(form->Image1->pixmap().size(), QSize(48, 48));
    QVERIFY(form->ComOK->isDefault());
    QCOMPARE(form->size(), QSize(413, 84));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(QFontInfo(form->LabelVersion->font()).family(), QStringLiteral("Noto Sans CJK JP"));
    QCOMPARE(form->Image1->geometry(), QRect(16, 16, 48, 48));
    QCOMPARE(form->ComOK->geometry(), QRect(304, 16, 89, 25));
    QVERIFY(form->ComOK->sizeHint().width() <= form->ComOK->width());

    // Labels keep their left edge and width and are as tall as the font's line.
    const QList<std::pair<QLabel *, int>> widths
        = {{form->LabelVersion, 125}, {form->LabelCopyright, 189}, {form->LabelURL, 196}};
    for (const auto &[label, width] : widths) {
        QCOMPARE(label->x(), 80);
        QCOMPARE(label->width(), width);
        // Wide enough in the hovered look too: underline does not change the width.
        QFont hovered = label->font();
        hovered.setUnderline(true);
        const QFontMetrics metrics(hovered);
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= width, qPrintable(label->text()));
        QVERIFY2(metrics.height() <= label->height(), qPrintable(label->text()));
        QVERIFY2(form->rect().contains(label->geometry()), qPrintable(label->text()));
    }
    QVERIFY(form->LabelVersion->geometry().bottom() < form->LabelURL->geometry().top());
}

void TestFormVersion::linkFollowsThePointer_data()
{
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<bool>("hovered");
    QTest::newRow("at rest when the window opens") << QStringList {} << false;
    QTest::newRow("over the link") << QStringList {"link"} << true;
    QTest::newRow("link, then the bare background") << QStringList {"link", "background"} << false;
    QTest::newRow("link, then straight onto OK") << QStringList {"link", "button"} << true;
    QTest::newRow("link, then the copyright line") << QStringList {"link", "copyright"} << true;
    QTest::newRow("link, then the picture") << QStringList {"link", "picture"} << true;
    QTest::newRow("link, OK, picture, then the background")
        << QStringList {"link", "button", "picture", "background"} << false;
    QTest::newRow("background, then the link") << QStringList {"background", "link"} << true;
}

void TestFormVersion::linkFollowsThePointer()
{
    QFETCH(QStringList, places);
    QFETCH(bool, hovered);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QHash<QString, QPoint> points = {
        {"link", form->LabelURL->geometry().center()},
        {"background", QPoint(300, 70)},
        {"button", form->ComOK->geometry().center()},
        {"copyright", form->LabelCopyright->geometry().center()},
        {"picture", form->Image1->geometry().center()},
    };
    QCOMPARE(form->childAt(points["background"]), nullptr);

    for (const QString &place : places) {
        // As the window system does: the move goes to the control under the pointer.
        const QPoint at = points.value(place);
        QWidget *target = form->childAt(at);
        if (!target)
            target = form.get();
        const QPoint local = target->mapFrom(form.get(), at);
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    const QColor expected = hovered ? QColor(255, 0, 0) : QColor(0, 0, 255);
    QCOMPARE(form->LabelURL->palette().color(QPalette::WindowText), expected);
    QCOMPARE(form->LabelURL->font().underline(), hovered);
    QCOMPARE(form->LabelURL->cursor().shape(), Qt::CrossCursor);
}

void TestFormVersion::linkClickOpensTheAddressAndStaysOpen()
{
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    QTest::mouseClick(form->LabelURL, Qt::LeftButton, {}, QPoint(5, 5));
    // The right button is no click.
    QTest::mouseClick(form->LabelURL, Qt::RightButton, {}, QPoint(5, 5));

    QCOMPARE(platform->opened, QStringList {QStringLiteral("https://rubello.example.org/")});
    QVERIFY(form->isVisible());
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
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), form->ComOK);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QCOMPARE(form->isVisible(), !closes);
    if (closes)
        QCOMPARE(form->result(), int(QDialog::Accepted));
}

void TestFormVersion::aboutIsModalAndAfreshEachTime()
{
    Module1 module = Module1::atStartUp();
    FormMain main(module, *platform);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QStringList seen;
    std::function<void()> check = [&] {
        auto *about = qobject_cast<FormVersion *>(QApplication::activeModalWidget());
        if (!about) {
            QTimer::singleShot(10, this, check);
            return;
        }
        seen << about->LabelVersion->text() << (about->isModal() ? "modal" : "modeless")
             << (about->LabelURL->font().underline() ? "hovered" : "at rest");
        // Leave the link hovered: the next opening must not inherit it.
        about->LabelURL_MouseMove();
        QTest::keyClick(about, Qt::Key_Return);
    };

    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, this, check);
        main.MHVersion_Click();
    }

    const QStringList once = {"Rubello Version 1.2.0", "modal", "at rest"};
    QCOMPARE(seen, once + once);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

QTEST_MAIN(TestFormVersion)
#include "tst_formversion.moc"
