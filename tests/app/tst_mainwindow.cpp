// The main window's commands over a real editor, with the platform's boxes and
// dialogs answered by a fake.

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "casetable.h"
#include "core/document/documentfile.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/wordlist.h"
#include "core/ruby/rubybatch.h"
#include "fakeplatform.h"
#include "testfiles.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/filepanel.h"
#include "ui/rubydialog.h"
#include "ui/searchdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A main window started in a folder holding a.htm ("a" CR LF "b") and b.htm ("漢字" CR LF).
struct Main
{
    Main()
    {
        QVERIFY(writeFileBytes(path("a.htm"), "a\r\nb"));
        QVERIFY(writeFileBytes(path("b.htm"), "漢字\r\n"));
        QDir::setCurrent(folder.path());
        form = std::make_unique<MainWindow>(platform);
    }
    QString path(const QString &name) const { return folder.filePath(name); }
    void open(const QString &name)
    {
        platform.setNextFileName(path(name));
        form->documentCommands().open();
    }
    // a.htm loaded, "X" typed at its start, then the "a" selected.
    void loadAndChange()
    {
        open(u"a.htm"_s);
        form->editor()->replaceSelection(u"X"_s);
        select(1, 1);
        QCOMPARE(form->caption(), u"a.htm (更新)"_s);
        platform.messages.clear();
    }
    void select(int start, int length)
    {
        form->editor()->setSelectionStart(start);
        form->editor()->setSelectionLength(length);
    }
    QString selection() const
    {
        return u"%1+%2"_s.arg(form->editor()->selectionStart()).arg(form->editor()->selectionLength());
    }

    QTemporaryDir folder;
    FakePlatform platform;
    std::unique_ptr<MainWindow> form;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void documentCommands_data() { addCaseRows("documentcommands.tsv"); }
    void documentCommands();
    void modifiedMarkerFollowsTheFile_data() { addCaseRows("modifiedmarker.tsv"); }
    void modifiedMarkerFollowsTheFile();
    void promptBeforeNewOpenAndClose_data() { addCaseRows("prompts.tsv"); }
    void promptBeforeNewOpenAndClose();
    void failuresKeepTheDocument_data() { addCaseRows("failures.tsv"); }
    void failuresKeepTheDocument();
    void previewAndHelpOpenTheirPages();
    void previewWithoutItsModuleSaysSo();
    void previewAsRootSaysSo();
    void editCommands_data() { addCaseRows("editcommands.tsv"); }
    void editCommands();
    void rubyCommand_data() { addCaseRows("rubycommand.tsv"); }
    void rubyCommand();
    void rubyInBlock_data();
    void rubyInBlock();
    void unreadableWordListSaidOnce();
    void rubyInsertion_data() { addCaseRows("rubyinsertion.tsv"); }
    void rubyInsertion();
    void searchCommands_data() { addCaseRows("searchcommands.tsv"); }
    void searchCommands();
    void searchWindowOpensAfreshAndKeepsItsStateWhileOpen();
    void filePatterns_data() { addCaseRows("patterns.tsv"); }
    void filePatterns();
    void filePanelListsLoadsAndReports();
    void fileDialogsStartWithAFullPath_data() { addCaseRows("dialogstart.tsv"); }
    void fileDialogsStartWithAFullPath();
    void panelCaptionsFitALargeFont();
    void statusAndKeys_data() { addCaseRows("statusandkeys.tsv"); }
    void statusAndKeys();
};

