#include "casetable.h"
#include "core/text/textsearch.h"

#include <QRandomGenerator>

namespace {

constexpr auto loose = CompareMode::Loose;
constexpr auto exact = CompareMode::Exact;

// The window's Replace clicked until the end message, over a plain string with the
// naive search (every position, refusing a hit that splits a CR LF): the model that
// replaceAll must reproduce in one pass.
struct PassByPass
{
    QString text;
    qsizetype selStart = 0, selLength = 0;
    bool checkTop = false;
    qsizetype startPos = 0;

    bool isLineEnd(qsizetype i) const
    {
        return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
    }
    qsizetype naiveFind(const QString &search, CompareMode mode) const
    {
        for (qsizetype p = startPos; !search.isEmpty() && p - 1 + search.size() <= text.size();
             ++p) {
            if (textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode)
                && !isLineEnd(p - 1) && !isLineEnd(p - 1 + search.size()))
                return p;
        }
        return 0;
    }
    // One click of Replace; false when its search ends with the end message.
    bool replaceOnce(const QString &search, const QString &replacement, CompareMode mode)
    {
        if (!checkTop && !search.isEmpty()
            && textsEqual(QStringView(text).mid(selStart, selLength), search, mode)) {
            text.replace(selStart, selLength, replacement);
            selStart += replacement.size();
            selLength = 0;
        }
        startPos = checkTop ? 1 : selStart + selLength + 1;
        checkTop = false;
        const qsizetype found = naiveFind(search, mode);
        if (found < 1)
            return false;
        selStart = found - 1;
        selLength = search.size();
        return true;
    }
};

} // namespace

class TestTextSearch : public QObject
{
    Q_OBJECT

private slots:
    void comparison_data() { addCaseRows("comparison.tsv"); }
    void comparison();
    void find_data() { addCaseRows("find.tsv"); }
    void find();
    void replaceAllMatchesPassByPass_data() { addCaseRows("replaceall.tsv"); }
    void replaceAllMatchesPassByPass();
};

void TestTextSearch::comparison()
{
    QFETCH(QByteArrayList, f); // a, b, equal when loose, equal when exact
    const QString a = caseText(f[0]), b = caseText(f[1]);
    QCOMPARE(textsEqual(a, b, loose), f[2] == "1");
    QCOMPARE(textsEqual(b, a, loose), f[2] == "1");
    QCOMPARE(textsEqual(a, b, exact), f[3] == "1");
}

void TestTextSearch::find()
{
    QFETCH(QByteArrayList, f); // text, search, start, exact, hit
    QCOMPARE(findText(caseText(f[0]), caseText(f[1]), f[2].toInt(), f[3] == "1" ? exact : loose),
             f[4].toInt());
}

void TestTextSearch::replaceAllMatchesPassByPass()
{
    QFETCH(QByteArrayList, f); // exact, the pieces
    const CompareMode mode = f[0] == "1" ? exact : loose;
    const QStringList alphabet = caseText(f[1]).split(u' ');
    QRandomGenerator random(quint32(qHash(QTest::currentDataTag())));
    const auto pieces = [&](int most) {
        QString text;
        for (int i = random.bounded(most + 1); i > 0; --i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        return text;
    };
    for (int round = 0; round < 4000; ++round) {
        // Most searches are cut from the text, some replacements contain the search,
        // some selections are as long as the search.
        const QString text = pieces(24);
        QString search = pieces(3);
        if (!text.isEmpty() && random.bounded(4) != 0)
            search = text.mid(random.bounded(int(text.size())), 1 + random.bounded(3));
        const QString replacement = (random.bounded(3) == 0 ? search : QString()) + pieces(3);
        const qsizetype selStart = random.bounded(int(text.size()) + 1);
        qsizetype selLength = random.bounded(int(qMin<qsizetype>(4, text.size() - selStart)) + 1);
        if (random.bounded(3) == 0)
            selLength = qMin(search.size(), text.size() - selStart);
        const bool fromTop = random.bounded(2) == 0;

        PassByPass model {text, selStart, selLength, fromTop};
        for (int pass = 0; model.replaceOnce(search, replacement, mode); ++pass)
            QVERIFY(pass < 100000);
        const ReplaceAllResult fast
            = replaceAll(text, selStart, selLength, fromTop, search, replacement, mode);
        const QByteArray context = QStringList {text, search, replacement}.join(u'|').toUtf8()
            + " at " + QByteArray::number(selStart) + "+" + QByteArray::number(selLength);
        QVERIFY2(appliedTo(text, fast) == model.text && fast.selStart == model.selStart
                     && fast.selLength == model.selLength && fast.lastSearchStart == model.startPos,
                 context.constData());
    }
}

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
