#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "app/formmain.h"
#include "core/documentfile.h"
#include "ui/filepanel.h"
#include "documentsamples.h"
#include "fakeplatform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A main window over a folder holding a.htm ("a" CR LF "b") and b.htm ("漢字" CR LF).
struct Fixture
{
    Fixture()
    {
        writeAll(path("a.htm"), "a\r\nb");
        writeAll(path("b.htm"), "漢字\r\n");
        form = std::make_unique<FormMain>(module, platform);
    }
    QString path(const char *name) const { return folder.filePath(QString::fromUtf8(name)); }

    void open(const QString &file)
    {
        platform.setNextFileName(file);
        form->MFOpen_Click();
    }
    // a.htm loaded, "X" typed at its start, then the "a" selected.
    void loadAndChange()
    {
        open(path("a.htm"));
        form->RTB1->setSelStart(0);
        form->RTB1->setSelText(u"X"_s);
        form->RTB1->setSelStart(1);
        form->RTB1->setSelLength(1);
        QCOMPARE(form->Caption(), u"a.htm (更新)"_s);
        QCOMPARE(form->mModified, kTrue);
        platform.messages.clear();
        platform.dialogs.clear();
    }

    QTemporaryDir folder;
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    std::unique_ptr<FormMain> form;
};

enum class Action { New, OpenOther, Save, SaveAs, OpenCancelled, SaveAsCancelled };

} // namespace

Q_DECLARE_METATYPE(Action)

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandsLeaveTheStateOfTheTable_data();
    void commandsLeaveTheStateOfTheTable();
    void promptBeforeNewOpenAndClose_data();
    void promptBeforeNewOpenAndClose();
    void failedLoadRestoresTitleAndPath_data();
    void failedLoadRestoresTitleAndPath();
    void failedLoadAtStartKeepsTheNewDocument();
    void failedSaveKeepsTheDocumentModified_data();
    void failedSaveKeepsTheDocumentModified();
    void generatedFilesRoundTripThroughTheEditor_data();
    void generatedFilesRoundTripThroughTheEditor();
};

void TestDocuments::initTestCase()
{
    // Closing the window is part of some tests; the test run goes on.
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestDocuments::commandsLeaveTheStateOfTheTable_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<qint16>("modified");
    QTest::addColumn<bool>("saveEnabled");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("undo");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");

    const QString changed = u"Xa\r\nb"_s;
    const QString loaded = u"a\r\nb"_s;
    const QString kanji = u"漢字\r\n"_s;
    const QString unsaved = u"a.htm (更新)"_s;
    QTest::newRow("New: empty, Rubello, Save disabled; path and undo kept")
        << Action::New << "a.htm"
        << "Rubello" << kFalse << false << QString() << loaded << 0 << 0;
    QTest::newRow("Open: the file's text, caret at the start")
        << Action::OpenOther << "b.htm"
        << "b.htm" << kFalse << true << kanji << kanji << 0 << 0;
    QTest::newRow("Save: the title loses its marker")
        << Action::Save << "a.htm"
        << "a.htm" << kFalse << true << changed << loaded << 1 << 1;
    QTest::newRow("Save As: the chosen file")
        << Action::SaveAs << "c.htm"
        << "c.htm" << kFalse << true << changed << loaded << 1 << 1;
    QTest::newRow("open dialog cancelled: nothing changes")
        << Action::OpenCancelled << "a.htm" << unsaved << kTrue << true << changed << loaded << 1
        << 1;
    QTest::newRow("save dialog cancelled: nothing changes")
        << Action::SaveAsCancelled << "a.htm" << unsaved << kTrue << true << changed << loaded << 1
        << 1;
}

