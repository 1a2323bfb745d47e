// No road loses the user's work: loading over a changed document asks, a failed
// Save As keeps the document's file, Save asks before writing over another
// program's change, and undo steps back one edit at a time and can be redone.

#include "app/formmain.h"
#include "core/safesave.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/filepanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Fixture
{
    Fixture()
    {
        writeAll(path("a.htm"), "a\r\n");
        writeAll(path("b.htm"), "b\r\n");
        form = std::make_unique<FormMain>(module, platform);
        platform.setNextFileName(path("a.htm"));
        form->MFOpen_Click();
    }
    QString path(const char *name) const { return folder.filePath(QString::fromUtf8(name)); }
    void type(const QString &text)
    {
        QTest::keyClicks(form->RTB1, text);
        platform.messages.clear();
    }

    QTemporaryDir folder;
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    std::unique_ptr<FormMain> form;
};

} // namespace

class TestWorkSafety : public QObject
{
    Q_OBJECT

private slots:
    void loadOverChangedDocumentAsks_data();
    void loadOverChangedDocumentAsks();
    void failedSaveAsKeepsTheFile_data();
    void failedSaveAsKeepsTheFile();
    void saveAsksAboutTheDisk_data();
    void saveAsksAboutTheDisk();
    void reloadIsOffered();
    void undoStepsBackAndRedoes();
};

void TestWorkSafety::loadOverChangedDocumentAsks_data()
{
    QTest::addColumn<bool>("drop");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("caption");
    QTest::newRow("panel, Cancel")
        << false << true << int(QMessageBox::Cancel) << u"a.htm (更新)"_s;
    QTest::newRow("panel, No") << false << true << int(QMessageBox::No) << u"b.htm"_s;
    QTest::newRow("drop, Cancel") << true << true << int(QMessageBox::Cancel) << u"a.htm (更新)"_s;
    QTest::newRow("panel, unchanged") << false << false << 0 << u"b.htm"_s;
}

void TestWorkSafety::loadOverChangedDocumentAsks()
{
    QFETCH(bool, drop);
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(QString, caption);
    Fixture f;
    if (changed)
        f.type(u"typed"_s);
    const QString text = f.form->RTB1->Text();
    f.form->RTB1->setSelStart(2);
    if (answer)
        f.platform.setNextAnswer(QMessageBox::StandardButton(answer));
    if (drop) {
        f.form->RTB1_OLEDragDrop({f.path("b.htm")});
    } else {
        const auto items = f.form->File1->findItems(u"b.htm"_s, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        f.form->File1->setCurrentItem(items.first());
        f.form->File1_DblClick();
    }
    QCOMPARE(f.platform.messages.size(), changed ? 1 : 0);
    QCOMPARE(f.form->Caption(), caption);
    if (answer == QMessageBox::Cancel) {
        QCOMPARE(f.form->RTB1->Text(), text);
        QCOMPARE(f.form->RTB1->SelStart(), 2);
        QCOMPARE(f.form->mFilePath, f.path("a.htm"));
    }
}

void TestWorkSafety::failedSaveAsKeepsTheFile_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("failed") << false;
    QTest::newRow("cancelled") << true;
}

void TestWorkSafety::failedSaveAsKeepsTheFile()
{
    QFETCH(bool, cancel);
    Fixture f;
    f.type(u"x"_s);
    if (cancel)
        f.platform.setNextCancel();
    else
        f.platform.setNextFileName(f.path("missing/c.htm"));
    f.form->MFSaveAs_Click();
    QCOMPARE(f.form->mFilePath, f.path("a.htm"));
    QCOMPARE(f.form->Caption(), u"a.htm (更新)"_s);
    // Save still goes to the document's own file.
    f.form->MFSave_Click();
    QCOMPARE(readAll(f.path("a.htm")), "xa\r\n"_ba);
}

void TestWorkSafety::saveAsksAboutTheDisk_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("agree");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("rewritten, 保存しない") << u"rewrite"_s << false << "other\r\n"_ba;
    QTest::newRow("rewritten, 上書き") << u"rewrite"_s << true << "xa\r\n"_ba;
    QTest::newRow("removed, キャンセル") << u"remove"_s << false << "<missing>"_ba;
    QTest::newRow("removed, 作成し直す") << u"remove"_s << true << "xa\r\n"_ba;
    QTest::newRow("read-only, No") << u"readonly"_s << false << "a\r\n"_ba;
    QTest::newRow("read-only, Yes") << u"readonly"_s << true << "xa\r\n"_ba;
    QTest::newRow("larger than a load takes, No") << u"large"_s << false << "a\r\n"_ba;
    QTest::newRow("larger than a load takes, Yes") << u"large"_s << true << "xa\r\n"_ba;
    QTest::newRow("untouched") << u""_s << true << "xa\r\n"_ba;
}