void TestMainWindow::documentCommands()
{
    QFETCH(QByteArrayList, f); // command, file named, title, Save enabled, text
    Main m;
    m.loadAndChange();
    MainWindow &form = *m.form;
    m.platform.setNextAnswer(QMessageBox::No);
    if (f[0] == "New")
        form.documentCommands().newDocument();
    else if (f[0] == "Open")
        m.open(u"b.htm"_s);
    else if (f[0] == "Save")
        form.documentCommands().save();
    else
        f[0].endsWith("Cancel") ? m.platform.setNextCancel()
                                : m.platform.setNextFileName(m.path(u"c.htm"_s));
    if (f[0].startsWith("SaveAs"))
        form.documentCommands().saveAs();
    else if (f[0] == "OpenCancel")
        form.documentCommands().open();
    QCOMPARE(form.documentCommands().session().path(), m.path(caseText(f[1])));
    QCOMPARE(form.caption(), caseText(f[2]));
    QCOMPARE(form.documentCommands().isModified(), f[2].endsWith(")"));
    QCOMPARE(form.documentCommands().actions().save->isEnabled(), f[3] == "1");
    QCOMPARE(form.editor()->text(), caseText(f[4]));
    QCOMPARE(readFileBytes(m.path(u"a.htm"_s)), f[0] == "Save" ? "Xa\r\nb"_ba : "a\r\nb"_ba);
    QCOMPARE(readFileBytes(m.path(u"c.htm"_s)), f[0] == "SaveAs" ? "Xa\r\nb"_ba : "<missing>"_ba);
}

void TestMainWindow::modifiedMarkerFollowsTheFile()
{
    QFETCH(QByteArrayList, f); // steps, caption
    Main m;
    m.open(u"a.htm"_s);
    EditorControl *editor = m.form->editor();
    for (const QByteArray &step : f[0].split(' ')) {
        if (step.startsWith("type:"))
            QTest::keyClicks(editor, QString::fromUtf8(step.mid(5)));
        else if (step == "key:Backspace")
            QTest::keyClick(editor, Qt::Key_Backspace);
        else if (step == "save")
            m.form->documentCommands().save();
        else
            QVERIFY(step == "undo" ? editor->undo() : editor->redo());
    }
    QCOMPARE(m.form->caption(), caseText(f[1]));
    QCOMPARE(m.form->documentCommands().isModified(), f[1].endsWith(')'));
}

void TestMainWindow::promptBeforeNewOpenAndClose()
{
    QFETCH(QByteArrayList, f); // command, answer, goes on
    Main m;
    m.loadAndChange();
    MainWindow &form = *m.form;
    form.show();
    m.platform.setNextAnswer(f[1].startsWith("Yes") ? QMessageBox::Yes
                                 : f[1] == "No"     ? QMessageBox::No
                                                    : QMessageBox::Cancel);
    if (f[1] == "Yes")
        m.platform.setNextFileName(m.path(u"c.htm"_s));
    else if (f[1] == "Yes cancel")
        m.platform.setNextCancel();
    if (f[0] == "New")
        form.documentCommands().newDocument();
    else if (f[0] == "Open")
        m.open(u"b.htm"_s);
    else
        QCOMPARE(form.close(), f[2] == "1");
    QCOMPARE(m.platform.messages.size(), 1);
    QCOMPARE(m.platform.messages[0].text, u"a.htm　の内容は更新されています。\r\n保存しますか？"_s);
    QCOMPARE(readFileBytes(m.path(u"c.htm"_s)), f[1] == "Yes" ? "Xa\r\nb"_ba : "<missing>"_ba);
    // Save As opens at the document's own file, not empty in another folder.
    if (f[1] == "Yes")
        QCOMPARE(m.platform.presetNames.value(1), m.path(u"a.htm"_s));
    QCOMPARE(form.isVisible(), f[0] != "close" || f[2] == "0");
    if (f[0] != "close" || f[2] == "0")
        QCOMPARE(form.editor()->text(),
                 f[2] == "0"          ? u"Xa\r\nb"_s
                     : f[0] == "Open" ? u"漢字\r\n"_s
                                      : QString());
}

