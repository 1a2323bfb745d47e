#include "core/text/textsearch.h"

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

} // namespace

class TestLooseSearch : public QObject
{
    Q_OBJECT

private slots:
    void sameHitsAsComparingEverywhere()
    {
        // Long search texts over few letters and repeated pieces (of the first four
        // letters), so that partial matches overlap a lot, across line ends too.
        const QStringList alphabet {"\r", "\n", "a", "\r\n", "A",      "ａ", "ｶ",
                                    "か", "カ", "ﾞ", "゛",   "\u3099", "ー"};
        QRandomGenerator random(19);
        for (int round = 0; round < 600; ++round) {
            QString text;
            for (int i = random.bounded(round % 3 ? 120 : 4); i > 0; --i)
                text += alphabet.at(random.bounded(round % 3 ? int(alphabet.size()) : 4));
            if (round % 3 == 0)
                text = text.repeated(1 + random.bounded(40));
            QString search = text.mid(random.bounded(int(text.size()) + 1), 1 + random.bounded(60));
            // A letter put in or over, anywhere, so that the last match is partial.
            const int at = random.bounded(int(search.size()) + 1);
            if (random.bounded(3) == 0)
                search = search.left(at) + alphabet.at(random.bounded(int(alphabet.size())))
                    + search.mid(at + random.bounded(2));
            const CompareMode mode = round % 2 ? CompareMode::Loose : CompareMode::Exact;
            const QList<qsizetype> expected = hits(text, search, mode, true);
            QVERIFY2(hits(text, search, mode, false) == expected,
                     qPrintable(text + " / " + search));
            // Long texts take another road to the first character of a hit.
            const QString padding(70'000, u'x');
            const qsizetype first = expected.value(0);
            QCOMPARE(findText(padding + text, search, 1, mode), first ? first + padding.size() : 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestLooseSearch)
#include "tst_loosesearch.moc"
