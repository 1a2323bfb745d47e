#include "casetable.h"
#include "previewscript.h"
#include "ui/previewpane.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <csignal>

using namespace Qt::StringLiterals;

// The pane over a real engine: what it shows, what it refuses, how it follows.
class TestPreviewPane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_pane.reset(); }
    void init();
    void shows_data() { addCaseRows("previewrender.tsv"); }
    void shows();
    void nothingFromTheNetwork();
    void scriptsOnlyWhenAllowed();
    void localFilesOnlyFromTheFolder();
    void linksGoToTheBrowser_data();
    void linksGoToTheBrowser();
    void scrollKeptAcrossRenders();
    void caretScrollsThePreview();
    void clickPutsTheCaret();
    void crashShowsNoticeAndRestarts();
    void pageOverTwoMegabytes();
    void typingChangesThePageInPlace_data() { addCaseRows("previewtyping.tsv"); }
    void typingChangesThePageInPlace();
    void typedTagStaysInert();
    void longRunChangesInPlace();
    void successiveEditsKeepOffsets();

private:
    bool render(const QString &text, const QString &path);
    QVariant read(const QString &expression);
    QString page(const QString &name) const { return m_dir.filePath(u"doc/"_s + name); }

    QTemporaryDir m_dir;
    std::unique_ptr<PreviewPane> m_pane;
    QString m_text;
    QString m_path;
    QPair<int, int> m_selection {0, 0};
};

bool TestPreviewPane::render(const QString &text, const QString &path)
{
    m_text = text;
    m_path = path;
    QSignalSpy rendered(m_pane.get(), &PreviewPane::rendered);
    m_pane->renderNow();
    return rendered.wait(20000) && rendered.last().at(0).toBool();
}

QVariant TestPreviewPane::read(const QString &expression)
{
    return runInPreview(m_pane->page(), expression);
}

void TestPreviewPane::initTestCase()
{
    QVERIFY(QDir(m_dir.path()).mkdir(u"doc"_s));
    m_pane = std::make_unique<PreviewPane>();
    m_pane->setSource([this] { return m_text; }, [this] { return m_path; },
                      [this] { return m_selection; });
    m_pane->resize(600, 400);
    m_pane->show();
    // A new pane runs no page scripts and loads nothing remote.
    QVERIFY(!m_pane->scriptsEnabled());
    QVERIFY(!m_pane->remoteAllowed());
}

void TestPreviewPane::init()
{
    if (m_pane->scriptsEnabled())
        m_pane->setScriptsEnabled(false);
    if (m_pane->remoteAllowed())
        m_pane->setRemoteAllowed(false);
    m_selection = {0, 0};
}

void TestPreviewPane::shows()
{
    QFETCH(QByteArrayList, f);
    QVERIFY(render(caseText(f[1]), f[0] == "1" ? page(u"a.html"_s) : QString()));
    QCOMPARE(read(caseText(f[2])).toString(), caseText(f[3]));
}

void TestPreviewPane::nothingFromTheNetwork()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int reached = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        ++reached;
        delete server.nextPendingConnection();
    });
    const QString address = u"http://127.0.0.1:%1/"_s.arg(server.serverPort());
    const QString text = u"<link rel=stylesheet href=\"%1s.css\"><img src=\"%1x\">"
                         "<iframe src=\"%1f\"></iframe><p style=\"background:url(%1b)\">x</p>"_s.arg(address);
    QVERIFY(render(text, page(u"a.html"_s)));
    QTest::qWait(500);
    QCOMPARE(reached, 0);
    // The same page with remote content allowed does reach the server: the test sees it.
    m_pane->setRemoteAllowed(true);
    QVERIFY(QTest::qWaitFor([&] { return reached > 0; }, 10000));
}