void TestMainWindow::failuresKeepTheDocument()
{
    QFETCH(QByteArrayList, f); // command, what goes wrong, error number
    Main m;
    m.loadAndChange();
    const QByteArray what = caseBytes(f[1]);
    const QString bad = what == "folder" ? m.folder.path() : m.path(u"bad.htm"_s);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    QFile file(bad);
    if (what == "huge")
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxDocumentBytes + 1)); // sparse
    else if (f[0] == "Open" && !what.isEmpty() && what != "folder")
        QVERIFY(writeFileBytes(bad, what));
    else if (what == "unrepresentable")
        m.platform.page = "windows-31j", m.form->editor()->replaceSelection(u"〜"_s); // JIS form
    else if (what == "code page")
        m.platform.page = "no-such-code-page";
    else if (what == "full")
        limited.rlim_cur = 2; // the write fails part of the way, as on a full disk
    m.platform.setNextAnswer(QMessageBox::No);
    m.platform.setNextFileName(f[0] == "Open" ? bad : m.path(u"no/such/c.htm"_s));
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    f[0] == "Open"       ? m.form->documentCommands().open()
        : f[0] == "Save" ? m.form->documentCommands().save()
                         : m.form->documentCommands().saveAs();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(m.platform.messages.size(), f[0] == "Open" ? 2 : 1); // Open asks first
    if (f[2] != "0")
        QCOMPARE(m.platform.messages.last().title, errorBoxTitle(f[2].toInt()));
    QCOMPARE(m.form->caption(), u"a.htm (更新)"_s);
    QCOMPARE(readFileBytes(m.path(u"a.htm"_s)), "a\r\nb"_ba);
    if (f[0] != "Open") { // nothing is left beside the old file
        QCOMPARE(QDir(m.folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"a.htm", "b.htm"}));
        return;
    }
    // Save writes the text to its own file, not over the one that failed.
    m.form->documentCommands().save();
    QCOMPARE(readFileBytes(m.path(u"a.htm"_s)), m.form->editor()->text().toUtf8());
}

void TestMainWindow::previewAndHelpOpenTheirPages()
{
    Main m;
    m.platform.folder = m.path(u"program"_s);
    QVERIFY(QDir(m.folder.path()).mkdir(u"program"_s));
    m.open(u"a.htm"_s);
    m.form->editor()->setText(u"<p>送\r\rり\n</p>"_s);
    m.form->preview();
    const QString preview = m.path(u"program/_tmp.html"_s);
    QCOMPARE(m.platform.opened, QStringList {preview});
    m.form->documentCommands().save();
    // Written as a save writes, with the document's folder as the base of its links.
    const QByteArray base = "<base href=\"" + QUrl::fromLocalFile(m.folder.path() + u'/').toEncoded() + "\">";
    QCOMPARE(readFileBytes(preview), base + readFileBytes(m.path(u"a.htm"_s)));
    QCOMPARE(m.form->caption(), u"a.htm"_s);
    // A folder put at its place is refused, said whole under the program's title.
    QVERIFY(QFile::remove(preview) && QDir().mkdir(preview));
    m.platform.messages.clear();
    m.form->preview();
    QCOMPARE(m.platform.messages.value(0).title, u"Rubello"_s);
    QCOMPARE(m.platform.messages.value(0).text,
             u"プレビューファイルの場所に、自分の通常のファイルではないもの（リンク、フォルダー、"
             "ほかのユーザーのファイルなど）があるため、書き込みませんでした。\n"_s + preview);
    m.form->showHelp();
    QCOMPARE(m.platform.opened.last(), m.path(u"program/index.html"_s));
}

void TestMainWindow::previewWithoutItsModuleSaysSo()
{
    // A package without the module: a message in the pane's place, the editor unharmed.
    QTemporaryDir empty;
    qputenv("RUBELLO_PLUGIN_DIR", empty.path().toUtf8());
    auto unset = qScopeGuard([] { qunsetenv("RUBELLO_PLUGIN_DIR"); });
    Main m;
    m.form->show();
    m.form->previewPaneAction()->trigger();
    QVERIFY(!m.form->previewPane());
    auto *notice = qobject_cast<QLabel *>(m.form->previewWidget());
    QVERIFY(notice && notice->isVisible());
    QVERIFY(notice->text().startsWith(u"プレビューを表示できません。\n\n"_s));
    QTest::keyClicks(m.form->editor(), u"ok"_s);
    QCOMPARE(m.form->editor()->text(), u"ok"_s);
    m.form->previewPaneAction()->trigger();
    QVERIFY(notice->isHidden() && !m.form->previewShown());
}

void TestMainWindow::previewAsRootSaysSo()
{
    // Started as root, the engine would end the program with its unsaved text.
    if (::geteuid() != 0)
        QSKIP("needs root");
    const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    auto restore = qScopeGuard([&] {
        if (!sandbox.isNull())
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox);
    });
    Main m;
    m.form->show();
    QTest::keyClicks(m.form->editor(), u"unsaved"_s);
    m.form->previewPaneAction()->trigger();
    auto *notice = qobject_cast<QLabel *>(m.form->previewWidget());
    QVERIFY(notice && notice->isVisible());
    QVERIFY(notice->text().contains(u"root"_s));
    QCOMPARE(m.form->editor()->text(), u"unsaved"_s);
}