void TestDocuments::commandsLeaveTheStateOfTheTable()
{
    QFETCH(Action, action);
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(qint16, modified);
    QFETCH(bool, saveEnabled);
    QFETCH(QString, text);
    QFETCH(QString, undo);
    QFETCH(int, selStart);
    QFETCH(int, selLength);

    Fixture f;
    f.loadAndChange();
    FormMain &form = *f.form;
    switch (action) {
    case Action::New:
        f.platform.setNextAnswer(QMessageBox::No);
        form.MFNew_Click();
        break;
    case Action::OpenOther:
        f.platform.setNextAnswer(QMessageBox::No);
        f.open(f.path("b.htm"));
        break;
    case Action::Save:
        form.MFSave_Click();
        QCOMPARE(readAll(f.path("a.htm")), "Xa\r\nb"_ba);
        break;
    case Action::SaveAs:
        f.platform.setNextFileName(f.path("c.htm"));
        form.MFSaveAs_Click();
        QCOMPARE(readAll(f.path("c.htm")), "Xa\r\nb"_ba);
        QCOMPARE(readAll(f.path("a.htm")), "a\r\nb"_ba);
        break;
    case Action::OpenCancelled:
        f.platform.setNextAnswer(QMessageBox::No);
        f.platform.setNextCancel();
        form.MFOpen_Click();
        QCOMPARE(f.platform.messages.size(), 1); // the prompt; a cancel is not reported
        break;
    case Action::SaveAsCancelled:
        f.platform.setNextCancel();
        form.MFSaveAs_Click();
        QVERIFY(f.platform.messages.isEmpty());
        break;
    }
    QCOMPARE(form.mFilePath, f.path(file.toUtf8().constData()));
    QCOMPARE(form.Caption(), title);
    QCOMPARE(form.mModified, modified);
    QCOMPARE(form.MFSave->isEnabled(), saveEnabled);
    QCOMPARE(form.RTB1->Text(), text);
    QCOMPARE(f.module.gUndoText, undo);
    QCOMPARE(form.RTB1->SelStart(), selStart);
    QCOMPARE(form.RTB1->SelLength(), selLength);

    // Each dialog is set up afresh, whatever the one before it left.
    for (const FakePlatform::Dialog &shown : f.platform.dialogs) {
        const bool open = shown.kind == CommonDialogKind::Open;
        QCOMPARE(shown.before.DialogTitle, open ? u"ファイルを開く"_s : u"名前を付けて保存"_s);
        QCOMPARE(shown.before.Flags, open ? 4100 : 2);
        QCOMPARE(shown.before.FileName, form.File1->FileName());
        QVERIFY(shown.before.CancelError);
        QCOMPARE(shown.before.Filter,
                 u"HTMLファイル(*.html,*.htm)|*.html;*.htm|すべてのファイル(*.*)|*.*|"_s);
    }
}

void TestDocuments::promptBeforeNewOpenAndClose_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");

    for (const char *command : {"New", "Open", "close"}) {
        QTest::addRow("%s: Yes and saved: goes on", command)
            << command << "Yes saved" << true << true;
        QTest::addRow("%s: Yes, save dialog cancelled: stops, changes kept", command)
            << command << "Yes cancelled" << false << false;
        QTest::addRow("%s: Yes, save failed: stops, changes kept", command)
            << command << "Yes failed" << false << false;
        QTest::addRow("%s: No: goes on without saving", command)
            << command << "No" << true << false;
        QTest::addRow("%s: Cancel: stops", command) << command << "Cancel" << false << false;
    }
}

void TestDocuments::promptBeforeNewOpenAndClose()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    Fixture f;
    f.loadAndChange();
    FormMain &form = *f.form;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QString target = f.path("c.htm");
    if (answer.startsWith("Yes"_L1)) {
        f.platform.setNextAnswer(QMessageBox::Yes);
        if (answer == "Yes saved"_L1)
            f.platform.setNextFileName(target);
        else if (answer == "Yes cancelled"_L1)
            f.platform.setNextCancel();
        else
            f.platform.setNextFileName(f.folder.path()); // a folder cannot be written
    } else {
        f.platform.setNextAnswer(answer == "No"_L1 ? QMessageBox::No : QMessageBox::Cancel);
    }

    bool closed = false;
    if (command == "New"_L1) {
        form.MFNew_Click();
    } else if (command == "Open"_L1) {
        f.platform.setNextFileName(f.path("b.htm"));
        form.MFOpen_Click();
    } else {
        closed = form.close();
    }

    const auto &prompt = f.platform.messages.constFirst();
    QCOMPARE(prompt.text, u"a.htm　の内容は更新されています。\r\n保存しますか？"_s);
    QCOMPARE(prompt.title, u"Rubello"_s);
    QCOMPARE(prompt.icon, QMessageBox::Question);
    QCOMPARE(prompt.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == "Yes failed"_L1) {
        QCOMPARE(f.platform.messages.size(), 2);
        QVERIFY(f.platform.messages.at(1).title.startsWith(u"エラーナンバー： "_s));
    } else {
        QCOMPARE(f.platform.messages.size(), 1);
    }

    QCOMPARE(readAll(target), saved ? "Xa\r\nb"_ba : "<missing>"_ba);
    QCOMPARE(readAll(f.path("a.htm")), "a\r\nb"_ba);
    if (command == "New"_L1) {
        QCOMPARE(form.RTB1->Text(), goesOn ? QString() : u"Xa\r\nb"_s);
        QCOMPARE(form.Caption(), goesOn ? u"Rubello"_s : u"a.htm (更新)"_s);
    } else if (command == "Open"_L1) {
        QCOMPARE(form.RTB1->Text(), goesOn ? u"漢字\r\n"_s : u"Xa\r\nb"_s);
        const qsizetype openDialogs = std::count_if(
            f.platform.dialogs.cbegin(), f.platform.dialogs.cend(),
            [](const FakePlatform::Dialog &d) { return d.kind == CommonDialogKind::Open; });
        QCOMPARE(openDialogs, goesOn ? 1 : 0);
    } else {
        QCOMPARE(closed, goesOn);
        QCOMPARE(form.isVisible(), !goesOn);
    }
    if (!goesOn)
        QCOMPARE(form.mModified, kTrue);
}

