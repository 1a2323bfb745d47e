// Work is not lost in the real program: loading over a changed document asks,
// typing after a ruby insertion survives undo and redo, and Save asks before it
// writes over another program's change.

#include "xsession.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestWorkSafetyEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelAndSaveAsk();
    void typingAfterRubySurvivesUndoAndRedo();

private:
    bool start(XSession &session, const QString &folder);
    void open(XSession &session, const QString &path);
};

void TestWorkSafetyEndToEnd::initTestCase()
{
    XSession probe;
    QString why;
    if (!probe.startDisplay(&why))
        QSKIP(qPrintable(why));
}

bool TestWorkSafetyEndToEnd::start(XSession &session, const QString &folder)
{
    QString why;
    return session.startDisplay(&why)
        && session.startProgram(QStringLiteral(RUBELLO_BINARY), folder);
}

void TestWorkSafetyEndToEnd::open(XSession &session, const QString &path)
{
    session.focus(session.mainWindow());
    session.key(QStringLiteral("ctrl+o"));
    const QString dialog = session.waitForDialog(QStringLiteral("ファイルを開く"));
    QVERIFY(!dialog.isEmpty());
    session.focus(dialog);
    session.type(path);
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ファイルを開く")));
    session.focus(session.mainWindow());
    QVERIFY(session.waitForTitle(session.mainWindow(), QFileInfo(path).fileName()));
}

// A double-click over a changed document asks (Cancel keeps it, No loads); another
// program then rewrites the file and Ctrl+S asks before writing over it.
void TestWorkSafetyEndToEnd::panelAndSaveAsk()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shared.htm"));
    QVERIFY(writeFile(path, "mine\r\n"));
    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    session.click(window, 500, 200);
    session.type(QStringLiteral("abc"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("Rubello (更新)")));

    const QString geometry = session.xdotool({QStringLiteral("getwindowgeometry"), window});
    const QRegularExpressionMatch size
        = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
    const int menuBar
        = size.hasMatch() ? size.captured(2).toInt() - 529 - 22 : 24; // less the status bar
    for (const char *answer : {"Escape", "alt+n"}) {
        session.focus(window);
        session.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QStringLiteral("40"), QString::number(menuBar + 312 + 10),
                         QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
        QVERIFY2(!session.waitForDialog(QStringLiteral("Rubello")).isEmpty(),
                 "the save question did not appear");
        session.key(QString::fromLatin1(answer));
        QVERIFY(session.waitForNoDialog(QStringLiteral("Rubello")));
        if (qstrcmp(answer, "Escape") == 0)
            QCOMPARE(session.title(window), QStringLiteral("Rubello (更新)"));
    }
    QVERIFY(session.waitForTitle(window, QStringLiteral("shared.htm")));

    session.click(window, 500, 200);
    session.type(QStringLiteral("abc"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("shared.htm (更新)")));
    QVERIFY(writeFile(path, "the other program's text\r\n"));
    session.key(QStringLiteral("ctrl+s"));
    QVERIFY2(!session.waitForDialog(QStringLiteral("Rubello")).isEmpty(), "Save did not ask");
    session.key(QStringLiteral("Escape")); // 保存しない
    QVERIFY(session.waitForNoDialog(QStringLiteral("Rubello")));
    QCOMPARE(readFile(path), QByteArray("the other program's text\r\n"));
}

void TestWorkSafetyEndToEnd::typingAfterRubySurvivesUndoAndRedo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("undo.htm"));
    QVERIFY(writeFile(path, "送り仮名\r\n"));
    XSession session;
    QVERIFY(start(session, folder.path()));
    const QString window = session.mainWindow();
    open(session, path);

    session.key(QStringLiteral("shift+Right shift+Right F5"));
    QVERIFY(!session.waitForDialog(QStringLiteral("ルビの挿入")).isEmpty());
    session.key(QStringLiteral("Return"));
    QVERIFY(session.waitForNoDialog(QStringLiteral("ルビの挿入")));
    session.focus(window);
    session.key(QStringLiteral("End"));
    session.type(QStringLiteral("XYZ"));
    const QByteArray ruby = "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>";

    // Back one step: the typing only; again: the insertion; then both redone.
    session.key(QStringLiteral("ctrl+z ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("undo.htm")));
    QCOMPARE(readFile(path), ruby + "り仮名\r\n");
    session.key(QStringLiteral("ctrl+z ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("undo.htm")));
    QCOMPARE(readFile(path), QByteArray("送り仮名\r\n"));
    session.key(QStringLiteral("ctrl+y ctrl+shift+z ctrl+s"));
    QVERIFY(session.waitForTitle(window, QStringLiteral("undo.htm")));
    QCOMPARE(readFile(path), ruby + "り仮名XYZ\r\n");
}

QTEST_GUILESS_MAIN(TestWorkSafetyEndToEnd)
#include "tst_worksafety_e2e.moc"