void TestMainWindow::editCommands()
{
    // command, text, start, length, clipboard, refuses, text, selection and clipboard after
    QFETCH(QByteArrayList, f);
    Main m;
    QClipboard *board = QGuiApplication::clipboard();
    const QHash<QByteArray, void (EditorCommands::*)()> commands
        = {{"undo", &EditorCommands::undo},   {"copy", &EditorCommands::copy},
           {"cut", &EditorCommands::cut},     {"delete", &EditorCommands::deleteSelection},
           {"paste", &EditorCommands::paste}, {"select all", &EditorCommands::selectAll},
           {"text colour", &EditorCommands::chooseTextColor},
           {"text colour cancelled", &EditorCommands::chooseTextColor}};
    if (f[0] == "text colour")
        m.platform.nextColor = QColor(Qt::red);
    if (!commands.contains(f[0])) {
        m.form->show();
        m.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m.form.get()));
        m.form->editor()->setFocus();
    }
    m.form->editor()->setText(caseText(f[1]));
    m.select(f[2].toInt(), f[3].toInt());
    board->setText(caseText(f[4]));
    bool takeBack = f[5] == "1";
    const auto connection = connect(board, &QClipboard::dataChanged, this, [&] {
        if (std::exchange(takeBack, false))
            board->setText(u"theirs"_s);
    });
    if (commands.contains(f[0]))
        (m.form->editorCommands().*commands.value(f[0]))();
    else
        QTest::keySequence(m.form->editor(), QKeySequence(QString::fromUtf8(f[0])));
    disconnect(connection);
    QCOMPARE(m.form->editor()->text(), caseText(f[6]));
    QCOMPARE(m.selection(), caseText(f[7]));
    QCOMPARE(board->text(), caseText(f.value(8)));
    QCOMPARE(m.platform.messages.size(), f[5] == "1" ? 1 : 0);
    if (f[0].startsWith("text colour"))
        QCOMPARE(m.form->editor()->textColour() == Qt::red, f[0] == "text colour");
}

void TestMainWindow::rubyCommand()
{
    // text, length, service reading, omit, kana option, proposed, selection at the dialog
    QFETCH(QByteArrayList, f);
    Main m;
    const QString text = caseText(f[0]), proposed = caseText(f[5]), base = caseText(f.value(6));
    m.form->editor()->setText(text);
    m.select(0, f[1].toInt());
    MecabPhoneticService mecab;
    if (f[2].isEmpty())
        m.platform.service = &mecab;
    m.platform.phonetic.readings.insert(text.left(f[1].toInt()), caseText(f[2]));
    m.form->omitOkuriganaCheck()->setChecked(f[3] == "1");
    m.form->kanaButton(f[4].toInt())->click();
    QString shownReading, shownSelection;
    QTimer::singleShot(0, m.form.get(), [&] {
        if (auto *dialog = qobject_cast<RubyDialog *>(QApplication::activeModalWidget())) {
            shownReading = dialog->readingBox()->text();
            shownSelection = m.form->editor()->selectedText();
            dialog->insertButton()->click();
        }
    });
    m.form->rubyCommands().insertRuby();
    QCOMPARE(shownReading, proposed);
    QCOMPARE(shownSelection, base);
    const QString element
        = "<ruby><rb>" + base + "</rb><rp>(</rp><rt>" + proposed + "</rt><rp>)</rp></ruby>";
    // A result given as text with {base|reading} for each element.
    QString expected = f.value(7).isEmpty() ? element + text.mid(base.size()) : caseText(f[7]);
    for (qsizetype at; (at = expected.indexOf(u'{')) >= 0;) {
        const qsizetype bar = expected.indexOf(u'|', at), end = expected.indexOf(u'}', bar);
        expected.replace(at, end + 1 - at,
                         "<ruby><rb>" + expected.mid(at + 1, bar - at - 1) + "</rb><rp>(</rp><rt>"
                             + expected.mid(bar + 1, end - bar - 1) + "</rt><rp>)</rp></ruby>");
    }
    QCOMPARE(m.form->editor()->text(), expected);
    // Ctrl+Z brings back the text before the insertion.
    m.form->editorCommands().undo();
    QCOMPARE(m.form->editor()->text(), text);
}

