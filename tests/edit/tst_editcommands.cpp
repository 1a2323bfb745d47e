#include "app/editorcontrol.h"
#include "app/formmain.h"
#include "edit/clipboardtext.h"
#include "fakeplatform.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The edit menu's commands on a real editor and the in-process clipboard.
class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void undoRestoresSnapshot_data();
    void undoRestoresSnapshot();
    void undoAfterRubyInsertion();
    void undoAfterNewKeepsSnapshot();
    void undoTwiceGivesTheSameText();

    void copyAndCut_data();
    void copyAndCut();
    void paste_data();
    void paste();
    void deleteLeavesClipboard_data();
    void deleteLeavesClipboard();
    void selectAll_data();
    void selectAll();

    void clipboardFailureChangesNothing_data();
    void clipboardFailureChangesNothing();

    void keysRunTheCommands_data();
    void keysRunTheCommands();

    void contextMenuOnRightButtonOnly_data();
    void contextMenuOnRightButtonOnly();
    void contextMenuItemsAllEnabled();

    void lineEndsOfPastedText_data();
    void lineEndsOfPastedText();

private:
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<Module1> module;
    std::unique_ptr<FormMain> form;
};

void TestEditCommands::init()
{
    form.reset();
    platform = std::make_unique<FakePlatform>();
    module = std::make_unique<Module1>(Module1::atStartUp());
    form = std::make_unique<FormMain>(*module, *platform);
    QGuiApplication::clipboard()->clear();
}

void TestEditCommands::undoRestoresSnapshot_data()
{
    QTest::addColumn<QString>("snapshot");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("caretAfter");
    QTest::newRow("right after start: the empty snapshot empties the editor")
        << QString() << QStringLiteral("typed") << 3 << 0;
    QTest::newRow("caret inside the restored text stays where it stood")
        << QStringLiteral("abcdef") << QStringLiteral("abXcdef") << 2 << 2;
    QTest::newRow("caret beyond a shorter text goes to its end")
        << QStringLiteral("ab\r\n") << QStringLiteral("ab\r\ncdefg") << 8 << 4;
    QTest::newRow("caret offset counts line ends as two")
        << QStringLiteral("a\r\nb\r\nc") << QStringLiteral("a\r\nb\r\ncde") << 6 << 6;
    QTest::newRow("caret at the very start")
        << QStringLiteral("送り仮名") << QStringLiteral("x送り仮名") << 0 << 0;
}

void TestEditCommands::undoRestoresSnapshot()
{
    QFETCH(QString, snapshot);
    QFETCH(QString, current);
    QFETCH(int, caret);
    QFETCH(int, caretAfter);
    module->gUndoText = snapshot;
    form->RTB1->setText(current);
    form->RTB1->setSelStart(caret);

    form->MEBack_Click();

    QCOMPARE(form->RTB1->Text(), snapshot);
    QCOMPARE(form->RTB1->SelStart(), caretAfter);
    QCOMPARE(form->RTB1->SelLength(), 0);
    QCOMPARE(module->gUndoText, snapshot);
}

void TestEditCommands::undoAfterRubyInsertion()
{
    const QString before = QStringLiteral("<p>送り仮名</p>\r\n");
    form->RTB1->setText(before);
    // What the ruby dialog does on insertion.
    form->RTB1->setSelStart(3);
    form->RTB1->setSelLength(1);
    module->gUndoText = form->RTB1->Text();
    const QString element = QStringLiteral("<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>");
    form->RTB1->setSelText(element);
    form->RTB1->setSelStart(3);
    form->RTB1->setSelLength(int(element.size()));
    QVERIFY(form->RTB1->Text() != before);
    form->mModified = kFalse;
    form->setCaption(QStringLiteral("a.htm"));

    form->MEBack_Click();

    QCOMPARE(form->RTB1->Text(), before);
    QCOMPARE(form->RTB1->SelStart(), 3);
    QCOMPARE(form->RTB1->SelLength(), 0);
    // A restore is a change of the text like any other.
    QCOMPARE(form->mModified, kTrue);
    QCOMPARE(form->Caption(), QStringLiteral("a.htm (更新)"));
}

void TestEditCommands::undoAfterNewKeepsSnapshot()
{
    const QString loaded = QStringLiteral("<html>\r\n漢字\r\n</html>\r\n");
    // What a load leaves behind.
    form->RTB1->setText(loaded);
    module->gUndoText = loaded;
    form->mModified = kFalse;

    form->MFNew_Click();
    form->RTB1->setText(QString()); // the editor as New leaves it
    QCOMPARE(module->gUndoText, loaded);

    form->MEBack_Click();

    QCOMPARE(form->RTB1->Text(), loaded);
    QCOMPARE(form->RTB1->SelStart(), 0);
}

