#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "ui/clipboardtext.h"
#include "fakeplatform.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <utility>

// The edit menu's commands on a real editor and the in-process clipboard.
class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void undoFromStartThroughRubyAndNew();
    void commandsAndKeys_data();
    void commandsAndKeys();
    void contextMenuOnRightButtonOnly_data();
    void contextMenuOnRightButtonOnly();

private:
    // "漢[字の]" is "漢字の" with "字の" selected, "漢|字の" the caret after "漢".
    void load(QString marked);
    QString shown() const;

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<Module1> module;
    std::unique_ptr<FormMain> form;
    QClipboard *board = QGuiApplication::clipboard();
};

void TestEditCommands::init()
{
    form.reset();
    platform = std::make_unique<FakePlatform>();
    module = std::make_unique<Module1>(Module1::atStartUp());
    form = std::make_unique<FormMain>(*module, *platform);
    board->clear();
}

void TestEditCommands::load(QString marked)
{
    const qsizetype caret = marked.indexOf(QLatin1Char('|'));
    const qsizetype start = caret >= 0 ? caret : marked.indexOf(QLatin1Char('['));
    const qsizetype end = caret >= 0 ? caret : marked.indexOf(QLatin1Char(']')) - 1;
    marked.remove(QRegularExpression(QStringLiteral("[|\\[\\]]")));
    form->RTB1->setText(marked);
    form->RTB1->setSelStart(int(start));
    form->RTB1->setSelLength(int(end - start));
}

QString TestEditCommands::shown() const
{
    QString text = form->RTB1->Text();
    const int start = form->RTB1->SelStart();
    const int length = form->RTB1->SelLength();
    if (length == 0)
        return text.insert(start, QLatin1Char('|'));
    return text.insert(start + length, QLatin1Char(']')).insert(start, QLatin1Char('['));
}

void TestEditCommands::undoFromStartThroughRubyAndNew()
{
    // A whole-text write starts an empty history: nothing to take back.
    load(QStringLiteral("typ|ed"));
    form->MEBack_Click();
    QCOMPARE(shown(), QStringLiteral("typ|ed"));

    // What the ruby dialog does on insertion: snapshot, replace, select the element.
    load(QStringLiteral("<p>[送]り仮名</p>\r\n"));
    module->gUndoText = form->RTB1->Text();
    const QString element
        = QStringLiteral("<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>");
    form->RTB1->setSelText(element);
    form->RTB1->setSelStart(3);
    form->RTB1->setSelLength(int(element.size()));
    form->mModified = kFalse;
    form->setCaption(QStringLiteral("a.htm"));

    form->MEBack_Click();

    QCOMPARE(shown(), QStringLiteral("<p>|送り仮名</p>\r\n"));
    QCOMPARE(form->mModified, kTrue);
    QCOMPARE(form->Caption(), QStringLiteral("a.htm (更新)"));

    // New starts an empty history.
    form->mModified = kFalse;
    form->MFNew_Click();
    form->RTB1->setText(QString());
    form->MEBack_Click();
    QCOMPARE(shown(), QStringLiteral("|"));
}

