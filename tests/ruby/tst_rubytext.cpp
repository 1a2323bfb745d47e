#include "ruby/rubytext.h"

#include <QTest>

class TestRubyText : public QObject
{
    Q_OBJECT

private slots:
    void okurigana_data();
    void okurigana();
    void katakanaFormOfSelection_data();
    void katakanaFormOfSelection();
    void kanaForms_data();
    void kanaForms();
    void halfwidthCoversTheWholeKatakanaBlock();
    void element_data();
    void element();
};

void TestRubyText::okurigana_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("omitted");
    QTest::addColumn<QString>("readingAfter");
    QTest::addColumn<int>("baseLength");

    QTest::newRow("okurigana: 送り drops リ") << "送り"
                                             << "オクリ" << 1 << "オク" << 1;
    QTest::newRow("okurigana: 漢字 without kana keeps all") << "漢字"
                                                           << "カンジ" << 0 << "カンジ" << 2;
    QTest::newRow("okurigana: 取り扱い keeps inner kana") << "取り扱い"
                                                         << "トリアツカイ" << 1 << "トリアツカ"
                                                         << 3;
    QTest::newRow("okurigana: all hiragana shrinks to nothing") << "ひらがな"
                                                                << "ヒラガナ" << 4 << "" << 0;
    QTest::newRow("okurigana: reading shorter than selection") << "漢ひらがな"
                                                               << "ヒラガナ" << 4 << "" << 1;
    QTest::newRow("okurigana: katakana selection read as itself") << "カタカナ"
                                                                  << "カタカナ" << 4 << "" << 0;
    QTest::newRow("okurigana: half-width kana never match") << "送ﾘ"
                                                            << "オクリ" << 0 << "オクリ" << 2;
    QTest::newRow("okurigana: empty reading") << "送り" << "" << 0 << "" << 2;
    QTest::newRow("okurigana: no folding of small kana") << "取っ"
                                                         << "トツ" << 0 << "トツ" << 2;
    QTest::newRow("okurigana: no folding of case") << "abc"
                                                   << "ABC" << 0 << "ABC" << 3;
    QTest::newRow("okurigana: two kana at the end") << "打ち合わせ"
                                                    << "ウチアワセ" << 2 << "ウチア" << 3;
    QTest::newRow("okurigana: only the end counts, not inner matches") << "見た目"
                                                                       << "ミタメ" << 0
                                                                       << "ミタメ" << 3;
    QTest::newRow("okurigana: line break at the end is common text")
        << "送り\r\n" << "オクリ\r\n" << 3 << "オク" << 1;
    QTest::newRow("okurigana: ending never cuts a surrogate pair")
        << QString::fromUtf16(u"𠮷") << QString::fromUtf16(u"\U00010BB7") << 0
        << QString::fromUtf16(u"\U00010BB7") << 2;
    QTest::newRow("okurigana: a whole surrogate pair can be common")
        << QString::fromUtf16(u"送𠮷") << QString::fromUtf16(u"オク𠮷") << 2 << "オク" << 1;
    QTest::newRow("okurigana: 32767 characters is the limit")
        << QString(32766, u'漢') + u'り' << QStringLiteral("カンリ") << 1
        << QStringLiteral("カン") << 32766;
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

void TestRubyText::katakanaFormOfSelection_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("katakana");

    QTest::newRow("hiragana become katakana") << "ぁあがぱゔゕゖ"
                                              << "ァアガパヴヵヶ";
    QTest::newRow("iteration marks follow") << "ゝゞ"
                                            << "ヽヾ";
    QTest::newRow("kanji, katakana, half-width and Latin stay") << "送リｶﾞＡa、ー"
                                                                << "送リｶﾞＡa、ー";
    QTest::newRow("voiced mark alone stays") << "゛゜"
                                             << "゛゜";
}

void TestRubyText::katakanaFormOfSelection()
{
    QFETCH(QString, text);
    QFETCH(QString, katakana);
    QCOMPARE(katakanaForm(text), katakana);
}

