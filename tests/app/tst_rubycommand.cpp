#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"
#include "ui/formruby.h"
#include "core/mecabphoneticservice.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

// Readings from the table, or from the real MeCab service.
class Platform : public FakePlatform
{
public:
    PhoneticService &phoneticService() override
    {
        return useMecab ? static_cast<PhoneticService &>(mecab) : phonetic;
    }
    bool useMecab = false;
    MecabPhoneticService mecab;
};

// A main window with text selected, and what the ruby dialog showed when it opened.
struct Main
{
    Module1 module = Module1::atStartUp();
    Platform platform;
    FormMain form {module, platform};
    bool opened = false;
    QString proposed;
    QString selected;

    Main(const QString &text, int start, int length)
    {
        form.RTB1->setText(text);
        form.RTB1->setSelStart(start);
        form.RTB1->setSelLength(length);
    }

    // Runs the ruby command; the dialog is inserted from or cancelled.
    void run(bool insert, bool byF5 = false)
    {
        QTimer::singleShot(0, &form, [this, insert] {
            auto *dialog = qobject_cast<FormRuby *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = dialog->isModal();
            proposed = dialog->TextRuby->text();
            selected = form.RTB1->SelText();
            (insert ? dialog->ComElie : dialog->ComCancel)->click();
        });
        if (byF5)
            QTest::keyClick(form.RTB1, Qt::Key_F5);
        else
            form.MERuby_Click();
        QCoreApplication::processEvents();
    }
};

QString ruby(const QString &base, const QString &reading)
{
    return "<ruby><rb>" + base + "</rb><rp>(</rp><rt>" + reading + "</rt><rp>)</rp></ruby>";
}

} // namespace

class TestRubyCommand : public QObject
{
    Q_OBJECT

private slots:
    void command_data();
    void command();
    void refusedChangesNothing_data();
    void refusedChangesNothing();
    void f5InsertsAndKanaFormLeavesItAlone();
};

void TestRubyCommand::command_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length"); // selected from offset 0
    QTest::addColumn<QString>("serviceReading"); // null: read by MeCab
    QTest::addColumn<bool>("omit");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("base"); // the selection when the dialog opens
    QTest::addColumn<bool>("insert"); // or cancel
    const auto row
        = [](const char *name, const QString &text, int length, const QString &reading, bool omit,
             int mode, const QString &proposed, const QString &base, bool insert = true) {
              QTest::newRow(name) << text << length << reading << omit << mode << proposed << base
                                  << insert;
          };
    const QString mecab;

    row("送り: okurigana dropped, hiragana", "送り仮名", 2, "オクリ", true, 1, "おく", "送");
    row("送り: omission off keeps the whole", "送り仮名", 2, "オクリ", false, 1, "おくり", "送り");
    row("取り扱い: inner kana stay, katakana form", "取り扱い", 4, "トリアツカイ", true, 0,
        "トリアツカ", "取り扱");
    row("漢字: no kana at the end, half-width", "漢字です", 2, "カンジ", true, 2, "ｶﾝｼﾞ", "漢字");
    row("ひらがな: shrinks to nothing, empty element before it", "ひらがな", 4, "ヒラガナ", true, 1,
        "", "");
    row("漢ひらがな: reading shorter than the selection", "漢ひらがな", 5, "ヒラガナ", true, 1, "",
        "漢");
    row("half-width kana at the end are never omitted", "送ﾘ", 2, "オクリ", true, 1, "おくり",
        "送ﾘ");
    row("mode 2: ガ becomes ｶﾞ", "画", 1, "ガ", true, 2, "ｶﾞ", "画");
    row("cancel keeps the shortened selection", "送り仮名", 2, "オクリ", true, 1, "おく", "送",
        false);
    row("32767 characters with omission on is the limit", QString(32767, u'あ'), 32767,
        QString(32767, u'ア'), true, 0, "", "");
    row("32768 characters pass with omission off", QString(32768, u'あ'), 32768,
        QString(32768, u'ア'), false, 0, QString(32768, u'ア'), QString(32768, u'あ'));
    row("MeCab: 送り", "送り仮名です", 2, mecab, true, 1, "おく", "送");
    row("MeCab: 漢字", "漢字です", 2, mecab, true, 1, "かんじ", "漢字");
    row("MeCab: 取り扱い", "取り扱い", 4, mecab, true, 1, "とりあつか", "取り扱");
    row("MeCab: ひらがな", "ひらがな", 4, mecab, true, 1, "", "");
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
    QFETCH(bool, insert);

    Main main(text, 0, length);
    main.platform.useMecab = serviceReading.isNull();
    main.platform.phonetic.readings.insert(text.left(length), serviceReading);
    main.form.CheckSentKana->setChecked(omit);
    main.form.OptionKana[mode]->click();
    const QString caption = main.form.Caption();
    main.run(insert);

    QVERIFY2(main.platform.messages.isEmpty(), qPrintable(main.platform.messages.value(0).text));
    QVERIFY(main.opened);
    if (!main.platform.useMecab)
        QCOMPARE(main.platform.phonetic.asked, QStringList {text.left(length)});
    QCOMPARE(main.proposed, proposed);
    QCOMPARE(main.module.gRubyReading, proposed);
    QCOMPARE(main.selected, base);
    const QString element = ruby(base, proposed);
    QCOMPARE(main.form.RTB1->Text(), insert ? element + text.mid(base.size()) : text);
    QCOMPARE(main.form.RTB1->SelStart(), 0);
    QCOMPARE(main.form.RTB1->SelLength(), int(insert ? element.size() : base.size()));
    QCOMPARE(main.module.gUndoText, insert ? text : QString());
    if (insert) {
        QVERIFY(main.form.Caption().endsWith(QStringLiteral(" (更新)")));
        QCOMPARE(main.form.mModified, kTrue);
    } else {
        QCOMPARE(main.form.Caption(), caption);
    }
}