void TestDocuments::failedLoadRestoresTitleAndPath_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("detail");
    QTest::newRow("missing file") << "missing" << int(QFileDevice::OpenError) << QString();
    QTest::newRow("a folder") << "folder" << int(QFileDevice::OpenError) << QString();
    QTest::newRow("bytes not valid in the code page (U+FFFD otherwise)")
        << "invalid" << EILSEQ << u"オフセット 4"_s;
    QTest::newRow("file too large to hold") << "huge" << EFBIG << QString();
    QTest::newRow("through Open") << "open-missing" << int(QFileDevice::OpenError) << QString();
}

void TestDocuments::failedLoadRestoresTitleAndPath()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    QFETCH(QString, detail);
    Fixture f;
    f.loadAndChange();
    FormMain &form = *f.form;

    QString bad = f.path("bad.htm");
    QByteArray badBytes;
    if (kind == "folder"_L1) {
        bad = f.folder.path();
    } else if (kind == "invalid"_L1) {
        badBytes = "<p>\n\xFF</p>"_ba;
    } else if (kind == "huge"_L1) {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kMaxDocumentBytes + 1)); // sparse
    }
    if (!badBytes.isEmpty())
        writeAll(bad, badBytes);

    if (kind == "open-missing"_L1) {
        f.platform.setNextAnswer(QMessageBox::No);
        f.open(bad);
        f.platform.messages.removeFirst(); // the prompt
    } else {
        form.mFilePath = bad;
        form.LoadDocument();
    }

    QCOMPARE(f.platform.messages.size(), 1);
    const auto &box = f.platform.messages.constFirst();
    QCOMPARE(box.title, errorBoxTitle(number));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(!box.text.isEmpty());
    QVERIFY2(box.text.contains(detail), qPrintable(box.text));
    QCOMPARE(form.mFilePath, f.path("a.htm"));
    QCOMPARE(form.Caption(), u"a.htm (更新)"_s);
    QCOMPARE(form.mModified, kTrue);
    QVERIFY(form.MFSave->isEnabled());
    QCOMPARE(form.RTB1->Text(), u"Xa\r\nb"_s);
    QCOMPARE(f.module.gUndoText, u"a\r\nb"_s);

    // Save writes the text to its own file, not over the one that failed.
    form.MFSave_Click();
    QCOMPARE(readAll(f.path("a.htm")), "Xa\r\nb"_ba);
    if (!badBytes.isEmpty())
        QCOMPARE(readAll(bad), badBytes);
    QCOMPARE(form.Caption(), u"a.htm"_s);
}

void TestDocuments::failedLoadAtStartKeepsTheNewDocument()
{
    Fixture f;
    FormMain &form = *f.form;
    form.RTB1->setText(u"typed"_s);
    form.mFilePath = f.path("missing.htm");
    form.LoadDocument();
    QCOMPARE(f.platform.messages.size(), 1);
    QCOMPARE(form.Caption(), u"Rubello (更新)"_s);
    QCOMPARE(form.mFilePath, QString());
    QVERIFY(!form.MFSave->isEnabled());
    QCOMPARE(form.RTB1->Text(), u"typed"_s);
}

