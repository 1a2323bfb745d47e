// New documents' line end, F3 and Shift+F3, the colours' switch, zoom, printing,
// and help and preview on a desktop without a web browser.

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "core/document/installlayout.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>

#include <cerrno>

using namespace Qt::StringLiterals;

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void newDocumentsTakeTheChosenLineEnd_data();
    void newDocumentsTakeTheChosenLineEnd();
    void findAgainBothWays();
    void coloursSwitchOffAndOnWithoutAChange();
    void zoomAndPrint();
    void helpAndPreviewWithoutABrowser();
    void fontAndColoursFromTheirDialogs();
    void errorsAndRefusals_data();
    void errorsAndRefusals();

private:
    QTemporaryDir m_dir;
    FakePlatform m_platform;
};

void TestDesktop::newDocumentsTakeTheChosenLineEnd_data()
{
    QTest::addColumn<bool>("crLf");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("LF, the platform's, by default") << false << "ab\ncd1\n2"_ba;
    QTest::newRow("CR LF chosen in the menu") << true << "ab\r\ncd1\r\n2"_ba;
}

void TestDesktop::newDocumentsTakeTheChosenLineEnd()
{
    QFETCH(bool, crLf);
    QFETCH(QByteArray, saved);
    MainWindow form(m_platform);
    if (crLf)
        form.documentCommands().actions().newCrLf->trigger();
    // Ctrl+N, two lines typed, a paste of the other convention, saved.
    form.documentCommands().actions().newDocument->trigger();
    QTest::keyClicks(form.editor(), u"ab"_s);
    QTest::keyClick(form.editor(), Qt::Key_Return);
    QTest::keyClicks(form.editor(), u"cd"_s);
    QApplication::clipboard()->setText(crLf ? u"1\n2"_s : u"1\r\n2"_s);
    form.editorCommands().paste();
    const QString path = m_dir.filePath(u"new.htm"_s);
    m_platform.setNextFileName(path);
    form.documentCommands().saveAs();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
}

void TestDesktop::findAgainBothWays()
{
    MainWindow form(m_platform);
    form.editor()->setText(u"かな\r\nカナ\r\nかな"_s);
    form.setLastSearch(u"かな"_s, false); // loose: katakana too
    QStringList hits;
    const auto press = [&](QAction *action) {
        action->trigger();
        hits.append(u"%1+%2"_s.arg(form.editor()->selectionStart()).arg(form.editor()->selectionLength()));
    };
    press(form.findNextAction());
    press(form.findNextAction());
    press(form.findNextAction());
    press(form.findPreviousAction());
    press(form.findPreviousAction());
    QCOMPARE(hits, QStringList({u"0+2"_s, u"4+2"_s, u"8+2"_s, u"4+2"_s, u"0+2"_s}));
    m_platform.messages.clear();
    press(form.findPreviousAction());
    QCOMPARE(m_platform.messages.value(0).text, u"文書の検索が終わりました。"_s);
    form.setLastSearch(form.lastSearch(), true);
    press(form.findNextAction());
    QCOMPARE(hits.last(), u"8+2"_s);
}

void TestDesktop::coloursSwitchOffAndOnWithoutAChange()
{
    MainWindow form(m_platform);
    QFile file(m_dir.filePath(u"colours.htm"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<p class=\"a\">x</p>") > 0);
    file.close();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.documentCommands().load(file.fileName());
    const auto coloured = [&form] { // lines get their colours as they are shown
        form.editor()->viewport()->repaint();
        return form.editor()->document()->firstBlock().layout()->formats().size();
    };
    QVERIFY(form.editorCommands().htmlColours() && coloured() > 0);
    form.editorCommands().actions().htmlColours->trigger();
    QVERIFY(!form.editorCommands().htmlColours());
    QCOMPARE(coloured(), 0);
    form.editorCommands().actions().htmlColours->trigger();
    QVERIFY(coloured() > 0);
    form.editor()->setBackgroundColour(Qt::black);
    QCoreApplication::processEvents();
    QCOMPARE(form.documentCommands().isModified(), false); // colours are no change of the text
}

void TestDesktop::zoomAndPrint()
{
    MainWindow form(m_platform);
    const double chosen = form.editor()->font().pointSizeF();
    form.editorCommands().zoom(2);
    form.editorCommands().zoom(1);
    QCOMPARE(form.editor()->font().pointSizeF(), chosen + 3);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.editor()->viewport(), &wheel); // Ctrl+wheel, two notches down
    QCOMPARE(form.editor()->font().pointSizeF(), chosen + 1);
    form.editor()->setText(u"<p>\r\n漢字</p>\r\n"_s);
    form.editorCommands().actions().print->trigger();
    QCOMPARE(m_platform.printed, u"<p>\n漢字</p>\n"_s);
    form.editorCommands().actions().printPreview->trigger();
    QCOMPARE(m_platform.previewed, u"<p>\n漢字</p>\n"_s);
    form.editorCommands().actions().zoomReset->trigger();
    QCOMPARE(form.editor()->font().pointSizeF(), chosen);
    form.editorCommands().actions().zoomReset->trigger(); // at the chosen size already
    QCOMPARE(form.editor()->font().pointSizeF(), chosen);
}

void TestDesktop::helpAndPreviewWithoutABrowser()
{
    m_platform.folder = m_dir.path();
    m_platform.browser = false;
    MainWindow form(m_platform);
    form.showHelp();
    QCOMPARE(m_platform.helpShown, QStringList{helpPagePath(m_dir.path())});
    // The preview's file is named and its path copied on request.
    m_platform.messages.clear();
    m_platform.setNextAnswer(QMessageBox::Yes);
    form.preview();
    const QString preview = m_dir.filePath(u"_tmp.html"_s);
    QVERIFY(m_platform.messages.value(0).text.contains(preview));
    QCOMPARE(m_platform.copied, preview);
}

void TestDesktop::fontAndColoursFromTheirDialogs()
{
    MainWindow form(m_platform);
    QFont font = form.editor()->font();
    font.setUnderline(true);
    form.editor()->setFont(font);
    m_platform.nextFont = QFont(u"Noto Sans CJK JP"_s, 20, QFont::Bold);
    m_platform.nextColor = QColor(u"#204080"_s);
    form.editorCommands().actions().font->trigger();
    form.editorCommands().actions().backgroundColour->trigger();
    m_platform.nextFont.reset(); // cancelled: nothing changes
    form.editorCommands().actions().font->trigger();
    m_platform.nextColor.reset();
    // Name, size, bold and italic come from the dialog; underline stays.
    QCOMPARE(form.editor()->font().pointSize(), 20);
    QVERIFY(form.editor()->font().bold() && form.editor()->font().underline());
    QCOMPARE(form.editor()->backgroundColour(), QColor(u"#204080"_s));
}

void TestDesktop::errorsAndRefusals_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("an error: its sentence, the system's words, its number")
        << int(ErrorKind::NotFound) << errorBoxTitle(ENOENT) << u"見つかりません。\nx"_s;
    QTest::newRow("a refusal: information under the program's title, whole")
        << int(ErrorKind::Refused) << QCoreApplication::applicationName() << u"x"_s;
}

void TestDesktop::errorsAndRefusals()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    FakePlatform platform;
    showErrorMessage(platform, nullptr, Error::fromErrno(ErrorKind(kind), ENOENT, u"x"_s));
    QCOMPARE(platform.messages.value(0).title, title);
    QCOMPARE(platform.messages.value(0).text, text);
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
