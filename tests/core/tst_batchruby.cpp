// The batch annotator on hand-made rows and on real pages: where ruby goes,
// where it never goes, and that it can be taken out again.

#include "core/htmlscan.h"
#include "core/kanjireadings.h"
#include "core/mecabtokenizer.h"
#include "core/rubybatch.h"
#include "core/rubytext.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Greedy longest match over a small word table; anything else one character
// at a time, kana read as themselves.
QList<ReadingToken> tableTokens(const QString &text)
{
    static const QHash<QString, QString> words {
        {u"漢字"_qs, u"カンジ"_qs}, {u"学校"_qs, u"ガッコウ"_qs}, {u"送り"_qs, u"オクリ"_qs},
        {u"日本"_qs, u"ニホン"_qs}, {u"人々"_qs, u"ヒトビト"_qs}, {u"お茶"_qs, u"オチャ"_qs},
        {u"𠮷野"_qs, u"ヨシノ"_qs}};
    QList<ReadingToken> tokens;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        QString reading = katakanaForm(text.sliced(i, 1));
        for (qsizetype n = std::min<qsizetype>(3, text.size() - i); n > 1; --n) {
            if (words.contains(text.sliced(i, n))) {
                length = n;
                reading = words.value(text.sliced(i, n));
                break;
            }
        }
        if (containsKanji(text.sliced(i, length)) && length == 1)
            reading.clear();
        tokens.append({i, length, reading});
        i += length;
    }
    return tokens;
}

QString e(const QString &base, const QString &reading)
{
    return rubyElement(base, reading);
}

// Takes out the elements in the program's own form.
QString stripped(const QString &text)
{
    static const QString open = QStringLiteral("<ruby><rb>");
    QString result;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(open, from)) >= 0;) {
        const qsizetype baseEnd = text.indexOf(u"</rb><rp>(</rp><rt", at);
        const qsizetype end = text.indexOf(u"</rt><rp>)</rp></ruby>", at);
        if (baseEnd < 0 || end < baseEnd)
            break;
        result += QStringView(text).sliced(from, at - from);
        result += QStringView(text).sliced(at + open.size(), baseEnd - at - open.size());
        from = end + 22;
    }
    return result + text.sliced(from);
}

QString dataFile(const QString &name)
{
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/batchruby/") + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestBatchRuby : public QObject
{
    Q_OBJECT

private slots:
    void annotate_data();
    void annotate();
    void divide_data();
    void divide();
    void realPages_data();
    void realPages();
    void brokenInputEnds();
    void tool();
};

void TestBatchRuby::annotate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const QString k = e(u"漢字"_qs, u"かんじ"_qs);
    QTest::newRow("text: a kanji word") << u"<p>漢字</p>"_qs << u"<p>"_qs + k + u"</p>"_qs;
    QTest::newRow("okurigana stay outside, as F5")
        << u"送り"_qs << e(u"送"_qs, u"おく"_qs) + u"り"_qs;
    QTest::newRow("leading kana stay outside") << u"お茶"_qs << u"お"_qs + e(u"茶"_qs, u"ちゃ"_qs);
    QTest::newRow("kana and Latin alone")
        << u"ひらがな カタカナ abc"_qs << u"ひらがな カタカナ abc"_qs;
    QTest::newRow("々 and a surrogate pair")
        << u"人々𠮷野"_qs << e(u"人々"_qs, u"ひとびと"_qs) + e(u"𠮷野"_qs, u"よしの"_qs);
    QTest::newRow("attribute values")
        << u"<a title=\"漢字\" alt='漢字' x=漢字>漢字</a>"_qs
        << u"<a title=\"漢字\" alt='漢字' x=漢字>"_qs + k + u"</a>"_qs;
    QTest::newRow("comment, doctype, CDATA") << u"<!DOCTYPE 漢字><!-- 漢字 --><![CDATA[漢字]]>"_qs
                                             << u"<!DOCTYPE 漢字><!-- 漢字 --><![CDATA[漢字]]>"_qs;
    QTest::newRow("script, style, textarea, title")
        << u"<script>a<b;\"漢字\"</script><style>漢字</style><textarea>漢字</textarea><title>漢字</title>"_qs
        << u"<script>a<b;\"漢字\"</script><style>漢字</style><textarea>漢字</textarea><title>漢字</title>"_qs;
    QTest::newRow("code and pre") << u"<pre>漢字<b>漢字</b></pre><code>漢字</code>"_qs
                                  << u"<pre>漢字<b>漢字</b></pre><code>漢字</code>"_qs;
    QTest::newRow("existing ruby, every markup")
        << u"<ruby>漢字<rt>かんじ</rt></ruby><RUBY><rb>学校</rb><rtc><rt>x</rt></rtc></RUBY><ruby><ruby>日本</ruby></ruby>"_qs
        << u"<ruby>漢字<rt>かんじ</rt></ruby><RUBY><rb>学校</rb><rtc><rt>x</rt></rtc></RUBY><ruby><ruby>日本</ruby></ruby>"_qs;
    QTest::newRow("character references stay whole")
        << u"&#28450;漢字&amp;漢字"_qs << u"&#28450;"_qs + k + u"&amp;"_qs + k;
    QTest::newRow("'<' in text") << u"a < 漢字 <3"_qs << u"a < "_qs + k + u" <3"_qs;
    QTest::newRow("after an unclosed script: left alone")
        << u"漢字<script>漢字<p>漢字"_qs << k + u"<script>漢字<p>漢字"_qs;
    QTest::newRow("after an unclosed comment: left alone") << u"<!-- 漢字"_qs << u"<!-- 漢字"_qs;
    QTest::newRow("unclosed attribute quote")
        << u"<a title=\"漢字>漢字"_qs << u"<a title=\"漢字>漢字"_qs;
    QTest::newRow("stray rt outside ruby") << u"<rt>漢字</rt>漢字"_qs << u"<rt>漢字</rt>"_qs + k;
    QTest::newRow("NUL and a lone surrogate")
        << u"漢字\0漢字\xD800学校"_qs
        << k + u"\0"_qs + k + u"\xD800"_qs + e(u"学校"_qs, u"がっこう"_qs);
}