void TestDocuments::failedSaveKeepsTheDocumentModified_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("saveAs"); // the file chosen in Save As; empty: Save
    QTest::addColumn<int>("number"); // 0: any
    QTest::addColumn<QString>("detail");
    const QString waveDash = u"2 行目の文字 「〜」(U+301C)"_s;
    QTest::newRow("Save: the file became a folder") << "folder"
                                                    << "" << 0 << QString();
    QTest::newRow("Save: the disk fills up part of the way") << "full"
                                                             << "" << 0 << QString();
    QTest::newRow("Save: a character windows-31j cannot hold") << "unrepresentable"
                                                               << "" << EILSEQ << waveDash;
    QTest::newRow("Save: a code page the system does not know")
        << "code page"
        << "" << EINVAL << u"no-such-code-page"_s;
    QTest::newRow("Save As: a character windows-31j cannot hold") << "unrepresentable"
                                                                  << "c.htm" << EILSEQ << waveDash;
    QTest::newRow("Save As: a folder that does not exist") << "missing"
                                                           << "no/such/c.htm" << 0 << QString();
    QTest::newRow("Save As: the dialog fails") << "dialog"
                                               << "c.htm" << 20477 << u"The dialog failed"_s;
}

void TestDocuments::failedSaveKeepsTheDocumentModified()
{
    QFETCH(QString, kind);
    QFETCH(QString, saveAs);
    QFETCH(int, number);
    QFETCH(QString, detail);
    Fixture f;
    f.loadAndChange();
    FormMain &form = *f.form;
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    if (kind == "folder"_L1) {
        QVERIFY(QFile::remove(f.path("a.htm")));
        QVERIFY(QDir(f.folder.path()).mkdir(u"a.htm"_s));
    } else if (kind == "full"_L1) {
        // A file size limit makes the write fail part of the way, as a full disk does.
        limited.rlim_cur = 2;
    } else if (kind == "unrepresentable"_L1) {
        f.platform.page = "windows-31j";
        form.RTB1->setSelStart(4);
        form.RTB1->setSelText(u"〜"_s); // WAVE DASH: JIS form, not in windows-31j
    } else if (kind == "code page"_L1) {
        f.platform.page = "no-such-code-page";
    }

    if (kind == "dialog"_L1)
        f.platform.setNextFailure(20477, u"The dialog failed"_s);
    else
        f.platform.setNextFileName(f.folder.filePath(saveAs));
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    if (saveAs.isEmpty())
        form.MFSave_Click();
    else
        form.MFSaveAs_Click();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QFile::setPermissions(f.folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(f.platform.messages.size(), 1);
    const auto &box = f.platform.messages.constFirst();
    QVERIFY(box.title.startsWith(u"エラーナンバー： "_s));
    if (number != 0)
        QCOMPARE(box.title, errorBoxTitle(number));
    QVERIFY2(!box.text.isEmpty() && box.text.contains(detail), qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(form.mModified, kTrue);
    QCOMPARE(form.Caption(), u"a.htm (更新)"_s);
    QVERIFY(form.MFSave->isEnabled());
    if (saveAs.isEmpty() || kind == "dialog"_L1)
        QCOMPARE(form.mFilePath, f.path("a.htm"));
    // The old file is as it was, and nothing is left beside it.
    if (kind == "folder"_L1)
        QVERIFY(QFileInfo(f.path("a.htm")).isDir());
    else
        QCOMPARE(readAll(f.path("a.htm")), "a\r\nb"_ba);
    QCOMPARE(
        QDir(f.folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList({u"a.htm"_s, u"b.htm"_s}));
}

void TestDocuments::generatedFilesRoundTripThroughTheEditor_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::newRow("UTF-8") << "UTF-8"_ba;
    QTest::newRow("windows-31j") << "windows-31j"_ba;
}

void TestDocuments::generatedFilesRoundTripThroughTheEditor()
{
    QFETCH(QByteArray, codePage);
    Fixture f;
    f.platform.page = codePage;
    QRandomGenerator random(7);
    for (int i = 0; i < 60; ++i) {
        const SampleDocument sample = generateSample(random, codePage);
        writeAll(f.path("in.htm"), sample.bytes);
        f.open(f.path("in.htm"));
        f.platform.setNextFileName(f.path("out.htm"));
        f.form->MFSaveAs_Click();
        QVERIFY(f.platform.messages.isEmpty());
        const QByteArray back = readAll(f.path("out.htm"));
        if (back != sample.expected) {
            qWarning() << "sample" << i << sample.bytes.toHex(' ');
            QCOMPARE(back, sample.expected);
        }
    }
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
