// The real program in a real window, driven only by key presses and mouse events.

#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rubyAnnotationRoad();
    void kanaFormsAttributeAndUndo();
    void looseReplaceAll();
    void panelOpensByDoubleClick();
    void closingAChangedDocumentAsks();

private:
    bool start(XSession &session, const QString &folder);
    // Opens a file through Ctrl+O, typing its path into the dialog, and waits for
    // its name in the title.
    void openThroughDialog(XSession &session, const QString &path);
    // Height of the menu bar: the window is the design's 529 pixels below it.
    int menuBarHeight(XSession &session);
};

// The whole suite is skipped, with the reason, only when Xvfb itself cannot start.
void TestEndToEnd::initTestCase()
{
    XSession probe;
    QString why;
    if (!probe.startDisplay(&why))
        QSKIP(qPrintable(why));
}

bool TestEndToEnd::start(XSession &session, const QString &folder)
{
    QString why;
    if (!session.startDisplay(&why)) {
        qWarning("%s", qPrintable(why));
        return false;
    }
    return session.startProgram(QStringLiteral(RUBELLO_BINARY), folder);
}

void TestEndToEnd::openThroughDialog(XSession &session, const QString &path)
{
    session.focus(session.mainWindow());
    session.key(QStringLiteral("ctrl+o"));
    const QString dialog = session.waitForDialog(QStringLiteral("ファイルを開く"));
    QVERIFY2(!dialog.isEmpty(), "the open dialog did not appear");
    session.focus(dialog);
    session.type(path);
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ファイルを開く")));
    session.focus(session.mainWindow());
    QVERIFY(session.waitForTitle(session.mainWindow(), QFileInfo(path).fileName()));
}

