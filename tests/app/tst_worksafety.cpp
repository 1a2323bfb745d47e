// No road loses the user's work: loading over a changed document asks, a failed
// Save As keeps the document's file, Save asks before writing over another
// program's change, and undo steps back one edit at a time and can be redone.

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "casetable.h"
#include "core/document/safesave.h"
#include "fakeplatform.h"
#include "testfiles.h"
#include "ui/editorcontrol.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// a.htm loaded; typed text (if any) leaves it changed, with no message shown.
struct Fixture
{
    explicit Fixture(const QString &typed = {})
    {
        writeFileBytes(path("a.htm"), "a\r\n");
        writeFileBytes(path("b.htm"), "b\r\n");
        platform.setNextFileName(path("a.htm"));
        form.documentCommands().open();
        QTest::keyClicks(form.editor(), typed);
        platform.messages.clear();
    }
    QString path(const char *name) const { return folder.filePath(QString::fromUtf8(name)); }

    QTemporaryDir folder;
    FakePlatform platform;
    MainWindow form {platform};
};

} // namespace

class TestWorkSafety : public QObject
{
    Q_OBJECT

private slots:
    void loadOverChangedDocumentAsks_data() { addCaseRows("loadoverchanged.tsv"); }
    void loadOverChangedDocumentAsks();
    void failedSaveAsKeepsTheFile();
    void saveAsksAboutTheDisk_data() { addCaseRows("saveasks.tsv"); }
    void saveAsksAboutTheDisk();
    void reloadIsOffered();
    void undoStepsBackAndRedoes();
    void signalsEndTheWindowCleanly();
    void unsavedCopyIsOfferedBack_data() { addCaseRows("recovery.tsv"); }
    void unsavedCopyIsOfferedBack();
};

// The file panel takes the same road; the end-to-end test double-clicks it.
void TestWorkSafety::loadOverChangedDocumentAsks()
{
    QFETCH(QByteArrayList, f);
    Fixture m(caseText(f[0]));
    const QString text = m.form.editor()->text();
    m.form.editor()->setSelectionStart(2);
    m.platform.setNextAnswer(f[1] == "No" ? QMessageBox::No : QMessageBox::Cancel);
    m.form.openDroppedFiles({m.path("b.htm")});
    QCOMPARE(m.platform.messages.size(), f[0].isEmpty() ? 0 : 1);
    QCOMPARE(m.form.caption(), caseText(f[2]));
    if (f[1] == "Cancel" && !f[0].isEmpty()) {
        QCOMPARE(m.form.editor()->text(), text);
        QCOMPARE(m.form.editor()->selectionStart(), 2);
        QCOMPARE(m.form.documentCommands().session().path(), m.path("a.htm"));
    }
}

// Save As failing or cancelled: Save still goes to the document's own file.
void TestWorkSafety::failedSaveAsKeepsTheFile()
{
    for (const bool cancel : {false, true}) {
        Fixture f(u"x"_s);
        if (cancel)
            f.platform.setNextCancel();
        else
            f.platform.setNextFileName(f.path("missing/c.htm"));
        f.form.documentCommands().saveAs();
        QCOMPARE(f.form.caption(), u"a.htm (更新)"_s);
        f.form.documentCommands().save();
        QCOMPARE(readFileBytes(f.path("a.htm")), "xa\r\n"_ba);
    }
}

void TestWorkSafety::saveAsksAboutTheDisk()
{
    QFETCH(QByteArrayList, f);
    const QByteArray change = f[0];
    const bool agree = f[1] == "1";
    Fixture m(u"x"_s);
    const QString path = m.path("a.htm");
    if (change == "rewrite")
        QVERIFY(writeFileBytes(path, "other\r\n"));
    if (change == "remove")
        QVERIFY(QFile::remove(path));
    if (change == "readonly")
        ::chmod(QFile::encodeName(path).constData(), 0444);
    if (change == "large" || change == "during")
        m.form.documentCommands().session().setLoadLimit(2);
    if (change == "during") // another program writes while the user reads the question
        m.platform.whenAsked = [&] { writeFileBytes(path, "other\r\n"); };
    m.platform.setNextAnswer(agree ? QMessageBox::Yes : QMessageBox::No);
    m.form.documentCommands().save();
    QCOMPARE(m.platform.messages.size(), f[3].toInt());
    QCOMPARE(readFileBytes(path), caseBytes(f[2]));
    QCOMPARE(m.form.documentCommands().isModified(), f[4] != "1");
    if (change == "readonly" && agree)
        QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, QFile::Permissions());
    // What was written is the file's known state: the next Save asks nothing.
    if (agree && (change == "rewrite" || change == "remove")) {
        m.form.documentCommands().save();
        QCOMPARE(m.platform.messages.size(), 1);
    }
}

