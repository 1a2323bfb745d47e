// The window on screens of several sizes: the first window and remembered
// geometry are kept within the available area of the screen.

#include "app/mainwindow.h"
#include "casetable.h"
#include "fakeplatform.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void windowFitsItsScreen_data() { addCaseRows("screens.tsv"); }
    void windowFitsItsScreen();
};

namespace {

QScreen *screenNamed(const QByteArray &name)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->name() == QString::fromUtf8(name))
            return screen;
    return nullptr;
}

// A window as start-up makes one: on a screen, then the remembered choices.
void startOn(MainWindow &window, QScreen *screen, const QByteArray &geometry)
{
    window.setScreen(screen);
    window.move(screen->availableGeometry().topLeft());
    QTemporaryDir folder;
    QSettings settings(folder.filePath(u"rubello.conf"_s), QSettings::IniFormat);
    if (!geometry.isEmpty())
        settings.setValue(u"window/geometry"_s, geometry);
    window.useSettings(&settings);
}

} // namespace

void TestScreens::windowFitsItsScreen()
{
    QFETCH(QByteArrayList, f); // screen, remembered geometry, size afterwards
    QScreen *screen = screenNamed(f[0]);
    QVERIFY(screen);
    FakePlatform platform;
    QByteArray remembered;
    if (f[1] != "none") {
        // Saved by a window on the large screen.
        const QList<QByteArray> parts = f[1].split('+');
        const QList<QByteArray> size = parts[0].split('x');
        MainWindow earlier(platform);
        earlier.setScreen(screenNamed("large"));
        earlier.setGeometry(parts[1].toInt(), parts[2].toInt(), size[0].toInt(), size[1].toInt());
        earlier.show();
        QVERIFY(QTest::qWaitForWindowExposed(&earlier));
        remembered = earlier.saveGeometry();
    }
    MainWindow window(platform);
    startOn(window, screen, remembered);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.screen(), screen);
    const QRect available = screen->availableGeometry();
    QVERIFY2(available.contains(window.frameGeometry()),
             qPrintable(u"%1 outside %2"_s.arg(QDebug::toString(window.frameGeometry()),
                                              QDebug::toString(available))));
    if (f[2] == "design")
        QCOMPARE(window.geometry().width(), 822);
    else if (f[2] != "fits")
        QCOMPARE(u"%1x%2"_s.arg(window.width()).arg(window.height()), QString::fromUtf8(f[2]));
}

int main(int argc, char *argv[])
{
    // Three screens side by side; the scaled one is 1600×1000 pixels at scale 2.
    QTemporaryDir folder;
    const QString config = folder.filePath(u"screens.json"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [
            {"name": "small", "x": 0, "y": 0, "width": 800, "height": 600},
            {"name": "scaled", "x": 800, "y": 0, "width": 800, "height": 500, "dpr": 2.0},
            {"name": "large", "x": 1600, "y": 0, "width": 1920, "height": 1080}]})")
            < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screens.moc"