void TestWorkSafety::saveAsksAboutTheDisk()
{
    QFETCH(QString, change);
    QFETCH(bool, agree);
    QFETCH(QByteArray, expected);
    Fixture f;
    f.type(u"x"_s);
    const QString path = f.path("a.htm");
    if (change == u"rewrite")
        QVERIFY(writeAll(path, "other\r\n"));
    if (change == u"remove")
        QVERIFY(QFile::remove(path));
    if (change == u"readonly")
        ::chmod(QFile::encodeName(path).constData(), 0444);
    if (change == u"large")
        f.form->mLoadLimit = 2;
    f.platform.setNextAnswer(agree ? QMessageBox::Yes : QMessageBox::No);
    f.form->MFSave_Click();
    QCOMPARE(f.platform.messages.size(), change.isEmpty() ? 0 : 1);
    QCOMPARE(readAll(path), expected);
    QCOMPARE(f.form->mModified, agree ? kFalse : kTrue);
    if (change == u"readonly" && agree)
        QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, QFile::Permissions());
    // What was written is the file's known state: the next Save asks nothing.
    if (agree && change != u"readonly" && change != u"large") {
        f.form->MFSave_Click();
        QCOMPARE(f.platform.messages.size(), change.isEmpty() ? 0 : 1);
    }
}

void TestWorkSafety::reloadIsOffered()
{
    Fixture f;
    QVERIFY(writeAll(f.path("a.htm"), "other\r\n"));
    f.platform.setNextAnswer(QMessageBox::No);
    f.form->OfferReload();
    QCOMPARE(f.platform.messages.size(), 1);
    f.form->OfferReload(); // declined: not asked again for the same change
    QCOMPARE(f.platform.messages.size(), 1);
    QVERIFY(writeAll(f.path("a.htm"), "third!\r\n"));
    f.platform.setNextAnswer(QMessageBox::Yes);
    f.form->OfferReload();
    QCOMPARE(f.form->RTB1->Text(), u"third!\r\n"_s);
    // A changed document is never offered.
    f.type(u"x"_s);
    QVERIFY(writeAll(f.path("a.htm"), "fourth\r\n"));
    f.form->OfferReload();
    QCOMPARE(f.platform.messages.size(), 0);
    QCOMPARE(f.form->RTB1->Text(), u"xthird!\r\n"_s);
}

// A command, then typing, then undo and redo: nothing is lost, each command one step.
void TestWorkSafety::undoStepsBackAndRedoes()
{
    Fixture f;
    EditorControl *editor = f.form->RTB1;
    editor->setSelStart(0);
    editor->setSelLength(1);
    editor->setSelText(u"<ruby>a</ruby>"_s); // as the ruby insertion writes it
    editor->setSelStart(0);
    const QString afterCommand = editor->Text();
    QTest::keyClicks(editor, u"typed text"_s);
    QTest::keyClick(editor, Qt::Key_Backspace);
    const QString typed = editor->Text();
    QCOMPARE(typed, u"typed tex<ruby>a</ruby>\r\n"_s);

    f.form->MEBack_Click(); // the Backspace
    f.form->MEBack_Click(); // the typing
    QCOMPARE(editor->Text(), afterCommand);
    f.form->MEBack_Click(); // the command: exactly the text before it, caret at its start
    QCOMPARE(editor->Text(), u"a\r\n"_s);
    QCOMPARE(editor->SelStart(), 0);
    f.form->MEBack_Click(); // the loaded text is where the history starts
    QCOMPARE(editor->Text(), u"a\r\n"_s);

    for (int i = 0; i < 3; ++i)
        f.form->MERedo_Click();
    QCOMPARE(editor->Text(), typed);
    QCOMPARE(f.form->mModified, kTrue);
    f.form->MEBack_Click();
    QTest::keyClicks(editor, u"!"_s); // a new edit drops what could be redone
    f.form->MERedo_Click();
    QCOMPARE(editor->Text(), u"typed text!<ruby>a</ruby>\r\n"_s);

    // New starts an empty history.
    f.platform.setNextAnswer(QMessageBox::No);
    f.form->MFNew_Click();
    f.form->MEBack_Click();
    QCOMPARE(editor->Text(), QString());
    QCOMPARE(f.form->MERedo->shortcuts().size(), 2);
}

QTEST_MAIN(TestWorkSafety)
#include "tst_worksafety.moc"
