// The window's side of whole-page ruby, and F5 where ruby cannot go or
// already is.

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "casetable.h"
#include "core/reading/kanjireadings.h"
#include "core/ruby/rubytext.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/rubydialog.h"
#include "ui/rubyreview.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QCheckBox>
#include <QComboBox>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

struct Main
{
    QTemporaryDir folder;
    FakePlatform platform;
    MainWindow form {platform};

    Main(const QString &text, int start, int length)
    {
        QFile file(folder.filePath(u"a.htm"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0);
        file.close();
        form.documentCommands().load(file.fileName());
        form.editor()->setSelectionStart(start);
        form.editor()->setSelectionLength(length);
        for (const auto &[word, reading] : {std::pair {u"漢字"_qs, u"カンジ"_qs},
                                            {u"学校"_qs, u"ガッコウ"_qs}, {u"日本"_qs, u"ニホン"_qs}})
            platform.phonetic.readings.insert(word, reading);
    }

    // Runs a command; the modal dialog it opens is handed to answer.
    template<typename Dialog>
    bool run(void (RubyCommands::*command)(), const std::function<void(Dialog *)> &answer)
    {
        bool opened = false;
        QTimer::singleShot(0, &form, [&] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                opened = true;
                answer(dialog);
            }
        });
        (form.rubyCommands().*command)();
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
    void f5PerWord();
    void batchAppliesAsOneChange();
    void batchOnSelectionOnly();
    void stripAsOneStep();
};

void TestBatchRubyCommand::f5RefusesInMarkup()
{
    QFETCH(QByteArrayList, f); // text, the selected part, what the message names
    const QString text = caseText(f[0]), select = caseText(f[1]), where = caseText(f[2]);
    Main main(text, int(text.indexOf(select)), int(select.size()));
    QVERIFY(!main.run<RubyDialog>(&RubyCommands::insertRuby, [](RubyDialog *d) { d->reject(); }));
    QCOMPARE(main.platform.messages.size(), 1);
    QVERIFY2(main.platform.messages.first().text.contains(where),
             qPrintable(main.platform.messages.first().text));
    // Information under the program's title, said whole.
    QCOMPARE(main.platform.messages.first().title, u"Rubello"_qs);
    QVERIFY(main.platform.messages.first().text.endsWith(u"ルビを振りません。"_qs));
    QCOMPARE(main.form.editor()->text(), text);
}

void TestBatchRubyCommand::f5EditsExistingRuby()
{
    const QString text = u"<p>"_qs + rubyElement(u"漢字"_qs, u"かじ"_qs) + u"です</p>"_qs;
    Main main(text, int(text.indexOf(u"漢字")), 2);
    QString proposed;
    QVERIFY(main.run<RubyDialog>(&RubyCommands::insertRuby, [&](RubyDialog *d) {
        proposed = d->readingBox()->text();
        d->readingBox()->setText(u"かんじ"_qs);
        d->insertButton()->click();
    }));
    QCOMPARE(proposed, u"かじ"_qs);
    QCOMPARE(main.form.editor()->text(),
             u"<p>"_qs + rubyElement(u"漢字"_qs, u"かんじ"_qs) + u"です</p>"_qs);
    main.form.editorCommands().undo();
    QCOMPARE(main.form.editor()->text(), text);
}

void TestBatchRubyCommand::f5PerKanji()
{
    if (KanjiReadings::system().isEmpty())
        QSKIP("KANJIDIC is not installed (package kanjidic)");
    Main main(u"学校へ"_qs, 0, 2);
    main.form.rubyCommands().actions().perKanji->setChecked(true);
    QVERIFY(main.run<RubyDialog>(&RubyCommands::insertRuby,
                                 [](RubyDialog *d) { d->insertButton()->click(); }));
    QCOMPARE(main.form.editor()->text(),
             rubyElement(u"学"_qs, u"がっ"_qs) + rubyElement(u"校"_qs, u"こう"_qs) + u"へ"_qs);
}

// One element over the whole word, kana inside; choosing it clears per kanji.
void TestBatchRubyCommand::f5PerWord()
{
    Main main(u"書き方を学ぶ。"_qs, 0, 3);
    main.form.rubyCommands().actions().perKanji->setChecked(true);
    main.form.rubyCommands().actions().perWord->setChecked(true);
    QVERIFY(!main.form.rubyCommands().actions().perKanji->isChecked());
    QVERIFY(main.run<RubyDialog>(&RubyCommands::insertRuby, [](RubyDialog *d) {
        d->readingBox()->setText(u"かきかた"_qs);
        d->insertButton()->click();
    }));
    QCOMPARE(main.form.editor()->text(), rubyElement(u"書き方"_qs, u"かきかた"_qs) + u"を学ぶ。"_qs);
}

