#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "casetable.h"
#include "fakeplatform.h"
#include "testfiles.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QStatusBar>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    Fixture() { platform.folder = folder.path(); }
    QString path(const char *name) const { return folder.filePath(QString::fromUtf8(name)); }
    void load(const QByteArray &bytes)
    {
        QFile file(path("page.htm"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                && file.flush());
        form.documentCommands().load(path("page.htm"));
    }
    void choose(QMenu *menu, const QString &caption)
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == caption)
                return action->trigger();
        }
        QFAIL(qPrintable(caption));
    }

    QTemporaryDir folder;
    FakePlatform platform;
    MainWindow form {platform};
};

} // namespace

class TestEncodingMenu : public QObject
{
    Q_OBJECT

private slots:
    void fileKeepsItsEncodingOnSaveAndPreview_data() { addCaseRows("encodingmenu.tsv"); }
    void fileKeepsItsEncodingOnSaveAndPreview();
    void reopenAsksFirstAndRefusesBytesItCannotRead();
    void convertRefusesWhatDoesNotFitAndSaveOffersToFixTheDeclaration();
    void convertRewritesTheDeclarations_data() { addCaseRows("conversions.tsv"); }
    void convertRewritesTheDeclarations();
    void convertWithoutDeclarationsIsStillAChange();
    void saveRefusesWhatDoesNotFitAndKeepsTheFile();
};

void TestEncodingMenu::fileKeepsItsEncodingOnSaveAndPreview()
{
    QFETCH(QByteArrayList, f);
    const QByteArray bytes = caseBytes(f[0]);
    Fixture t;
    t.load(bytes);
    QCOMPARE(t.form.encodingLabel()->text(), caseText(f[1]));
    QCOMPARE(t.form.lineEndLabel()->text(), caseText(f[2]));
    t.form.editor()->setSelectionStart(f[3].toInt());
    QCOMPARE(t.form.caretLabel()->text(), caseText(f[4]));
    QCOMPARE(t.form.statusBar()->currentMessage(), caseText(f.value(5)));
    if (!f.value(5).isEmpty())
        t.platform.setNextAnswer(QMessageBox::No); // the declaration kept as it is

    t.form.documentCommands().save();
    t.form.preview();
    QCOMPARE(readFileBytes(t.path("page.htm")), bytes);
    // The preview is the same bytes with a base address after the byte-order mark.
    const QByteArray preview = readFileBytes(t.path("_tmp.html"));
    const qsizetype mark = bytes.startsWith("\xFF\xFE") ? 2 : 0;
    QVERIFY(preview.startsWith(bytes.left(mark)) && preview.endsWith(bytes.mid(mark)));
}

void TestEncodingMenu::reopenAsksFirstAndRefusesBytesItCannotRead()
{
    Fixture t;
    // Hiragana in EUC-JP read as Shift_JIS too, as half-width katakana.
    const QString kana = u"あいうえおかきくけこさしすせそたちつてと"_s;
    const QByteArray euc = QStringEncoder("EUC-JP").encode(kana);
    t.load(euc);
    t.form.editor()->replaceSelection(u"x"_s);
    t.platform.setNextAnswer(QMessageBox::No);
    t.choose(t.form.reopenMenu(), u"Shift_JIS"_s);
    QVERIFY(t.platform.messages.value(0).text.contains(u"開き直しますか"_s));
    QCOMPARE(t.form.editor()->text(), u"x"_s + kana);

    t.platform.setNextAnswer(QMessageBox::Yes);
    t.choose(t.form.reopenMenu(), u"Shift_JIS"_s);
    const QString asKatakana = QStringDecoder("windows-31j").decode(euc);
    QCOMPARE(t.form.editor()->text(), asKatakana);
    QCOMPARE(t.form.encodingLabel()->text(), u"Shift_JIS"_s);
    QVERIFY(!t.form.documentCommands().isModified());

    t.choose(t.form.reopenMenu(), u"UTF-8"_s); // not valid UTF-8: nothing changes
    QVERIFY(t.platform.messages.value(2).text.contains(u"オフセット 0"_s));
    QCOMPARE(t.form.editor()->text(), asKatakana);
    t.form.documentCommands().save();
    QCOMPARE(readFileBytes(t.path("page.htm")), euc);
}