void TestEditCommands::undoTwiceGivesTheSameText()
{
    module->gUndoText = QStringLiteral("snapshot");
    form->RTB1->setText(QStringLiteral("changed"));
    form->MEBack_Click();
    form->RTB1->setSelStart(8);
    form->RTB1->setSelText(QStringLiteral(" and more"));
    form->MEBack_Click();
    QCOMPARE(form->RTB1->Text(), QStringLiteral("snapshot"));
    QCOMPARE(form->RTB1->SelStart(), 8);
}

void TestEditCommands::copyAndCut_data()
{
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("clipboardAfter");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("changes");

    const QString text = QStringLiteral("漢字の\r\nかな");
    QTest::newRow("copy with a selection puts it on the clipboard")
        << false << text << 1 << 2 << QStringLiteral("字の") << text << 0;
    QTest::newRow("copy without a selection empties the clipboard")
        << false << text << 2 << 0 << QString() << text << 0;
    QTest::newRow("copy across a line end keeps CR LF")
        << false << text << 2 << 4 << QStringLiteral("の\r\nか") << text << 0;
    QTest::newRow("cut with a selection moves it to the clipboard")
        << true << text << 1 << 2 << QStringLiteral("字の") << QStringLiteral("漢\r\nかな") << 1;
    QTest::newRow("cut without a selection empties the clipboard, text unchanged")
        << true << text << 3 << 0 << QString() << text << 0;
    QTest::newRow("cut of everything leaves an empty document")
        << true << text << 0 << 7 << text << QString() << 1;
}

void TestEditCommands::copyAndCut()
{
    QFETCH(bool, cut);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, clipboardAfter);
    QFETCH(QString, textAfter);
    QFETCH(int, changes);
    form->RTB1->setText(text);
    form->RTB1->setSelStart(start);
    form->RTB1->setSelLength(length);
    // Something of another program's with more than plain text.
    auto *previous = new QMimeData;
    previous->setText(QStringLiteral("old"));
    previous->setHtml(QStringLiteral("<b>old</b>"));
    QGuiApplication::clipboard()->setMimeData(previous);
    QSignalSpy changed(form->RTB1, &EditorControl::Change);

    if (cut)
        form->MECut_Click();
    else
        form->MECopy_Click();

    // Plain text only: the rich text of before is gone too.
    const QMimeData *now = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
    QVERIFY(!now || !now->hasHtml());
    QCOMPARE(form->RTB1->Text(), textAfter);
    QCOMPARE(changed.count(), changes);
    QVERIFY(platform->messages.isEmpty());
    if (!cut) {
        QCOMPARE(form->RTB1->SelStart(), start);
        QCOMPARE(form->RTB1->SelLength(), length);
    } else {
        QCOMPARE(form->RTB1->SelStart(), start);
        QCOMPARE(form->RTB1->SelLength(), 0);
    }
}

void TestEditCommands::paste_data()
{
    QTest::addColumn<QString>("clipboardPlain");
    QTest::addColumn<QString>("clipboardHtml");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<int>("changes");

    // The document is "abc\r\ndef".
    QTest::newRow("paste at the caret")
        << QStringLiteral("XY") << QString() << 1 << 0 << QStringLiteral("aXYbc\r\ndef") << 3 << 1;
    QTest::newRow("paste over a selection replaces it")
        << QStringLiteral("漢字") << QString() << 1 << 5 << QStringLiteral("a漢字ef") << 3 << 1;
    QTest::newRow("empty clipboard changes nothing and raises no Change")
        << QString() << QString() << 1 << 2 << QStringLiteral("abc\r\ndef") << 1 << 0;
    QTest::newRow("rich text from another program pastes as its plain text")
        << QStringLiteral("bold") << QStringLiteral("<b>bold</b>") << 0 << 0
        << QStringLiteral("boldabc\r\ndef") << 4 << 1;
    QTest::newRow("rich text only, no plain text: nothing is pasted")
        << QString() << QStringLiteral("<b>bold</b>") << 0 << 0 << QStringLiteral("abc\r\ndef")
        << 0 << 0;
    QTest::newRow("pasted LF line ends become CR LF")
        << QStringLiteral("1\n2\n") << QString() << 5 << 0 << QStringLiteral("abc\r\n1\r\n2\r\ndef")
        << 11 << 1;
}