void TestMainWindow::rubyInBlock_data()
{
    QTest::addColumn<QString>("text"); // the selection in brackets
    QTest::addColumn<QString>("proposed");
    QTest::newRow("a line break inside the block: 等 after Latin words")
        << u"<p>mc や vim\n[等]のいくつかの端末。</p>"_s << u"など"_s;
    QTest::newRow("a tag inside the word: 行 of 行った") << u"<a href=x>[行]</a>った"_s << u"い"_s;
    QTest::newRow("a line break between Japanese characters: 首 of 首都")
        << u"<p>日本の[首]\n都</p>"_s << u"しゅ"_s;
}

// F5 reads the selection in its block's sentence, as whole-page ruby does.
void TestMainWindow::rubyInBlock()
{
    QFETCH(QString, text);
    MecabPhoneticService mecab;
    if (!mecab.reading(u"漢字"_s))
        QSKIP("MeCab with IPADIC is not installed");
    Main m;
    m.platform.service = &mecab;
    const qsizetype start = text.indexOf(u'['), length = text.indexOf(u']') - start - 1;
    m.form->editor()->setText(text.remove(u'[').remove(u']'));
    m.select(int(start), int(length));
    m.form->kanaButton(1)->click();
    QString shown;
    QTimer::singleShot(0, m.form.get(), [&] {
        if (auto *dialog = qobject_cast<RubyDialog *>(QApplication::activeModalWidget())) {
            shown = dialog->readingBox()->text();
            dialog->reject();
        }
    });
    m.form->rubyCommands().insertRuby();
    QTEST(shown, "proposed");
}

// Without its list of names and rare words F5 still reads, and says why once.
void TestMainWindow::unreadableWordListSaidOnce()
{
    Main m;
    const RareWordList missing(m.path(u"missing.skk"_s));
    QVERIFY(missing.isEmpty()); // read, as the window does a moment after it starts
    m.platform.wordList = &missing;
    m.platform.phonetic.readings.insert(u"漢字"_s, u"カンジ"_s);
    m.form->editor()->setText(u"漢字"_s);
    QString proposed;
    const auto pressF5 = [&] {
        m.select(0, 2);
        m.form->statusBar()->clearMessage();
        QTimer::singleShot(0, m.form.get(), [&proposed] {
            if (auto *dialog = qobject_cast<RubyDialog *>(QApplication::activeModalWidget())) {
                proposed = dialog->readingBox()->text();
                dialog->reject();
            }
        });
        m.form->rubyCommands().insertRuby();
        return m.form->statusBar()->currentMessage();
    };
    const QString said = pressF5();
    QVERIFY2(said.contains(m.path(u"missing.skk"_s)) && said.contains(u"skkdic"), qPrintable(said));
    QCOMPARE(proposed, u"かんじ"_s);
    QCOMPARE(pressF5(), QString());
}

void TestMainWindow::rubyInsertion()
{
    QFETCH(QByteArrayList, f); // text, start, length, reading, attribute, opening tag
    const QString text = caseText(f[0]), reading = caseText(f[3]);
    const int start = f[1].toInt(), length = f[2].toInt();
    const QString element = "<ruby><rb>" + text.mid(start, length) + "</rb><rp>(</rp>"
        + caseText(f[5]) + reading + "</rt><rp>)</rp></ruby>";
    Main m;
    m.form->editor()->setText(text);
    m.select(start, length);
    m.form->rubyCommands().insertElement(text.mid(start, length),
                                         {reading, caseText(f[4]), f[4] != "-"});
    QCOMPARE(m.form->editor()->text(), text.left(start) + element + text.mid(start + length));
    QCOMPARE(m.selection(), u"%1+%2"_s.arg(start).arg(element.size())); // the element selected
    // The next opening starts from the attribute as it was left.
    QCOMPARE(m.form->rubyCommands().rubyForm().withAttribute, f[4] != "-");
    m.form->editorCommands().undo();
    QCOMPARE(m.form->editor()->text(), text);
}

