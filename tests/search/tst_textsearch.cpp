#include "search/textsearch.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(CompareMode)

namespace {

// The window's Replace, written out step by step over a plain string: the
// algorithm that replaceAll must reproduce in one pass. Its search is the naive
// one: try every position, compare the slice, refuse a hit that splits a CR LF.
struct PassByPass
{
    QString text;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    bool checkTop = false;
    int endMessages = 0;
    bool ended = false;
    qsizetype startPos = 0;

    static bool splitsLineEnd(const QString &text, qsizetype p, qsizetype n)
    {
        const auto isLineEnd = [&text](qsizetype i) {
            return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
        };
        return isLineEnd(p) || isLineEnd(p + n);
    }

    qsizetype naiveFind(const QString &search, CompareMode mode) const
    {
        if (search.isEmpty())
            return 0;
        for (qsizetype p = startPos; p - 1 + search.size() <= text.size(); ++p) {
            if (textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode)
                && !splitsLineEnd(text, p - 1, search.size()))
                return p;
        }
        return 0;
    }

    void replaceOnce(const QString &search, const QString &replacement, CompareMode mode)
    {
        if (checkTop) {
            startPos = 1;
        } else {
            if (!search.isEmpty()
                && textsEqual(QStringView(text).mid(selStart, selLength), search, mode)) {
                text.replace(selStart, selLength, replacement);
                selStart += replacement.size();
                selLength = 0;
            }
            startPos = selStart + selLength + 1;
        }
        const qsizetype found = naiveFind(search, mode);
        if (found < 1) {
            ++endMessages;
            ended = true;
        } else {
            selStart = found - 1;
            selLength = search.size();
        }
        checkTop = false;
    }

    bool replaceAll(const QString &search, const QString &replacement, CompareMode mode)
    {
        ended = false;
        for (int pass = 0; pass < 100000; ++pass) {
            replaceOnce(search, replacement, mode);
            if (ended)
                return true;
        }
        return false;
    }
};

QString randomText(QRandomGenerator &random, const QStringList &alphabet, int maxPieces)
{
    QString text;
    const int pieces = random.bounded(maxPieces + 1);
    for (int i = 0; i < pieces; ++i)
        text += alphabet.at(random.bounded(int(alphabet.size())));
    return text;
}

// Line ends made visible for failure messages.
QString shown(QString text)
{
    return text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
}

} // namespace

class TestTextSearch : public QObject
{
    Q_OBJECT

private slots:
    void comparison_data();
    void comparison();
    void find_data();
    void find();
    void replaceAllCases_data();
    void replaceAllCases();
    void replaceAllMatchesPassByPass_data();
    void replaceAllMatchesPassByPass();
};

void TestTextSearch::comparison_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("loose");
    QTest::addColumn<bool>("exact");

    QTest::newRow("same text") << "abc" << "abc" << true << true;
    QTest::newRow("empty texts") << "" << "" << true << true;
    QTest::newRow("other letters differ") << "abc" << "abd" << false << false;
    QTest::newRow("other lengths differ") << "ab" << "abc" << false << false;
    QTest::newRow("case: abc and ABC") << "abc" << "ABC" << true << false;
    QTest::newRow("width: abc and ａｂｃ") << "abc" << "ａｂｃ" << true << false;
    QTest::newRow("width and case: abc and ＡＢＣ") << "abc" << "ＡＢＣ" << true << false;
    QTest::newRow("case beyond ASCII: äöσ and ÄÖΣ") << "äöσ" << "ÄÖΣ" << true << false;
    QTest::newRow("width: digits and signs") << "1+1=2!" << "１＋１＝２！" << true << false;
    QTest::newRow("width: ideographic space is a space") << "a b" << "a　b" << true << false;
    QTest::newRow("width: yen sign") << "¥100" << "￥１００" << true << false;
    QTest::newRow("no-break space is not a space") << "a b" << "a\u00A0b" << false << false;
    QTest::newRow("kana: かな and カナ") << "かな" << "カナ" << true << false;
    QTest::newRow("kana and width: かな and ｶﾅ") << "かな" << "ｶﾅ" << true << false;
    QTest::newRow("kana and width: カナ and ｶﾅ") << "カナ" << "ｶﾅ" << true << false;
    QTest::newRow("kana: voiced がぱ and ガパ") << "がぱ" << "ガパ" << true << false;
    QTest::newRow("kana: small ぁっ and ｧｯ") << "ぁっ" << "ｧｯ" << true << false;
    QTest::newRow("kana: ゔ and ヴ") << "ゔ" << "ヴ" << true << false;
    QTest::newRow("kana: iteration marks ゝゞ and ヽヾ") << "ゝゞ" << "ヽヾ" << true << false;
    QTest::newRow("kana: long vowel ー and ｰ") << "ラーメン" << "ﾗｰﾒﾝ" << true << false;
    QTest::newRow("kana: punctuation 「。」 and ｢｡｣") << "「。」" << "｢｡｣" << true << false;
    QTest::newRow("kana: unvoiced differs from voiced") << "か" << "が" << false << false;
    QTest::newRow("voiced mark: ｶﾞ and カ゛") << "ｶﾞ" << "カ゛" << true << false;
    QTest::newRow("voiced mark: ﾊﾟ and は゜") << "ﾊﾟ" << "は゜" << true << false;
    QTest::newRow("voiced mark: ｶﾞ and combining か\u3099") << "ｶﾞ" << "か\u3099" << true
                                                           << false;
    QTest::newRow("voiced mark: ガ against ｶﾞ, other length") << "ガ" << "ｶﾞ" << false << false;
    QTest::newRow("voiced mark: ﾞ and ﾟ differ") << "ﾞ" << "ﾟ" << false << false;
    QTest::newRow("kanji stay themselves") << "漢字" << "漢子" << false << false;
    QTest::newRow("line ends are compared as they are") << "a\r\nb" << "a\nb" << false << false;
}

