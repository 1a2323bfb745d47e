// The batch annotator on hand-made rows and on real pages: where ruby goes,
// where it never goes, and that it can be taken out again.

#include "casetable.h"
#include "core/ruby/htmlscan.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/numberstage.h"
#include "core/ruby/gradelevels.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubystrip.h"
#include "core/ruby/rubytext.h"

#include <QDir>
#include <QProcess>
#include <QStringDecoder>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// Greedy longest match over a small word table; other kana read as themselves, other
// kanji not at all.
QList<ReadingToken> tableTokens(const QString &text)
{
    static const QHash<QString, QString> words {
        {u"漢字"_qs, u"カンジ"_qs}, {u"学校"_qs, u"ガッコウ"_qs}, {u"送り"_qs, u"オクリ"_qs},
        {u"日本"_qs, u"ニホン"_qs}, {u"人々"_qs, u"ヒトビト"_qs}, {u"お茶"_qs, u"オチャ"_qs},
        {u"𠮷野"_qs, u"ヨシノ"_qs}, {u"茨城"_qs, u"イバラキ"_qs}, {u"書き方"_qs, u"カキカタ"_qs},
        {u"取り扱い"_qs, u"トリアツカイ"_qs}, {u"申し込み"_qs, u"モウシコミ"_qs},
        {u"関ヶ原"_qs, u"セキガハラ"_qs}};
    QList<ReadingToken> tokens;
    for (qsizetype i = 0, n; i < text.size(); i += n) {
        for (n = std::min<qsizetype>(4, text.size() - i); n > 1; --n) {
            if (words.contains(text.sliced(i, n)))
                break;
        }
        const QString one = text.sliced(i, n);
        tokens.append({i, n,
                       n > 1                    ? words.value(one)
                           : containsKanji(one) ? QString()
                                                : katakanaForm(one)});
    }
    return tokens;
}

// Every kanji run read as one word: ruby wherever the page lets it go.
QList<ReadingToken> kanjiRuns(const QString &text)
{
    QList<ReadingToken> tokens;
    for (qsizetype i = 0, n; i < text.size(); i += std::max<qsizetype>(n, 1)) {
        for (n = 0; i + n < text.size() && isKanji(text.at(i + n).unicode());)
            ++n;
        if (n > 0)
            tokens.append({i, n, QString(n, u'カ')});
    }
    return tokens;
}

// Takes out the elements in the program's own form.
QString stripped(QString text)
{
    static const QRegularExpression element(
        u"<ruby><rb>([^<]*)</rb><rp>\\(</rp><rt[^>]*>[^<]*</rt><rp>\\)</rp></ruby>"_qs);
    return text.replace(element, u"\\1"_qs);
}

// A result written with {base|reading} for each element.
QString withElements(QString text)
{
    for (qsizetype at; (at = text.indexOf(u'{')) >= 0;) {
        const qsizetype bar = text.indexOf(u'|', at), end = text.indexOf(u'}', bar);
        text.replace(at, end + 1 - at,
                     rubyElement(text.mid(at + 1, bar - at - 1), text.mid(bar + 1, end - bar - 1)));
    }
    return text;
}

} // namespace

class TestBatchRuby : public QObject
{
    Q_OBJECT

private slots:
    void annotate_data() { addCaseRows("batchannotate.tsv"); }
    void annotate();
    void select_data() { addCaseRows("rubyselection.tsv"); }
    void select();
    void gradeTable();
    void halfwidthPerKanji();
    void placement_data() { addCaseRows("rubyplacement.tsv"); }
    void placement();
    void divide_data() { addCaseRows("readingdivision.tsv"); }
    void divide();
    void strip_data() { addCaseRows("rubystrip.tsv"); }
    void strip();
    void browserView();
    void realPages_data();
    void realPages();
    void brokenInputEnds();
    void tool();
    void site();
};

void TestBatchRuby::annotate()
{
    QFETCH(QByteArrayList, f); // page, result with {base|reading} for an element
    const QString expected = withElements(caseText(f.value(1).isEmpty() ? f[0] : f[1]));
    const AnnotatedText once = annotateHtml(caseText(f[0]), tableTokens, RubyOptions());
    QCOMPARE(once.text, expected);
    QCOMPARE(annotateHtml(once.text, tableTokens, RubyOptions()).text, once.text);
    QCOMPARE(stripRuby(once.text).text, stripRuby(caseText(f[0])).text);
}