void TestRubyText::kanaForms_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("converted");

    QTest::newRow("mode 0: katakana as returned") << "オクリガナー" << 0 << "オクリガナー";
    QTest::newRow("mode 1: hiragana") << "オクリガナ" << 1 << "おくりがな";
    QTest::newRow("mode 1: long-vowel mark stays") << "ラーメン" << 1 << "らーめん";
    QTest::newRow("mode 1: ヴ ヵ ヶ have counterparts") << "ヴヵヶ" << 1 << "ゔゕゖ";
    QTest::newRow("mode 1: ヷ has no counterpart") << "ヷヺ" << 1 << "ヷヺ";
    QTest::newRow("mode 1: Latin and kanji stay") << "ＣＤと漢" << 1 << "ＣＤと漢";
    QTest::newRow("mode 2: plain katakana") << "カタカナ" << 2 << "ｶﾀｶﾅ";
    QTest::newRow("mode 2: ガ becomes two characters") << "ガ" << 2 << "ｶﾞ";
    QTest::newRow("mode 2: semi-voiced") << "パピプペポ" << 2 << "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ";
    QTest::newRow("mode 2: ヴ ヷ ヺ") << "ヴヷヺ" << 2 << "ｳﾞﾜﾞｦﾞ";
    QTest::newRow("mode 2: small kana") << "ァィゥェォッャュョ" << 2 << "ｧｨｩｪｫｯｬｭｮ";
    QTest::newRow("mode 2: no half-width form stays") << "ヮヰヱヵヶヸヹ" << 2
                                                      << "ヮヰヱヵヶヸヹ";
    QTest::newRow("mode 2: long-vowel mark and middle dot") << "ラーメン・" << 2 << "ﾗｰﾒﾝ･";
    QTest::newRow("mode 2: full-width ASCII") << "ＡＢＣｘｙｚ０９！～＃" << 2 << "ABCxyz09!~#";
    QTest::newRow("mode 2: ideographic space and punctuation") << "　、。「」゛゜" << 2
                                                                << " ､｡｢｣ﾞﾟ";
    QTest::newRow("mode 2: reading grows longer") << "ジュウイチガツ" << 2 << "ｼﾞｭｳｲﾁｶﾞﾂ";
    QTest::newRow("mode 2: hiragana and kanji stay") << "かな漢" << 2 << "かな漢";
    QTest::newRow("mode 2: full-width yen and cent") << "￥￠" << 2 << "¥¢";
}

void TestRubyText::kanaForms()
{
    QFETCH(QString, reading);
    QFETCH(int, mode);
    QFETCH(QString, converted);
    QCOMPARE(kanaForm(reading, quint8(mode)), converted);
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
    for (char16_t c = 0xFF66; c <= 0xFF9D; ++c) {
        const QString narrow(QChar{c});
        QVERIFY2(seen.contains(narrow), qPrintable(QString::number(c, 16)));
    }
}

void TestRubyText::element_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("withAttribute");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("element");

    QTest::newRow("element: without attribute")
        << "漢字" << false << "" << "かんじ"
        << "<ruby><rb>漢字</rb><rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>";
    QTest::newRow("element: with the start-up attribute")
        << "漢字" << true << "style=\"font-size:7pt\"" << "かんじ"
        << "<ruby><rb>漢字</rb><rp>(</rp><rt style=\"font-size:7pt\">かんじ</rt><rp>)</rp></ruby>";
    QTest::newRow("element: empty attribute leaves <rt >")
        << "送" << true << "" << "おく" << "<ruby><rb>送</rb><rp>(</rp><rt >おく</rt><rp>)</rp></ruby>";
    QTest::newRow("element: empty reading and base")
        << "" << false << "" << "" << "<ruby><rb></rb><rp>(</rp><rt></rt><rp>)</rp></ruby>";
    QTest::newRow("element: nothing escaped")
        << "<a&b>" << true << "x=\"<&>\"" << "&amp;<"
        << "<ruby><rb><a&b></rb><rp>(</rp><rt x=\"<&>\">&amp;<</rt><rp>)</rp></ruby>";
    QTest::newRow("element: line break of the base kept")
        << "上\r\n下" << false << "" << "うえした"
        << "<ruby><rb>上\r\n下</rb><rp>(</rp><rt>うえした</rt><rp>)</rp></ruby>";
}

void TestRubyText::element()
{
    QFETCH(QString, base);
    QFETCH(bool, withAttribute);
    QFETCH(QString, attribute);
    QFETCH(QString, reading);
    QFETCH(QString, element);
    const QString built = withAttribute ? rubyElementWithAttribute(base, attribute, reading)
                                        : rubyElement(base, reading);
    QCOMPARE(built, element);
}

QTEST_APPLESS_MAIN(TestRubyText)
#include "tst_rubytext.moc"