void TestPreviewPane::scriptsOnlyWhenAllowed()
{
    const QString text = u"<p id=x>前</p><script>document.getElementById('x').textContent='後'</script>"_s;
    QVERIFY(render(text, page(u"a.html"_s)));
    QCOMPARE(read(u"document.getElementById('x').textContent"_s).toString(), u"前"_s);
    QSignalSpy rendered(m_pane.get(), &PreviewPane::rendered);
    m_pane->setScriptsEnabled(true);
    QVERIFY(rendered.wait(20000));
    QCOMPARE(read(u"document.getElementById('x').textContent"_s).toString(), u"後"_s);
    // A tag typed: the page loads again, its script runs on the new page.
    QVERIFY(render(QString(text).replace(u"前"_s, u"前<b>b</b>"_s), page(u"a.html"_s)));
    QCOMPARE(read(u"document.getElementById('x').textContent"_s).toString(), u"後"_s);
}

void TestPreviewPane::localFilesOnlyFromTheFolder()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(page(u"in.png"_s)));
    QVERIFY(image.save(m_dir.filePath(u"outside.png"_s)));
    QVERIFY(QFile::link(m_dir.filePath(u"outside.png"_s), page(u"link.png"_s)));
    const QString text = u"<img id=a src=\"in.png\"><img id=b src=\"../outside.png\">"
                         "<img id=c src=\"%1\"><img id=d src=\"%2\"><img id=e src=\"link.png\">"_s
                             .arg(QUrl::fromLocalFile(m_dir.filePath(u"outside.png"_s)).toString(),
                                  QUrl::fromLocalFile(page(u"in.png"_s)).toString());
    QVERIFY(render(text, page(u"a.html"_s)));
    const QString widths = u"Array.from(document.images).map(i => i.id + i.naturalWidth).join(' ')"_s;
    QVERIFY(QTest::qWaitFor([&] { return read(widths).toString().startsWith(u"a4"); }, 5000));
    QCOMPARE(read(widths).toString(), u"a4 b0 c0 d4 e0"_s);
}

void TestPreviewPane::linksGoToTheBrowser_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QUrl>("opened");
    QTest::newRow("a page beside it: as a file") << u"other.html"_s
                                                 << QUrl::fromLocalFile(page(u"other.html"_s));
    QTest::newRow("an address") << u"https://example.org/x"_s << QUrl(u"https://example.org/x"_s);
}

void TestPreviewPane::linksGoToTheBrowser()
{
    QFETCH(QString, href);
    QFETCH(QUrl, opened);
    QVERIFY(render(u"<a id=l href=\"%1\" style=\"font-size:40px\">link</a>"_s.arg(href),
                   page(u"a.html"_s)));
    const QUrl shown = m_pane->page()->url();
    QSignalSpy links(m_pane.get(), &PreviewPane::linkClicked);
    const QVariantList box = read(u"(function(){var r=document.getElementById('l').getBoundingClientRect();"
                                  "return [r.left + r.width / 2, r.top + r.height / 2];})()"_s)
                                 .toList();
    QCOMPARE(box.size(), 2);
    QTest::mouseClick(m_pane->view()->focusProxy(), Qt::LeftButton, {},
                      QPoint(int(box.at(0).toDouble()), int(box.at(1).toDouble())));
    QVERIFY(links.wait(5000));
    QCOMPARE(links.first().at(0).toUrl(), opened);
    QTest::qWait(200);
    QCOMPARE(m_pane->page()->url(), shown);
}

void TestPreviewPane::scrollKeptAcrossRenders()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += u"<p>段落 %1</p>\n"_s.arg(i);
    QVERIFY(render(text, page(u"a.html"_s)));
    read(u"window.scrollTo(0, 2000)"_s);
    QVERIFY(QTest::qWaitFor([&] { return m_pane->page()->scrollPosition().y() >= 1999; }, 5000));
    // A key typed near the top: the page stays where the user was reading.
    QVERIFY(render(u"x"_s + text, page(u"a.html"_s)));
    QVERIFY(QTest::qWaitFor([&] { return read(u"window.scrollY"_s).toInt() >= 1999; }, 5000));
    // Another document starts at its top.
    QVERIFY(render(text, page(u"b.html"_s)));
    QCOMPARE(read(u"window.scrollY"_s).toInt(), 0);
}