void TestEditCommands::commandsAndKeys_data()
{
    QTest::addColumn<QString>("command"); // a menu command, or else a key sequence
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("clipboard"); // as plain text and as rich text
    QTest::addColumn<bool>("refused"); // another program takes the clipboard back at once
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("clipboardAfter");

    // The undo snapshot is "漢字の\r\nか".
    const char *none = "";
    // clang-format off
    QTest::newRow("undo with nothing to take back changes nothing")
        << "undo" << "漢字の\r\n|かな" << none << false << "漢字の\r\n|かな" << none;
    QTest::newRow("copy with a selection puts it on the clipboard as plain text only")
        << "copy" << "漢[字の]\r\nかな" << "old" << false << "漢[字の]\r\nかな" << "字の";
    QTest::newRow("copy without a selection empties the clipboard")
        << "copy" << "漢字|の\r\nかな" << "old" << false << "漢字|の\r\nかな" << none;
    QTest::newRow("copy across a line end keeps CR LF")
        << "copy" << "漢字[の\r\nか]な" << "old" << false << "漢字[の\r\nか]な" << "の\r\nか";
    QTest::newRow("cut with a selection moves it to the clipboard")
        << "cut" << "漢[字の]\r\nかな" << "old" << false << "漢|\r\nかな" << "字の";
    QTest::newRow("cut without a selection empties the clipboard, text unchanged")
        << "cut" << "漢字の|\r\nかな" << "old" << false << "漢字の|\r\nかな" << none;
    QTest::newRow("copy the clipboard refuses: reported")
        << "copy" << "漢[字]の" << "old" << true << "漢[字]の" << "theirs";
    QTest::newRow("cut the clipboard refuses: reported, the selection kept")
        << "cut" << "漢[字]の" << "old" << true << "漢[字]の" << "theirs";
    QTest::newRow("delete removes the selection, clipboard kept")
        << "delete" << "漢字[の\r\nか]な" << "old" << false << "漢字|な" << "old";
    QTest::newRow("delete without a selection does nothing")
        << "delete" << "漢字|の" << "old" << false << "漢字|の" << "old";
    QTest::newRow("paste at the caret") << "paste" << "漢|字" << "XY" << false << "漢XY|字" << "XY";
    QTest::newRow("paste over a selection replaces it")
        << "paste" << "漢[字の\r\nか]な" << "ルビ" << false << "漢ルビ|な" << "ルビ";
    QTest::newRow("paste: CR LF stays")
        << "paste" << "|" << "a\r\nb" << false << "a\r\nb|" << "a\r\nb";
    QTest::newRow("paste: lone CR becomes CR LF")
        << "paste" << "|" << "a\rb" << false << "a\r\nb|" << "a\rb";
    QTest::newRow("paste: CR CR LF is two line ends")
        << "paste" << "|" << "a\r\r\nb" << false << "a\r\n\r\nb|" << "a\r\r\nb";
    QTest::newRow("paste: LF CR is two line ends")
        << "paste" << "|" << "a\n\rb" << false << "a\r\n\r\nb|" << "a\n\rb";
    QTest::newRow("paste: only line ends")
        << "paste" << "|" << "\n\n" << false << "\r\n\r\n|" << "\n\n";
    QTest::newRow("paste of an empty clipboard changes nothing")
        << "paste" << "漢[字]の" << none << false << "漢[字]の" << none;
    QTest::newRow("select all on an empty document selects nothing")
        << "select all" << "|" << none << false << "|" << none;
    QTest::newRow("select all counts line ends as two")
        << "select all" << "漢字の|\r\nかな" << none << false << "[漢字の\r\nかな]" << none;

    // Keys, on the focused editor; the widget's own undo and redo are out of reach.
    const char *doc = "漢[字の]\r\nかな";
    const char *clip = "1\n2";
    const char *pasted = "漢1\r\n2|\r\nかな";
    const char *cut = "漢|\r\nかな";
    QTest::newRow("Ctrl+Z with nothing to take back") << "Ctrl+Z" << doc << clip << false << doc << clip;
    QTest::newRow("Ctrl+Shift+Z with nothing to redo")
        << "Ctrl+Shift+Z" << doc << clip << false << doc << clip;
    QTest::newRow("Ctrl+Y with nothing to redo") << "Ctrl+Y" << doc << clip << false << doc << clip;
    QTest::newRow("Ctrl+V pastes plain text with CR LF line ends")
        << "Ctrl+V" << doc << clip << false << pasted << clip;
    QTest::newRow("Shift+Ins pastes through the same command")
        << "Shift+Ins" << doc << clip << false << pasted << clip;
    QTest::newRow("Ctrl+X cuts") << "Ctrl+X" << doc << clip << false << cut << "字の";
    QTest::newRow("Shift+Del cuts through the same command")
        << "Shift+Del" << doc << clip << false << cut << "字の";
    QTest::newRow("Ctrl+C copies") << "Ctrl+C" << doc << clip << false << doc << "字の";
    QTest::newRow("Ctrl+Ins copies through the same command")
        << "Ctrl+Ins" << doc << clip << false << doc << "字の";
    // clang-format on
}