void TestEncodingMenu::convertRefusesWhatDoesNotFitAndSaveOffersToFixTheDeclaration()
{
    Fixture t;
    t.form.editor()->setText(u"<meta charset=\"utf-8\">\r\n漢字〜"_s);
    t.choose(t.form.convertMenu(), u"Shift_JIS"_s);
    QVERIFY2(t.platform.messages.value(0).text.contains(u"2 行目の文字 「〜」(U+301C)"_s),
             qPrintable(t.platform.messages.value(0).text));
    QCOMPARE(t.form.encodingLabel()->text(), u"UTF-8"_s);

    t.form.editor()->setText(u"<meta charset=\"utf-8\">\r\n漢字"_s);
    t.choose(t.form.convertMenu(), u"EUC-JP"_s);
    t.form.editor()->setText(u"<meta charset=\"utf-8\">\r\n漢字"_s); // the old declaration back
    const QByteArray kanji = "\r\n\xb4\xc1\xbb\xfa"_ba;
    const struct
    {
        QMessageBox::StandardButton answer;
        QByteArray saved;
    } answers[] = {{QMessageBox::Cancel, "<missing>"_ba},
                   {QMessageBox::No, "<meta charset=\"utf-8\">"_ba + kanji},
                   {QMessageBox::Yes, "<meta charset=\"EUC-JP\">"_ba + kanji}};
    for (const auto &[answer, saved] : answers) {
        const QString path
            = t.path("out.htm").replace(u".htm"_s, QString::number(answer) + u".htm"_s);
        t.platform.setNextFileName(path);
        t.platform.setNextAnswer(answer);
        t.form.documentCommands().saveAs();
        QVERIFY(t.platform.messages.constLast().text.contains(u"宣言を直して保存しますか？"_s));
        QCOMPARE(readFileBytes(path), saved);
    }
}

// Python's codecs read the saved page by its own declarations, which all agree.
const QString kDecodeByDeclaration = uR"(import re, sys
data = open(sys.argv[1], 'rb').read()
labels = set(re.findall(rb'(?:charset=|encoding=")([-\w]+)', data))
assert len(labels) == 1, labels
sys.stdout.buffer.write(data.decode(labels.pop().decode()).encode('utf-8')))"_s;

void TestEncodingMenu::convertRewritesTheDeclarations()
{
    QFETCH(QByteArrayList, f); // the encoding's caption, the label it is declared with
    const QString page = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><head>"
                         u"<meta charset=\"UTF-8\">\n<meta http-equiv=\"Content-Type\" "
                         u"content=\"text/html; charset=UTF-8\"></head>\n"
                         u"<body>漢字の振り仮名、ルビ</body></html>\n"_s;
    Fixture t;
    t.load(page.toUtf8());
    t.choose(t.form.convertMenu(), caseText(f[0]));
    const QString converted = QString(page).replace(u"UTF-8"_s, caseText(f[1]));
    QCOMPARE(t.form.editor()->text(), converted);
    QVERIFY2(t.form.statusBar()->currentMessage().contains(u"宣言 3 か所"_s),
             qPrintable(t.form.statusBar()->currentMessage()));
    t.form.documentCommands().save();
    QVERIFY(t.platform.messages.isEmpty());
    QProcess python;
    python.start(u"python3"_s, {u"-c"_s, kDecodeByDeclaration, t.path("page.htm")});
    QVERIFY(python.waitForFinished() && python.exitCode() == 0);
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()), converted);
    QVERIFY(t.form.editor()->undo()); // one step: the declarations as they were
    QCOMPARE(t.form.editor()->text(), page);
}

// Only the bytes to come differ: the text is the saved one, yet closing must ask.
void TestEncodingMenu::convertWithoutDeclarationsIsStillAChange()
{
    Fixture t;
    t.load("漢字\n"_ba);
    t.choose(t.form.convertMenu(), u"EUC-JP"_s);
    QVERIFY(t.form.caption().endsWith(u" (更新)"_s));
    t.form.documentCommands().save();
    QVERIFY(!t.form.caption().endsWith(u" (更新)"_s));
    QCOMPARE(readFileBytes(t.path("page.htm")), "\xb4\xc1\xbb\xfa\n"_ba);
}

void TestEncodingMenu::saveRefusesWhatDoesNotFitAndKeepsTheFile()
{
    Fixture t;
    const QByteArray euc
        = QStringEncoder("EUC-JP").encode(u"<meta charset=\"EUC-JP\">漢字と仮名の文書です。"_s);
    t.load(euc);
    QCOMPARE(t.form.encodingLabel()->text(), u"EUC-JP"_s);
    t.form.editor()->replaceSelection(u"😀"_s); // no EUC-JP code
    t.form.documentCommands().save();
    QVERIFY2(t.platform.messages.value(0).text.contains(u"(U+1F600)"_s),
             qPrintable(t.platform.messages.value(0).text));
    QCOMPARE(readFileBytes(t.path("page.htm")), euc);
    QVERIFY(t.form.caption().endsWith(u" (更新)"_s));
}

QTEST_MAIN(TestEncodingMenu)
#include "tst_encodingmenu.moc"
