// The ruby text: okurigana, kana forms, and readings from MeCab and its command-line tool.

#include "casetable.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/ruby/rubytext.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <cerrno>

class TestRubyText : public QObject
{
    Q_OBJECT

private slots:
    void okurigana_data() { addCaseRows("okurigana.tsv"); }
    void okurigana();
    void kanaForms_data() { addCaseRows("kanaforms.tsv"); }
    void kanaForms();
    void halfwidthCoversTheWholeKatakanaBlock();
    void readings_data() { addCaseRows("readings.tsv"); }
    void readings();
    void unusableDictionaryIsAClearError();
    void brokenSystemSettingFallsBackToIpadic();
    void readingToolPrintsOneLineEach();

private:
    // Opened on the first lookup and kept: every reading comes from the same dictionary.
    MecabPhoneticService m_shared;
};

void TestRubyText::okurigana()
{
    QFETCH(QByteArrayList, f); // selection, reading, left out, reading left, base length
    const OkuriganaOmission result = omitOkurigana(caseText(f[0]), caseText(f[1]));
    QCOMPARE(int(result.omitted), f[2].toInt());
    QCOMPARE(result.reading, caseText(f[3]));
    QCOMPARE(int(result.baseLength), f[4].toInt());
}

void TestRubyText::kanaForms()
{
    QFETCH(QByteArrayList, f); // text, mode (-1: katakana form of a selection), result
    const QString text = caseText(f[0]);
    const auto form = kanaFormFromValue(f[1].toInt());
    QCOMPARE(f[1] == "-1" ? katakanaForm(text) : form ? kanaForm(text, *form) : QStringLiteral("-"),
             caseText(f[2]));
}

void TestRubyText::halfwidthCoversTheWholeKatakanaBlock()
{
    // Every half-width katakana comes from exactly one full-width letter (or letter
    // plus mark); 。「」、 are outside the block, the rest of U+FF66..U+FF9D is in it.
    QSet<QString> seen;
    for (char16_t c = u'ァ'; c <= u'ー'; ++c) {
        const QString narrow = halfwidthForm(QString(QChar(c)));
        if (narrow != QString(QChar(c)))
            QVERIFY2(!seen.contains(narrow) && (seen.insert(narrow), true), qPrintable(narrow));
    }
    for (char16_t c = 0xFF66; c <= 0xFF9D; ++c)
        QVERIFY2(seen.contains(QString(QChar {c})), qPrintable(QString::number(c, 16)));
}

void TestRubyText::readings()
{
    QFETCH(QByteArrayList, f); // text, reading
    const Result<QString> result = m_shared.reading(caseText(f[0]));
    QVERIFY(result);
    QCOMPARE(*result, caseText(f.value(1)));
}

void TestRubyText::unusableDictionaryIsAClearError()
{
    QTemporaryDir empty;
    // mecab-ipadic installs the EUC-JP build beside the UTF-8 one.
    const QString eucJp = QStringLiteral("/var/lib/mecab/dic/ipadic");
    for (const QString &folder : {empty.filePath(QStringLiteral("none")), eucJp}) {
        if (folder == eucJp && !QFile::exists(folder + QStringLiteral("/sys.dic")))
            continue;
        MecabPhoneticService service(folder);
        const Result<QString> result = service.reading(QStringLiteral("送り"));
        QVERIFY(!result && !service.isOpen());
        QCOMPARE(result.error().systemCode, folder == eucJp ? EILSEQ : ENOENT);
        QCOMPARE(result.error().kind,
                 folder == eucJp ? ErrorKind::DictionaryUnusable : ErrorKind::DictionaryMissing);
        if (folder == eucJp)
            QCOMPARE(result.error().encodings, QStringList {QStringLiteral("EUC-JP")});
    }
}

void TestRubyText::brokenSystemSettingFallsBackToIpadic()
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("MECABRC");
    qputenv("MECABRC", QFile::encodeName(dir.filePath(QStringLiteral("missing-mecabrc"))));
    MecabPhoneticService service;
    const Result<QString> result = service.reading(QStringLiteral("十一月"));
    saved.isNull() ? qunsetenv("MECABRC") : qputenv("MECABRC", saved);
    QCOMPARE(result.value_or(QString()), QStringLiteral("ジュウイチガツ"));
}

void TestRubyText::readingToolPrintsOneLineEach()
{
    QProcess tool;
    tool.start(QStringLiteral(RUBELLO_READING_PATH), {});
    QVERIFY(tool.waitForStarted());
    tool.write(QStringLiteral("送り\n十一月\r\n\nHello world\n取り扱い").toUtf8());
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()),
             QStringLiteral("オクリ\nジュウイチガツ\n\nHello world\nトリアツカイ\n"));
}

QTEST_APPLESS_MAIN(TestRubyText)
#include "tst_rubytext.moc"
