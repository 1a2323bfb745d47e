#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"
#include "randomcase.h"
#include "ui/formsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Start and length, as the editor counts.
using Selection = std::pair<int, int>;

// A main window over a document just loaded: unchanged, titled "Rubello".
struct Fixture
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form {module, platform};

    explicit Fixture(const QString &text = QString(), Selection selection = {0, 0})
    {
        form.show();
        form.RTB1->setText(text);
        select(selection);
        form.mModified = kFalse;
        form.setCaption(QStringLiteral("Rubello"));
    }

    void select(Selection selection)
    {
        form.RTB1->setSelStart(selection.first);
        form.RTB1->setSelLength(selection.second);
    }

    FormSearch *open()
    {
        form.MSSearch_Click();
        return qobject_cast<FormSearch *>(form.searchForm.data());
    }

    Selection selection() const { return {form.RTB1->SelStart(), form.RTB1->SelLength()}; }
};

QList<QWidget *> replaceControls(FormSearch *search)
{
    return {search->LabelReplace, search->TextReplace, search->ComReplace, search->ComAllReplace};
}

} // namespace

class TestFormSearch : public QObject
{
    Q_OBJECT

private slots:
    void captionsLayoutAndTabOrder();
    void openingStates_data();
    void openingStates();
    void reopeningWhileOpenThenClosingTheMainWindow();
    void keyboardAndEnabledControls();
    void commands_data();
    void commands();
    void replaceAllWritesOneEdit();
    void replaceAllMatchesRepeatedReplace_data();
    void replaceAllMatchesRepeatedReplace();
};

void TestFormSearch::captionsLayoutAndTabOrder()
{
    Fixture fixture;
    FormSearch *search = fixture.open();
    QCOMPARE(search->windowTitle(), QStringLiteral("検索と置換"));
    const std::pair<QWidget *, QString> captions[]
        = {{search->LabelSearch, QStringLiteral("検索する文字列 (&F)：")},
           {search->LabelReplace, QStringLiteral("置換する文字列 (&I)：")},
           {search->CheckReplace, QStringLiteral("置換も行う")},
           {search->CheckStr, QStringLiteral("大/小文字、全/半角、カナ/ひらがなを区別する")},
           {search->CheckTop, QStringLiteral("先頭から検索する")},
           {search->ComSearch, QStringLiteral("検索 (&S)")},
           {search->ComReplace, QStringLiteral("置換 (&R)")},
           {search->ComAllReplace, QStringLiteral("全て置換 (&A)")},
           {search->ComCancel, QStringLiteral("閉じる")}};
    for (const auto &[widget, caption] : captions)
        QCOMPARE(widget->property("text").toString(), caption);
    QCOMPARE(search->ComSearch->toolTip(), QStringLiteral("Enterキー"));
    QCOMPARE(search->ComCancel->toolTip(), QStringLiteral("Escキー"));
    QCOMPARE(search->LabelSearch->buddy(), search->TextSearch);
    QCOMPARE(search->LabelReplace->buddy(), search->TextReplace);

    // A fixed frame of 6090 x 2775 twips, without minimise or maximise.
    QCOMPARE(search->size(), QSize(406, 185));
    QCOMPARE(search->minimumSize(), search->maximumSize());
    QVERIFY(!(search->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(search->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(search->testAttribute(Qt::WA_DeleteOnClose));
    // Captions keep their left edges and middles and are never cut off.
    const std::pair<QWidget *, QPoint> captioned[] = {{search->LabelSearch, {8, 14}},
                                                      {search->LabelReplace, {8, 62}},
                                                      {search->CheckReplace, {16, 118}},
                                                      {search->CheckStr, {16, 142}},
                                                      {search->CheckTop, {16, 166}}};
    for (const auto &[widget, leftAndMiddle] : captioned) {
        QCOMPARE(widget->x(), leftAndMiddle.x());
        QVERIFY(qAbs(widget->geometry().center().y() - leftAndMiddle.y()) <= 1);
        QVERIFY(widget->width() >= widget->sizeHint().width());
        QVERIFY(widget->height() >= widget->sizeHint().height());
        QVERIFY(search->rect().contains(widget->geometry()));
    }
    QVERIFY(search->CheckStr->geometry().right() < search->ComCancel->x());

    const QList<QWidget *> order {search->TextSearch,   search->TextReplace,   search->ComSearch,
                                  search->ComReplace,   search->ComAllReplace, search->ComCancel,
                                  search->CheckReplace, search->CheckStr,      search->CheckTop};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, order[i + 1]);
    }
}

// Every opening, the first or one after a close, starts from the same states with
// the editor's selection as the search text.
void TestFormSearch::openingStates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Selection>("selection");
    QTest::addColumn<QString>("closedBy");
    QTest::addColumn<QString>("searchText");

    const QString word(40000, u'語');
    QTest::newRow("first: the selection") << "xx abc yy" << Selection {3, 3} << ""
                                          << "abc";
    QTest::newRow("first: no selection, empty") << "xx abc yy" << Selection {4, 0} << ""
                                                << "";
    QTest::newRow("first: a selection longer than a line edit's default limit, whole")
        << "x" + word + "y" << Selection {1, 40000} << "" << word;
    QTest::newRow("after Esc in the search box") << "abc def" << Selection {4, 3} << "esc in box"
                                                 << "def";
    QTest::newRow("after 閉じる") << "abc def" << Selection {4, 3} << "button"
                                  << "def";
    QTest::newRow("after the frame's close box") << "abc def" << Selection {4, 3} << "close"
                                                 << "def";
}

