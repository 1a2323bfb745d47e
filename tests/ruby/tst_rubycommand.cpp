#include "app/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"
#include "ruby/formruby.h"
#include "ruby/mecabphoneticservice.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// What the dialog showed when it opened, and the selection at that moment.
struct Seen
{
    bool opened = false;
    QString reading;
    QString selected;
    bool modal = false;
};

// Queues a look at the modal dialog; act decides how it is closed.
void whenDialogOpens(Seen &seen, std::function<void(FormRuby &)> act)
{
    QTimer::singleShot(0, qApp, [&seen, act] {
        auto *form = qobject_cast<FormRuby *>(QApplication::activeModalWidget());
        if (!form)
            return;
        seen.opened = true;
        seen.modal = form->isModal();
        seen.reading = form->TextRuby->text();
        seen.selected = qobject_cast<FormMain *>(form->parentWidget())->RTB1->SelText();
        act(*form);
    });
}

void insert(FormRuby &form)
{
    form.ComElie->click();
}

void cancel(FormRuby &form)
{
    form.ComCancel->click();
}

// Readings from the real MeCab service instead of the table.
class MecabPlatform : public FakePlatform
{
public:
    PhoneticService &phoneticService() override { return mecab; }
    MecabPhoneticService mecab;
};

void select(FormMain &form, const QString &text, int start, int length)
{
    form.RTB1->setText(text);
    form.RTB1->setSelStart(start);
    form.RTB1->setSelLength(length);
}

} // namespace

class TestRubyCommand : public QObject
{
    Q_OBJECT

private slots:
    void command_data();
    void command();
    void emptySelectionDoesNothing();
    void serviceErrorChangesNothing();
    void longSelectionRefusedWithOmission();
    void longSelectionAcceptedWithoutOmission();
    void cancelKeepsTheShortenedSelection();
    void optionKanaSetsTheMode_data();
    void optionKanaSetsTheMode();
    void f5RunsTheCommand();
    void realMecabEndToEnd();
};

void TestRubyCommand::command_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length"); // selected from offset 0
    QTest::addColumn<QString>("serviceReading");
    QTest::addColumn<bool>("omit");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("result");

    QTest::newRow("送り: okurigana dropped, hiragana")
        << "送り仮名" << 2 << "オクリ" << true << 1 << "おく"
        << "送" << "<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>り仮名";
    QTest::newRow("送り: omission off keeps the whole")
        << "送り仮名" << 2 << "オクリ" << false << 1 << "おくり"
        << "送り" << "<ruby><rb>送り</rb><rp>(</rp><rt>おくり</rt><rp>)</rp></ruby>仮名";
    QTest::newRow("取り扱い: inner kana stay, katakana form")
        << "取り扱い" << 4 << "トリアツカイ" << true << 0 << "トリアツカ"
        << "取り扱" << "<ruby><rb>取り扱</rb><rp>(</rp><rt>トリアツカ</rt><rp>)</rp></ruby>い";
    QTest::newRow("漢字: no kana at the end, half-width")
        << "漢字です" << 2 << "カンジ" << true << 2 << "ｶﾝｼﾞ"
        << "漢字" << "<ruby><rb>漢字</rb><rp>(</rp><rt>ｶﾝｼﾞ</rt><rp>)</rp></ruby>です";
    QTest::newRow("ひらがな: shrinks to nothing, empty element before it")
        << "ひらがな" << 4 << "ヒラガナ" << true << 1 << ""
        << "" << "<ruby><rb></rb><rp>(</rp><rt></rt><rp>)</rp></ruby>ひらがな";
    QTest::newRow("漢ひらがな: reading shorter than the selection")
        << "漢ひらがな" << 5 << "ヒラガナ" << true << 1 << ""
        << "漢" << "<ruby><rb>漢</rb><rp>(</rp><rt></rt><rp>)</rp></ruby>ひらがな";
    QTest::newRow("half-width kana at the end are never omitted")
        << "送ﾘ" << 2 << "オクリ" << true << 1 << "おくり"
        << "送ﾘ" << "<ruby><rb>送ﾘ</rb><rp>(</rp><rt>おくり</rt><rp>)</rp></ruby>";
    QTest::newRow("mode 2: ガ becomes ｶﾞ")
        << "画" << 1 << "ガ" << true << 2 << "ｶﾞ"
        << "画" << "<ruby><rb>画</rb><rp>(</rp><rt>ｶﾞ</rt><rp>)</rp></ruby>";
}

