#include "app/editorcontrol.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

enum class Offer { Files, FilesWithText, Text, WebAddress, Html, FilesMoveOnly };

std::unique_ptr<QMimeData> makeData(Offer offer, const QStringList &files)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &file : files)
        urls.append(QUrl::fromLocalFile(file));
    switch (offer) {
    case Offer::Files:
    case Offer::FilesMoveOnly:
        data->setUrls(urls);
        break;
    case Offer::FilesWithText:
        // File managers offer the paths as text beside the list of files.
        data->setUrls(urls);
        data->setText(files.join(QLatin1Char('\n')));
        break;
    case Offer::Text:
        data->setText(QStringLiteral("<p>ドラッグした文字</p>"));
        break;
    case Offer::WebAddress:
        data->setUrls({QUrl(QStringLiteral("https://example.invalid/page.html"))});
        data->setText(QStringLiteral("https://example.invalid/page.html"));
        break;
    case Offer::Html:
        data->setHtml(QStringLiteral("<b>太字</b>"));
        break;
    }
    return data;
}

Qt::DropActions actionsOf(Offer offer)
{
    return offer == Offer::FilesMoveOnly ? Qt::DropActions(Qt::MoveAction)
                                         : Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

} // namespace

Q_DECLARE_METATYPE(Offer)

class TestDrops : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void dragOverAcceptsFilesOnly_data();
    void dragOverAcceptsFilesOnly();
    void dropDeliversFilesInTheirOrder_data();
    void dropDeliversFilesInTheirOrder();
    void dropOfOtherDataDeliversNothing_data();
    void dropOfOtherDataDeliversNothing();

private:
    void offers();
    // Events go to the viewport, where the system delivers them.
    bool send(QEvent &event) { return QApplication::sendEvent(m_editor->viewport(), &event); }

    // One editor for the whole run: the drag manager keeps the last drop target.
    EditorControl *m_editor = nullptr;
};

void TestDrops::initTestCase()
{
    m_editor = new EditorControl;
    m_editor->resize(300, 200);
    m_editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor));
}

void TestDrops::cleanupTestCase()
{
    delete m_editor;
}

void TestDrops::init()
{
    m_editor->setText(QStringLiteral("本文\r\n"));
}

void TestDrops::offers()
{
    QTest::addColumn<Offer>("offer");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("accepted");
    const QStringList three{QStringLiteral("/data/a.htm"), QStringLiteral("/data/b.txt"),
                            QStringLiteral("/data/c.html")};
    QTest::newRow("one local file") << Offer::Files << QStringList{"/data/a.htm"} << true;
    QTest::newRow("three local files") << Offer::Files << three << true;
    QTest::newRow("files offered beside their text") << Offer::FilesWithText << three << true;
    // Taken as a move, the source would remove its file after the drop.
    QTest::newRow("a file whose source offers only a move")
        << Offer::FilesMoveOnly << QStringList{"/data/a.htm"} << false;
    QTest::newRow("a file with a Japanese name")
        << Offer::Files << QStringList{"/data/ルビ 見本.txt"} << true;
    QTest::newRow("plain text") << Offer::Text << QStringList() << false;
    QTest::newRow("a web page's address") << Offer::WebAddress << QStringList() << false;
    QTest::newRow("rich text") << Offer::Html << QStringList() << false;
}

void TestDrops::dragOverAcceptsFilesOnly_data()
{
    offers();
}

void TestDrops::dragOverAcceptsFilesOnly()
{
    QFETCH(Offer, offer);
    QFETCH(QStringList, files);
    QFETCH(bool, accepted);
    const auto data = makeData(offer, files);
    const QPoint at(40, 30);

    QDragEnterEvent enter(at, actionsOf(offer), data.get(), Qt::LeftButton, Qt::NoModifier);
    send(enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::CopyAction);

    // Asked again at every move while the drag stays over the editor.
    QDragMoveEvent move(at + QPoint(5, 5), actionsOf(offer), data.get(), Qt::LeftButton,
                        Qt::NoModifier);
    send(move);
    QCOMPARE(move.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(move.dropAction(), Qt::CopyAction);

    QDragLeaveEvent leave;
    send(leave);
}

void TestDrops::dropDeliversFilesInTheirOrder_data()
{
    offers();
}

void TestDrops::dropDeliversFilesInTheirOrder()
{
    QFETCH(Offer, offer);
    QFETCH(QStringList, files);
    QFETCH(bool, accepted);
    if (!accepted)
        QSKIP("Refused drags are covered by the next test.");
    const auto data = makeData(offer, files);
    QSignalSpy dropped(m_editor, &EditorControl::OLEDragDrop);
    QSignalSpy changed(m_editor, &EditorControl::Change);

    QDragEnterEvent enter(QPoint(40, 30), actionsOf(offer), data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    send(enter);
    QDropEvent drop(QPointF(40, 30), actionsOf(offer), data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    send(drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.at(0).at(0).toStringList(), files);
    // The editor inserts nothing of a drop by itself.
    QCOMPARE(m_editor->Text(), QStringLiteral("本文\r\n"));
    QCOMPARE(changed.count(), 0);
}

void TestDrops::dropOfOtherDataDeliversNothing_data()
{
    offers();
}

void TestDrops::dropOfOtherDataDeliversNothing()
{
    QFETCH(Offer, offer);
    QFETCH(QStringList, files);
    QFETCH(bool, accepted);
    if (accepted)
        QSKIP("Accepted drags are covered by the previous test.");
    QSignalSpy dropped(m_editor, &EditorControl::OLEDragDrop);
    QSignalSpy changed(m_editor, &EditorControl::Change);

    // Even when the drop reaches the editor (its drag entered with files first),
    // data without files is refused.
    const auto withFiles = makeData(Offer::Files, {QStringLiteral("/data/a.htm")});
    QDragEnterEvent enter(QPoint(40, 30), Qt::CopyAction, withFiles.get(), Qt::LeftButton,
                          Qt::NoModifier);
    send(enter);
    QVERIFY(enter.isAccepted());
    const auto data = makeData(offer, files);
    QDropEvent drop(QPointF(40, 30), actionsOf(offer), data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    send(drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(dropped.count(), 0);
    QCOMPARE(m_editor->Text(), QStringLiteral("本文\r\n"));
    QCOMPARE(changed.count(), 0);
}

QTEST_MAIN(TestDrops)
#include "tst_drops.moc"