void TestRubyCommand::refusedChangesNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("failWith");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("message"); // a part of the warning; null when none is shown

    QTest::newRow("empty selection does nothing")
        << "送り" << 1 << 0 << QString() << false << QString();
    QTest::newRow("service error is shown")
        << "x送りy" << 1 << 2 << "読みの辞書を開けません。" << true << "読みの辞書を開けません。";
    QTest::newRow("over 32767 characters with omission on")
        << QString(32768, u'漢') << 0 << 32768 << QString() << false << "32767";
}

void TestRubyCommand::refusedChangesNothing()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, failWith);
    QFETCH(bool, asked);
    QFETCH(QString, message);

    Main main(text, start, length);
    main.module.gRubyReading = QStringLiteral("まえ");
    main.platform.phonetic.failWith = failWith;
    main.form.OptionKana[0]->click();
    const QString caption = main.form.Caption();
    const qint16 modified = main.form.mModified;
    main.run(false);

    QVERIFY(!main.opened);
    QCOMPARE(main.platform.phonetic.asked.size(), asked ? 1 : 0);
    QCOMPARE(main.platform.messages.size(), message.isNull() ? 0 : 1);
    if (!message.isNull()) {
        const FakePlatform::Message &box = main.platform.messages.first();
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY(box.title.startsWith(QStringLiteral("エラーナンバー： ")));
        QVERIFY2(box.text.contains(message), qPrintable(box.text));
    }
    QCOMPARE(main.form.RTB1->Text(), text);
    QCOMPARE(main.form.RTB1->SelStart(), start);
    QCOMPARE(main.form.RTB1->SelLength(), length);
    QCOMPARE(main.form.mKanaMode, quint8(0));
    QVERIFY(main.form.CheckSentKana->isChecked());
    QCOMPARE(main.module.gRubyReading, QStringLiteral("まえ"));
    QCOMPARE(main.form.Caption(), caption);
    QCOMPARE(main.form.mModified, modified);
}

void TestRubyCommand::f5InsertsAndKanaFormLeavesItAlone()
{
    Main main(QStringLiteral("漢字"), 0, 2);
    main.platform.phonetic.readings.insert(QStringLiteral("漢字"), QStringLiteral("カンジ"));
    main.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&main.form));
    main.form.RTB1->setFocus();
    main.run(true, true);
    QVERIFY(main.opened);
    QCOMPARE(main.form.RTB1->Text(), ruby("漢字", "かんじ"));
    for (const int index : {2, 0, 1}) {
        main.form.OptionKana[index]->click();
        QCOMPARE(main.form.mKanaMode, quint8(index));
    }
    QCOMPARE(main.form.RTB1->Text(), ruby("漢字", "かんじ"));
}

QTEST_MAIN(TestRubyCommand)
#include "tst_rubycommand.moc"
