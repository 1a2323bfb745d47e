#include "core/textsearch.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(CompareMode)

namespace {

// Every hit of a search from each position on, by comparing at every position: what
// the search found before it was made linear.
QList<qsizetype> naiveHits(const QString &text, const QString &search, CompareMode mode)
{
    const auto splits = [&](qsizetype i) {
        return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
    };
    QList<qsizetype> hits;
    for (qsizetype start = 1; start <= text.size(); ++start) {
        qsizetype found = 0;
        for (qsizetype p = start; !search.isEmpty() && p - 1 + search.size() <= text.size(); ++p) {
            if (textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode)
                && !splits(p - 1) && !splits(p - 1 + search.size())) {
                found = p;
                break;
            }
        }
        hits << found;
    }
    return hits;
}

QList<qsizetype> hits(const QString &text, const QString &search, CompareMode mode)
{
    QList<qsizetype> found;
    for (qsizetype start = 1; start <= text.size(); ++start)
        found << findText(text, search, start, mode);
    return found;
}

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
    const auto row = [](const char *name, const QString &text, const QString &search) {
        QTest::newRow(name) << text << search;
    };
    row("repeated letter, one longer", QString(60, u'a'), QString(59, u'a') + u'b');
    row("repeated letter, mixed forms", QString("aAａＡ").repeated(12), QString(17, u'a'));
    row("period two with a tail", QString("abab").repeated(10) + "abc",
        QString("ab").repeated(6) + "c");
    row("kana in three forms", QString("かカｶなナﾅ").repeated(6), QString("カナ").repeated(4));
    row("borders across forms", QString("かかかカかかｶか"), QString("かかｶか"));
    row("line ends: every other hit splits one", QString("\r\n").repeated(20),
        QString("\n\r").repeated(5));
    row("line ends: search ends in CR", QString("x\r\nx\r\n").repeated(8), QString("\r\nx\r"));
    row("line ends: search is LF", QString("a\r\nb\nc\r\n"), QString("\n"));
    row("voiced marks", QString("ｶﾞか゛カ\u3099").repeated(4), QString("か゛ｶﾞ"));
    row("whole text", QString("漢字かなＡＢＣ\r\n"), QString("漢字カナabc\r\n"));
    row("longer than the text", QString("abc"), QString("abcd"));
    row("surrogates stay themselves", QString("😀😁😀😀"), QString("😀😀"));
}

void TestLooseSearch::sameHitsAsComparingEverywhere()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    for (const CompareMode mode : {CompareMode::Loose, CompareMode::Exact})
        QCOMPARE(hits(text, search, mode), naiveHits(text, search, mode));
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
        const QList<qsizetype> expected = naiveHits(text, search, mode);
        // Long texts take another road to the first character of a hit.
        const QString padding(70'000, u'x');
        const qsizetype first = expected.value(0);
        QCOMPARE(findText(padding + text, search, 1, mode), first ? first + padding.size() : 0);
        QVERIFY2(
            hits(text, search, mode) == expected,
            qPrintable(
                QString("text %1 search %2").arg(text.toUtf8().toHex(), search.toUtf8().toHex())));
    }
}

namespace {

class StopAt : public Progress
{
public:
    explicit StopAt(int answers)
        : m_answers(answers)
    { }
    bool advance(qint64, qint64) override { return m_answers-- > 0; }

private:
    int m_answers;
};

} // namespace

void TestLooseSearch::stopLeavesNothingChanged()
{
    // A document long enough to be polled several times.
    const QString text = QString("かなカナ漢字\r\n").repeated(1 << 19);
    const ReplaceAllResult whole
        = replaceAll(text, 0, 0, true, u"かな", u"仮名", CompareMode::Loose);
    for (const int answers : {0, 1, 3}) {
        StopAt progress(answers);
        const ReplaceAllResult stopped
            = replaceAll(text, 0, 0, true, u"かな", u"仮名", CompareMode::Loose, &progress);
        QVERIFY(stopped.stopped);
        QCOMPARE(stopped.replacements, 0);
        QCOMPARE(appliedTo(text, stopped), text);
    }
    StopAt never(1 << 30);
    const ReplaceAllResult polled
        = replaceAll(text, 0, 0, true, u"かな", u"仮名", CompareMode::Loose, &never);
    QVERIFY(!polled.stopped);
    QCOMPARE(polled.replacements, whole.replacements);
    QCOMPARE(appliedTo(text, polled), appliedTo(text, whole));
}

QTEST_GUILESS_MAIN(TestLooseSearch)
#include "tst_loosesearch.moc"
