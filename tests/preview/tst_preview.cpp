#include "app/editorcontrol.h"
#include "app/errorreport.h"
#include "app/formmain.h"
#include "fakeplatform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

struct Fixture
{
    Fixture()
    {
        programFolder = folder.filePath(QStringLiteral("bin"));
        QDir().mkpath(programFolder);
        platform.folder = programFolder;
        form = std::make_unique<FormMain>(module, platform);
    }
    QString previewPath() const { return programFolder + QStringLiteral("/_tmp.html"); }

    QTemporaryDir folder;
    QString programFolder;
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
    void everyWayInGivesTheSameFileAndCall_data();
    void everyWayInGivesTheSameFileAndCall();
    void secondPreviewLeavesOnlyTheSecondText();
    void programFolderWithAndWithoutSeparator_data();
    void programFolderWithAndWithoutSeparator();
    void documentIsUntouched();
    void unwritablePreviewIsReportedAndNothingOpened_data();
    void unwritablePreviewIsReportedAndNothingOpened();
};

void TestPreview::previewWritesWhatSaveWrites_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty document") << QByteArray("UTF-8") << QString();
    QTest::newRow("empty document, windows-31j") << QByteArray("windows-31j") << QString();
    QTest::newRow("HTML with CR LF, last line without line end")
        << QByteArray("UTF-8") << QStringLiteral("<html>\r\n<body>ルビ</body>\r\n</html>");
    QTest::newRow("text ending in CR LF: nothing added")
        << QByteArray("UTF-8") << QStringLiteral("<p>漢字</p>\r\n");
    QTest::newRow("lone LF kept") << QByteArray("UTF-8") << QStringLiteral("a\nb");
    QTest::newRow("windows-31j Japanese")
        << QByteArray("windows-31j")
        << QStringLiteral("<ruby><rb>送</rb><rt>おく</rt></ruby>～\r\n");
}

void TestPreview::previewWritesWhatSaveWrites()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, text);
    Fixture f;
    f.platform.page = codePage;
    FormMain &form = *f.form;
    form.RTB1->setText(text);
    const QString document = f.folder.filePath(QStringLiteral("doc.htm"));
    f.platform.setNextFileName(document);
    form.MFSaveAs_Click();
    QVERIFY(QFile::exists(document));

    form.ComIE_Click();
    QVERIFY(f.platform.messages.isEmpty());
    QCOMPARE(readAll(f.previewPath()), readAll(document));
    QCOMPARE(f.platform.opened, QStringList{f.previewPath()});
}

void TestPreview::everyWayInGivesTheSameFileAndCall_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("the button") << "button";
    QTest::newRow("the menu item") << "menu";
    QTest::newRow("F8") << "key";
    QTest::newRow("MEIe handler") << "handler";
}

void TestPreview::everyWayInGivesTheSameFileAndCall()
{
    QFETCH(QString, way);
    Fixture f;
    FormMain &form = *f.form;
    form.RTB1->setText(QStringLiteral("<p>プレビュー</p>"));
    if (way == QLatin1String("button")) {
        form.ComIE->click();
    } else if (way == QLatin1String("menu")) {
        form.MEIe->trigger();
    } else if (way == QLatin1String("key")) {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.RTB1->setFocus();
        QTest::keyClick(form.RTB1, Qt::Key_F8);
    } else {
        form.MEIe_Click();
    }
    QCOMPARE(f.platform.opened, QStringList{f.previewPath()});
    QCOMPARE(readAll(f.previewPath()), QStringLiteral("<p>プレビュー</p>").toUtf8());
}

void TestPreview::secondPreviewLeavesOnlyTheSecondText()
{
    Fixture f;
    FormMain &form = *f.form;
    form.RTB1->setText(QStringLiteral("a much longer first text\r\nwith two lines\r\n"));
    form.ComIE_Click();
    form.RTB1->setText(QStringLiteral("short"));
    form.ComIE_Click();
    QCOMPARE(readAll(f.previewPath()), QByteArray("short"));
    QCOMPARE(f.platform.opened, QStringList({f.previewPath(), f.previewPath()}));
}