void TestRubyCommand::command()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(QString, serviceReading);
    QFETCH(bool, omit);
    QFETCH(int, mode);
    QFETCH(QString, proposed);
    QFETCH(QString, base);
    QFETCH(QString, result);

    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    platform.phonetic.readings.insert(text.left(length), serviceReading);
    FormMain form(module, platform);
    select(form, text, 0, length);
    form.CheckSentKana->setChecked(omit);
    form.OptionKana[mode]->click();

    Seen seen;
    whenDialogOpens(seen, insert);
    form.MERuby_Click();

    QVERIFY(seen.opened);
    QVERIFY(seen.modal);
    QCOMPARE(platform.phonetic.asked, QStringList{text.left(length)});
    QCOMPARE(seen.reading, proposed);
    QCOMPARE(module.gRubyReading, proposed);
    QCOMPARE(seen.selected, base);
    QCOMPARE(form.RTB1->Text(), result);
    QCOMPARE(module.gUndoText, text);
    QVERIFY(form.Caption().endsWith(QStringLiteral(" (更新)")));
    QCOMPARE(form.mModified, kTrue);
    QVERIFY(platform.messages.isEmpty());
}

void TestRubyCommand::emptySelectionDoesNothing()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    select(form, QStringLiteral("送り"), 1, 0);
    Seen seen;
    whenDialogOpens(seen, cancel);
    form.MERuby_Click();
    QCoreApplication::processEvents();
    QVERIFY(!seen.opened);
    QVERIFY(platform.phonetic.asked.isEmpty());
    QVERIFY(platform.messages.isEmpty());
    QCOMPARE(form.RTB1->SelStart(), 1);
}

void TestRubyCommand::serviceErrorChangesNothing()
{
    Module1 module = Module1::atStartUp();
    module.gRubyReading = QStringLiteral("まえ");
    FakePlatform platform;
    platform.phonetic.failWith = QStringLiteral("読みの辞書を開けません。");
    FormMain form(module, platform);
    select(form, QStringLiteral("x送りy"), 1, 2);
    form.OptionKana[0]->click();
    const QString caption = form.Caption();
    const qint16 modified = form.mModified;

    Seen seen;
    whenDialogOpens(seen, cancel);
    form.MERuby_Click();
    QCoreApplication::processEvents();

    QVERIFY(!seen.opened);
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages.first().icon, QMessageBox::Warning);
    QVERIFY(platform.messages.first().title.startsWith(QStringLiteral("エラーナンバー： ")));
    QCOMPARE(platform.messages.first().text, QStringLiteral("読みの辞書を開けません。"));
    QCOMPARE(form.RTB1->Text(), QStringLiteral("x送りy"));
    QCOMPARE(form.RTB1->SelStart(), 1);
    QCOMPARE(form.RTB1->SelLength(), 2);
    QCOMPARE(form.mKanaMode, quint8(0));
    QVERIFY(form.CheckSentKana->isChecked());
    QCOMPARE(module.gRubyReading, QStringLiteral("まえ"));
    QCOMPARE(form.Caption(), caption);
    QCOMPARE(form.mModified, modified);
}

void TestRubyCommand::longSelectionRefusedWithOmission()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    const QString text = QString(32768, u'漢');
    select(form, text, 0, int(text.size()));
    const QString caption = form.Caption();
    Seen seen;
    whenDialogOpens(seen, cancel);
    form.MERuby_Click();
    QCoreApplication::processEvents();

    QVERIFY(!seen.opened);
    QVERIFY(platform.phonetic.asked.isEmpty());
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages.first().icon, QMessageBox::Warning);
    QVERIFY(platform.messages.first().text.contains(QStringLiteral("32767")));
    QCOMPARE(form.RTB1->SelLength(), 32768);
    QCOMPARE(form.RTB1->Text(), text);
    QCOMPARE(form.Caption(), caption);
}