void TestMainWindow::searchCommands()
{
    // text, start, length, search, replacement, from the top, exact, commands, texts,
    // selections, end messages
    QFETCH(QByteArrayList, f);
    Main m;
    m.form->show();
    const QString text = caseText(f[0]);
    m.form->editor()->setText(text);
    m.select(f[1].toInt(), f[2].toInt());
    m.form->showSearch();
    auto *search = qobject_cast<SearchDialog *>(m.form->searchDialog());
    QVERIFY(search);
    search->searchEdit()->setText(caseText(f[3]));
    search->replaceCheck()->setChecked(true);
    search->replaceEdit()->setText(caseText(f[4]));
    search->fromTopCheck()->setChecked(f[5] == "1");
    search->exactCheck()->setChecked(f[6] == "1");
    const QStringList texts = caseText(f[8]).split(u" / "_s),
                      selections = caseText(f[9]).split(u" / "_s),
                      messages = caseText(f[10]).split(u" / "_s);
    for (qsizetype i = 0; i < f[7].size(); ++i) {
        QPushButton *button = f[7][i] == 'S' ? search->findButton()
            : f[7][i] == 'R'                 ? search->replaceButton()
                                             : search->replaceAllButton();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m.form->editor()->text(), texts[i] == "="_L1 ? text : texts[i]);
        QCOMPARE(m.selection(), selections[i]);
        QCOMPARE(m.platform.messages.size(), messages[i].toInt());
        QVERIFY(!search->fromTopCheck()->isChecked());
    }
    for (const FakePlatform::Message &message : std::as_const(m.platform.messages))
        QCOMPARE(message.text, u"文書の検索が終わりました。"_s);
}

void TestMainWindow::searchWindowOpensAfreshAndKeepsItsStateWhileOpen()
{
    Main m;
    m.form->show();
    m.form->editor()->setText(u"abc def"_s);
    m.select(4, 3);
    for (int opening = 0; opening < 2; ++opening) {
        m.form->showSearch();
        QPointer<SearchDialog> search = qobject_cast<SearchDialog *>(m.form->searchDialog());
        QCOMPARE(search->searchEdit()->text(), u"def"_s);
        QVERIFY(search->fromTopCheck()->isChecked() && !search->exactCheck()->isChecked());
        search->searchEdit()->setText(u"typed"_s);
        m.form->showSearch(); // only brought to the front, its boxes as they are
        QCOMPARE(m.form->searchDialog(), search.data());
        QCOMPARE(search->searchEdit()->text(), u"typed"_s);
        QTest::keyClick(search->searchEdit(), Qt::Key_Escape);
        QTRY_VERIFY(search.isNull()); // deleted, never merely hidden
    }
    m.form->showSearch(); // the main window takes it along when it closes
    m.platform.setNextAnswer(QMessageBox::No);
    QVERIFY(m.form->close());
    QVERIFY(!m.form->searchDialog() || !m.form->searchDialog()->isVisible());
}

void TestMainWindow::filePatterns()
{
    QFETCH(QByteArrayList, f); // name, pattern, matches
    QCOMPARE(matchesFilePattern(caseText(f[0]), caseText(f[1])), f[2] == "1");
}

void TestMainWindow::filePanelListsLoadsAndReports()
{
    Main m;
    for (const char *name : {"c.txt", "README", "page10.htm", "page9.html", "B.HTM", "c.xhtml"})
        QVERIFY(writeFileBytes(m.path(QString::fromLatin1(name)), "text\r\n"));
    MainWindow &form = *m.form;
    form.fileList()->setPath(m.folder.path()); // listed again, with the new files
    QStringList names;
    for (int i = 0; i < form.fileList()->count(); ++i)
        names.append(form.fileList()->item(i)->text());
    QCOMPARE(names, QStringList({"a.htm", "B.HTM", "b.htm", "c.xhtml", "page9.html", "page10.htm"}));
    form.htmlOnlyCheck()->click(); // all files, names without a dot too
    QCOMPARE(form.fileList()->count(), 8);
    QCOMPARE(form.fileList()->item(7)->text(), u"README"_s);
    form.htmlOnlyCheck()->click();
    QCOMPARE(form.fileList()->count(), 6);
    // A double-click on a file loads it at once; of dropped files the first is loaded.
    form.fileList()->setCurrentRow(2);
    emit form.fileList()->itemDoubleClicked(form.fileList()->currentItem());
    QCOMPARE(form.editor()->text(), u"漢字\r\n"_s);
    form.openDroppedFiles({m.path(u"c.txt"_s), m.path(u"a.htm"_s)});
    QCOMPARE(form.caption(), u"c.txt"_s);
    // A folder that vanished is reported; the lists stay.
    form.showFolderInPanel(m.path(u"gone/"_s));
    QCOMPARE(m.platform.messages.size(), 1);
    QCOMPARE(m.platform.messages[0].title, errorBoxTitle(ENOENT));
    QCOMPARE(form.fileList()->path(), form.folderList()->path());
}