void TestEditCommands::paste()
{
    QFETCH(QString, clipboardPlain);
    QFETCH(QString, clipboardHtml);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, textAfter);
    QFETCH(int, caretAfter);
    QFETCH(int, changes);
    form->RTB1->setText(QStringLiteral("abc\r\ndef"));
    form->RTB1->setSelStart(start);
    form->RTB1->setSelLength(length);
    auto *data = new QMimeData;
    if (!clipboardPlain.isEmpty())
        data->setText(clipboardPlain);
    if (!clipboardHtml.isEmpty())
        data->setHtml(clipboardHtml);
    QGuiApplication::clipboard()->setMimeData(data);
    QSignalSpy changed(form->RTB1, &EditorControl::Change);

    form->MEPaste_Click();

    QCOMPARE(form->RTB1->Text(), textAfter);
    QCOMPARE(form->RTB1->SelStart(), caretAfter);
    QCOMPARE(changed.count(), changes);
    if (changes > 0)
        QCOMPARE(form->RTB1->SelLength(), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardPlain);
}

void TestEditCommands::deleteLeavesClipboard_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("changes");
    QTest::newRow("delete removes the selection") << 2 << 4 << QStringLiteral("漢字な") << 1;
    QTest::newRow("delete without a selection does nothing")
        << 2 << 0 << QStringLiteral("漢字の\r\nかな") << 0;
}

void TestEditCommands::deleteLeavesClipboard()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, textAfter);
    QFETCH(int, changes);
    form->RTB1->setText(QStringLiteral("漢字の\r\nかな"));
    form->RTB1->setSelStart(start);
    form->RTB1->setSelLength(length);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QSignalSpy changed(form->RTB1, &EditorControl::Change);

    form->MEDel_Click();

    QCOMPARE(form->RTB1->Text(), textAfter);
    QCOMPARE(form->RTB1->SelStart(), start);
    QCOMPARE(changed.count(), changes);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestEditCommands::selectAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("empty document selects nothing") << QString() << 0;
    QTest::newRow("line ends count as two") << QStringLiteral("ab\r\ncd\r\n") << 8;
    QTest::newRow("lone LF counts as one") << QStringLiteral("a\nb") << 3;
}

void TestEditCommands::selectAll()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    form->RTB1->setText(text);
    form->RTB1->setSelStart(1);

    form->MEAll_Click();

    QCOMPARE(form->RTB1->SelStart(), 0);
    QCOMPARE(form->RTB1->SelLength(), length);
    QCOMPARE(form->RTB1->SelText(), text);
}

void TestEditCommands::clipboardFailureChangesNothing_data()
{
    QTest::addColumn<bool>("cut");
    QTest::newRow("copy reports the failure") << false;
    QTest::newRow("cut reports the failure and keeps the selection") << true;
}

void TestEditCommands::clipboardFailureChangesNothing()
{
    QFETCH(bool, cut);
    form->RTB1->setText(QStringLiteral("abc"));
    form->RTB1->setSelStart(1);
    form->RTB1->setSelLength(1);
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Another program takes the clipboard back as soon as it is written.
    bool taken = false;
    const auto connection = connect(clipboard, &QClipboard::dataChanged, this, [&] {
        if (taken || clipboard->text() != QStringLiteral("b"))
            return;
        taken = true;
        clipboard->setText(QStringLiteral("theirs"));
    });
    QSignalSpy changed(form->RTB1, &EditorControl::Change);

    if (cut)
        form->MECut_Click();
    else
        form->MECopy_Click();
    disconnect(connection);

    QCOMPARE(form->RTB1->Text(), QStringLiteral("abc"));
    QCOMPARE(form->RTB1->SelStart(), 1);
    QCOMPARE(form->RTB1->SelLength(), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(clipboard->text(), QStringLiteral("theirs"));
    QCOMPARE(platform->messages.size(), 1);
    const FakePlatform::Message box = platform->messages.constFirst();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, errorBoxTitle(clipboardWriteError().number));
    QVERIFY(box.title.startsWith(QStringLiteral("エラーナンバー： ")));
    QCOMPARE(box.text, clipboardWriteError().description);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestEditCommands::keysRunTheCommands_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("clipboardAfter");

    // The document is "abc\r\ndef" with "bc" selected; the snapshot is "snap".
    QTest::newRow("Ctrl+Z is the snapshot undo")
        << QKeyCombination(Qt::CTRL, Qt::Key_Z) << QStringLiteral("clip") << QStringLiteral("snap")
        << QStringLiteral("clip");
    QTest::newRow("Ctrl+Shift+Z does not redo")
        << QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) << QStringLiteral("clip")
        << QStringLiteral("abc\r\ndef") << QStringLiteral("clip");
    QTest::newRow("Ctrl+Y does not redo")
        << QKeyCombination(Qt::CTRL, Qt::Key_Y) << QStringLiteral("clip")
        << QStringLiteral("abc\r\ndef") << QStringLiteral("clip");
    QTest::newRow("Ctrl+V pastes plain text with CR LF line ends")
        << QKeyCombination(Qt::CTRL, Qt::Key_V) << QStringLiteral("1\n2")
        << QStringLiteral("a1\r\n2\r\ndef") << QStringLiteral("1\n2");
    QTest::newRow("Shift+Insert pastes through the same command")
        << QKeyCombination(Qt::SHIFT, Qt::Key_Insert) << QStringLiteral("1\n2")
        << QStringLiteral("a1\r\n2\r\ndef") << QStringLiteral("1\n2");
    QTest::newRow("Ctrl+X cuts") << QKeyCombination(Qt::CTRL, Qt::Key_X) << QStringLiteral("clip")
                                 << QStringLiteral("a\r\ndef") << QStringLiteral("bc");
    QTest::newRow("Shift+Delete cuts through the same command")
        << QKeyCombination(Qt::SHIFT, Qt::Key_Delete) << QStringLiteral("clip")
        << QStringLiteral("a\r\ndef") << QStringLiteral("bc");
    QTest::newRow("Ctrl+C copies") << QKeyCombination(Qt::CTRL, Qt::Key_C) << QStringLiteral("clip")
                                   << QStringLiteral("abc\r\ndef") << QStringLiteral("bc");
    QTest::newRow("Ctrl+Insert copies through the same command")
        << QKeyCombination(Qt::CTRL, Qt::Key_Insert) << QStringLiteral("clip")
        << QStringLiteral("abc\r\ndef") << QStringLiteral("bc");
}