void TestTextSearch::comparison()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, loose);
    QFETCH(bool, exact);
    QCOMPARE(textsEqual(a, b, CompareMode::Loose), loose);
    QCOMPARE(textsEqual(b, a, CompareMode::Loose), loose);
    QCOMPARE(textsEqual(a, b, CompareMode::Exact), exact);
}

void TestTextSearch::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<CompareMode>("mode");
    QTest::addColumn<qsizetype>("found");

    const auto loose = CompareMode::Loose;
    const auto exact = CompareMode::Exact;
    QTest::newRow("aa in aaaa from 1") << "aaaa" << "aa" << qsizetype(1) << exact << qsizetype(1);
    QTest::newRow("aa in aaaa from 3") << "aaaa" << "aa" << qsizetype(3) << exact << qsizetype(3);
    QTest::newRow("aa in aaaa from 4: too short") << "aaaa" << "aa" << qsizetype(4) << loose
                                                  << qsizetype(0);
    QTest::newRow("start beyond the end") << "abc" << "c" << qsizetype(4) << exact << qsizetype(0);
    QTest::newRow("start on the last character") << "abc" << "c" << qsizetype(3) << loose
                                                 << qsizetype(3);
    QTest::newRow("start 0 finds nothing") << "abc" << "a" << qsizetype(0) << exact << qsizetype(0);
    QTest::newRow("empty search finds nothing") << "abc" << "" << qsizetype(1) << loose
                                                << qsizetype(0);
    QTest::newRow("empty document finds nothing") << "" << "a" << qsizetype(1) << loose
                                                  << qsizetype(0);
    QTest::newRow("no wrap to the top") << "abc x" << "abc" << qsizetype(2) << exact
                                        << qsizetype(0);
    QTest::newRow("loose: abc finds ABC") << "xABC" << "abc" << qsizetype(1) << loose
                                          << qsizetype(2);
    QTest::newRow("loose: abc finds ａｂｃ") << "xｘａｂｃ" << "abc" << qsizetype(1) << loose
                                          << qsizetype(3);
    QTest::newRow("exact: abc skips ABC and ａｂｃ") << "ABC ａｂｃ abc" << "abc" << qsizetype(1)
                                                   << exact << qsizetype(9);
    QTest::newRow("loose: かな finds カナ") << "仮名カナ" << "かな" << qsizetype(1) << loose
                                          << qsizetype(3);
    QTest::newRow("loose: かな finds ｶﾅ") << "仮名ｶﾅ" << "かな" << qsizetype(1) << loose
                                        << qsizetype(3);
    QTest::newRow("exact: かな skips カナ") << "カナかな" << "かな" << qsizetype(1) << exact
                                          << qsizetype(3);
    QTest::newRow("loose: ガ does not find ｶﾞ") << "ｶﾞ" << "ガ" << qsizetype(1) << loose
                                              << qsizetype(0);
    QTest::newRow("loose: ｶﾞ finds カ゛") << "xカ゛" << "ｶﾞ" << qsizetype(1) << loose
                                          << qsizetype(2);
    QTest::newRow("no-break space is not a space") << "a\u00A0b a b" << "a b" << qsizetype(1)
                                                   << loose << qsizetype(5);
    QTest::newRow("across a line end") << "xa\r\nb" << "a\r\nb" << qsizetype(1) << exact
                                       << qsizetype(2);
    QTest::newRow("hit starting at the LF of a CR LF is refused")
        << "a\r\nb" << "\nb" << qsizetype(1) << exact << qsizetype(0);
    QTest::newRow("hit at a lone LF is taken") << "a\nb" << "\nb" << qsizetype(1) << exact
                                               << qsizetype(2);
    QTest::newRow("hit ending at the CR of a CR LF is refused")
        << "a\r\nb a\rb" << "a\r" << qsizetype(1) << loose << qsizetype(6);
    QTest::newRow("start just after a CR, hit at its LF is refused")
        << "a\r\nb" << "\n" << qsizetype(3) << exact << qsizetype(0);
    QTest::newRow("surrogate pair found whole") << "a😀b😀" << "😀" << qsizetype(3) << loose
                                                << qsizetype(5);
}