void TestWorkSafety::reloadIsOffered()
{
    Fixture f;
    QVERIFY(writeFileBytes(f.path("a.htm"), "other\r\n"));
    f.platform.setNextAnswer(QMessageBox::No);
    f.form.documentCommands().offerReload();
    f.form.documentCommands().offerReload(); // declined: not asked again for the same change
    QCOMPARE(f.platform.messages.size(), 1);
    QVERIFY(writeFileBytes(f.path("a.htm"), "third!\r\n"));
    f.platform.setNextAnswer(QMessageBox::Yes);
    f.form.documentCommands().offerReload();
    QCOMPARE(f.form.editor()->text(), u"third!\r\n"_s);
    // A changed document is never offered.
    QTest::keyClicks(f.form.editor(), u"x"_s);
    f.platform.messages.clear();
    QVERIFY(writeFileBytes(f.path("a.htm"), "fourth\r\n"));
    f.form.documentCommands().offerReload();
    QCOMPARE(f.platform.messages.size(), 0);
    QCOMPARE(f.form.editor()->text(), u"xthird!\r\n"_s);
}

// Steps the end-to-end road does not take: Backspace its own step, the caret after
// undo, the loaded text as the start, redo dropped by a new edit, New clears it all.
void TestWorkSafety::undoStepsBackAndRedoes()
{
    Fixture f;
    EditorControl *editor = f.form.editor();
    editor->setSelectionLength(1);
    editor->replaceSelection(u"<ruby>a</ruby>"_s); // as the ruby insertion writes it
    editor->setSelectionStart(0);
    QTest::keyClicks(editor, u"typed text"_s);
    QTest::keyClick(editor, Qt::Key_Backspace);
    const QString typed = editor->text();
    QCOMPARE(typed, u"typed tex<ruby>a</ruby>\r\n"_s);
    f.form.editorCommands().undo();
    f.form.editorCommands().undo();
    QCOMPARE(editor->text(), u"<ruby>a</ruby>\r\n"_s);
    f.form.editorCommands().undo();
    f.form.editorCommands().undo();
    QCOMPARE(editor->text(), u"a\r\n"_s);
    QCOMPARE(editor->selectionStart(), 0);
    for (int i = 0; i < 3; ++i)
        f.form.editorCommands().redo();
    QCOMPARE(editor->text(), typed);
    QVERIFY(f.form.documentCommands().isModified());
    f.form.editorCommands().undo();
    QTest::keyClicks(editor, u"!"_s);
    f.form.editorCommands().redo();
    QCOMPARE(editor->text(), u"typed text!<ruby>a</ruby>\r\n"_s);
    f.platform.setNextAnswer(QMessageBox::No);
    f.form.documentCommands().newDocument();
    f.form.editorCommands().undo();
    QCOMPARE(editor->text(), QString());
}

// SIGTERM and SIGHUP: no question can be answered, so the changed text goes to a
// new file beside the document, which stays as it was, and the preview goes.
void TestWorkSafety::signalsEndTheWindowCleanly()
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        Fixture m(u"x"_s);
        m.platform.folder = m.folder.path();
        m.form.preview();
        QVERIFY(QFile::exists(m.path("_tmp.html")));
        endCleanlyOnSignals(m.form);
        ::raise(signal);
        QTRY_VERIFY(!QFile::exists(m.path("_tmp.html")));
        QCOMPARE(m.platform.messages.size(), 0);
        QCOMPARE(readFileBytes(m.path("a.htm")), "a\r\n"_ba);
        QCOMPARE(m.form.unsavedCopy(), m.path("a.htm.unsaved"));
        QCOMPARE(readFileBytes(m.form.unsavedCopy()), "xa\r\n"_ba);
    }
}

void TestWorkSafety::unsavedCopyIsOfferedBack()
{
    QFETCH(QByteArrayList, f); // copies, answers, text, caption, left, left after Save, comparison
    Fixture m;
    for (const QByteArray &copy : f[0].split('/')) {
        const QList<QByteArray> parts = copy.trimmed().split('=');
        QVERIFY(writeFileBytes(m.path(parts[0].constData()), caseBytes(parts[1])));
    }
    const QMessageBox::StandardButton answers[] = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    for (const char answer : f[1])
        if (answer != '-')
            m.platform.setNextAnswer(answers[QByteArray("YNC").indexOf(answer)]);
    QVERIFY(m.form.documentCommands().load(m.path("a.htm")));
    QCOMPARE(m.platform.messages.size(), f[1] == "-" ? 0 : f[1].size());
    if (f[1] != "-")
        QCOMPARE(m.platform.messages[0].text.split(u"\r\n"_s).value(2), caseText(f[6]));
    const auto left = [&m] {
        QStringList names = QDir(m.folder.path()).entryList({u"*.unsaved*"_s}, QDir::Files, QDir::Name);
        return names.isEmpty() ? u"-"_s : names.join(u" "_s);
    };
    QCOMPARE(m.form.editor()->text(), caseText(f[2]));
    QCOMPARE(m.form.caption(), caseText(f[3]));
    QCOMPARE(left(), caseText(f[4]));
    m.form.documentCommands().save();
    QCOMPARE(left(), caseText(f[5]));
    QCOMPARE(readFileBytes(m.path("a.htm")), caseBytes(f[2]));
}

QTEST_MAIN(TestWorkSafety)
#include "tst_worksafety.moc"