void TestBatchRuby::strip()
{
    QFETCH(QByteArrayList, f); // page, result (none: unchanged), selected part, selected after
    const QString page = caseText(f[0]), selected = caseText(f.value(2));
    const qsizetype from = selected.isEmpty() ? 0 : page.indexOf(selected);
    const StrippedRuby result
        = stripRuby(page, from, selected.isEmpty() ? -1 : from + selected.size());
    QCOMPARE(result.text, f.value(1).isEmpty() ? page : caseText(f[1]));
    QCOMPARE(result.elements > 0, !f.value(1).isEmpty());
    if (!selected.isEmpty())
        QCOMPARE(result.text.sliced(result.start, result.end - result.start), caseText(f[3]));
}

// Every page of the tables and the real pages, annotated, as an HTML parser of
// its own sees them: nothing but the added ruby changes. Taking the ruby out
// again gives the page back.
void TestBatchRuby::browserView()
{
    QStringList pages;
    for (const char *table : {"batchannotate.tsv", "rubystrip.tsv"}) {
        QFile file(QStringLiteral(RUBELLO_TEST_DATA "/") + QLatin1String(table));
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.startsWith('#') && line.count('\t') > 0)
                pages.append(caseText(line.split('\t').at(1)));
    }
    // Generated: each way into a select, foreign content, an unclosed ruby or a
    // template, around each kind of content, with words split by tags and references.
    const QStringList around {u"<table><tr><td><select>%1<td>%1</table>"_qs,
                              u"<table><tr><td><select><option>%1</td><td>%1</table>"_qs,
                              u"<p><svg></p>%1"_qs, u"<div><math></div>%1"_qs,
                              u"<svg></div>%1</svg>%1"_qs, u"<p><ruby>漢字<rt>かんじ</p>%1"_qs,
                              u"<span><ruby>漢<rt>x</span>%1"_qs, u"<template>%1</template>%1"_qs,
                              u"<p>A<svg><ruby>漢<rt>かん</rt></ruby>%1</svg>%1</p>"_qs,
                              u"<ruby>漢<rt><ruby>か<rt>x</rt></ruby>%1</rt></ruby>%1"_qs};
    const QStringList content {u"<select><b>漢字</b></select>学校"_qs, u"<p>学校</p>漢字"_qs,
                               u"<option>漢字</option>学校"_qs, u"学<b>校</b>と漢&#x5B57;"_qs,
                               u"日本&shy;語\n学校<wbr>漢<!-- -->字"_qs,
                               u"葛\U000E0100城市と漢\uFE00字"_qs};
    for (const QString &outside : around)
        for (const QString &inside : content)
            pages.append(outside.arg(caseText(inside.toUtf8())));
    for (const char *folder : {"/pages", "/batchruby"}) {
        QDir dir(QStringLiteral(RUBELLO_TEST_DATA) + QLatin1String(folder));
        for (const QString &name : dir.entryList({u"*.html"_qs})) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            pages.append(QString::fromUtf8(file.readAll()));
        }
    }
    MecabPhoneticService mecab;
    const bool real = mecab.reading(u"漢字"_qs).has_value();
    QTemporaryDir dir;
    const qsizetype pairs = pages.size() * (real ? 2 : 1);
    ReadingEngine engine(mecab);
    for (qsizetype i = 0; i < pairs; ++i) {
        const QString &page = pages.at(i % pages.size());
        const Result<AnnotatedText> once = i < pages.size()
            ? annotateHtml(page, kanjiRuns, RubyOptions())
            : annotateHtml(page, engine, RubyOptions());
        QVERIFY(once);
        QCOMPARE(stripRuby(once->text).text, stripRuby(page).text);
        if (stripRuby(page).elements == 0)
            QCOMPARE(stripRuby(once->text).text, page);
        for (const auto &[side, text] : {std::pair {"before", page}, {"after", once->text}}) {
            QFile file(dir.filePath(u"%1.%2.html"_qs.arg(i).arg(QLatin1String(side))));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        }
    }
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(u"/usr/bin/python3"_qs,
                 {QStringLiteral(RUBELLO_TEST_DATA "/../core/browserview.py"), dir.path()});
    if (!python.waitForStarted())
        QSKIP("python3 is not installed (package python3-html5lib)");
    QVERIFY(python.waitForFinished(120000));
    const QString report = QString::fromUtf8(python.readAll());
    if (python.exitCode() == 77)
        QSKIP(qPrintable(report));
    QVERIFY2(python.exitCode() == 0 && report.contains(u"%1 passed, 0 failed"_qs.arg(pairs)),
             qPrintable(report));
}

