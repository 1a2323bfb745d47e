// The real program in a real window, driven only by key presses and mouse events.

#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

[[maybe_unused]] QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

[[maybe_unused]] bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void closingAChangedDocumentAsks();
};

void TestEndToEnd::closingAChangedDocumentAsks()
{
    QTemporaryDir folder;
    XSession session;
    QString why;
    if (!session.startDisplay(&why))
        QSKIP(qPrintable(why));
    QVERIFY(session.startProgram(QStringLiteral(RUBELLO_BINARY), folder.path()));
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
