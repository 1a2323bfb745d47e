// Work is not lost in the real program: loading over a changed document asks,
// typing after a ruby insertion survives undo and redo, and Save asks before it
// writes over another program's change.

#include "testfiles.h"
#include "xsession.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWorkSafetyEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void panelAndSaveAsk();
    void typingAfterRubySurvivesUndoAndRedo();
};

// A double-click over a changed document asks (Cancel keeps it, No loads); another
// program then rewrites the file and Ctrl+S asks before writing over it.
void TestWorkSafetyEndToEnd::panelAndSaveAsk()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"shared.htm"_s);
    QVERIFY(writeFileBytes(path, "mine\r\n"));
    XSession session;
    QString why;
    if (!session.startDisplay(&why))
        QSKIP(qPrintable(why));
    QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path()));
    const QString window = session.mainWindow();
    session.click(window, 500, 200);
    session.type(u"abc"_s);
    QVERIFY(session.waitForTitle(window, u"Rubello (更新)"_s));

    // The panel's first file sits 322 below the menu bar (the height over 529 and the status bar).
    const QRegularExpressionMatch size
        = QRegularExpression(u"Geometry: \\d+x(\\d+)"_s)
              .match(session.xdotool({u"getwindowgeometry"_s, window}));
    const int fileRow = (size.hasMatch() ? size.captured(1).toInt() - 529 - 22 : 24) + 322;
    for (const QString &answer : {u"Escape"_s, u"alt+n"_s}) {
        session.focus(window);
        session.xdotool({u"mousemove"_s, u"--window"_s, window, u"40"_s, QString::number(fileRow),
                         u"click"_s, u"--repeat"_s, u"2"_s, u"--delay"_s, u"80"_s, u"1"_s});
        QVERIFY2(!session.waitForDialog(u"Rubello"_s).isEmpty(),
                 "the save question did not appear");
        session.key(answer);
        QVERIFY(session.waitForNoDialog(u"Rubello"_s));
        if (answer == u"Escape")
            QCOMPARE(session.title(window), u"Rubello (更新)"_s);
    }
    QVERIFY(session.waitForTitle(window, u"shared.htm"_s));

    session.click(window, 500, 200);
    session.type(u"abc"_s);
    QVERIFY(session.waitForTitle(window, u"shared.htm (更新)"_s));
    QVERIFY(writeFileBytes(path, "the other program's text\r\n"));
    session.key(u"ctrl+s"_s);
    QVERIFY2(!session.waitForDialog(u"Rubello"_s).isEmpty(), "Save did not ask");
    session.key(u"Escape"_s); // 保存しない
    QVERIFY(session.waitForNoDialog(u"Rubello"_s));
    QCOMPARE(readFileBytes(path), QByteArray("the other program's text\r\n"));
}

// Back one step: the typing only; again: the insertion; then both redone.
void TestWorkSafetyEndToEnd::typingAfterRubySurvivesUndoAndRedo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"undo.htm"_s);
    QVERIFY(writeFileBytes(path, "送り仮名\r\n"));
    XSession session;
    QString why;
    if (!session.startDisplay(&why))
        QSKIP(qPrintable(why));
    QVERIFY(
        session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path(), {path}, u"undo.htm"_s));
    const QString window = session.mainWindow();
    session.focus(window);
    session.key(u"shift+Right shift+Right F5"_s);
    QVERIFY(!session.waitForDialog(u"ルビの挿入"_s).isEmpty());
    session.key(u"Return"_s);
    QVERIFY(session.waitForNoDialog(u"ルビの挿入"_s));
    session.focus(window);
    session.key(u"End"_s);
    session.type(u"XYZ"_s);
    const QByteArray ruby = "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>";
    const QList<std::pair<QString, QByteArray>> steps = {
        {u"ctrl+z ctrl+s"_s, ruby + "り仮名\r\n"},
        {u"ctrl+z ctrl+s"_s, "送り仮名\r\n"},
        {u"ctrl+y ctrl+shift+z ctrl+s"_s, ruby + "り仮名XYZ\r\n"},
    };
    for (const auto &[keys, saved] : steps) {
        session.key(keys);
        QVERIFY(session.waitForTitle(window, u"undo.htm"_s));
        QCOMPARE(readFileBytes(path), saved);
    }
}

QTEST_GUILESS_MAIN(TestWorkSafetyEndToEnd)
#include "tst_worksafety_e2e.moc"