// Which words get ruby: beyond a grade, the first of a page or a section.
void TestBatchRuby::select()
{
    QFETCH(QByteArrayList, f); // grade level (0 all), first (every, page, section), page, result
    RubyOptions options;
    if (const int level = f[0].toInt(); level > 0)
        options.knownKanji = knownKanjiOfLevel(level);
    const FirstOnly first = f[1] == "page" ? FirstOnly::Page
        : f[1] == "section"                ? FirstOnly::Section
                                           : FirstOnly::Every;
    const QString page = withElements(caseText(f[2]));
    const auto found = findRubyCandidates(page, tableTokens, options);
    const QString once
        = applyRuby(page, firstOccurrences(page, *found, first), options.form).text;
    QCOMPARE(once, withElements(caseText(f[3])));
    const auto again = findRubyCandidates(once, tableTokens, options);
    QCOMPARE(applyRuby(once, firstOccurrences(once, *again, first), options.form).text, once);
}

// The grade list of 2020 and the jōyō list, counted.
void TestBatchRuby::gradeTable()
{
    QList<int> counts(8);
    for (char32_t c = 0x3400; c < 0x30000; ++c)
        ++counts[kanjiGrade(c)];
    QCOMPARE(counts.mid(1), QList<int>({80, 160, 200, 202, 193, 191, 1110}));
    QCOMPARE(knownKanjiOfLevel(kJouyouLevel).size(), 2136);
    QCOMPARE(gradeLevelFromName(u"jouyou"), kJouyouLevel);
    QCOMPARE(gradeLevelFromName(u"7"), std::nullopt);
}

// 漢字ごとに振る with a half-width reading, as the window writes it.
void TestBatchRuby::halfwidthPerKanji()
{
    RubyForm form;
    form.kana = KanaForm::Katakana;
    form.perKanji = true;
    form.kanji = &KanjiReadings::system();
    if (form.kanji->isEmpty())
        QSKIP("KANJIDIC is not installed (package kanjidic)");
    QCOMPARE(rubyMarkup(u"人物"_qs, u"ｼﾞﾝﾌﾞﾂ"_qs, form),
             rubyElement(u"人"_qs, u"ｼﾞﾝ"_qs) + rubyElement(u"物"_qs, u"ﾌﾞﾂ"_qs));
    form.kana = KanaForm::HalfWidthKatakana;
    QCOMPARE(rubyMarkup(u"人物"_qs, u"ジンブツ"_qs, form),
             rubyElement(u"人"_qs, u"ｼﾞﾝ"_qs) + rubyElement(u"物"_qs, u"ﾌﾞﾂ"_qs));
    // Romaji writes a ッ or ン at a part's end by the next part, as in the word.
    form.kana = KanaForm::Romaji;
    QCOMPARE(rubyMarkup(u"学校"_qs, u"ガッコウ"_qs, form),
             rubyElement(u"学"_qs, u"gak"_qs) + rubyElement(u"校"_qs, u"kō"_qs));
    QCOMPARE(rubyMarkup(u"原因"_qs, u"ゲンイン"_qs, form),
             rubyElement(u"原"_qs, u"gen'"_qs) + rubyElement(u"因"_qs, u"in"_qs));
}