void TestFormSearch::openingStates()
{
    QFETCH(QString, text);
    QFETCH(Selection, selection);
    QFETCH(QString, closedBy);
    QFETCH(QString, searchText);
    Fixture fixture(text, selection);

    if (!closedBy.isEmpty()) {
        QPointer<FormSearch> first = fixture.open();
        first->TextSearch->setText(QStringLiteral("typed"));
        first->CheckReplace->setChecked(true);
        first->TextReplace->setText(QStringLiteral("other"));
        first->CheckStr->setChecked(true);
        first->CheckTop->setChecked(false);
        if (closedBy == QStringLiteral("esc in box"))
            QTest::keyClick(first->TextSearch, Qt::Key_Escape);
        else if (closedBy == QStringLiteral("button"))
            QTest::mouseClick(first->ComCancel, Qt::LeftButton);
        else
            first->close();
        QCOMPARE(fixture.module.gSearchLoaded, kFalse);
        QTRY_VERIFY(first.isNull()); // deleted, never merely hidden
    }

    FormSearch *search = fixture.open();
    QVERIFY(search && search->isVisible() && !search->isModal());
    QCOMPARE(search->parentWidget(), &fixture.form);
    QCOMPARE(fixture.module.gSearchLoaded, kTrue);
    QCOMPARE(search->TextSearch->text(), searchText);
    QCOMPARE(search->TextSearch->selectedText(), searchText);
    QCOMPARE(search->focusWidget(), search->TextSearch);
    QVERIFY(QTest::qWaitForWindowActive(search));
    QCOMPARE(QApplication::focusWidget(), search->TextSearch);
    QCOMPARE(search->ComSearch->isEnabled(), !searchText.isEmpty());
    QVERIFY(search->ComSearch->isDefault());
    QVERIFY(search->CheckTop->isChecked());
    QVERIFY(!search->CheckStr->isChecked());
    QVERIFY(!search->CheckReplace->isChecked());
    for (QWidget *control : replaceControls(search))
        QVERIFY(!control->isEnabled());
    QCOMPARE(search->TextReplace->text(), QString());
    // Opening leaves the document as it was.
    QCOMPARE(fixture.selection(), selection);
    QCOMPARE(fixture.form.mModified, kFalse);

    if (!searchText.isEmpty()) {
        search->ComSearch_Click();
        QCOMPARE(fixture.selection(), selection);
        QVERIFY(fixture.platform.messages.isEmpty());
    }
}

// Ctrl+F on an open window only brings it to the front; the main window takes it
// along when it closes.
void TestFormSearch::reopeningWhileOpenThenClosingTheMainWindow()
{
    Fixture fixture(QStringLiteral("abc def"), {0, 3});
    QPointer<FormSearch> search = fixture.open();
    search->TextSearch->setText(QStringLiteral("typed"));
    search->CheckReplace->setChecked(true);
    search->TextReplace->setText(QStringLiteral("other"));
    search->CheckStr->setChecked(true);
    search->CheckTop->setChecked(false);
    fixture.select({4, 3});

    QCOMPARE(fixture.open(), search);
    QCOMPARE(search->TextSearch->text(), QStringLiteral("typed"));
    QCOMPARE(search->TextReplace->text(), QStringLiteral("other"));
    QVERIFY(search->CheckReplace->isChecked());
    QVERIFY(search->ComAllReplace->isEnabled());
    QVERIFY(search->CheckStr->isChecked());
    QVERIFY(!search->CheckTop->isChecked());
    QCOMPARE(fixture.module.gSearchLoaded, kTrue);

    QVERIFY(fixture.form.close());
    QCOMPARE(fixture.module.gSearchLoaded, kFalse);
    QVERIFY(search.isNull() || !search->isVisible());
}

