#include "randomcase.h"
#include "core/textsearch.h"

#include <QTest>

Q_DECLARE_METATYPE(CompareMode)

namespace {

constexpr auto loose = CompareMode::Loose;
constexpr auto exact = CompareMode::Exact;

// The window's Replace clicked until the end message, step by step over a plain
// string with the naive search (every position, refusing a hit that splits a
// CR LF): the model that replaceAll must reproduce in one pass.
struct PassByPass
{
    QString text;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    bool checkTop = false;
    qsizetype startPos = 0;

    bool isLineEnd(qsizetype i) const
    {
        return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
    }

    qsizetype naiveFind(const QString &search, CompareMode mode) const
    {
        if (search.isEmpty())
            return 0;
        for (qsizetype p = startPos; p - 1 + search.size() <= text.size(); ++p) {
            if (textsEqual(QStringView(text).mid(p - 1, search.size()), search, mode)
                && !isLineEnd(p - 1) && !isLineEnd(p - 1 + search.size()))
                return p;
        }
        return 0;
    }

    // One click of Replace; false when its search ends with the end message.
    bool replaceOnce(const QString &search, const QString &replacement, CompareMode mode)
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
        checkTop = false;
        const qsizetype found = naiveFind(search, mode);
        if (found < 1)
            return false;
        selStart = found - 1;
        selLength = search.size();
        return true;
    }

    // False when the end message never comes.
    bool replaceAll(const QString &search, const QString &replacement, CompareMode mode)
    {
        for (int pass = 0; pass < 100000; ++pass) {
            if (!replaceOnce(search, replacement, mode))
                return true;
        }
        return false;
    }
};

} // namespace

class TestTextSearch : public QObject
{
    Q_OBJECT

private slots:
    void comparison_data();
    void comparison();
    void find_data();
    void find();
    void replaceAllMatchesPassByPass_data();
    void replaceAllMatchesPassByPass();
};

void TestTextSearch::comparison_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("isLoose");
    QTest::addColumn<bool>("isExact");
    const auto row = [](const char *name, const QString &a, const QString &b, bool isLoose,
                        bool isExact) { QTest::newRow(name) << a << b << isLoose << isExact; };

    row("same text", "abc", "abc", true, true);
    row("empty texts", "", "", true, true);
    row("other letters differ", "abc", "abd", false, false);
    row("other lengths differ", "ab", "abc", false, false);
    row("case: abc and ABC", "abc", "ABC", true, false);
    row("width: abc and ａｂｃ", "abc", "ａｂｃ", true, false);
    row("width and case: abc and ＡＢＣ", "abc", "ＡＢＣ", true, false);
    row("case beyond ASCII: äöσ and ÄÖΣ", "äöσ", "ÄÖΣ", true, false);
    row("width: digits and signs", "1+1=2!", "１＋１＝２！", true, false);
    row("width: ideographic space is a space", "a b", "a　b", true, false);
    row("width: yen sign", "¥100", "￥１００", true, false);
    row("no-break space is not a space", "a b", "a\u00A0b", false, false);
    row("kana: かな and カナ", "かな", "カナ", true, false);
    row("kana and width: かな and ｶﾅ", "かな", "ｶﾅ", true, false);
    row("kana: voiced がぱ and ガパ", "がぱ", "ガパ", true, false);
    row("kana: small ぁっ and ｧｯ", "ぁっ", "ｧｯ", true, false);
    row("kana: ゔ and ヴ", "ゔ", "ヴ", true, false);
    row("kana: iteration marks ゝゞ and ヽヾ", "ゝゞ", "ヽヾ", true, false);
    row("kana: long vowel ー and ｰ", "ラーメン", "ﾗｰﾒﾝ", true, false);
    row("kana: punctuation 「。」 and ｢｡｣", "「。」", "｢｡｣", true, false);
    row("kana: unvoiced differs from voiced", "か", "が", false, false);
    row("voiced mark: ｶﾞ and カ゛", "ｶﾞ", "カ゛", true, false);
    row("voiced mark: ﾊﾟ and は゜", "ﾊﾟ", "は゜", true, false);
    row("voiced mark: ｶﾞ and combining か\u3099", "ｶﾞ", "か\u3099", true, false);
    row("voiced mark: ガ against ｶﾞ, other length", "ガ", "ｶﾞ", false, false);
    row("voiced mark: ﾞ and ﾟ differ", "ﾞ", "ﾟ", false, false);
    row("kanji stay themselves", "漢字", "漢子", false, false);
    row("line ends are compared as they are", "a\r\nb", "a\nb", false, false);
}

