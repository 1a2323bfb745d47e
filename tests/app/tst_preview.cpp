#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "app/formmain.h"
#include "core/documentfile.h"
#include "core/previewfile.h"
#include "fakeplatform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

struct Fixture
{
    Fixture()
    {
        QDir().mkpath(programFolder);
        platform.folder = programFolder;
        form = std::make_unique<FormMain>(module, platform);
    }
    QString previewPath() const { return programFolder + u"/_tmp.html"_s; }

    QTemporaryDir folder;
    QString programFolder = folder.filePath(u"bin"_s);
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    std::unique_ptr<FormMain> form;
};

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void previewWritesWhatSaveWrites_data();
    void previewWritesWhatSaveWrites();
    void unwritablePreviewIsReportedAndNothingOpened_data();
    void unwritablePreviewIsReportedAndNothingOpened();
};

void TestPreview::previewWritesWhatSaveWrites_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("folderEnd"); // appended to the program folder's path
    const QByteArray utf8 = "UTF-8";
    const QByteArray sjis = "windows-31j";
    QTest::newRow("empty document") << utf8 << QString() << "button"
                                    << "";
    QTest::newRow("empty document, windows-31j") << sjis << QString() << "button"
                                                 << "";
    QTest::newRow("HTML with CR LF, last line without line end, from the menu")
        << utf8 << u"<html>\r\n<body>ルビ</body>\r\n</html>"_s << "menu"
        << "";
    QTest::newRow("text ending in CR LF: nothing added, by F8")
        << utf8 << u"<p>漢字</p>\r\n"_s << "key"
        << "";
    QTest::newRow("lone LF kept, program folder with a trailing separator")
        << utf8 << u"a\nb"_s << "button"
        << "/";
    QTest::newRow("windows-31j Japanese, program folder without a trailing separator")
        << sjis << u"<ruby><rb>送</rb><rt>おく</rt></ruby>～\r\n"_s << "button"
        << "";
}

void TestPreview::previewWritesWhatSaveWrites()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, text);
    QFETCH(QString, way);
    QFETCH(QString, folderEnd);
    Fixture f;
    f.platform.page = codePage;
    f.platform.folder += folderEnd;
    FormMain &form = *f.form;
    // A first, longer preview: the second one leaves only its own text.
    form.RTB1->setText(u"a much longer first text\r\nwith two lines\r\n"_s);
    form.ComIE_Click();
    f.platform.opened.clear();
    form.RTB1->setText(text);
    const QString document = f.folder.filePath(u"doc.htm"_s);
    f.platform.setNextFileName(document);
    form.MFSaveAs_Click();
    QVERIFY(QFile::exists(document));
    form.RTB1->setSelStart(1);
    form.RTB1->setSelLength(2);
    const int selStart = form.RTB1->SelStart();
    const int selLength = form.RTB1->SelLength();
    f.module.gUndoText = u"snapshot"_s;

    if (way == "menu"_L1) {
        form.MEIe->trigger();
    } else if (way == "key"_L1) {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.RTB1->setFocus();
        QTest::keyClick(form.RTB1, Qt::Key_F8);
    } else {
        form.ComIE->click();
    }
    QVERIFY(f.platform.messages.isEmpty());
    // The saved text, with a base address for the document's folder in the copy.
    QCOMPARE(readAll(f.previewPath()),
             encodeDocument(withDocumentBase(text, f.folder.path()), codePage).bytes);
    QCOMPARE(f.platform.opened, QStringList {f.previewPath()});
    // The document is untouched.
    QCOMPARE(form.RTB1->Text(), text);
    QCOMPARE(form.RTB1->SelStart(), selStart);
    QCOMPARE(form.RTB1->SelLength(), selLength);
    QCOMPARE(form.Caption(), u"doc.htm"_s);
    QCOMPARE(form.mModified, kFalse);
    QCOMPARE(form.mFilePath, document);
    QVERIFY(form.MFSave->isEnabled());
    QCOMPARE(f.module.gUndoText, u"snapshot"_s);
}

void TestPreview::unwritablePreviewIsReportedAndNothingOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("preview path is a folder") << "folder" << 0;
    QTest::newRow("character the code page cannot hold") << "unrepresentable" << EILSEQ;
}

void TestPreview::unwritablePreviewIsReportedAndNothingOpened()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    Fixture f;
    FormMain &form = *f.form;
    form.RTB1->setText(u"old preview"_s);
    form.ComIE_Click();
    f.platform.opened.clear();
    form.RTB1->setText(u"〜 new text"_s);
    const QString caption = form.Caption();

    if (kind == "missing"_L1) {
        f.platform.folder = f.folder.filePath(u"no/such/folder"_s);
    } else if (kind == "folder"_L1) {
        QVERIFY(QFile::remove(f.previewPath()));
        QVERIFY(QDir(f.programFolder).mkdir(u"_tmp.html"_s));
    } else {
        f.platform.page = "windows-31j";
    }
    form.ComIE_Click();

    QCOMPARE(f.platform.messages.size(), 1);
    const auto &box = f.platform.messages.constFirst();
    QVERIFY(box.title.startsWith(u"エラーナンバー： "_s));
    if (number != 0)
        QCOMPARE(box.title, errorBoxTitle(number));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(!box.text.isEmpty());
    QVERIFY(f.platform.opened.isEmpty());
    if (kind == "unrepresentable"_L1)
        QCOMPARE(readAll(f.previewPath()), "old preview"_ba);
    QCOMPARE(form.RTB1->Text(), u"〜 new text"_s);
    QCOMPARE(form.Caption(), caption);
    QCOMPARE(form.mModified, kTrue);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
