#include "app/mainwindow.h"
#include "core/reading/mecabphoneticservice.h"
#include "fakeplatform.h"
#include "previewscript.h"
#include "testfiles.h"
#include "ui/editorcontrol.h"
#include "ui/previewinterface.h"
#include "ui/rubydialog.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

using namespace Qt::StringLiterals;

// The main window on a real display (the test runs under Xvfb), its preview on
// the real engine, driven by key presses as a user drives it.
class TestPreviewEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_platform.service = &m_mecab;
        m_window = std::make_unique<MainWindow>(m_platform);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // Shortcuts reach the active window only.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }
    void typedWordGetsRubyInThePreview();
    void plantedPageStaysInert();

private:
    QVariant read(const QString &expression);
    bool showPreview();

    FakePlatform m_platform;
    MecabPhoneticService m_mecab;
    std::unique_ptr<MainWindow> m_window;
};

QVariant TestPreviewEndToEnd::read(const QString &expression)
{
    return runInPreview(m_window->previewWidget()->findChild<QWebEnginePage *>(), expression);
}

bool TestPreviewEndToEnd::showPreview()
{
    // Its key, as the menu shows it.
    QTest::keyClick(m_window->editor(), Qt::Key_F9);
    // The engine's module is loaded now, from beside the program.
    QWidget *pane = m_window->previewPane() ? m_window->previewWidget() : nullptr;
    if (!pane || !pane->isVisible() || !m_window->previewPaneAction()->isChecked())
        return false;
    QSignalSpy rendered(pane, SIGNAL(rendered(bool)));
    // The window keeps the keys and the editor its caret.
    return rendered.wait(30000) && QTest::qWaitForWindowActive(m_window.get())
        && QTest::qWaitFor([&] { return m_window->editor()->hasFocus(); });
}

void TestPreviewEndToEnd::typedWordGetsRubyInThePreview()
{
    QVERIFY(showPreview());
    EditorControl *editor = m_window->editor();
    editor->setFocus();
    QTest::keyClicks(editor, u"<p>"_s);
    // The word as an input method hands it over.
    QInputMethodEvent typed;
    typed.setCommitString(u"漢字を読む"_s);
    QApplication::sendEvent(editor, &typed);
    QTest::keyClicks(editor, u"</p>"_s);
    QCOMPARE(editor->text(), u"<p>漢字を読む</p>"_s);
    editor->setSelectionStart(3);
    editor->setSelectionLength(2);
    // The reading's dialog is answered as a user does, with its insert button.
    QTimer answer;
    QString seen;
    connect(&answer, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<RubyDialog *>(modal))
            dialog->insertButton()->click();
        else if (modal)
            seen = QString::fromLatin1(modal->metaObject()->className()) + modal->windowTitle();
    });
    answer.start(100);
    QTest::keyClick(editor, Qt::Key_F5);
    QVERIFY2(editor->text().contains(u"<ruby>"), qPrintable(editor->text() + seen
                                                                  + (m_platform.messages.isEmpty() ? QString() : m_platform.messages.last().text)));
    // A render of the text typed before may still come first: the page is read until it holds the ruby.
    QTRY_COMPARE_WITH_TIMEOUT(
        read(u"document.querySelector('ruby rt') ? document.querySelector('ruby rt').textContent : ''"_s).toString(),
        u"かんじ"_s, 10000);
    // A key typed after it shows too.
    QTest::keyClicks(editor, u"x"_s);
    QTRY_VERIFY_WITH_TIMEOUT(read(u"document.body.textContent"_s).toString().contains(u'x'), 10000);
}

void TestPreviewEndToEnd::plantedPageStaysInert()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int reached = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        ++reached;
        delete server.nextPendingConnection();
    });
    QTemporaryDir folder;
    const QString page = folder.filePath(u"planted.html"_s);
    const QString html = u"<p id=x>前</p><img src=\"http://127.0.0.1:%1/x\">"
                         "<script>document.getElementById('x').textContent='後'</script>"_s
                             .arg(server.serverPort());
    QVERIFY(writeFileBytes(page, html.toUtf8()));
    m_window->openFromCommandLine(page);
    QVERIFY(showPreview());
    QTest::qWait(1000);
    QCOMPARE(reached, 0);
    QCOMPARE(read(u"document.getElementById('x').textContent"_s).toString(), u"前"_s);
    // Hidden, shown again: the same page, still inert.
    m_window->previewPaneAction()->trigger();
    QVERIFY(m_window->previewWidget()->isHidden());
}

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestPreviewEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preview_e2e.moc"