int TestEndToEnd::menuBarHeight(XSession &session)
{
    const QString geometry
        = session.xdotool({QStringLiteral("getwindowgeometry"), session.mainWindow()});
    const QRegularExpression size(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    const QRegularExpressionMatch match = size.match(geometry);
    return match.hasMatch() ? match.captured(2).toInt() - 529 : 24;
}

// Open, select 送り, F5, Enter, preview with F8, save with Ctrl+S.
void TestEndToEnd::rubyAnnotationRoad()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("road.htm"));
    QVERIFY(writeFile(path, "送り仮名です\r\n<p>漢字</p>\r\n"));
    const QString preview
        = QFileInfo(QStringLiteral(RUBELLO_BINARY)).absolutePath() + QStringLiteral("/_tmp.html");
    QFile::remove(preview);

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();

    openThroughDialog(session, path);

    session.key(QStringLiteral("shift+Right shift+Right F5"));
    const QString ruby = session.waitForDialog(QStringLiteral("ルビの挿入"));
    QVERIFY2(!ruby.isEmpty(), "the ruby dialog did not appear");
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ルビの挿入")));
    QVERIFY(session.waitForTitle(window, QStringLiteral("road.htm (更新)")));

    const QByteArray expected
        = "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>り仮名です\r\n<p>漢字</p>\r\n";
    session.focus(window);
    session.key(QStringLiteral("F8"));
    const QByteArray base
        = "<base href=\"" + QUrl::fromLocalFile(folder.path() + QLatin1Char('/')).toEncoded() + "\">";
    QTRY_COMPARE_WITH_TIMEOUT(readFile(preview), base + expected, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(session.opened().contains(preview)
                                 || session.opened().contains(QStringLiteral("file://") + preview),
                             10000);

    session.key(QStringLiteral("ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("road.htm")));
    QCOMPARE(readFile(path), expected);
}

// Katakana and half-width forms chosen on the main window, the attribute switched
// on in the dialog, and Ctrl+Z bringing the text back.
void TestEndToEnd::kanaFormsAttributeAndUndo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("forms.htm"));
    QVERIFY(writeFile(path, "送り仮名\r\n取り扱い\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    openThroughDialog(session, path);
    const int menuBar = menuBarHeight(session);

    // 全角 カタカナ, then the first word with the attribute ticked in the dialog.
    session.click(window, 40, menuBar + 16 + 16 + 8);
    session.click(window, 400, menuBar + 200);
    session.key(QStringLiteral("ctrl+Home shift+Right shift+Right F5"));
    QVERIFY(!session.waitForDialog(QStringLiteral("ルビの挿入")).isEmpty());
    session.key(QStringLiteral("Tab Tab Tab space Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ルビの挿入")));
    const QByteArray first
        = "<ruby><rb>送</rb><rp>(</rp><rt style=\"font-size:7pt\">オク</rt><rp>)</rp></ruby>";

    // 半角 ｶﾀｶﾅ for the second word; the attribute stays on from the last insertion.
    session.focus(window);
    session.click(window, 40, menuBar + 16 + 64 + 8);
    session.click(window, 400, menuBar + 200);
    session.key(
        QStringLiteral("ctrl+Home Down shift+Right shift+Right shift+Right shift+Right F5"));
    QVERIFY(!session.waitForDialog(QStringLiteral("ルビの挿入")).isEmpty());
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ルビの挿入")));

    session.focus(window);
    session.key(QStringLiteral("ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("forms.htm")));
    QCOMPARE(readFile(path),
             first
                 + "り仮名\r\n<ruby><rb>取り扱</rb><rp>(</rp><rt style=\"font-size:7pt\">"
                   "ﾄﾘｱﾂｶ</rt><rp>)</rp></ruby>い\r\n");

    // Undo brings back the text as it was before the last insertion.
    session.key(QStringLiteral("ctrl+z ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("forms.htm")));
    QCOMPARE(readFile(path), first + "り仮名\r\n取り扱い\r\n");
}

// Ctrl+F, loose comparison (the default), Replace all, save.
void TestEndToEnd::looseReplaceAll()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("search.htm"));
    QVERIFY(writeFile(path, "かなとカナとｶﾅ\r\n<p>KANA かた</p>\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    openThroughDialog(session, path);

    session.key(QStringLiteral("ctrl+f"));
    const QString search = session.waitForDialog(QStringLiteral("検索と置換"));
    QVERIFY2(!search.isEmpty(), "the search window did not appear");
    session.focus(search);
    session.type(QStringLiteral("かな"));
    session.click(search, 16 + 30, 112 + 6); // 置換も行う
    session.click(search, 8 + 100, 72 + 9); // the replacement box
    session.type(QStringLiteral("ruby"));
    session.click(search, 296 + 44, 104 + 12); // 全て置換
    const QString end = session.waitForDialog(QStringLiteral("検索終了"));
    QVERIFY2(!end.isEmpty(), "the end message did not appear");
    session.focus(end);
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("検索終了")));
    QVERIFY(session.windowsNamed(QStringLiteral("検索終了")).isEmpty());
    QVERIFY(session.waitForTitle(window, QStringLiteral("search.htm (更新)")));

    session.focus(window);
    session.key(QStringLiteral("ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("search.htm")));
    QCOMPARE(readFile(path), QByteArray("rubyとrubyとruby\r\n<p>KANA かた</p>\r\n"));
}

// The panel lists the current folder's HTML files; a double-click opens one.
void TestEndToEnd::panelOpensByDoubleClick()
{
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(QStringLiteral("b.htm")), "<p>b</p>\r\n"));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("見本.html")), "<p>見本</p>\r\n"));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("a.txt")), "not listed\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    const int menuBar = menuBarHeight(session);

    // The second row of the file list: a.txt is filtered out, b.htm comes first.
    session.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                     QStringLiteral("40"), QString::number(menuBar + 312 + 28),
                     QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                     QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    QVERIFY(session.waitForTitle(window, QStringLiteral("見本.html")));

    // The document is the file: saving it unchanged gives back the same bytes.
    session.focus(window);
    session.key(QStringLiteral("ctrl+s"));
    QCOMPARE(readFile(folder.filePath(QStringLiteral("見本.html"))), QByteArray("<p>見本</p>\r\n"));
}

void TestEndToEnd::closingAChangedDocumentAsks()
{
    QTemporaryDir folder;
    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    QCOMPARE(session.title(window), QStringLiteral("Rubello"));

    session.click(window, 500, 200);
    session.type(QStringLiteral("abc"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("Rubello (更新)")));

    // Cancel keeps the window and the changes.
    session.key(QStringLiteral("alt+f x"));
    QString prompt = session.waitForDialog(QStringLiteral("Rubello"));
    QVERIFY2(!prompt.isEmpty(), "the save question did not appear");
    session.key(QStringLiteral("Escape"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("Rubello")));
    QVERIFY(session.programRunning());
    QCOMPARE(session.title(window), QStringLiteral("Rubello (更新)"));

    // No ends the program without writing anything. Without a window manager the
    // focus does not come back to the main window by itself.
    session.focus(window);
    session.key(QStringLiteral("alt+f x"));
    prompt = session.waitForDialog(QStringLiteral("Rubello"));
    QVERIFY2(!prompt.isEmpty(), "the save question did not appear again");
    session.key(QStringLiteral("alt+n"));
    QVERIFY(session.waitForProgramEnd(10000));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