void TestPreviewPane::typingChangesThePageInPlace()
{
    QFETCH(QByteArrayList, f);
    QVERIFY(render(caseText(f[0]), page(u"typed.html"_s)));
    // A mark in the pane's own world: it lasts while the page is not loaded again.
    read(u"window.kept = 1"_s);
    QVERIFY(render(caseText(f[1]), page(u"typed.html"_s)));
    QCOMPARE(read(u"typeof window.kept"_s).toString(), f[2] == "1" ? u"number"_s : u"undefined"_s);
    QCOMPARE(read(caseText(f[3])).toString(), caseText(f[4]));
}

void TestPreviewPane::typedTagStaysInert()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int reached = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] { ++reached; });
    QVERIFY(render(u"<p>a</p>"_s, page(u"a.html"_s)));
    read(u"window.kept = 1"_s);
    // Parsed in the page, not loaded: the image is refused, its handler never runs.
    QVERIFY(render(u"<p>a<img src=\"http://127.0.0.1:%1/x\" onerror=\"document.body.setAttribute('ran', 1)\"></p>"_s
                       .arg(server.serverPort()),
                   page(u"a.html"_s)));
    QCOMPARE(read(u"typeof window.kept"_s).toString(), u"number"_s);
    QVERIFY(QTest::qWaitFor([&] { return read(u"document.images[0].complete"_s).toBool(); }, 5000));
    QTest::qWait(300);
    QCOMPARE(reached, 0);
    QCOMPARE(read(u"document.body.hasAttribute('ran')"_s).toBool(), false);
}

void TestPreviewPane::longRunChangesInPlace()
{
    // Over 64K characters the parser makes several text nodes of one run.
    const QString run(70'000, u'あ');
    QVERIFY(render(u"<p>"_s + run + u"</p>"_s, page(u"a.html"_s)));
    read(u"window.kept = 1"_s);
    for (const QString &text : {u"<p>"_s + run.left(66'000) + u'x' + run.mid(66'000) + u"</p>"_s,
                                u"<p>"_s + run.left(65'530) + u'x' + run.mid(66'000) + u"</p>"_s}) {
        QVERIFY(render(text, page(u"a.html"_s)));
        QCOMPARE(read(u"document.querySelector('p').textContent"_s).toString(), text.mid(3, text.size() - 7));
    }
    QCOMPARE(read(u"typeof window.kept"_s).toString(), u"number"_s);
}

void TestPreviewPane::successiveEditsKeepOffsets()
{
    QStringList texts{u"<p>ab</p><p>cd</p><p>ef</p>"_s};
    texts << u"<p>ab</p><p>c<i>x</i>d</p><p>ef</p>"_s // a block: new elements, later ones move
          << u"<p>aZZb</p><p>c<i>x</i>d</p><p>ef</p>"_s // text before both
          << u"<p>aZZb</p><p>c<i>x</i>d</p><p>e<b>y</b>f</p>"_s // found through both moves
          << u"<p>aZZb</p><p>c<i>xx</i>d</p><p>e<b>y</b>f</p>"_s // inside an element a block made
          << u"<p>aZZb</p><p>cd</p><p>e<b>y</b>f</p>"_s
          << u"<p>aZZb</p><p>cd</p><p>n<i>w</i></p><p>e<b>y</b>f</p>"_s // a block put between two
          << u"<p>aZZb</p><p>cd</p><p>n<i>w</i><p>e<b>y</b>f</p>"_s; // left open, closed by the next
    // A load waits for a pause in the typing; what changes in place does not.
    QVERIFY(render(texts.first() + u"<style></style>"_s, page(u"a.html"_s)));
    m_text = texts.first();
    m_pane->noteTextChanged();
    QTest::qWait(60);
    QVERIFY(!m_pane->isLoading());
    for (const QString &text : texts) {
        QVERIFY(render(text, page(u"a.html"_s)));
        if (&text == &texts.first())
            read(u"window.kept = 1"_s);
        QStringList starts;
        for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at + 1))
            if (text.at(at + 1) != u'/')
                starts << QString::number(at);
        QCOMPARE(read(u"Array.from(document.body.querySelectorAll('*')).map(e => rubello.at(e)).join(' ')"_s)
                     .toString(),
                 starts.join(u' '));
        QCOMPARE(read(u"document.body.textContent"_s).toString(), QString(text).remove(QRegularExpression(u"<[^>]*>"_s)));
    }
    QCOMPARE(read(u"typeof window.kept"_s).toString(), u"number"_s);
}

