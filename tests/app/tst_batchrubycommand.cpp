// The window's side of whole-page ruby, and F5 where ruby cannot go or
// already is.

#include "app/formmain.h"
#include "casetable.h"
#include "core/reading/kanjireadings.h"
#include "core/ruby/rubytext.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/formbatchruby.h"
#include "ui/rubydialog.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>

#include <functional>

namespace {

QList<ReadingToken> tableTokens(const QString &text)
{
    static const QRegularExpression words(u"漢字|学校"_qs);
    QList<ReadingToken> tokens;
    for (auto it = words.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        tokens.append(
            {m.capturedStart(), 2, m.captured() == u"漢字" ? u"カンジ"_qs : u"ガッコウ"_qs});
    }
    return tokens;
}

struct Main
{
    FakePlatform platform;
    FormMain form {platform};

    Main(const QString &text, int start, int length)
    {
        form.RTB1->setText(text);
        form.setCaption(u"a.htm"_qs);
        form.mModified = false;
        form.RTB1->setSelStart(start);
        form.RTB1->setSelLength(length);
        form.mBatchTokenizer = tableTokens;
        platform.phonetic.readings.insert(u"学校"_qs, u"ガッコウ"_qs);
    }

    // Runs a command; the modal dialog it opens is handed to answer.
    template<typename Dialog>
    bool run(void (FormMain::*command)(), const std::function<void(Dialog *)> &answer)
    {
        bool opened = false;
        QTimer::singleShot(0, &form, [&] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                opened = true;
                answer(dialog);
            }
        });
        (form.*command)();
        QCoreApplication::processEvents();
        return opened;
    }
};

const QString kPage = u"<p title=\"漢字\">漢字と学校</p><!-- 漢字 --><p>漢字</p>"_qs;

} // namespace

class TestBatchRubyCommand : public QObject
{
    Q_OBJECT

private slots:
    void f5RefusesInMarkup_data() { addCaseRows("rubyrefusals.tsv"); }
    void f5RefusesInMarkup();
    void f5EditsExistingRuby();
    void f5PerKanji();
    void batchAppliesAsOneChange();
    void batchOnSelectionOnly();
};

void TestBatchRubyCommand::f5RefusesInMarkup()
{
    QFETCH(QByteArrayList, f); // text, the selected part, what the message names
    const QString text = caseText(f[0]), select = caseText(f[1]), where = caseText(f[2]);
    Main main(text, int(text.indexOf(select)), int(select.size()));
    QVERIFY(!main.run<RubyDialog>(&FormMain::MERuby_Click, [](RubyDialog *d) { d->reject(); }));
    QCOMPARE(main.platform.messages.size(), 1);
    QVERIFY2(main.platform.messages.first().text.contains(where),
             qPrintable(main.platform.messages.first().text));
    // Information under the program's title, said whole.
    QCOMPARE(main.platform.messages.first().title, u"Rubello"_qs);
    QVERIFY(main.platform.messages.first().text.endsWith(u"ルビを振りません。"_qs));
    QCOMPARE(main.form.RTB1->Text(), text);
}

void TestBatchRubyCommand::f5EditsExistingRuby()
{
    const QString text = u"<p>"_qs + rubyElement(u"漢字"_qs, u"かじ"_qs) + u"です</p>"_qs;
    Main main(text, int(text.indexOf(u"漢字")), 2);
    QString proposed;
    QVERIFY(main.run<RubyDialog>(&FormMain::MERuby_Click, [&](RubyDialog *d) {
        proposed = d->readingBox()->text();
        d->readingBox()->setText(u"かんじ"_qs);
        d->insertButton()->click();
    }));
    QCOMPARE(proposed, u"かじ"_qs);
    QCOMPARE(main.form.RTB1->Text(),
             u"<p>"_qs + rubyElement(u"漢字"_qs, u"かんじ"_qs) + u"です</p>"_qs);
    main.form.MEBack_Click();
    QCOMPARE(main.form.RTB1->Text(), text);
}

void TestBatchRubyCommand::f5PerKanji()
{
    if (KanjiReadings::system().isEmpty())
        QSKIP("KANJIDIC is not installed (package kanjidic)");
    Main main(u"学校へ"_qs, 0, 2);
    main.form.MEPerKanji->setChecked(true);
    QVERIFY(main.run<RubyDialog>(&FormMain::MERuby_Click, [](RubyDialog *d) { d->insertButton()->click(); }));
    QCOMPARE(main.form.RTB1->Text(),
             rubyElement(u"学"_qs, u"がっ"_qs) + rubyElement(u"校"_qs, u"こう"_qs) + u"へ"_qs);
}

void TestBatchRubyCommand::batchAppliesAsOneChange()
{
    Main main(kPage, 0, 0);
    QStringList rows;
    QVERIFY(main.run<FormBatchRuby>(&FormMain::MEBatch_Click, [&](FormBatchRuby *d) {
        for (int r = 0; r < d->GridWords->rowCount(); ++r)
            rows << d->GridWords->item(r, 0)->text() + u' ' + d->GridWords->item(r, 1)->text()
                    + u' ' + d->GridWords->item(r, 2)->text();
        d->GridWords->item(0, 1)->setText(u"かんじ!"_qs);
        d->GridWords->item(1, 0)->setCheckState(Qt::Unchecked);
        d->ComElie->click();
    }));
    QCOMPARE(rows, QStringList({u"漢字 かんじ 2"_qs, u"学校 がっこう 1"_qs}));
    const QString k = rubyElement(u"漢字"_qs, u"かんじ!"_qs);
    QCOMPARE(main.form.RTB1->Text(),
             u"<p title=\"漢字\">"_qs + k + u"と学校</p><!-- 漢字 --><p>"_qs + k + u"</p>"_qs);
    QCOMPARE(main.form.Caption(), u"a.htm (更新)"_qs);
    main.form.MEBack_Click();
    QCOMPARE(main.form.RTB1->Text(), kPage);

    // The corrected reading is proposed the next time.
    QString proposed;
    main.run<FormBatchRuby>(&FormMain::MEBatch_Click, [&](FormBatchRuby *d) {
        proposed = d->GridWords->item(0, 1)->text();
        d->ComCancel->click();
    });
    QCOMPARE(proposed, u"かんじ!"_qs);
    QCOMPARE(main.form.RTB1->Text(), kPage);
}

void TestBatchRubyCommand::batchOnSelectionOnly()
{
    const qsizetype start = kPage.indexOf(u"<!--");
    Main main(kPage, int(start), int(kPage.size() - start));
    QVERIFY(main.run<FormBatchRuby>(&FormMain::MEBatch_Click,
                                    [](FormBatchRuby *d) { d->ComElie->click(); }));
    QCOMPARE(main.form.RTB1->Text(),
             kPage.left(kPage.size() - 6) + rubyElement(u"漢字"_qs, u"かんじ"_qs) + u"</p>"_qs);
    QCOMPARE(main.form.RTB1->SelText(), main.form.RTB1->Text().sliced(start));
}

QTEST_MAIN(TestBatchRubyCommand)
#include "tst_batchrubycommand.moc"