// Where the elements of one word go: over each kanji run, over the word, per kanji.
void TestBatchRuby::placement()
{
    QFETCH(QByteArrayList, f); // placement, base, reading, result with {base|reading}
    RubyForm form;
    form.perWord = f[0] == "word";
    form.perKanji = f[0] == "kanji";
    form.kanji = &KanjiReadings::system();
    if (form.perKanji && form.kanji->isEmpty())
        QSKIP("KANJIDIC is not installed (package kanjidic)");
    QCOMPARE(rubyMarkup(caseText(f[1]), caseText(f[2]), form), withElements(caseText(f[3])));
}

void TestBatchRuby::divide()
{
    QFETCH(QByteArrayList, f); // base, reading, parts joined by '|'
    const KanjiReadings &kanji = KanjiReadings::system();
    if (kanji.isEmpty())
        QSKIP("KANJIDIC is not installed (package kanjidic)");
    const QString reading = caseText(f[1]);
    QStringList parts;
    qsizetype base = 0;
    for (const ReadingPart &part : divideReading(caseText(f[0]), reading, kanji)) {
        QCOMPARE(part.baseStart, base);
        base += part.baseLength;
        parts.append(reading.sliced(part.readingStart, part.readingLength));
    }
    QCOMPARE(parts.join(u'|'), caseText(f.value(2)));
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
    MecabPhoneticService mecab;
    if (const Result<QString> opened = mecab.reading(u"漢字"_qs); !opened)
        QSKIP(qPrintable(opened.error().detail));
    RubyOptions options;
    options.form.perKanji = perKanji;
    options.form.kanji = &KanjiReadings::system();
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/batchruby/") + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    ReadingEngine engine(mecab);
    const Result<AnnotatedText> once = annotateHtml(page, engine, options);
    QVERIFY(once && once->done.size() > 10);
    QCOMPARE(stripped(once->text), stripped(page)); // markup.html has one element of this form
    const Result<AnnotatedText> twice = annotateHtml(once->text, engine, options);
    QVERIFY(twice);
    QCOMPARE(twice->text, once->text);

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
    const QString in = dir.filePath(u"in.html"_qs), out = dir.filePath(u"out.html"_qs);
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF<p title=\"\xE6\xBC\xA2\">\xE6\xBC\xA2\xE5\xAD\x97</p>");
    file.close();
    const auto run = [](const QStringList &args) {
        QProcess tool;
        tool.start(QStringLiteral(RUBELLO_RUBY_PATH), args);
        tool.waitForFinished(60000);
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    };
    QVERIFY(run({dir.filePath(u"missing.html"_qs), u"-o"_qs, out}) != 0);
    QVERIFY(run({u"--kana"_qs, u"kunrei"_qs, in, u"-o"_qs, out}) != 0);
    QVERIFY(!QFile::exists(out));
    if (!MecabPhoneticService().reading(u"漢字"_qs))
        QSKIP("MeCab's IPADIC is not installed");
    QCOMPARE(run({u"--kana"_qs, u"katakana"_qs, u"--attribute"_qs, u"class=\"r\""_qs, in, u"-o"_qs,
                  out}),
             0);
    QFile result(out);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), // the byte-order mark kept
             (u"\uFEFF<p title=\"漢\">"_qs
              + rubyElementWithAttribute(u"漢字"_qs, u"class=\"r\""_qs, u"カンジ"_qs) + u"</p>"_qs)
                 .toUtf8());
    result.close();
    QCOMPARE(run({u"--kana"_qs, u"romaji"_qs, in, u"-o"_qs, out}), 0);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QVERIFY(result.readAll().contains(rubyElement(u"漢字"_qs, u"kanji"_qs).toUtf8()));
}

