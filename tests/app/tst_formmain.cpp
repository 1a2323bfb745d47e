#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

class TestFormMain : public QObject
{
    Q_OBJECT

private slots:
    void startsAsDesigned();
    void menusCarryTheirCaptionsAndKeys_data();
    void menusCarryTheirCaptionsAndKeys();
    void markerFollowsTheFirstChange();
    void markerInvariantHoldsThroughWrites();
    void resizeRule_data();
    void resizeRule();
    void closingUnchangedAsksNothing();
    void closingChangedAsks_data();
    void closingChangedAsks();
    void closingClosesTheSearchWindow();
};

void TestFormMain::startsAsDesigned()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    QCOMPARE(form.Caption(), QStringLiteral("Rubello"));
    QCOMPARE(module.gRubyAttribute, QStringLiteral("style=\"font-size:7pt\""));
    QCOMPARE(module.gRubyAttribute.size(), 21);
    QCOMPARE(module.gRubyAttributeOn, quint8(0));
    QCOMPARE(form.mModified, kFalse);
    QCOMPARE(form.mKanaMode, quint8(1));
    QVERIFY(!form.MFSave->isEnabled());
    QVERIFY(form.CDlg.CancelError);
    QCOMPARE(form.CDlg.Filter,
             QStringLiteral("HTMLファイル(*.html,*.htm)|*.html;*.htm|すべてのファイル(*.*)|*.*|"));
    QVERIFY(form.OptionKana[1]->isChecked());
    QVERIFY(form.CheckSentKana->isChecked());
    QVERIFY(form.CheckHTML->isChecked());
    QCOMPARE(form.Frame1->title(), QStringLiteral("ルビの文字形式"));
    QCOMPARE(form.OptionKana[2]->text(), QStringLiteral("半角 ｶﾀｶﾅ"));
    QCOMPARE(form.ComIE->toolTip(), QStringLiteral("ブラウザで確認"));
    QCOMPARE(form.RTB1->geometry().topLeft(), QPoint(200, 8));
    QCOMPARE(form.RTB1->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(form.OptionKana[0]->geometry(), QRect(16, 16, 105, 17));
    QCOMPARE(form.CheckHTML->geometry(), QRect(16, 496, 153, 17));
    QCOMPARE(form.RTB1->Text(), QString());
}

void TestFormMain::menusCarryTheirCaptionsAndKeys_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("file") << QStringLiteral("ファイル (&F)")
                          << QStringList {"新規作成 (&N)",
                                          "開く (&O)...",
                                          "上書き保存 (&S)",
                                          "名前を付けて保存 (&A)...",
                                          "-",
                                          "終了 (&X)"}
                          << QStringList {"Ctrl+N", "Ctrl+O", "Ctrl+S", "", "", ""};
    QTest::newRow("edit") << QStringLiteral("編集 (&E)")
                          << QStringList {"るびぃ (&R)",
                                          "-",
                                          "ブラウザで確認",
                                          "-",
                                          "元に戻す (&U)",
                                          "やり直し (&Y)",
                                          "-",
                                          "切り取り (&T)",
                                          "コピー (&C)",
                                          "貼り付け (&P)",
                                          "削除 (&L)",
                                          "-",
                                          "すべて選択 (&A)"}
                          << QStringList {"F5",     "",       "F8",     "", "Ctrl+Z", "Ctrl+Y", "",
                                          "Ctrl+X", "Ctrl+C", "Ctrl+V", "", "",       "Ctrl+A"};
    QTest::newRow("search") << QStringLiteral("検索 (&S)") << QStringList {"検索と置換 (&F)..."}
                            << QStringList {"Ctrl+F"};
    QTest::newRow("format") << QStringLiteral("書式 (&O)")
                            << QStringList {"フォント (F)...", "文字色 (&M)", "背景色 (&B)"}
                            << QStringList {"", "", ""};
    QTest::newRow("help") << QStringLiteral("ヘルプ (&H)")
                          << QStringList {"ヘルプ (&H)", "-", "バージョン情報 (&A)..."}
                          << QStringList {"F1", "", ""};
}