void TestMainWindow::fileDialogsStartWithAFullPath()
{
    QFETCH(QByteArrayList, f); // document, panel folder, highlighted, command, start
    Main m;
    QVERIFY(QDir(m.folder.path()).mkdir(u"sub"_s));
    QVERIFY(writeFileBytes(m.path(u"sub/c.htm"_s), "c"));
    if (f[0] != "-")
        m.open(QString::fromUtf8(f[0]));
    m.form->showFolderInPanel(QDir::cleanPath(m.path(QString::fromUtf8(f[1]))));
    FileList *files = m.form->fileList();
    files->clearSelection();
    for (int i = 0; i < files->count(); ++i)
        if (files->item(i)->text() == QString::fromUtf8(f[2]))
            files->setCurrentRow(i);
    QDir::setCurrent(QDir::rootPath()); // the process's folder plays no part
    QString preset = u"<not asked>"_s;
    m.platform.scripts.append([&preset](const QString &start) {
        preset = start;
        return std::optional<QString>();
    });
    if (f[3] == "open")
        m.form->documentCommands().open();
    else
        m.form->documentCommands().saveAs();
    QCOMPARE(preset, QDir::cleanPath(m.path(QString::fromUtf8(f[4]))));
}

void TestMainWindow::panelCaptionsFitALargeFont()
{
    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPixelSize(24);
    QApplication::setFont(large);
    Main m;
    QApplication::setFont(normal);
    for (QRadioButton *button : m.form->findChildren<QRadioButton *>())
        button->setFont(large); // the options' own font, larger too
    m.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m.form.get()));
    const QList<QWidget *> captioned {m.form->kanaButton(0), m.form->kanaButton(1), m.form->kanaButton(2),
                                      m.form->omitOkuriganaCheck(), m.form->htmlOnlyCheck()};
    for (QWidget *widget : captioned) {
        const QString what = widget->property("text").toString();
        QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(what));
        QVERIFY2(widget->height() >= widget->sizeHint().height(), qPrintable(what));
        QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), qPrintable(what));
    }
}

void TestMainWindow::statusAndKeys()
{
    QFETCH(QByteArrayList, f); // text, start, length, command, search box, status bar
    Main m;
    m.form->show();
    m.form->editor()->setText(caseText(f[0]));
    m.select(f[1].toInt(), f[2].toInt());
    const QString command = caseText(f[3]);
    if (command == u"F5") {
        m.form->rubyCommands().insertRuby();
        QCOMPARE(m.form->editor()->text(), caseText(f[0]));
    } else {
        m.form->showSearch();
        auto *search = qobject_cast<SearchDialog *>(m.form->searchDialog());
        QVERIFY(search);
        QVERIFY(QTest::qWaitForWindowActive(search));
        if (command.startsWith(u"keys ")) {
            QTest::keySequence(search->searchEdit(), QKeySequence(command.mid(5)));
        } else {
            const QStringList parts = command.section(u' ', -1).split(u'>');
            search->searchEdit()->setText(parts[0]);
            search->exactCheck()->setChecked(command.contains(u" exact "));
            search->replaceCheck()->setChecked(true);
            search->replaceEdit()->setText(parts[1]);
            search->replaceAllButton()->click();
        }
        QCOMPARE(search->searchEdit()->text(), caseText(f[4]));
    }
    QCOMPARE(m.form->statusBar()->currentMessage(), caseText(f.value(5)));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
