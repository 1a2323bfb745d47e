// The real program in a real window, driven only by key presses and mouse events.

#include "testfiles.h"
#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

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
    void fileNamedLikeAQtOption();

private:
    bool start(XSession &session, const QString &folder);
    // Opens a file through Ctrl+O, typing its path into the dialog, and waits for
    // its name in the title.
    void openThroughDialog(XSession &session, const QString &path);
    // Height of the menu bar: the window is the design's 529 pixels below it and the
    // 22-pixel status bar.
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
    session.key(u"ctrl+o"_s);
    const QString dialog = session.waitForDialog(u"ファイルを開く"_s);
    QVERIFY2(!dialog.isEmpty(), "the open dialog did not appear");
    session.focus(dialog);
    session.type(path);
    session.key(u"Return"_s);
    QVERIFY(session.waitForNoDialog(u"ファイルを開く"_s));
    session.focus(session.mainWindow());
    QVERIFY(session.waitForTitle(session.mainWindow(), QFileInfo(path).fileName()));
}

int TestEndToEnd::menuBarHeight(XSession &session)
{
    const QRegularExpressionMatch match
        = QRegularExpression(u"Geometry: (\\d+)x(\\d+)"_s)
              .match(session.xdotool({u"getwindowgeometry"_s, session.mainWindow()}));
    return match.hasMatch() ? match.captured(2).toInt() - 529 - 22 : 24;
}

// Open, select 送り, F5, Enter, preview with F8, save with Ctrl+S.
// After "--" every argument is a file, even one Qt would take as its own option.
void TestEndToEnd::fileNamedLikeAQtOption()
{
    QTemporaryDir folder;
    QVERIFY(writeFileBytes(folder.filePath(u"-reverse"_s), "x"));
    XSession session;
    QString why;
    QVERIFY2(session.startDisplay(&why), qPrintable(why));
    QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path(),
                                 {u"--"_s, u"-reverse"_s}, u"-reverse"_s));
}

void TestEndToEnd::rubyAnnotationRoad()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"road.htm"_s);
    QVERIFY(writeFileBytes(path, "送り仮名です\r\n<p>漢字</p>\r\n"));
    const QString preview
        = QFileInfo(QStringLiteral(RUBELLO_BINARY)).absolutePath() + u"/_tmp.html"_s;
    QFile::remove(preview);

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();

    openThroughDialog(session, path);

    session.key(u"shift+Right shift+Right F5"_s);
    QVERIFY2(!session.waitForDialog(u"ルビの挿入"_s).isEmpty(), "the ruby dialog did not appear");
    session.key(u"Return"_s);
    QVERIFY(session.waitForNoDialog(u"ルビの挿入"_s));
    QVERIFY(session.waitForTitle(window, u"road.htm (更新)"_s));

    const QByteArray expected
        = "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>り仮名です\r\n<p>漢字</p>\r\n";
    session.focus(window);
    session.key(u"F8"_s);
    const QByteArray base
        = "<base href=\"" + QUrl::fromLocalFile(folder.path() + QLatin1Char('/')).toEncoded() + "\">";
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(preview), base + expected, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(session.opened().contains(preview)
                                 || session.opened().contains(u"file://"_s + preview),
                             10000);

    session.key(u"ctrl+s"_s);
    QVERIFY(session.waitForTitle(window, u"road.htm"_s));
    QCOMPARE(readFileBytes(path), expected);
}