void TestBatchRuby::annotate()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    RubyOptions options;
    const AnnotatedText once = annotateHtml(input, tableTokens, options);
    QCOMPARE(once.text, expected);
    QCOMPARE(annotateHtml(once.text, tableTokens, options).text, once.text);
    if (!input.contains(u"<ruby><rb>"))
        QCOMPARE(stripped(once.text), input);
}

void TestBatchRuby::divide_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("expected"); // parts joined by '|'; empty: one group
    QTest::newRow("促音: 学校") << u"学校"_qs << u"ガッコウ"_qs << u"ガッ|コウ"_qs;
    QTest::newRow("name reading: 日本 にほん") << u"日本"_qs << u"ニホン"_qs << u"ニ|ホン"_qs;
    QTest::newRow("半濁音: 日本 にっぽん") << u"日本"_qs << u"ニッポン"_qs << u"ニッ|ポン"_qs;
    QTest::newRow("連濁 on 々") << u"人々"_qs << u"ヒトビト"_qs << u"ヒト|ビト"_qs;
    QTest::newRow("kana inside") << u"取り扱"_qs << u"トリアツカ"_qs << u"ト|リ|アツカ"_qs;
    QTest::newRow("hiragana reading") << u"漢字"_qs << u"かんじ"_qs << u"かん|じ"_qs;
    QTest::newRow("set word: 一人") << u"一人"_qs << u"ヒトリ"_qs << QString();
    QTest::newRow("set word: 大人") << u"大人"_qs << u"オトナ"_qs << QString();
    QTest::newRow("does not add up") << u"漢字"_qs << u"カンジー"_qs << QString();
    QTest::newRow("kana that differ") << u"送り"_qs << u"オクル"_qs << QString();
}

void TestBatchRuby::divide()
{
    QFETCH(QString, base);
    QFETCH(QString, reading);
    QFETCH(QString, expected);
    const KanjiReadings &kanji = KanjiReadings::system();
    if (kanji.isEmpty())
        QSKIP(qPrintable(u"KANJIDIC is not installed (package kanjidic): "_qs + kanji.error()));
    QStringList parts;
    qsizetype base_ = 0;
    for (const ReadingPart &part : divideReading(base, reading, kanji)) {
        QCOMPARE(part.baseStart, base_);
        base_ += part.baseLength;
        parts.append(reading.sliced(part.readingStart, part.readingLength));
    }
    QCOMPARE(parts.join(u'|'), expected);
    if (!parts.isEmpty())
        QCOMPARE(parts.join(QString()), reading); // a division always adds up
}