// Reviewed through the dialog's model: one occurrence of 日本 read にっぽん, a
// word left out, the whole applied and undone as one step.
void TestBatchRubyCommand::batchAppliesAsOneChange()
{
    const QString page = kPage + u"<p>日本と、その日本</p>"_qs;
    Main main(page, 0, 0);
    QTemporaryDir dir;
    main.platform.readingsFile = dir.filePath(u"readings.tsv"_qs);
    QStringList rows;
    QVERIFY(main.run<RubyReviewDialog>(&RubyCommands::annotatePage, [&](RubyReviewDialog *d) {
        d->levelBox()->setCurrentIndex(0);
        d->firstBox()->setCurrentIndex(0);
        RubyReviewModel *m = d->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->index(r, 0).data().toString() + u' ' + m->index(r, 1).data().toString()
                    + u' ' + m->index(r, 2).data().toString();
        m->setData(m->index(1, 0), Qt::Unchecked, Qt::CheckStateRole); // 学校
        const QModelIndex other = m->index(2, 0); // 日本, its second occurrence
        if (m->index(1, 0, other).data().toString().endsWith(u"その日本"_qs))
            m->setData(m->index(1, 1, other), u"にっぽん"_qs);
        d->rememberCheck()->setChecked(false);
        d->insertButton()->click();
    }));
    QCOMPARE(rows, QStringList({u"漢字 かんじ 2"_qs, u"学校 がっこう 1"_qs, u"日本 にほん 2"_qs}));
    const QString k = rubyElement(u"漢字"_qs, u"かんじ"_qs);
    QCOMPARE(main.form.editor()->text(),
             u"<p title=\"漢字\">"_qs + k + u"と学校</p><!-- 漢字 --><p>"_qs + k + u"</p><p>"_qs
                 + rubyElement(u"日本"_qs, u"にほん"_qs) + u"と、その"_qs
                 + rubyElement(u"日本"_qs, u"にっぽん"_qs) + u"</p>"_qs);
    QCOMPARE(main.form.caption(), u"a.htm (更新)"_qs);
    main.form.editorCommands().undo();
    QCOMPARE(main.form.editor()->text(), page);
    QCOMPARE(main.form.caption(), u"a.htm"_qs);

    // A group's corrected reading is remembered and proposed the next time.
    main.run<RubyReviewDialog>(&RubyCommands::annotatePage, [&](RubyReviewDialog *d) {
        d->model()->setData(d->model()->index(0, 1), u"かんじ!"_qs);
        d->insertButton()->click();
    });
    main.form.editorCommands().undo();
    QString proposed;
    main.run<RubyReviewDialog>(&RubyCommands::annotatePage, [&](RubyReviewDialog *d) {
        proposed = d->model()->index(0, 1).data().toString();
        d->cancelButton()->click();
    });
    QCOMPARE(proposed, u"かんじ!"_qs);
    QCOMPARE(main.form.editor()->text(), page);
}

// The grade and first-occurrence choices narrow the list and are kept.
void TestBatchRubyCommand::batchOnSelectionOnly()
{
    const qsizetype start = kPage.indexOf(u"<!--");
    Main main(kPage, int(start), int(kPage.size() - start));
    QVERIFY(main.run<RubyReviewDialog>(&RubyCommands::annotatePage,
                                       [](RubyReviewDialog *d) { d->insertButton()->click(); }));
    QCOMPARE(main.form.editor()->text(),
             kPage.left(kPage.size() - 6) + rubyElement(u"漢字"_qs, u"かんじ"_qs) + u"</p>"_qs);
    QCOMPARE(main.form.editor()->selectedText(), main.form.editor()->text().sliced(start));

    Main whole(kPage, 0, 0);
    int listed = -1;
    whole.run<RubyReviewDialog>(&RubyCommands::annotatePage, [&](RubyReviewDialog *d) {
        d->levelBox()->setCurrentIndex(3); // 漢 and 字, 学 and 校 are learnt by 小3
        listed = d->model()->rowCount();
        d->cancelButton()->click();
    });
    QCOMPARE(listed, 0);
    QCOMPARE(whole.form.rubyCommands().gradeLevel(), 3);
}

void TestBatchRubyCommand::stripAsOneStep()
{
    const QString one = rubyElement(u"漢字"_qs, u"かんじ"_qs);
    const QString page = u"<p>"_qs + one + u"と"_qs + one + u"</p>"_qs;
    Main main(page, 3, 2);
    main.form.rubyCommands().actions().stripRuby->trigger();
    QCOMPARE(main.form.editor()->text(), u"<p>漢字と"_qs + one + u"</p>"_qs);
    QCOMPARE(main.form.editor()->selectedText(), u"漢字"_qs);
    main.form.editor()->setSelectionLength(0);
    main.form.rubyCommands().actions().stripRuby->trigger();
    QCOMPARE(main.form.editor()->text(), u"<p>漢字と漢字</p>"_qs);
    main.form.editorCommands().undo();
    main.form.editorCommands().undo();
    QCOMPARE(main.form.editor()->text(), page);
    main.form.editorCommands().redo();
    main.form.editorCommands().redo();
    QCOMPARE(main.form.editor()->text(), u"<p>漢字と漢字</p>"_qs);
    QVERIFY(main.platform.messages.isEmpty());
    main.form.rubyCommands().actions().stripRuby->trigger();
    QCOMPARE(main.platform.messages.size(), 1);
    QCOMPARE(main.platform.messages.first().text, u"ルビがありません。"_qs);
}

QTEST_MAIN(TestBatchRubyCommand)
#include "tst_batchrubycommand.moc"