// Katakana and half-width forms chosen on the main window, the attribute switched
// on in the dialog, and Ctrl+Z bringing the text back.
void TestEndToEnd::kanaFormsAttributeAndUndo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"forms.htm"_s);
    QVERIFY(writeFileBytes(path, "送り仮名\r\n取り扱い\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    openThroughDialog(session, path);
    const int menuBar = menuBarHeight(session);

    // 全角 カタカナ, then the first word with the attribute ticked in the dialog.
    session.click(window, 40, menuBar + 16 + 16 + 8);
    session.click(window, 400, menuBar + 200);
    session.key(u"ctrl+Home shift+Right shift+Right F5"_s);
    QVERIFY(!session.waitForDialog(u"ルビの挿入"_s).isEmpty());
    session.key(u"Tab Tab Tab space Return"_s);
    QVERIFY(session.waitForNoDialog(u"ルビの挿入"_s));
    const QByteArray first
        = "<ruby><rb>送</rb><rp>(</rp><rt style=\"font-size:7pt\">オク</rt><rp>)</rp></ruby>";

    // 半角 ｶﾀｶﾅ for the second word; the attribute stays on from the last insertion.
    session.focus(window);
    session.click(window, 40, menuBar + 16 + 64 + 8);
    session.click(window, 400, menuBar + 200);
    session.key(u"ctrl+Home Down shift+Right shift+Right shift+Right shift+Right F5"_s);
    QVERIFY(!session.waitForDialog(u"ルビの挿入"_s).isEmpty());
    session.key(u"Return"_s);
    QVERIFY(session.waitForNoDialog(u"ルビの挿入"_s));

    session.focus(window);
    session.key(u"ctrl+s"_s);
    QVERIFY(session.waitForTitle(window, u"forms.htm"_s));
    QCOMPARE(readFileBytes(path),
             first
                 + "り仮名\r\n<ruby><rb>取り扱</rb><rp>(</rp><rt style=\"font-size:7pt\">"
                   "ﾄﾘｱﾂｶ</rt><rp>)</rp></ruby>い\r\n");

    // Undo brings back the text as it was before the last insertion.
    session.key(u"ctrl+z ctrl+s"_s);
    QVERIFY(session.waitForTitle(window, u"forms.htm"_s));
    QCOMPARE(readFileBytes(path), first + "り仮名\r\n取り扱い\r\n");
}

// Ctrl+F, loose comparison (the default), Replace all, save.
void TestEndToEnd::looseReplaceAll()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"search.htm"_s);
    QVERIFY(writeFileBytes(path, "かなとカナとｶﾅ\r\n<p>KANA かた</p>\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    openThroughDialog(session, path);

    session.key(u"ctrl+f"_s);
    const QString search = session.waitForDialog(u"検索と置換"_s);
    QVERIFY2(!search.isEmpty(), "the search window did not appear");
    session.focus(search);
    session.type(u"かな"_s);
    session.key(u"alt+p"_s); // 置換も行う
    session.key(u"alt+i"_s); // the replacement box
    session.type(u"ruby"_s);
    session.key(u"alt+a"_s); // 全て置換
    const QString end = session.waitForDialog(u"検索終了"_s);
    QVERIFY2(!end.isEmpty(), "the end message did not appear");
    session.focus(end);
    session.key(u"Return"_s);
    QVERIFY(session.waitForNoDialog(u"検索終了"_s));
    QVERIFY(session.windowsNamed(u"検索終了"_s).isEmpty());
    QVERIFY(session.waitForTitle(window, u"search.htm (更新)"_s));

    session.focus(window);
    session.key(u"ctrl+s"_s);
    QVERIFY(session.waitForTitle(window, u"search.htm"_s));
    QCOMPARE(readFileBytes(path), QByteArray("rubyとrubyとruby\r\n<p>KANA かた</p>\r\n"));
}

// The panel lists the current folder's HTML files; a double-click opens one.
void TestEndToEnd::panelOpensByDoubleClick()
{
    QTemporaryDir folder;
    QVERIFY(writeFileBytes(folder.filePath(u"b.htm"_s), "<p>b</p>\r\n"));
    QVERIFY(writeFileBytes(folder.filePath(u"見本.html"_s), "<p>見本</p>\r\n"));
    QVERIFY(writeFileBytes(folder.filePath(u"a.txt"_s), "not listed\r\n"));

    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    const int menuBar = menuBarHeight(session);

    // The second row of the file list: a.txt is filtered out, b.htm comes first.
    session.xdotool({u"mousemove"_s, u"--window"_s, window, u"40"_s,
                     QString::number(menuBar + 312 + 28), u"click"_s, u"--repeat"_s, u"2"_s,
                     u"--delay"_s, u"80"_s, u"1"_s});
    QVERIFY(session.waitForTitle(window, u"見本.html"_s));

    // The document is the file: saving it unchanged gives back the same bytes.
    session.focus(window);
    session.key(u"ctrl+s"_s);
    QCOMPARE(readFileBytes(folder.filePath(u"見本.html"_s)), QByteArray("<p>見本</p>\r\n"));
}

void TestEndToEnd::closingAChangedDocumentAsks()
{
    QTemporaryDir folder;
    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    QCOMPARE(session.title(window), u"Rubello"_s);

    session.click(window, 500, 200);
    session.type(u"abc"_s);
    QVERIFY(session.waitForTitle(window, u"Rubello (更新)"_s));

    // Cancel keeps the window and the changes.
    session.key(u"alt+f x"_s);
    QVERIFY2(!session.waitForDialog(u"Rubello"_s).isEmpty(), "the save question did not appear");
    session.key(u"Escape"_s);
    QVERIFY(session.waitForNoDialog(u"Rubello"_s));
    QVERIFY(session.programRunning());
    QCOMPARE(session.title(window), u"Rubello (更新)"_s);

    // No ends the program without writing anything. Without a window manager the
    // focus does not come back to the main window by itself.
    session.focus(window);
    session.key(u"alt+f x"_s);
    QVERIFY2(!session.waitForDialog(u"Rubello"_s).isEmpty(),
             "the save question did not appear again");
    session.key(u"alt+n"_s);
    QVERIFY(session.waitForProgramEnd(10000));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