void TestBatchRuby::realPages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("perKanji");
    for (const char *page : {"upload.ja.html", "checkit.ja.html", "markup.html"}) {
        QTest::addRow("%s, groups", page) << QString::fromLatin1(page) << false;
        QTest::addRow("%s, per kanji", page) << QString::fromLatin1(page) << true;
    }
}

// Real pages with real readings: only text content changes, and only by
// inserted elements.
void TestBatchRuby::realPages()
{
    QFETCH(QString, name);
    QFETCH(bool, perKanji);
    MecabTokenizer mecab;
    if (const QString error = mecab.open(); !error.isEmpty())
        QSKIP(qPrintable(error));
    RubyOptions options;
    options.form.perKanji = perKanji;
    options.form.kanji = &KanjiReadings::system();
    const QString page = dataFile(name);
    QVERIFY(!page.isEmpty());
    const AnnotatedText once = annotateHtml(page, mecab.asTokenizer(), options);
    QVERIFY(once.done.size() > 10);
    QCOMPARE(stripped(once.text), stripped(page)); // markup.html has one element of this form
    QCOMPARE(annotateHtml(once.text, mecab.asTokenizer(), options).text, once.text);

    // No word inside markup or the elements that hold no text to read.
    static const QRegularExpression closed(
        QStringLiteral("<!--.*?-->|<(script|style|title|textarea|pre|code|ruby)\\b.*?</\\1>|</"
                       "?[A-Za-z][^>]*>"),
        QRegularExpression::DotMatchesEverythingOption);
    for (auto it = closed.globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        for (const RubyCandidate &c : once.done)
            QVERIFY2(c.offset + c.base.size() <= m.capturedStart() || c.offset >= m.capturedEnd(),
                     qPrintable(c.base + u" in "_qs + m.captured().left(60)));
    }
}

// Broken markup and a long line end, and leave what they cannot read alone.
void TestBatchRuby::brokenInputEnds()
{
    const QString line = u"漢字<ruby>漢字<rt><ruby></rt>"_qs.repeated(20000) + u"<!--"_qs
        + u"漢字"_qs.repeated(100000) + u"<"_qs.repeated(100000);
    const AnnotatedText result = annotateHtml(line, tableTokens, RubyOptions());
    QCOMPARE(stripped(result.text), line);
    QCOMPARE(result.done.size(), 1); // only before the first, never closed, ruby
}

void TestBatchRuby::tool()
{
    QTemporaryDir dir;
    const QString in = dir.filePath(u"in.html"_qs);
    const QString out = dir.filePath(u"out.html"_qs);
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xEF\xBB\xBF<p title=\"\xE6\xBC\xA2\">")
               + "\xE6\xBC\xA2\xE5\xAD\x97</p>");
    file.close();
    const auto run = [](const QStringList &args) {
        QProcess tool;
        tool.start(QStringLiteral(RUBELLO_RUBY_PATH), args);
        tool.waitForFinished(60000);
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    };
    QCOMPARE(run({u"--help"_qs}), 0);
    QVERIFY(run({dir.filePath(u"missing.html"_qs), u"-o"_qs, out}) != 0);
    QVERIFY(run({u"--kana"_qs, u"romaji"_qs, in, u"-o"_qs, out}) != 0);
    QVERIFY(!QFile::exists(out));
    if (!MecabTokenizer().open().isEmpty())
        QSKIP("MeCab's IPADIC is not installed");
    QCOMPARE(run({u"--kana"_qs, u"katakana"_qs, u"--attribute"_qs, u"class=\"r\""_qs, in, u"-o"_qs,
                  out}),
             0);
    QFile result(out);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), // the byte-order mark kept
             "\xEF\xBB\xBF"
                 + (u"<p title=\"漢\">"_qs
                    + rubyElementWithAttribute(u"漢字"_qs, u"class=\"r\""_qs, u"カンジ"_qs)
                    + u"</p>"_qs)
                       .toUtf8());
}

QTEST_GUILESS_MAIN(TestBatchRuby)
#include "tst_batchruby.moc"