void TestFormMain::menusCarryTheirCaptionsAndKeys()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QFETCH(QStringList, keys);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    QMenu *found = nullptr;
    for (QAction *top : form.menuBar()->actions()) {
        if (top->text() == menu)
            found = top->menu();
    }
    QVERIFY(found);
    QStringList captions;
    QStringList shortcuts;
    for (QAction *item : found->actions()) {
        captions.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        shortcuts.append(item->shortcut().toString(QKeySequence::PortableText));
        QVERIFY(item->isEnabled() || item == form.MFSave);
    }
    QCOMPARE(captions, items);
    QCOMPARE(shortcuts, keys);
}

void TestFormMain::markerFollowsTheFirstChange()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    form.setCaption(QStringLiteral("a.htm"));
    form.RTB1->setFocus();
    QTest::keyClick(form.RTB1, Qt::Key_X);
    QCOMPARE(form.Caption(), QStringLiteral("a.htm (更新)"));
    QCOMPARE(form.mModified, kTrue);
    QTest::keyClicks(form.RTB1, QStringLiteral("yz"));
    QCOMPARE(form.Caption(), QStringLiteral("a.htm (更新)"));
}

void TestFormMain::markerInvariantHoldsThroughWrites()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    const auto invariant = [&form] {
        return form.Caption().endsWith(QStringLiteral(" (更新)")) == (form.mModified == kTrue);
    };
    QVERIFY(invariant());
    form.RTB1->setText(QStringLiteral("abc"));
    QVERIFY(invariant());
    form.RTB1->setSelStart(1);
    form.RTB1->setSelText(QStringLiteral("x"));
    QVERIFY(invariant());
    QCOMPARE(form.Caption(), QStringLiteral("Rubello (更新)"));
}

void TestFormMain::resizeRule_data()
{
    QTest::addColumn<QSize>("inner");
    QTest::addColumn<QSize>("editor");
    QTest::newRow("design size") << QSize(822, 529) << QSize(622, 519);
    QTest::newRow("larger") << QSize(1000, 700) << QSize(800, 690);
    QTest::newRow("width exactly 200 keeps the width") << QSize(200, 300) << QSize(622, 290);
    QTest::newRow("height exactly 10 keeps the height") << QSize(500, 10) << QSize(300, 519);
    QTest::newRow("width 201") << QSize(201, 11) << QSize(1, 1);
}

void TestFormMain::resizeRule()
{
    QFETCH(QSize, inner);
    QFETCH(QSize, editor);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    form.centralWidget()->resize(822, 529);
    form.Form_Resize();
    form.centralWidget()->resize(inner);
    form.Form_Resize();
    QCOMPARE(form.RTB1->size(), editor);
}

void TestFormMain::closingUnchangedAsksNothing()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    form.show();
    QVERIFY(form.close());
    QVERIFY(platform.messages.isEmpty());
}

void TestFormMain::closingChangedAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveAsSucceeds");
    QTest::addColumn<bool>("closes");
    QTest::newRow("no closes without saving") << int(QMessageBox::No) << false << true;
    QTest::newRow("cancel keeps the window") << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("yes and a failed save keeps the window")
        << int(QMessageBox::Yes) << false << false;
}

void TestFormMain::closingChangedAsks()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    form.show();
    form.RTB1->setText(QStringLiteral("changed"));
    platform.setNextAnswer(QMessageBox::StandardButton(answer));
    QCOMPARE(form.close(), closes);
    QCOMPARE(platform.messages.size(), 1);
    const FakePlatform::Message &message = platform.messages.constFirst();
    QCOMPARE(message.title, QStringLiteral("Rubello"));
    QCOMPARE(message.text, QStringLiteral("Rubello　の内容は更新されています。\r\n保存しますか？"));
    QCOMPARE(message.icon, QMessageBox::Question);
    QCOMPARE(message.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(form.RTB1->Text(), QStringLiteral("changed"));
    QCOMPARE(form.Caption(), QStringLiteral("Rubello (更新)"));
}

void TestFormMain::closingClosesTheSearchWindow()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    form.show();
    auto *search = new QDialog(&form);
    search->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(search, &QDialog::finished, [&module] { module.gSearchLoaded = kFalse; });
    search->show();
    form.searchForm = search;
    module.gSearchLoaded = kTrue;
    QVERIFY(form.close());
    QCOMPARE(module.gSearchLoaded, kFalse);
}

QTEST_MAIN(TestFormMain)
#include "tst_formmain.moc"