void TestTextSearch::find()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(qsizetype, start);
    QFETCH(CompareMode, mode);
    QFETCH(qsizetype, found);
    QCOMPARE(findText(text, search, start, mode), found);
}

void TestTextSearch::replaceAllCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("selStart");
    QTest::addColumn<qsizetype>("selLength");
    QTest::addColumn<bool>("fromTop");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<CompareMode>("mode");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<qsizetype>("replacements");

    const auto loose = CompareMode::Loose;
    const auto exact = CompareMode::Exact;
    QTest::newRow("a to aa on a-a from the top ends")
        << "a-a" << qsizetype(0) << qsizetype(0) << true << "a" << "aa" << exact << "aa-aa"
        << qsizetype(5) << qsizetype(2);
    QTest::newRow("ab to aab is not matched again")
        << "abab" << qsizetype(0) << qsizetype(0) << true << "ab" << "aab" << loose << "aabaab"
        << qsizetype(6) << qsizetype(2);
    QTest::newRow("aa in aaaa: two occurrences")
        << "aaaa" << qsizetype(0) << qsizetype(0) << true << "aa" << "b" << exact << "bb"
        << qsizetype(2) << qsizetype(2);
    QTest::newRow("text before the selection is untouched")
        << "a a a a" << qsizetype(4) << qsizetype(1) << false << "a" << "b" << exact << "a a b b"
        << qsizetype(7) << qsizetype(2);
    QTest::newRow("text before the caret is untouched")
        << "a a a a" << qsizetype(3) << qsizetype(0) << false << "a" << "b" << exact << "a a b b"
        << qsizetype(7) << qsizetype(2);
    QTest::newRow("selection not the search text is skipped")
        << "ab a" << qsizetype(0) << qsizetype(2) << false << "a" << "b" << exact << "ab b"
        << qsizetype(4) << qsizetype(1);
    QTest::newRow("from the top replaces what lies above the caret")
        << "a a" << qsizetype(2) << qsizetype(1) << true << "a" << "b" << exact << "b b"
        << qsizetype(3) << qsizetype(2);
    QTest::newRow("selected last occurrence only")
        << "a a" << qsizetype(2) << qsizetype(1) << false << "a" << "b" << exact << "a b"
        << qsizetype(3) << qsizetype(1);
    QTest::newRow("empty replacement deletes")
        << "a-a" << qsizetype(0) << qsizetype(0) << true << "a" << "" << exact << "-"
        << qsizetype(1) << qsizetype(2);
    QTest::newRow("no occurrence leaves the selection")
        << "xyz" << qsizetype(1) << qsizetype(1) << false << "a" << "b" << loose << "xyz"
        << qsizetype(1) << qsizetype(0);
    QTest::newRow("empty search finds nothing")
        << "a a" << qsizetype(1) << qsizetype(0) << false << "" << "b" << loose << "a a"
        << qsizetype(1) << qsizetype(0);
    QTest::newRow("loose: abc in every form")
        << "ABC ａｂｃ abc Abd" << qsizetype(0) << qsizetype(0) << true << "abc" << "x" << loose
        << "x x x Abd" << qsizetype(5) << qsizetype(3);
    QTest::newRow("exact: only abc itself")
        << "ABC ａｂｃ abc" << qsizetype(0) << qsizetype(0) << true << "abc" << "x" << exact
        << "ABC ａｂｃ x" << qsizetype(9) << qsizetype(1);
    QTest::newRow("loose: かな in every kana form, ガナ kept")
        << "カナ ｶﾅ かな ガナ" << qsizetype(0) << qsizetype(0) << true << "かな" << "仮名"
        << loose << "仮名 仮名 仮名 ガナ" << qsizetype(8) << qsizetype(3);
    QTest::newRow("line ends replaced") << "x\r\ny\r\nx" << qsizetype(0) << qsizetype(0) << true
                                        << "\r\n" << "-" << exact << "x-y-x" << qsizetype(4)
                                        << qsizetype(2);
    QTest::newRow("replacement ending in CR does not pair with the LF after it")
        << "a\nb\n" << qsizetype(0) << qsizetype(0) << true << "a" << "x\r" << exact
        << "x\r\nb\n" << qsizetype(2) << qsizetype(1);
    QTest::newRow("replacement ending in CR makes the next LF a line end")
        << "a\n\n" << qsizetype(0) << qsizetype(0) << true << "\n" << "\r" << exact << "a\r\n"
        << qsizetype(2) << qsizetype(1);
}

