// The review list on its own: guesses and unsure readings first, shown context, live counts, ticks and readings per group and
// per occurrence, filter, order and keys, and the choice it returns.

#include "ui/rubyreview.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

class TestRubyReview : public QObject
{
    Q_OBJECT

private slots:
    void review();
    void romajiReadingsGoBackToTheirKana();
};

void TestRubyReview::review()
{
    const QString page = u"<p>学校と漢字、他の学校。鬱金</p>"_qs;
    const auto at = [&](const QString &word, int from = 0) { return page.indexOf(word, from); };
    const QList<RubyCandidate> found {
        {at(u"学校"_qs), u"学校"_qs, u"ガッコウ"_qs, false, {}},
        {at(u"漢字"_qs), u"漢字"_qs, u"カンジ"_qs, false, {u"カンシ"_qs}, ReadingConfidence::Unsure},
        {at(u"他"_qs), u"他"_qs, u"タ"_qs, true, {u"ホカ"_qs}},
        {at(u"学校"_qs, 5), u"学校"_qs, u"ガッコウ"_qs, false, {}},
        {at(u"鬱金"_qs), u"鬱金"_qs, u"ウコン"_qs, true, {}},
    };
    RubyReviewDialog dialog(page, found, KanaForm::Hiragana, 0, FirstOnly::Every);
    RubyReviewModel *m = dialog.model();
    const auto words = [m] {
        QStringList rows;
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->index(r, 0).data().toString();
        return rows.join(u' ');
    };
    QCOMPARE(words(), u"他 鬱金 漢字 学校"_qs); // guesses, unsure, then in page order
    QCOMPARE(m->index(0, RubyReviewModel::Guessed).data().toString(), u"推測"_qs);
    QCOMPARE(m->index(2, RubyReviewModel::Guessed).data().toString(), u"要確認 (かんし?)"_qs);
    QCOMPARE(m->index(2, 1).data(RubyReviewModel::CandidatesRole).toStringList(),
             QStringList({u"かんじ"_qs, u"かんし"_qs}));
    const QModelIndex school = m->index(3, 0);
    QCOMPARE(m->rowCount(school), 2);
    QCOMPARE(m->index(0, 0, school).data(RubyReviewModel::LeftRole).toString(), QString());
    QCOMPARE(m->index(0, 0, school).data(RubyReviewModel::RightRole).toString(),
             u"と漢字、他の学校。鬱金"_qs); // the page's text, tags dropped

    // Keys: F3 to the next guess, Space ticks, Enter edits the reading.
    dialog.show();
    dialog.view()->setCurrentIndex(m->index(1, 0));
    QTest::keyClick(dialog.view(), Qt::Key_F3);
    QCOMPARE(dialog.view()->currentIndex().row(), 0);
    dialog.view()->setCurrentIndex(m->index(1, 0, school));
    QTest::keyClick(dialog.view(), Qt::Key_Space);
    QCOMPARE(school.data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
    QVERIFY(dialog.countLabel()->text().startsWith(u"4 語、4 か所"_qs));
    dialog.view()->setCurrentIndex(m->index(2, 0));
    QTest::keyClick(dialog.view(), Qt::Key_Return);
    auto *editor = dialog.view()->findChild<QComboBox *>();
    QVERIFY(editor);
    editor->setEditText(u"かんし"_qs);
    QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits queued
    QCOMPARE(m->index(2, 1).data().toString(), u"かんし"_qs);
    QVERIFY(m->index(2, RubyReviewModel::Guessed).data().isNull()); // corrected: no doubt shown
    m->setData(m->index(0, 1, m->index(0, 0)), u"ほか"_qs); // this 他 only

    QList<QString> chosen;
    for (const RubyCandidate &c : m->choice())
        chosen << c.base + c.reading;
    QCOMPARE(
        chosen,
        QList<QString>({u"学校ガッコウ"_qs, u"漢字カンシ"_qs, u"他ホカ"_qs, u"鬱金ウコン"_qs}));
    QCOMPARE(m->corrections(), (QList<std::pair<QString, QString>> {{u"漢字"_qs, u"カンシ"_qs}}));

    // Filter, order, and the choice of kanji narrow the list.
    dialog.filterEdit()->setText(u"がっ"_qs);
    QCOMPARE(words(), u"学校"_qs);
    dialog.filterEdit()->clear();
    dialog.confidenceBox()->setCurrentIndex(int(ReadingConfidence::Guessed));
    QCOMPARE(words(), u"他 鬱金"_qs);
    dialog.confidenceBox()->setCurrentIndex(0);
    dialog.orderBox()->setCurrentIndex(int(RubyReviewModel::Order::Frequency));
    QCOMPARE(words().left(2), u"学校"_qs);
    dialog.orderBox()->setCurrentIndex(int(RubyReviewModel::Order::GuessedFirst));
    QCOMPARE(words(), u"他 鬱金 学校 漢字"_qs); // the unsure 漢字 among the others
    dialog.levelBox()->setCurrentIndex(kJouyouLevel - 1); // 中学以上: 鬱 only
    QCOMPARE(words(), u"鬱金"_qs);
    dialog.levelBox()->setCurrentIndex(0);
    dialog.firstBox()->setCurrentIndex(int(FirstOnly::Page));
    QCOMPARE(m->occurrencesListed(), 4);
    QCOMPARE(m->choice().size(), 4); // the edits kept; the second 学校, unticked, is gone
}

// Romaji is shown, kana are kept: a candidate chosen goes back to its kana (ō
// stands for オウ and オオ alike), a reading typed in romaji is written as it is
// and never kept as a correction.
void TestRubyReview::romajiReadingsGoBackToTheirKana()
{
    const QString page = u"<p>大阪 東京 大路</p>"_qs;
    const QList<RubyCandidate> found {
        {3, u"大阪"_qs, u"オオサカ"_qs, false, {}},
        {6, u"東京"_qs, u"トウキョウ"_qs, false, {u"トウケイ"_qs}},
        {9, u"大路"_qs, u"オオジ"_qs, false, {}},
    };
    RubyReviewModel m(page, found, KanaForm::Romaji);
    QCOMPARE(m.index(0, 1).data().toString(), u"ōsaka"_qs);
    QVERIFY(m.setData(m.index(1, 1), u"tōkei"_qs)); // a candidate
    QVERIFY(m.setData(m.index(2, 1), u"ooji"_qs)); // the user's own
    QStringList chosen;
    for (const RubyCandidate &c : m.choice())
        chosen << c.reading;
    QCOMPARE(chosen, QStringList({u"オオサカ"_qs, u"トウケイ"_qs, u"ooji"_qs}));
    QCOMPARE(m.corrections(), (QList<std::pair<QString, QString>> {{u"東京"_qs, u"トウケイ"_qs}}));
}

QTEST_MAIN(TestRubyReview)
#include "tst_rubyreview.moc"
