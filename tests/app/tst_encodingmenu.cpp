#include "app/formmain.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

struct Fixture
{
    Fixture() { platform.folder = folder.path(); }
    QString path(const char *name) const { return folder.filePath(QString::fromUtf8(name)); }
    void load(const QByteArray &bytes)
    {
        QFile file(path("page.htm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        form.mFilePath = path("page.htm");
        form.LoadDocument();
    }
    QAction *item(QMenu *menu, const QString &caption)
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == caption)
                return action;
        }
        return nullptr;
    }

    QTemporaryDir folder;
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form {module, platform};
};

} // namespace

class TestEncodingMenu : public QObject
{
    Q_OBJECT

private slots:
    void fileKeepsItsEncodingOnSaveAndPreview_data();
    void fileKeepsItsEncodingOnSaveAndPreview();
    void reopenAsksFirstAndRefusesBytesItCannotRead();
    void convertRefusesWhatDoesNotFitAndSaveAsksAboutTheDeclaration();
};

void TestEncodingMenu::fileKeepsItsEncodingOnSaveAndPreview_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("lineEnds");
    QTest::addColumn<int>("caret"); // SelStart
    QTest::addColumn<QString>("position");
    QTest::newRow("Shift_JIS, CR LF, caret on line 2")
        << "<p>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\r\n\x8f\xcd</p>\r\n"_ba << u"Shift_JIS"_s
        << u"CR LF"_s << 10 << u"2 行、1 列"_s;
    QTest::newRow("EUC-JP, LF") << "<p>\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8\n\xbe\xcf</p>\n"_ba
                                << u"EUC-JP"_s << u"LF"_s << 3 << u"1 行、4 列"_s;
    QTest::newRow("UTF-16LE with its mark, mixed line ends")
        << QByteArray("\xff\xfe"
                      "a\0\r\0\n\0b\0\n\0",
                      12)
        << u"UTF-16LE (BOM)"_s << u"改行混在"_s << 5 << u"3 行、1 列"_s;
    QTest::newRow("plain ASCII: the system's code page")
        << "abc"_ba << u"UTF-8"_s << u"CR LF"_s << 2 << u"1 行、3 列"_s;
}

void TestEncodingMenu::fileKeepsItsEncodingOnSaveAndPreview()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoding);
    QFETCH(QString, lineEnds);
    QFETCH(int, caret);
    QFETCH(QString, position);
    Fixture f;
    f.load(bytes);
    QVERIFY(f.platform.messages.isEmpty());
    QCOMPARE(f.form.StatusEncoding->text(), encoding);
    QCOMPARE(f.form.StatusLineEnds->text(), lineEnds);
    QCOMPARE(f.form.StatusCaret->text(), u"1 行、1 列"_s);
    f.form.RTB1->setSelStart(caret);
    QCOMPARE(f.form.StatusCaret->text(), position);

    f.form.MFSave_Click();
    f.form.ComIE_Click();
    QVERIFY(f.platform.messages.isEmpty());
    QCOMPARE(readAll(f.path("page.htm")), bytes);
    // The preview is the same bytes with a base address after the byte-order mark.
    const QByteArray preview = readAll(f.path("_tmp.html"));
    const qsizetype mark = bytes.startsWith("\xEF\xBB\xBF") ? 3
        : bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ? 2
                                                                             : 0;
    QVERIFY(preview.startsWith(bytes.left(mark)) && preview.endsWith(bytes.mid(mark)));
}

void TestEncodingMenu::reopenAsksFirstAndRefusesBytesItCannotRead()
{
    Fixture f;
    // Hiragana in EUC-JP read as Shift_JIS too, as half-width katakana.
    const QString kana = u"あいうえおかきくけこさしすせそたちつてと"_s;
    const QByteArray euc = QStringEncoder("EUC-JP").encode(kana);
    const QString asKatakana = QStringDecoder("windows-31j").decode(euc);
    f.load(euc);
    QCOMPARE(f.form.StatusEncoding->text(), u"EUC-JP"_s);
    QAction *asShiftJis = f.item(f.form.MCReopen, u"Shift_JIS"_s);
    QVERIFY(asShiftJis);
    f.form.RTB1->setSelText(u"x"_s);
    f.platform.setNextAnswer(QMessageBox::No);
    asShiftJis->trigger();
    QCOMPARE(f.platform.messages.size(), 1);
    QVERIFY(f.platform.messages.constLast().text.contains(u"開き直しますか"_s));
    QCOMPARE(f.form.RTB1->Text(), u"x"_s + kana);

    f.platform.setNextAnswer(QMessageBox::Yes);
    asShiftJis->trigger();
    QCOMPARE(f.form.RTB1->Text(), asKatakana);
    QCOMPARE(f.form.StatusEncoding->text(), u"Shift_JIS"_s);
    QCOMPARE(f.form.mModified, kFalse);
    QCOMPARE(f.form.Caption(), u"page.htm"_s);

    f.item(f.form.MCReopen, u"UTF-8"_s)->trigger(); // not valid UTF-8: nothing changes
    QCOMPARE(f.platform.messages.size(), 3);
    QVERIFY(f.platform.messages.constLast().text.contains(u"オフセット 0"_s));
    QCOMPARE(f.form.RTB1->Text(), asKatakana);
    f.form.MFSave_Click();
    QCOMPARE(readAll(f.path("page.htm")), euc);
}

void TestEncodingMenu::convertRefusesWhatDoesNotFitAndSaveAsksAboutTheDeclaration()
{
    Fixture f;
    f.form.RTB1->setText(u"<meta charset=\"utf-8\">\r\n漢字〜"_s);
    f.item(f.form.MCConvert, u"Shift_JIS"_s)->trigger();
    QCOMPARE(f.platform.messages.size(), 1);
    QVERIFY2(f.platform.messages.constLast().text.contains(u"2 行目の文字 「〜」(U+301C)"_s),
             qPrintable(f.platform.messages.constLast().text));
    QCOMPARE(f.form.StatusEncoding->text(), u"UTF-8"_s);

    f.form.RTB1->setText(u"<meta charset=\"utf-8\">\r\n漢字"_s);
    f.item(f.form.MCConvert, u"EUC-JP"_s)->trigger();
    QCOMPARE(f.form.StatusEncoding->text(), u"EUC-JP"_s);
    f.platform.setNextFileName(f.path("out.htm"));
    f.platform.setNextAnswer(QMessageBox::No);
    f.form.MFSaveAs_Click();
    QVERIFY(f.platform.messages.constLast().text.contains(u"このまま保存しますか？"_s));
    QVERIFY(!QFile::exists(f.path("out.htm")));
    QCOMPARE(f.form.mModified, kTrue);

    f.platform.setNextFileName(f.path("out.htm"));
    f.platform.setNextAnswer(QMessageBox::Yes);
    f.form.MFSaveAs_Click();
    QCOMPARE(readAll(f.path("out.htm")), "<meta charset=\"utf-8\">\r\n\xb4\xc1\xbb\xfa"_ba);
    QCOMPARE(f.form.mModified, kFalse);
}

QTEST_MAIN(TestEncodingMenu)
#include "tst_encodingmenu.moc"