// Search is enabled by a search text, and Enter clicks it; the replace controls
// follow the tick box alone.
void TestFormSearch::keyboardAndEnabledControls()
{
    Fixture fixture(QStringLiteral("one\r\ntwo word\r\nword"), {0, 0});
    FormSearch *search = fixture.open();
    search->activateWindow();
    QTest::keyClicks(search->TextSearch, QStringLiteral("word"));
    QVERIFY(search->ComSearch->isEnabled());
    QTest::keyClick(search->TextSearch, Qt::Key_Return);
    QCOMPARE(fixture.selection(), (Selection {9, 4}));
    QCOMPARE(fixture.form.RTB1->SelText(), QStringLiteral("word"));
    QVERIFY(!search->CheckTop->isChecked());
    QVERIFY(fixture.platform.messages.isEmpty());

    QTest::mouseClick(search->CheckReplace, Qt::LeftButton);
    for (QWidget *control : replaceControls(search))
        QVERIFY(control->isEnabled());
    search->TextSearch->selectAll();
    QTest::keyClick(search->TextSearch, Qt::Key_Backspace);
    QVERIFY(!search->ComSearch->isEnabled());
    for (QWidget *control : replaceControls(search))
        QVERIFY(control->isEnabled());
    QTest::mouseClick(search->CheckReplace, Qt::LeftButton);
    for (QWidget *control : replaceControls(search))
        QVERIFY(!control->isEnabled());
}