void TestTextSearch::replaceAllCases()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, selStart);
    QFETCH(qsizetype, selLength);
    QFETCH(bool, fromTop);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(CompareMode, mode);
    QFETCH(QString, result);
    QFETCH(qsizetype, caret);
    QFETCH(qsizetype, replacements);

    const ReplaceAllResult outcome = replaceAll(text, selStart, selLength, fromTop, search,
                                                replacement, mode);
    QCOMPARE(appliedTo(text, outcome), result);
    QCOMPARE(outcome.replacements, replacements);
    QCOMPARE(outcome.selStart, caret);
    QCOMPARE(outcome.selLength, replacements > 0 ? qsizetype(0) : selLength);
}

void TestTextSearch::replaceAllMatchesPassByPass_data()
{
    QTest::addColumn<CompareMode>("mode");
    QTest::addColumn<QStringList>("alphabet");
    QTest::addColumn<quint32>("seed");
    const QStringList letters{"a", "A", "ａ", "b", "-"};
    const QStringList kana{"か", "カ", "ｶ", "ﾞ", "゛", "ガ", "な", "ﾅ"};
    const QStringList lineEnds{"a", "\r\n", "\r", "\n", "b"};
    const QStringList mixed = letters + kana + lineEnds;
    QTest::newRow("exact, letters") << CompareMode::Exact << letters << 1u;
    QTest::newRow("loose, letters") << CompareMode::Loose << letters << 2u;
    QTest::newRow("exact, kana") << CompareMode::Exact << kana << 3u;
    QTest::newRow("loose, kana") << CompareMode::Loose << kana << 4u;
    QTest::newRow("exact, line ends") << CompareMode::Exact << lineEnds << 5u;
    QTest::newRow("loose, line ends") << CompareMode::Loose << lineEnds << 6u;
    QTest::newRow("exact, mixed") << CompareMode::Exact << mixed << 7u;
    QTest::newRow("loose, mixed") << CompareMode::Loose << mixed << 8u;
}

void TestTextSearch::replaceAllMatchesPassByPass()
{
    QFETCH(CompareMode, mode);
    QFETCH(QStringList, alphabet);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    for (int round = 0; round < 4000; ++round) {
        const QString text = randomText(random, alphabet, 24);
        QString search = randomText(random, alphabet, 3);
        // Most searches are cut from the document, so that they are found.
        if (!text.isEmpty() && random.bounded(4) != 0) {
            const int from = random.bounded(int(text.size()));
            search = text.mid(from, 1 + random.bounded(3));
        }
        QString replacement = randomText(random, alphabet, 3);
        if (random.bounded(3) == 0)
            replacement = search + replacement; // contains the search text
        const qsizetype selStart = random.bounded(int(text.size()) + 1);
        qsizetype selLength = random.bounded(int(qMin<qsizetype>(4, text.size() - selStart)) + 1);
        if (random.bounded(3) == 0)
            selLength = qMin(search.size(), text.size() - selStart); // maybe on a hit
        const bool fromTop = random.bounded(2) == 0;

        PassByPass reference{text, selStart, selLength, fromTop};
        QVERIFY2(reference.replaceAll(search, replacement, mode), "pass by pass did not end");
        const ReplaceAllResult fast = replaceAll(text, selStart, selLength, fromTop, search,
                                                 replacement, mode);

        const QByteArray context = (QStringLiteral("text \"") + shown(text)
                                    + QStringLiteral("\" search \"") + shown(search)
                                    + QStringLiteral("\" replacement \"") + shown(replacement)
                                    + QStringLiteral("\" selection %1+%2 from top %3")
                                          .arg(selStart)
                                          .arg(selLength)
                                          .arg(fromTop))
                                       .toUtf8();
        QVERIFY2(appliedTo(text, fast) == reference.text, context.constData());
        QVERIFY2(fast.selStart == reference.selStart, context.constData());
        QVERIFY2(fast.selLength == reference.selLength, context.constData());
        QVERIFY2(fast.lastSearchStart == reference.startPos, context.constData());
        QCOMPARE(reference.endMessages, 1);
    }
}

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