// A folder of pages in place: encodings and line ends kept, bad files named
// and left alone, a second run changes nothing.
void TestBatchRuby::site()
{
    if (!MecabPhoneticService().reading(u"漢字"_qs))
        QSKIP("MeCab's IPADIC is not installed");
    QTemporaryDir dir;
    const QString site = dir.filePath(u"site"_qs);
    QVERIFY(QDir().mkpath(site + u"/sub"_qs));
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(site + u'/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const auto read = [&](const QString &name) {
        QFile file(name.startsWith(u'/') ? name : site + u'/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };
    const QByteArray a = "<p>\xE6\xBC\xA2\xE5\xAD\x97\r\n</p>\r\n";
    const QByteArray b = "<meta charset=\"Shift_JIS\"><p>\x8A\xBF\x8E\x9A</p>\n"; // 漢字
    write(u"a.html"_qs, a);
    write(u"sub/b.htm"_qs, b);
    write(u"notes.txt"_qs, "\xE6\xBC\xA2");
    write(u"bin.html"_qs, QByteArray("\x00\x01\xE6\xBC\xA2", 5));
    QVERIFY(QFile::link(u".."_qs, site + u"/sub/up"_qs));
    QVERIFY(::mkfifo(QFile::encodeName(site + u"/pipe.html"_qs).constData(), 0600) == 0);
    const auto run = [](const QStringList &args, QString *err = nullptr) {
        QProcess tool;
        tool.start(QStringLiteral(RUBELLO_RUBY_PATH), args);
        tool.waitForFinished(60000);
        if (err)
            *err = QString::fromLocal8Bit(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    };
    QString err;
    QCOMPARE(run({u"-r"_qs, u"--in-place"_qs, u"--backup"_qs, u".orig"_qs, site}, &err), 1);
    for (const char *named : {"bin.html", "pipe.html", "sub/up"})
        QVERIFY2(err.contains(site + u'/' + QLatin1String(named)), qPrintable(err));
    const QByteArray k = rubyElement(u"漢字"_qs, u"かんじ"_qs).toUtf8();
    QCOMPARE(read(u"a.html"_qs), "<p>" + k + "\r\n</p>\r\n");
    QCOMPARE(read(u"a.html.orig"_qs), a);
    QCOMPARE(QStringDecoder("windows-31j")(read(u"sub/b.htm"_qs)).operator QString(),
             u"<meta charset=\"Shift_JIS\"><p>"_qs + QString::fromUtf8(k) + u"</p>\n"_qs);
    QCOMPARE(read(u"notes.txt"_qs), "\xE6\xBC\xA2");
    QCOMPARE(read(u"bin.html"_qs), QByteArray("\x00\x01\xE6\xBC\xA2", 5));
    QVERIFY(QFileInfo(site + u"/pipe.html"_qs).isFile() == false);

    const QString out = dir.filePath(u"out"_qs);
    QVERIFY(QFile::remove(site + u"/sub/up"_qs));
    QCOMPARE(run({u"-r"_qs, u"--output-dir"_qs, out, u"--jobs"_qs, u"1"_qs, site + u"/sub"_qs}),
             0);
    QCOMPARE(read(out + u"/b.htm"_qs), read(u"sub/b.htm"_qs)); // a second run adds nothing

    // Taking the ruby out gives every page back, in its encoding.
    QCOMPARE(run({u"--strip"_qs, u"-r"_qs, u"--in-place"_qs, site}), 1);
    QCOMPARE(read(u"a.html"_qs), a);
    QCOMPARE(read(u"sub/b.htm"_qs), b);

    // Never a device, FIFO or endless input; a closed input said so.
    QVERIFY(run({site + u"/a.html.orig"_qs, u"-o"_qs, site + u"/pipe.html"_qs}) != 0);
    QVERIFY(QFileInfo(site + u"/pipe.html"_qs).exists() && !QFileInfo(site + u"/pipe.html"_qs).isFile());
    QVERIFY(run({u"/dev/zero"_qs}, &err) != 0);
    QProcess closed;
    closed.start(u"sh"_qs, {u"-c"_qs, u"exec \"$0\" <&-"_qs, QStringLiteral(RUBELLO_RUBY_PATH)});
    closed.waitForFinished(60000);
    QVERIFY(QString::fromLocal8Bit(closed.readAllStandardError()).contains(u"標準入力が閉じています"_qs));

    QProcess list;
    list.start(QStringLiteral(RUBELLO_RUBY_PATH), {u"--dry-run"_qs, site + u"/a.html.orig"_qs});
    list.waitForFinished(60000);
    QCOMPARE(list.readAllStandardOutput(), "\xE6\xBC\xA2\xE5\xAD\x97\t\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98\t1\tsure\t"
                                              "\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98\n");
}

QTEST_GUILESS_MAIN(TestBatchRuby)
#include "tst_batchruby.moc"