void TestEditCommands::keysRunTheCommands()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, clipboardBefore);
    QFETCH(QString, textAfter);
    QFETCH(QString, clipboardAfter);
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->RTB1->setFocus();
    module->gUndoText = QStringLiteral("snap");
    form->RTB1->setText(QStringLiteral("abc\r\ndef"));
    form->RTB1->setSelStart(1);
    form->RTB1->setSelLength(2);
    QGuiApplication::clipboard()->setText(clipboardBefore);

    QTest::keyClick(form->RTB1, key.key(), key.keyboardModifiers());

    QCOMPARE(form->RTB1->Text(), textAfter);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
}

void TestEditCommands::contextMenuOnRightButtonOnly_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("menuShown");
    QTest::newRow("right button opens the edit menu") << Qt::RightButton << true;
    QTest::newRow("left button opens nothing") << Qt::LeftButton << false;
    QTest::newRow("middle button opens nothing") << Qt::MiddleButton << false;
}

void TestEditCommands::contextMenuOnRightButtonOnly()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, menuShown);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->RTB1->setText(QStringLiteral("abc"));
    QGuiApplication::clipboard()->clear();
    QWidget *viewport = form->RTB1->viewport();
    const QPoint at(30, 20);

    QTest::mouseClick(viewport, button, {}, at);

    // A menu of the widget's own would come up through the event loop.
    QCoreApplication::processEvents();
    bool otherMenu = false;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(top) && top != form->MEdit && top->isVisible())
            otherMenu = true;
    }
    QCOMPARE(form->MEdit->isVisible(), menuShown);
    QVERIFY(!otherMenu);
    if (menuShown)
        QCOMPARE(form->MEdit->pos(), viewport->mapToGlobal(at));
    form->MEdit->close();
    QCOMPARE(form->RTB1->Text(), QStringLiteral("abc"));
}

void TestEditCommands::contextMenuItemsAllEnabled()
{
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // Nothing selected, empty clipboard, empty document.
    QTest::mouseClick(form->RTB1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(form->MEdit->isVisible());
    int items = 0;
    for (QAction *action : form->MEdit->actions()) {
        if (action->isSeparator())
            continue;
        ++items;
        QVERIFY2(action->isEnabled() && action->isVisible(), qPrintable(action->text()));
    }
    QCOMPARE(items, 8);
    // An item of the pop-up runs the command of the menu bar.
    form->RTB1->setText(QStringLiteral("xyz"));
    form->MEAll->trigger();
    QCOMPARE(form->RTB1->SelLength(), 3);
    form->MEdit->close();
}

void TestEditCommands::lineEndsOfPastedText_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("no line end") << QStringLiteral("漢字") << QStringLiteral("漢字");
    QTest::newRow("LF becomes CR LF") << QStringLiteral("a\nb\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("CR LF stays") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone CR becomes CR LF") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("CR CR LF is two line ends")
        << QStringLiteral("a\r\r\nb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("LF CR is two line ends") << QStringLiteral("a\n\rb")
                                            << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("only line ends") << QStringLiteral("\n\n") << QStringLiteral("\r\n\r\n");
}

void TestEditCommands::lineEndsOfPastedText()
{
    QFETCH(QString, pasted);
    QFETCH(QString, inserted);
    QCOMPARE(withDocumentLineEnds(pasted), inserted);
    // The paste command inserts that form.
    QGuiApplication::clipboard()->setText(pasted);
    form->MEPaste_Click();
    QCOMPARE(form->RTB1->Text(), inserted);
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