// Each command is a letter: S Search, R Replace, A Replace all. After each the
// editor's text (an empty list: never changed), its selection and the number of
// end messages so far are checked.
void TestFormSearch::commands_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Selection>("selection");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<QString>("replaceText");
    QTest::addColumn<bool>("top");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<Selection>>("selections");
    QTest::addColumn<QList<int>>("messages");
    const auto row = [](const char *name, const QString &text, Selection selection,
                        const QString &searchText, const QString &replaceText, bool top, bool exact,
                        const QString &commands, const QStringList &texts,
                        const QList<Selection> &selections, const QList<int> &messages) {
        QTest::newRow(name) << text << selection << searchText << replaceText << top << exact
                            << commands << texts << selections << messages;
    };
    const bool loose = false;
    const bool exact = true;

    row("search: aa in aaaa selects 1 and 3, then ends", "aaaa", {0, 0}, "aa", "", true, exact,
        "SSS", {}, {{0, 2}, {2, 2}, {2, 2}}, {0, 0, 1});
    row("search: from the top although the caret is below", "abc abc", {5, 0}, "abc", "", true,
        exact, "SS", {}, {{0, 3}, {4, 3}}, {0, 0});
    row("search: no wrap-around, the end is reported again", "abc abc", {5, 0}, "abc", "", false,
        exact, "SS", {}, {{5, 0}, {5, 0}}, {1, 2});
    row("search: across line ends", "x\r\nab\r\nab", {0, 0}, "ab", "", true, exact, "SS", {},
        {{3, 2}, {7, 2}}, {0, 0});
    row("search loose: abc finds ABC, then ａｂｃ, then abc", "ABC ａｂｃ abc", {0, 0}, "abc", "",
        true, loose, "SSS", {}, {{0, 3}, {4, 3}, {8, 3}}, {0, 0, 0});
    row("search exact: abc finds only abc", "ABC ａｂｃ abc", {0, 0}, "abc", "", true, exact, "SS",
        {}, {{8, 3}, {8, 3}}, {0, 1});
    row("replace with CheckTop: nothing replaced, then the first is replaced", "a-a", {0, 1}, "a",
        "b", true, exact, "RRR", {"a-a", "b-a", "b-b"}, {{0, 1}, {2, 1}, {3, 0}}, {0, 0, 1});
    row("replace: selection not the search text is skipped", "ab a", {0, 2}, "a", "b", false, exact,
        "R", {}, {{3, 1}}, {0});
    row("replace loose: selection ＡＢＣ is the search text", "ＡＢＣ abc", {0, 3}, "abc", "x",
        false, loose, "R", {"x abc"}, {{2, 3}}, {0});
    row("replace exact: selection ＡＢＣ is not the search text", "ＡＢＣ abc", {0, 3}, "abc", "x",
        false, exact, "R", {}, {{4, 3}}, {0});
    row("replace all: a to aa on a-a with CheckTop ends once", "a-a", {0, 0}, "a", "aa", true,
        exact, "A", {"aa-aa"}, {{5, 0}}, {1});
    row("replace all: text before the start is untouched", "a a a a", {4, 1}, "a", "b", false,
        exact, "A", {"a a b b"}, {{7, 0}}, {1});
    row("replace all loose: every form of かな", "カナ\r\nｶﾅ かな", {0, 0}, "かな", "仮名", true,
        loose, "A", {"仮名\r\n仮名 仮名"}, {{9, 0}}, {1});
    row("replace all exact: only かな itself", "カナ\r\nｶﾅ かな", {0, 0}, "かな", "仮名", true,
        exact, "A", {"カナ\r\nｶﾅ 仮名"}, {{9, 0}}, {1});
    row("replace all: ab to aab is not matched again", "abab", {0, 0}, "ab", "aab", true, loose,
        "A", {"aabaab"}, {{6, 0}}, {1});
    row("replace all: aa in aaaa, two occurrences", "aaaa", {0, 0}, "aa", "b", true, exact, "A",
        {"bb"}, {{2, 0}}, {1});
    row("replace all: text before the caret is untouched", "a a a a", {3, 0}, "a", "b", false,
        exact, "A", {"a a b b"}, {{7, 0}}, {1});
    row("replace all with CheckTop: above the selection too", "a a", {2, 1}, "a", "b", true, exact,
        "A", {"b b"}, {{3, 0}}, {1});
    row("replace all: empty replacement deletes", "a-a", {0, 0}, "a", "", true, exact, "A", {"-"},
        {{1, 0}}, {1});
    row("replace all: line ends replaced", "x\r\ny\r\nx", {0, 0}, "\r\n", "-", true, exact, "A",
        {"x-y-x"}, {{4, 0}}, {1});
    row("replace all: a CR in the replacement becomes the document's LF", "a\nb\n", {0, 0}, "a",
        "x\r", true, exact, "A", {"x\n\nb\n"}, {{2, 0}}, {1});
    row("replace all: line ends replaced by a CR stay the document's LF", "a\n\n", {0, 0}, "\n",
        "\r", true, exact, "A", {"a\n\n"}, {{3, 0}}, {1});
    row("replace all with nothing to find keeps the selection", "abc", {1, 1}, "x", "y", false,
        exact, "A", {}, {{1, 1}}, {1});
    row("replace all twice: the second reports the end only", "a-a", {0, 0}, "a", "b", true, exact,
        "AA", {"b-b", "b-b"}, {{3, 0}, {3, 0}}, {1, 2});
    row("empty search: replace inserts nothing and ends", "abc", {1, 0}, "", "x", false, exact, "R",
        {}, {{1, 0}}, {1});
    row("empty search: replace all inserts nothing and ends", "abc", {1, 0}, "", "x", false, loose,
        "A", {}, {{1, 0}}, {1});
}