void TestTextSearch::comparison()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, isLoose);
    QFETCH(bool, isExact);
    QCOMPARE(textsEqual(a, b, loose), isLoose);
    QCOMPARE(textsEqual(b, a, loose), isLoose);
    QCOMPARE(textsEqual(a, b, exact), isExact);
}

void TestTextSearch::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<CompareMode>("mode");
    QTest::addColumn<qsizetype>("found");
    const auto row = [](const char *name, const QString &text, const QString &search,
                        qsizetype start, CompareMode mode, qsizetype found) {
        QTest::newRow(name) << text << search << start << mode << found;
    };

    row("aa in aaaa from 4: too short", "aaaa", "aa", 4, loose, 0);
    row("start beyond the end", "abc", "c", 4, exact, 0);
    row("start on the last character", "abc", "c", 3, loose, 3);
    row("start 0 finds nothing", "abc", "a", 0, exact, 0);
    row("empty search finds nothing", "abc", "", 1, loose, 0);
    row("empty document finds nothing", "", "a", 1, loose, 0);
    row("loose: abc finds ａｂｃ", "xｘａｂｃ", "abc", 1, loose, 3);
    row("loose: ガ does not find ｶﾞ", "ｶﾞ", "ガ", 1, loose, 0);
    row("loose: ｶﾞ finds カ゛", "xカ゛", "ｶﾞ", 1, loose, 2);
    row("no-break space is not a space", "a\u00A0b a b", "a b", 1, loose, 5);
    row("across a line end", "xa\r\nb", "a\r\nb", 1, exact, 2);
    row("hit starting at the LF of a CR LF is refused", "a\r\nb", "\nb", 1, exact, 0);
    row("hit at a lone LF is taken", "a\nb", "\nb", 1, exact, 2);
    row("hit ending at the CR of a CR LF is refused", "a\r\nb a\rb", "a\r", 1, loose, 6);
    row("start just after a CR, hit at its LF is refused", "a\r\nb", "\n", 3, exact, 0);
    row("surrogate pair found whole", "a😀b😀", "😀", 3, loose, 5);
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

void TestTextSearch::replaceAllMatchesPassByPass_data()
{
    QTest::addColumn<CompareMode>("mode");
    QTest::addColumn<QStringList>("alphabet");
    QTest::addColumn<quint32>("seed");
    const QStringList letters {"a", "A", "ａ", "b", "-"};
    const QStringList kana {"か", "カ", "ｶ", "ﾞ", "゛", "ガ", "な", "ﾅ"};
    const QStringList lineEnds {"a", "\r\n", "\r", "\n", "b"};
    const std::pair<const char *, QStringList> alphabets[] = {{"letters", letters},
                                                              {"kana", kana},
                                                              {"line ends", lineEnds},
                                                              {"mixed", letters + kana + lineEnds}};
    quint32 seed = 0;
    for (const auto &[name, alphabet] : alphabets) {
        QTest::addRow("exact, %s", name) << exact << alphabet << ++seed;
        QTest::addRow("loose, %s", name) << loose << alphabet << ++seed;
    }
}

void TestTextSearch::replaceAllMatchesPassByPass()
{
    QFETCH(CompareMode, mode);
    QFETCH(QStringList, alphabet);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    for (int round = 0; round < 4000; ++round) {
        const RandomCase drawn = RandomCase::draw(random, alphabet, 24);
        PassByPass reference {drawn.text, drawn.selStart, drawn.selLength, drawn.fromTop};
        QVERIFY2(reference.replaceAll(drawn.search, drawn.replacement, mode),
                 "pass by pass did not end");
        const ReplaceAllResult fast
            = replaceAll(drawn.text, drawn.selStart, drawn.selLength, drawn.fromTop, drawn.search,
                         drawn.replacement, mode);
        const QByteArray context = drawn.describe();
        QVERIFY2(appliedTo(drawn.text, fast) == reference.text, context.constData());
        QVERIFY2(fast.selStart == reference.selStart, context.constData());
        QVERIFY2(fast.selLength == reference.selLength, context.constData());
        QVERIFY2(fast.lastSearchStart == reference.startPos, context.constData());
    }
}

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