void TestEditCommands::commandsAndKeys()
{
    QFETCH(QString, command);
    QFETCH(QString, before);
    QFETCH(QString, clipboard);
    QFETCH(bool, refused);
    QFETCH(QString, after);
    QFETCH(QString, clipboardAfter);
    const QHash<QString, void (FormMain::*)()> commands = {
        {"undo", &FormMain::MEBack_Click},   {"copy", &FormMain::MECopy_Click},
        {"cut", &FormMain::MECut_Click},     {"delete", &FormMain::MEDel_Click},
        {"paste", &FormMain::MEPaste_Click}, {"select all", &FormMain::MEAll_Click},
    };
    if (!commands.contains(command)) {
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->RTB1->setFocus();
    }
    const QString snapshot = QStringLiteral("漢字の\r\nか");
    module->gUndoText = snapshot;
    load(before);
    const QString text = form->RTB1->Text();
    auto *data = new QMimeData;
    if (!clipboard.isEmpty()) {
        data->setText(clipboard);
        data->setHtml(QStringLiteral("<b>%1</b>").arg(clipboard));
    }
    board->setMimeData(data);
    bool takeBack = refused;
    const auto connection = connect(board, &QClipboard::dataChanged, this, [&] {
        if (std::exchange(takeBack, false))
            board->setText(QStringLiteral("theirs"));
    });
    QSignalSpy changed(form->RTB1, &EditorControl::Change);

    if (commands.contains(command))
        (form.get()->*commands.value(command))();
    else
        QTest::keySequence(form->RTB1, QKeySequence(command));
    disconnect(connection);

    QCOMPARE(shown(), after);
    QCOMPARE(changed.count(), form->RTB1->Text() == text ? 0 : 1);
    QCOMPARE(module->gUndoText, snapshot);
    QCOMPARE(board->text(), clipboardAfter);
    // Plain text only: a written clipboard keeps nothing of the rich text of before.
    QCOMPARE(board->mimeData() && board->mimeData()->hasHtml(),
             clipboardAfter == clipboard && !clipboard.isEmpty());
    QCOMPARE(platform->messages.size(), refused ? 1 : 0);
    if (refused) {
        const FakePlatform::Message box = platform->messages.constFirst();
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.title,
                 QStringLiteral("エラーナンバー： %1").arg(clipboardWriteError().number));
        QCOMPARE(box.text, clipboardWriteError().description);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestEditCommands::contextMenuOnRightButtonOnly_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right button opens the edit menu, every item enabled") << Qt::RightButton;
    QTest::newRow("left button opens nothing") << Qt::LeftButton;
    QTest::newRow("middle button opens nothing") << Qt::MiddleButton;
}

void TestEditCommands::contextMenuOnRightButtonOnly()
{
    QFETCH(Qt::MouseButton, button);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // Nothing selected and an empty clipboard: the items stay enabled all the same.
    form->RTB1->setText(QStringLiteral("abc"));
    QWidget *viewport = form->RTB1->viewport();
    const QPoint at(30, 20);

    QTest::mouseClick(viewport, button, {}, at);

    // A menu of the widget's own would come up through the event loop.
    QCoreApplication::processEvents();
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMenu *>(top) || top == form->MEdit || !top->isVisible());
    QCOMPARE(form->MEdit->isVisible(), button == Qt::RightButton);
    if (button == Qt::RightButton) {
        QCOMPARE(form->MEdit->pos(), viewport->mapToGlobal(at));
        int items = 0;
        for (QAction *action : form->MEdit->actions()) {
            if (action->isSeparator())
                continue;
            ++items;
            QVERIFY2(action->isEnabled() && action->isVisible(), qPrintable(action->text()));
        }
        QCOMPARE(items, 9);
    }
    form->MEdit->close();
    QCOMPARE(form->RTB1->Text(), QStringLiteral("abc"));
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