void TestPreviewPane::caretScrollsThePreview()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += u"<p id=p%1>段落</p>\n"_s.arg(i);
    QVERIFY(render(text, page(u"c.html"_s)));
    QCOMPARE(read(u"window.scrollY"_s).toInt(), 0);
    m_selection = {int(text.indexOf(u"<p id=p250>")) + 12, 2};
    m_pane->noteSelectionChanged();
    const QString inView = u"(function(){var r=document.getElementById('p250').getBoundingClientRect();"
                           "return r.top >= 0 && r.bottom <= window.innerHeight;})()"_s;
    QVERIFY(QTest::qWaitFor([&] { return read(inView).toBool(); }, 5000));
    // A selection is marked in the page as well.
    QVERIFY(!read(u"document.getElementById('p250').style.outline"_s).toString().isEmpty());
}

void TestPreviewPane::clickPutsTheCaret()
{
    const QString text = u"<p style=\"font-size:40px\">あいう えお</p>"_s;
    QVERIFY(render(text, page(u"a.html"_s)));
    const QVariantList box
        = read(u"(function(){var r=document.querySelector('p').getBoundingClientRect();"
               "return [r.left, r.top, r.height];})()"_s)
              .toList();
    QCOMPARE(box.size(), 3);
    QSignalSpy clicked(m_pane.get(), &PreviewPane::sourceClicked);
    // In the middle of え: the fifth of 40-pixel characters.
    const QPoint at(int(box.at(0).toDouble()) + 4 * 40 + 20, int(box.at(1).toDouble() + box.at(2).toDouble() / 2));
    QWidget *surface = m_pane->view()->focusProxy();
    QVERIFY(surface);
    QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    QVERIFY(clicked.wait(5000));
    const int offset = clicked.first().at(0).toInt();
    QVERIFY2(offset == text.indexOf(u"え") || offset == text.indexOf(u"え") + 1,
             qPrintable(QString::number(offset)));
}

void TestPreviewPane::crashShowsNoticeAndRestarts()
{
    QVERIFY(render(u"<p>前</p>"_s, page(u"a.html"_s)));
    const qint64 pid = m_pane->page()->renderProcessPid();
    QVERIFY(pid > 0);
    ::kill(pid_t(pid), SIGKILL);
    QVERIFY(QTest::qWaitFor([&] { return m_pane->crashNotice()->isVisible(); }, 10000));
    QSignalSpy rendered(m_pane.get(), &PreviewPane::rendered);
    m_pane->restartButton()->click();
    QVERIFY(rendered.wait(20000));
    QVERIFY(m_pane->view()->isVisible());
    QCOMPARE(read(u"document.querySelector('p').textContent"_s).toString(), u"前"_s);
}

void TestPreviewPane::pageOverTwoMegabytes()
{
    // Three bytes a kanji in UTF-8: far over what a data: address may hold.
    QString text;
    const QString paragraph = u"<p>"_s + QString(200, u'漢') + u"</p>\n"_s;
    while (text.size() < 1'000'000)
        text += paragraph;
    QVERIFY(render(text, page(u"a.html"_s)));
    QCOMPARE(read(u"document.querySelectorAll('p').length"_s).toInt(), int(text.count(u"<p>")));
}

int main(int argc, char *argv[])
{
    PreviewPane::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestPreviewPane test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewpane.moc"
