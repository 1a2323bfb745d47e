#include "core/textsearch.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The first hit from each start: found, or by comparing at every position (what
// the search found before it was made linear).
QList<qsizetype> hits(const QString &text, const QString &search, CompareMode mode, bool naive)
{
    const auto splits = [&](qsizetype i) {
        return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
    };
    QList<qsizetype> result;
    for (qsizetype start = 1; start <= text.size(); ++start) {
        qsizetype found = naive ? 0 : findText(text, search, start, mode);
        for (qsizetype p = start; naive && !found && p - 1 + search.size() <= text.size(); ++p) {
            if (!search.isEmpty() && !splits(p - 1) && !splits(p - 1 + search.size())
                && textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode))
                found = p;
        }
        result << found;
    }
    return result;
}

struct StopAfter : Progress
{
    explicit StopAfter(int n)
        : answers(n)
    { }
    int answers;
    bool advance(qint64, qint64) override { return answers-- > 0; }
};

} // namespace

class TestLooseSearch : public QObject
{
    Q_OBJECT

private slots:
    void sameHitsAsComparingEverywhere_data();
    void sameHitsAsComparingEverywhere();
    void longRandomSearches();
    void stopLeavesNothingChanged();
};

void TestLooseSearch::sameHitsAsComparingEverywhere_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::newRow("repeated letter, one longer") << QString(60, u'a') << QString(59, u'a') + u'b';
    QTest::newRow("repeated letter, mixed forms")
        << QString("aAａＡ").repeated(12) << QString(17, u'a');
    QTest::newRow("period two with a tail")
        << QString("abab").repeated(10) + "abc" << QString("ab").repeated(6) + "c";
    QTest::newRow("kana in three forms")
        << QString("かカｶなナﾅ").repeated(6) << QString("カナ").repeated(4);
    QTest::newRow("line ends: every other hit splits one")
        << QString("\r\n").repeated(20) << QString("\n\r").repeated(5);
    QTest::newRow("line ends: search ends in CR")
        << QString("x\r\nx\r\n").repeated(8) << QString("\r\nx\r");
    QTest::newRow("voiced marks") << QString("ｶﾞか゛カ\u3099").repeated(4) << QString("か゛ｶﾞ");
    QTest::newRow("whole text") << QString("漢字かなＡＢＣ\r\n") << QString("漢字カナabc\r\n");
}

void TestLooseSearch::sameHitsAsComparingEverywhere()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    for (const CompareMode mode : {CompareMode::Loose, CompareMode::Exact})
        QCOMPARE(hits(text, search, mode, false), hits(text, search, mode, true));
}

void TestLooseSearch::longRandomSearches()
{
    // Long search texts over few letters, so that partial matches overlap a lot.
    const QStringList alphabet {"a", "A", "ｶ", "か", "\r", "\n", "\r\n", "ー"};
    QRandomGenerator random(19);
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = random.bounded(120); i > 0; --i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        QString search = text.mid(random.bounded(int(text.size()) + 1), 1 + random.bounded(40));
        if (random.bounded(3) == 0 && !search.isEmpty())
            search[random.bounded(int(search.size()))] = u'a';
        const CompareMode mode = round % 2 ? CompareMode::Loose : CompareMode::Exact;
        const QList<qsizetype> expected = hits(text, search, mode, true);
        QVERIFY2(hits(text, search, mode, false) == expected, qPrintable(text + " / " + search));
        // Long texts take another road to the first character of a hit.
        const QString padding(70'000, u'x');
        const qsizetype first = expected.value(0);
        QCOMPARE(findText(padding + text, search, 1, mode), first ? first + padding.size() : 0);
    }
}

void TestLooseSearch::stopLeavesNothingChanged()
{
    // Long enough to be polled several times.
    const QString text = QString("かなカナ漢字\r\n").repeated(1 << 19);
    const auto run = [&](Progress *progress) {
        return replaceAll(text, 0, 0, true, u"かな", u"仮名", CompareMode::Loose, progress);
    };
    for (const int answers : {0, 3}) {
        StopAfter progress(answers);
        const ReplaceAllResult stopped = run(&progress);
        QVERIFY(stopped.stopped);
        QCOMPARE(appliedTo(text, stopped), text);
    }
    StopAfter never(1 << 30);
    QCOMPARE(appliedTo(text, run(&never)), appliedTo(text, run(nullptr)));
}

QTEST_GUILESS_MAIN(TestLooseSearch)
#include "tst_loosesearch.moc"
