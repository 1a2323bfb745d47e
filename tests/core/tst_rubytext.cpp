#include "core/rubytext.h"

#include <QTest>

class TestRubyText : public QObject
{
    Q_OBJECT

private slots:
    void okurigana_data();
    void okurigana();
    void kanaForms_data();
    void kanaForms();
    void halfwidthCoversTheWholeKatakanaBlock();
};

void TestRubyText::okurigana_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("omitted");
    QTest::addColumn<QString>("readingAfter");
    QTest::addColumn<int>("baseLength");
    const auto row = [](const char *name, const QString &selection, const QString &reading,
                        int omitted, const QString &after, int baseLength) {
        QTest::newRow(name) << selection << reading << omitted << after << baseLength;
    };

    row("okurigana: 送り drops リ", "送り", "オクリ", 1, "オク", 1);
    row("okurigana: 漢字 without kana keeps all", "漢字", "カンジ", 0, "カンジ", 2);
    row("okurigana: 取り扱い keeps inner kana", "取り扱い", "トリアツカイ", 1, "トリアツカ", 3);
    row("okurigana: all hiragana shrinks to nothing", "ひらがな", "ヒラガナ", 4, "", 0);
    row("okurigana: reading shorter than selection", "漢ひらがな", "ヒラガナ", 4, "", 1);
    row("okurigana: katakana selection read as itself", "カタカナ", "カタカナ", 4, "", 0);
    row("okurigana: two kana at the end", "打ち合わせ", "ウチアワセ", 2, "ウチア", 3);
    row("okurigana: half-width kana never match", "送ﾘ", "オクリ", 0, "オクリ", 2);
    row("okurigana: no folding of small kana", "取っ", "トツ", 0, "トツ", 2);
    row("okurigana: empty reading", "送り", "", 0, "", 2);
    row("okurigana: line break at the end is common text", "送り\r\n", "オクリ\r\n", 3, "オク", 1);
    row("okurigana: ending never cuts a surrogate pair", "𠮷", "\U00010BB7", 0, "\U00010BB7", 2);
    row("okurigana: a whole surrogate pair can be common", "送𠮷", "オク𠮷", 2, "オク", 1);
    row("okurigana: 32767 characters is the limit", QString(32766, u'漢') + u'り', "カンリ", 1,
        "カン", 32766);
}

void TestRubyText::okurigana()
{
    QFETCH(QString, selection);
    QFETCH(QString, reading);
    QFETCH(int, omitted);
    QFETCH(QString, readingAfter);
    QFETCH(int, baseLength);

    const OkuriganaOmission result = omitOkurigana(selection, reading);
    QCOMPARE(int(result.omitted), omitted);
    QCOMPARE(result.reading, readingAfter);
    QCOMPARE(int(result.baseLength), baseLength);
}

void TestRubyText::kanaForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode"); // -1: katakana form of a selection
    QTest::addColumn<QString>("converted");
    const auto row = [](const char *name, const QString &text, int mode, const QString &converted) {
        QTest::newRow(name) << text << mode << converted;
    };

    row("selection: hiragana become katakana", "ぁあがぱゔゕゖゝゞ", -1, "ァアガパヴヵヶヽヾ");
    row("selection: kanji, katakana, half-width, Latin and marks stay", "送リｶﾞＡa、ー゛゜", -1,
        "送リｶﾞＡa、ー゛゜");
    row("mode 0: katakana as returned", "オクリガナー", 0, "オクリガナー");
    row("mode 1: hiragana, long-vowel mark stays", "ラーメン", 1, "らーめん");
    row("mode 1: ヴ ヵ ヶ have counterparts, ヷ ヺ not", "ヴヵヶヷヺ", 1, "ゔゕゖヷヺ");
    row("mode 1: Latin and kanji stay", "ＣＤと漢", 1, "ＣＤと漢");
    row("mode 2: ガ becomes two characters", "ガ", 2, "ｶﾞ");
    row("mode 2: reading grows longer", "ジュウイチガツ", 2, "ｼﾞｭｳｲﾁｶﾞﾂ");
    row("mode 2: semi-voiced", "パピプペポ", 2, "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ");
    row("mode 2: ヴ ヷ ヺ", "ヴヷヺ", 2, "ｳﾞﾜﾞｦﾞ");
    row("mode 2: small kana", "ァィゥェォッャュョ", 2, "ｧｨｩｪｫｯｬｭｮ");
    row("mode 2: no half-width form stays", "ヮヰヱヵヶヸヹかな漢", 2, "ヮヰヱヵヶヸヹかな漢");
    row("mode 2: long-vowel mark and middle dot", "ラーメン・", 2, "ﾗｰﾒﾝ･");
    row("mode 2: full-width ASCII, yen and cent", "ＡＢＣｘｙｚ０９！～＃￥￠", 2, "ABCxyz09!~#¥¢");
    row("mode 2: ideographic space and punctuation", "　、。「」゛゜", 2, " ､｡｢｣ﾞﾟ");
}

void TestRubyText::kanaForms()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, converted);
    QCOMPARE(mode < 0 ? katakanaForm(text) : kanaForm(text, quint8(mode)), converted);
}

void TestRubyText::halfwidthCoversTheWholeKatakanaBlock()
{
    // Every half-width katakana, mark included, comes from exactly one
    // full-width letter (or letter plus mark); none is reached twice.
    QSet<QString> seen;
    for (char16_t c = u'ァ'; c <= u'ー'; ++c) {
        const QString narrow = halfwidthForm(QString(QChar(c)));
        if (narrow == QString(QChar(c)))
            continue;
        QVERIFY2(!seen.contains(narrow), qPrintable(narrow));
        seen.insert(narrow);
        for (const QChar n : narrow)
            QVERIFY(n.unicode() >= 0xFF61 && n.unicode() <= 0xFF9F);
    }
    // 。「」、 are outside the katakana block; the rest of U+FF66..U+FF9D is in it.
    for (char16_t c = 0xFF66; c <= 0xFF9D; ++c)
        QVERIFY2(seen.contains(QString(QChar {c})), qPrintable(QString::number(c, 16)));
}

QTEST_APPLESS_MAIN(TestRubyText)
#include "tst_rubytext.moc"