void TestFormSearch::commands()
{
    QFETCH(QString, text);
    QFETCH(Selection, selection);
    QFETCH(QString, searchText);
    QFETCH(QString, replaceText);
    QFETCH(bool, top);
    QFETCH(bool, exact);
    QFETCH(QString, commands);
    QFETCH(QStringList, texts);
    QFETCH(QList<Selection>, selections);
    QFETCH(QList<int>, messages);

    Fixture fixture(text, selection);
    fixture.module.gUndoText = QStringLiteral("snapshot");
    FormSearch *search = fixture.open();
    search->TextSearch->setText(searchText);
    search->CheckReplace->setChecked(true);
    search->TextReplace->setText(replaceText);
    search->CheckTop->setChecked(top);
    search->CheckStr->setChecked(exact);

    for (qsizetype i = 0; i < commands.size(); ++i) {
        switch (commands.at(i).unicode()) {
        case u'S':
            search->ComSearch_Click();
            break;
        case u'R':
            QTest::mouseClick(search->ComReplace, Qt::LeftButton);
            break;
        default:
            QTest::mouseClick(search->ComAllReplace, Qt::LeftButton);
            break;
        }
        QCOMPARE(fixture.form.RTB1->Text(), texts.isEmpty() ? text : texts.at(i));
        QCOMPARE(fixture.selection(), selections.at(i));
        QCOMPARE(fixture.platform.messages.size(), messages.at(i));
        QVERIFY(!search->CheckTop->isChecked());
    }
    // Replacements go through the editor: the document is marked modified and the
    // undo snapshot is left alone.
    const bool replaced = !texts.isEmpty();
    QCOMPARE(fixture.form.mModified, replaced ? kTrue : kFalse);
    QCOMPARE(fixture.form.Caption(),
             replaced ? QStringLiteral("Rubello (更新)") : QStringLiteral("Rubello"));
    QCOMPARE(fixture.module.gUndoText, QStringLiteral("snapshot"));
    for (const FakePlatform::Message &message : std::as_const(fixture.platform.messages)) {
        QCOMPARE(message.text, QStringLiteral("文書の検索が終わりました。"));
        QCOMPARE(message.title, QStringLiteral("検索終了"));
        QCOMPARE(message.icon, QMessageBox::Information);
        QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestFormSearch::replaceAllWritesOneEdit()
{
    // The lines before the first and after the last occurrence are not rewritten.
    Fixture fixture(QStringLiteral("head\r\nx b x\r\nmid\r\nx\r\ntail"), {0, 0});
    const QTextBlock firstBlock = fixture.form.RTB1->document()->firstBlock();
    const QTextBlock lastBlock = fixture.form.RTB1->document()->lastBlock();
    int changes = 0;
    QObject::connect(fixture.form.RTB1, &EditorControl::Change, [&changes] { ++changes; });
    FormSearch *search = fixture.open();
    search->TextSearch->setText(QStringLiteral("x"));
    search->TextReplace->setText(QStringLiteral("[x]"));
    search->ComAllReplace_Click();
    QCOMPARE(fixture.form.RTB1->Text(), QStringLiteral("head\r\n[x] b [x]\r\nmid\r\n[x]\r\ntail"));
    QCOMPARE(changes, 1);
    QVERIFY(firstBlock.isValid() && firstBlock.text() == QStringLiteral("head"));
    QVERIFY(lastBlock.isValid() && lastBlock.text() == QStringLiteral("tail"));
    QCOMPARE(fixture.platform.messages.size(), 1);
}

void TestFormSearch::replaceAllMatchesRepeatedReplace_data()
{
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QStringList>("alphabet");
    QTest::addColumn<quint32>("seed");
    const QStringList forms {"a", "A", "ａ", "か", "カ", "ｶ", "ﾞ", "゛", "-"};
    const QStringList lineEnds {"a", "\r\n", "\n", "\r"};
    QTest::newRow("exact, letter and kana forms") << true << forms << 11u;
    QTest::newRow("loose, letter and kana forms") << false << forms << 12u;
    QTest::newRow("exact, line ends") << true << lineEnds << 13u;
    QTest::newRow("loose, line ends") << false << lineEnds << 14u;
}

// The fast Replace all against Replace clicked until the end message, both in the
// real window over the real editor, on random documents.
void TestFormSearch::replaceAllMatchesRepeatedReplace()
{
    QFETCH(bool, exact);
    QFETCH(QStringList, alphabet);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    Fixture fixture;
    FormSearch *search = fixture.open();
    search->CheckReplace->setChecked(true);
    search->CheckStr->setChecked(exact);
    EditorControl *editor = fixture.form.RTB1;
    for (int round = 0; round < 600; ++round) {
        const RandomCase drawn = RandomCase::draw(random, alphabet, 16);
        const Selection selection {int(drawn.selStart), int(drawn.selLength)};
        search->TextSearch->setText(drawn.search);
        search->TextReplace->setText(drawn.replacement);
        const auto startOver = [&] {
            editor->setText(drawn.text);
            fixture.select(selection);
            search->CheckTop->setChecked(drawn.fromTop);
            fixture.platform.messages.clear();
        };

        startOver();
        search->ComAllReplace_Click();
        const QString fastText = editor->Text();
        const Selection fastSelection = fixture.selection();
        QCOMPARE(fixture.platform.messages.size(), 1);

        startOver();
        int passes = 0;
        while (fixture.platform.messages.isEmpty() && passes++ < 1000)
            search->ComReplace_Click();
        const QByteArray context = drawn.describe();
        QVERIFY2(fixture.platform.messages.size() == 1, context.constData());
        QVERIFY2(editor->Text() == fastText, context.constData());
        QVERIFY2(fixture.selection() == fastSelection, context.constData());
        QVERIFY(!search->CheckTop->isChecked());
        QCOMPARE(search->searchEnded(), kTrue);
    }
}

QTEST_MAIN(TestFormSearch)
#include "tst_formsearch.moc"