void TestRubyCommand::longSelectionAcceptedWithoutOmission()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    const QString text = QString(32768, u'あ');
    select(form, text, 0, int(text.size()));
    form.CheckSentKana->setChecked(false);
    form.OptionKana[0]->click();
    Seen seen;
    whenDialogOpens(seen, cancel);
    form.MERuby_Click();
    QVERIFY(seen.opened);
    QCOMPARE(seen.reading, QString(32768, u'ア'));

    // At exactly 32767 the omission runs.
    select(form, text.left(32767), 0, 32767);
    form.CheckSentKana->setChecked(true);
    Seen again;
    whenDialogOpens(again, cancel);
    form.MERuby_Click();
    QVERIFY(again.opened);
    QCOMPARE(again.reading, QString());
    QVERIFY(platform.messages.isEmpty());
}

void TestRubyCommand::cancelKeepsTheShortenedSelection()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    platform.phonetic.readings.insert(QStringLiteral("送り"), QStringLiteral("オクリ"));
    FormMain form(module, platform);
    select(form, QStringLiteral("送り仮名"), 0, 2);
    const QString caption = form.Caption();
    Seen seen;
    whenDialogOpens(seen, cancel);
    form.MERuby_Click();
    QVERIFY(seen.opened);
    QCOMPARE(form.RTB1->Text(), QStringLiteral("送り仮名"));
    QCOMPARE(form.RTB1->SelStart(), 0);
    QCOMPARE(form.RTB1->SelLength(), 1);
    QCOMPARE(form.Caption(), caption);
    QCOMPARE(module.gUndoText, QString());
    QCOMPARE(form.mRubyBase, QStringLiteral("送リ"));
}

void TestRubyCommand::optionKanaSetsTheMode_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("全角 カタカナ") << 0;
    QTest::newRow("全角 ひらがな") << 1;
    QTest::newRow("半角 ｶﾀｶﾅ") << 2;
}

void TestRubyCommand::optionKanaSetsTheMode()
{
    QFETCH(int, index);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    const QString inserted = QStringLiteral("<ruby><rb>漢</rb><rp>(</rp><rt>かん</rt><rp>)</rp></ruby>");
    form.RTB1->setText(inserted);
    form.OptionKana[index == 0 ? 2 : 0]->click();
    form.OptionKana[index]->click();
    QCOMPARE(form.mKanaMode, quint8(index));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(form.OptionKana[i]->isChecked(), i == index);
    // Text already inserted keeps its form.
    QCOMPARE(form.RTB1->Text(), inserted);
}

void TestRubyCommand::f5RunsTheCommand()
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    platform.phonetic.readings.insert(QStringLiteral("漢字"), QStringLiteral("カンジ"));
    FormMain form(module, platform);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    select(form, QStringLiteral("漢字"), 0, 2);
    form.RTB1->setFocus();
    Seen seen;
    whenDialogOpens(seen, insert);
    QTest::keyClick(form.RTB1, Qt::Key_F5);
    QVERIFY(seen.opened);
    QCOMPARE(form.RTB1->Text(),
             QStringLiteral("<ruby><rb>漢字</rb><rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>"));
}

void TestRubyCommand::realMecabEndToEnd()
{
    Module1 module = Module1::atStartUp();
    MecabPlatform platform;
    FormMain form(module, platform);
    select(form, QStringLiteral("送り仮名です"), 0, 2);
    Seen seen;
    whenDialogOpens(seen, insert);
    form.MERuby_Click();
    QVERIFY2(platform.messages.isEmpty(),
             qPrintable(platform.messages.isEmpty() ? QString() : platform.messages.first().text));
    QVERIFY(seen.opened);
    QCOMPARE(seen.reading, QStringLiteral("おく"));
    QCOMPARE(seen.selected, QStringLiteral("送"));
    QCOMPARE(form.RTB1->Text(),
             QStringLiteral("<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>り仮名です"));
    QVERIFY(form.Caption().endsWith(QStringLiteral(" (更新)")));
}

QTEST_MAIN(TestRubyCommand)
#include "tst_rubycommand.moc"