void TestPreview::programFolderWithAndWithoutSeparator_data()
{
    QTest::addColumn<bool>("trailingSeparator");
    QTest::newRow("folder without a trailing separator") << false;
    QTest::newRow("folder with a trailing separator") << true;
}

void TestPreview::programFolderWithAndWithoutSeparator()
{
    QFETCH(bool, trailingSeparator);
    Fixture f;
    if (trailingSeparator)
        f.platform.folder = f.programFolder + QLatin1Char('/');
    f.form->ComIE_Click();
    QCOMPARE(f.platform.opened, QStringList{f.previewPath()});
    QCOMPARE(readAll(f.previewPath()), QByteArray());
}

void TestPreview::documentIsUntouched()
{
    Fixture f;
    FormMain &form = *f.form;
    const QString document = f.folder.filePath(QStringLiteral("doc.htm"));
    form.RTB1->setText(QStringLiteral("first\r\nsecond"));
    f.platform.setNextFileName(document);
    form.MFSaveAs_Click();
    form.RTB1->setSelStart(7);
    form.RTB1->setSelText(QStringLiteral("the "));
    form.RTB1->setSelStart(2);
    form.RTB1->setSelLength(3);
    f.module.gUndoText = QStringLiteral("snapshot");

    form.ComIE_Click();
    QCOMPARE(form.RTB1->Text(), QStringLiteral("first\r\nthe second"));
    QCOMPARE(form.RTB1->SelStart(), 2);
    QCOMPARE(form.RTB1->SelLength(), 3);
    QCOMPARE(form.Caption(), QStringLiteral("doc.htm (更新)"));
    QCOMPARE(form.mModified, kTrue);
    QCOMPARE(form.mFilePath, document);
    QVERIFY(form.MFSave->isEnabled());
    QCOMPARE(f.module.gUndoText, QStringLiteral("snapshot"));
    QCOMPARE(readAll(document), QByteArray("first\r\nsecond"));
}

void TestPreview::unwritablePreviewIsReportedAndNothingOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("program folder missing") << "missing" << 0;
    QTest::newRow("preview path is a folder") << "folder" << 0;
    QTest::newRow("character the code page cannot hold") << "unrepresentable" << EILSEQ;
}

void TestPreview::unwritablePreviewIsReportedAndNothingOpened()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    Fixture f;
    FormMain &form = *f.form;
    form.RTB1->setText(QStringLiteral("old preview"));
    form.ComIE_Click();
    f.platform.opened.clear();
    form.RTB1->setText(QStringLiteral("〜 new text"));
    const QString caption = form.Caption();

    if (kind == QLatin1String("missing")) {
        f.platform.folder = f.folder.filePath(QStringLiteral("no/such/folder"));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QFile::remove(f.previewPath()));
        QVERIFY(QDir(f.programFolder).mkdir(QStringLiteral("_tmp.html")));
    } else {
        f.platform.page = "windows-31j";
    }
    form.ComIE_Click();

    QCOMPARE(f.platform.messages.size(), 1);
    const auto &box = f.platform.messages.constFirst();
    QVERIFY(box.title.startsWith(QStringLiteral("エラーナンバー： ")));
    if (number != 0)
        QCOMPARE(box.title, errorBoxTitle(number));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(!box.text.isEmpty());
    QVERIFY(f.platform.opened.isEmpty());
    if (kind == QLatin1String("unrepresentable"))
        QCOMPARE(readAll(f.previewPath()), QByteArray("old preview"));
    QCOMPARE(form.RTB1->Text(), QStringLiteral("〜 new text"));
    QCOMPARE(form.Caption(), caption);
    QCOMPARE(form.mModified, kTrue);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
