#include "app/editorcontrol.h"
#include "app/formmain.h"
#include "fakeplatform.h"
#include "search/formsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

struct Selection
{
    int start;
    int length;
};

// A main window with its search window open over a document.
struct Fixture
{
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form{module, platform};

    explicit Fixture(const QString &text = QString(), Selection selection = {0, 0})
    {
        form.show();
        form.RTB1->setText(text);
        select(selection);
        // A document just loaded: unchanged.
        form.mModified = kFalse;
        form.setCaption(QStringLiteral("Rubello"));
    }

    void select(Selection selection)
    {
        form.RTB1->setSelStart(selection.start);
        form.RTB1->setSelLength(selection.length);
    }

    FormSearch *open()
    {
        form.MSSearch_Click();
        return qobject_cast<FormSearch *>(form.searchForm.data());
    }

    Selection selection() const { return {form.RTB1->SelStart(), form.RTB1->SelLength()}; }
};

bool operator==(Selection a, Selection b)
{
    return a.start == b.start && a.length == b.length;
}

char *toString(const Selection &selection)
{
    return QTest::toString(QStringLiteral("%1+%2").arg(selection.start).arg(selection.length));
}

QString shown(QString text)
{
    return text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
}

} // namespace

Q_DECLARE_METATYPE(Selection)

class TestFormSearch : public QObject
{
    Q_OBJECT

private slots:
    void opensAsDesigned();
    void opensWithALongSelectionWhole();
    void opensEmptyWithoutSelection();
    void layoutAndTabOrder();
    void searchButtonFollowsTheSearchText();
    void checkReplaceEnablesTheReplaceControls_data();
    void checkReplaceEnablesTheReplaceControls();
    void reopeningWhileOpenKeepsEverything();
    void closingAndReopeningRestoresTheOpeningStates_data();
    void closingAndReopeningRestoresTheOpeningStates();
    void enterSearchesAndSelects();
    void commands_data();
    void commands();
    void replacingMarksTheDocumentAndKeepsTheUndoSnapshot_data();
    void replacingMarksTheDocumentAndKeepsTheUndoSnapshot();
    void replaceAllWritesOneEdit();
    void replaceAllMatchesRepeatedReplace_data();
    void replaceAllMatchesRepeatedReplace();
    void mainWindowClosesTheSearchWindow();
};

void TestFormSearch::opensAsDesigned()
{
    Fixture fixture(QStringLiteral("xx abc yy"), {3, 3});
    FormSearch *search = fixture.open();
    QVERIFY(search);
    QVERIFY(search->isVisible());
    QVERIFY(!search->isModal());
    QCOMPARE(search->parentWidget(), &fixture.form);
    QCOMPARE(search->windowTitle(), QStringLiteral("検索と置換"));
    QCOMPARE(fixture.module.gSearchLoaded, kTrue);

    QCOMPARE(search->TextSearch->text(), QStringLiteral("abc"));
    QCOMPARE(search->TextSearch->selectedText(), QStringLiteral("abc"));
    QCOMPARE(search->focusWidget(), search->TextSearch);
    QVERIFY(QTest::qWaitForWindowActive(search));
    QCOMPARE(QApplication::focusWidget(), search->TextSearch);
    QVERIFY(search->ComSearch->isEnabled());
    QVERIFY(search->ComSearch->isDefault());
    QVERIFY(search->CheckTop->isChecked());
    QVERIFY(!search->CheckStr->isChecked());
    QVERIFY(!search->CheckReplace->isChecked());
    QVERIFY(!search->LabelReplace->isEnabled());
    QVERIFY(!search->TextReplace->isEnabled());
    QVERIFY(!search->ComReplace->isEnabled());
    QVERIFY(!search->ComAllReplace->isEnabled());
    QVERIFY(search->ComCancel->isEnabled());
    QCOMPARE(search->TextReplace->text(), QString());

    QCOMPARE(search->LabelSearch->text(), QStringLiteral("検索する文字列 (&F)："));
    QCOMPARE(search->LabelReplace->text(), QStringLiteral("置換する文字列 (&I)："));
    QCOMPARE(search->CheckReplace->text(), QStringLiteral("置換も行う"));
    QCOMPARE(search->CheckStr->text(),
             QStringLiteral("大/小文字、全/半角、カナ/ひらがなを区別する"));
    QCOMPARE(search->CheckTop->text(), QStringLiteral("先頭から検索する"));
    QCOMPARE(search->ComSearch->text(), QStringLiteral("検索 (&S)"));
    QCOMPARE(search->ComSearch->toolTip(), QStringLiteral("Enterキー"));
    QCOMPARE(search->ComReplace->text(), QStringLiteral("置換 (&R)"));
    QCOMPARE(search->ComAllReplace->text(), QStringLiteral("全て置換 (&A)"));
    QCOMPARE(search->ComCancel->text(), QStringLiteral("閉じる"));
    QCOMPARE(search->ComCancel->toolTip(), QStringLiteral("Escキー"));
    QCOMPARE(search->LabelSearch->buddy(), search->TextSearch);
    QCOMPARE(search->LabelReplace->buddy(), search->TextReplace);

    // Opening leaves the document as it was.
    QCOMPARE(fixture.selection(), (Selection{3, 3}));
    QCOMPARE(fixture.form.mModified, kFalse);
}

void TestFormSearch::opensWithALongSelectionWhole()
{
    const QString word = QString(40000, u'語');
    Fixture fixture(QStringLiteral("x") + word + QStringLiteral("y"), {1, 40000});
    FormSearch *search = fixture.open();
    QCOMPARE(search->TextSearch->text(), word);
    search->ComSearch_Click();
    QCOMPARE(fixture.selection(), (Selection{1, 40000}));
}

void TestFormSearch::opensEmptyWithoutSelection()
{
    Fixture fixture(QStringLiteral("xx abc yy"), {4, 0});
    FormSearch *search = fixture.open();
    QCOMPARE(search->TextSearch->text(), QString());
    QVERIFY(!search->ComSearch->isEnabled());
    QVERIFY(search->CheckTop->isChecked());
}

void TestFormSearch::layoutAndTabOrder()
{
    Fixture fixture;
    FormSearch *search = fixture.open();
    // A fixed frame of 6090 x 2775 twips, without minimise or maximise.
    QCOMPARE(search->size(), QSize(406, 185));
    QCOMPARE(search->minimumSize(), search->maximumSize());
    QVERIFY(!(search->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(search->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(search->testAttribute(Qt::WA_DeleteOnClose));

    QCOMPARE(search->TextSearch->geometry(), QRect(8, 24, 265, 18));
    QCOMPARE(search->TextReplace->geometry(), QRect(8, 72, 265, 18));
    QCOMPARE(search->ComSearch->geometry(), QRect(296, 24, 89, 25));
    QCOMPARE(search->ComReplace->geometry(), QRect(296, 64, 89, 25));
    QCOMPARE(search->ComAllReplace->geometry(), QRect(296, 104, 89, 25));
    QCOMPARE(search->ComCancel->geometry(), QRect(296, 144, 89, 25));
    // Captions keep their left edges and are never cut off.
    const std::pair<QWidget *, QPoint> captioned[] = {
        {search->LabelSearch, {8, 14}},   {search->LabelReplace, {8, 62}},
        {search->CheckReplace, {16, 118}}, {search->CheckStr, {16, 142}},
        {search->CheckTop, {16, 166}}};
    for (const auto &[widget, leftAndMiddle] : captioned) {
        QCOMPARE(widget->x(), leftAndMiddle.x());
        QVERIFY(qAbs(widget->geometry().center().y() - leftAndMiddle.y()) <= 1);
        QVERIFY(widget->width() >= widget->sizeHint().width());
        QVERIFY(widget->height() >= widget->sizeHint().height());
        QVERIFY(search->rect().contains(widget->geometry()));
    }
    // The tick boxes do not run into the buttons.
    QVERIFY(search->CheckStr->geometry().right() < search->ComCancel->x());

    const QList<QWidget *> order{search->TextSearch,    search->TextReplace, search->ComSearch,
                                 search->ComReplace,    search->ComAllReplace,
                                 search->ComCancel,     search->CheckReplace, search->CheckStr,
                                 search->CheckTop};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, order[i + 1]);
    }
}

void TestFormSearch::searchButtonFollowsTheSearchText()
{
    Fixture fixture(QStringLiteral("abc"));
    FormSearch *search = fixture.open();
    QVERIFY(!search->ComSearch->isEnabled());
    QTest::keyClicks(search->TextSearch, QStringLiteral("b"));
    QVERIFY(search->ComSearch->isEnabled());
    QTest::keyClick(search->TextSearch, Qt::Key_Backspace);
    QVERIFY(!search->ComSearch->isEnabled());
    QVERIFY(!search->ComReplace->isEnabled());
}

void TestFormSearch::checkReplaceEnablesTheReplaceControls_data()
{
    QTest::addColumn<QString>("searchText");
    QTest::newRow("with a search text") << QStringLiteral("abc");
    QTest::newRow("with an empty search text") << QString();
}

void TestFormSearch::checkReplaceEnablesTheReplaceControls()
{
    QFETCH(QString, searchText);
    Fixture fixture(QStringLiteral("abc"));
    FormSearch *search = fixture.open();
    search->TextSearch->setText(searchText);
    const QList<QWidget *> replaceControls{search->LabelReplace, search->TextReplace,
                                           search->ComReplace, search->ComAllReplace};
    QTest::mouseClick(search->CheckReplace, Qt::LeftButton);
    for (QWidget *control : replaceControls)
        QVERIFY(control->isEnabled());
    QCOMPARE(search->ComSearch->isEnabled(), !searchText.isEmpty());
    QTest::mouseClick(search->CheckReplace, Qt::LeftButton);
    for (QWidget *control : replaceControls)
        QVERIFY(!control->isEnabled());
}

void TestFormSearch::reopeningWhileOpenKeepsEverything()
{
    Fixture fixture(QStringLiteral("abc def"), {0, 3});
    FormSearch *search = fixture.open();
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
}

void TestFormSearch::closingAndReopeningRestoresTheOpeningStates_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << QStringLiteral("esc");
    QTest::newRow("Esc in the search box") << QStringLiteral("esc in box");
    QTest::newRow("閉じる") << QStringLiteral("button");
    QTest::newRow("frame's close box") << QStringLiteral("close");
}

void TestFormSearch::closingAndReopeningRestoresTheOpeningStates()
{
    QFETCH(QString, how);
    Fixture fixture(QStringLiteral("abc def"), {0, 3});
    QPointer<FormSearch> search = fixture.open();
    search->CheckReplace->setChecked(true);
    search->TextReplace->setText(QStringLiteral("other"));
    search->CheckStr->setChecked(true);
    search->CheckTop->setChecked(false);

    if (how == QStringLiteral("esc"))
        QTest::keyClick(search, Qt::Key_Escape);
    else if (how == QStringLiteral("esc in box"))
        QTest::keyClick(search->TextSearch, Qt::Key_Escape);
    else if (how == QStringLiteral("button"))
        QTest::mouseClick(search->ComCancel, Qt::LeftButton);
    else
        search->close();
    QCOMPARE(fixture.module.gSearchLoaded, kFalse);
    QTRY_VERIFY(search.isNull()); // deleted, never merely hidden

    fixture.select({4, 3});
    FormSearch *again = fixture.open();
    QVERIFY(again);
    QCOMPARE(fixture.module.gSearchLoaded, kTrue);
    QCOMPARE(again->TextSearch->text(), QStringLiteral("def"));
    QCOMPARE(again->TextReplace->text(), QString());
    QVERIFY(!again->CheckReplace->isChecked());
    QVERIFY(!again->TextReplace->isEnabled());
    QVERIFY(!again->ComAllReplace->isEnabled());
    QVERIFY(!again->CheckStr->isChecked());
    QVERIFY(again->CheckTop->isChecked());
    QVERIFY(again->ComSearch->isEnabled());
}

void TestFormSearch::enterSearchesAndSelects()
{
    Fixture fixture(QStringLiteral("one\r\ntwo word\r\nword"), {0, 0});
    FormSearch *search = fixture.open();
    search->activateWindow();
    QTest::keyClicks(search->TextSearch, QStringLiteral("word"));
    QTest::keyClick(search->TextSearch, Qt::Key_Return);
    QCOMPARE(fixture.selection(), (Selection{9, 4}));
    QCOMPARE(fixture.form.RTB1->SelText(), QStringLiteral("word"));
    QVERIFY(!search->CheckTop->isChecked());
    QVERIFY(fixture.platform.messages.isEmpty());
}

// Each command is a letter: S Search, R Replace, A Replace all. After each the
// editor's text and selection and the number of end messages so far are checked.
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

    using L = QList<Selection>;
    const bool loose = false;
    const bool exact = true;
    QTest::newRow("search: aa in aaaa selects 1 and 3, then ends")
        << "aaaa" << Selection{0, 0} << "aa" << "" << true << exact << "SSS"
        << QStringList{"aaaa", "aaaa", "aaaa"} << L{{0, 2}, {2, 2}, {2, 2}}
        << QList<int>{0, 0, 1};
    QTest::newRow("search: from the top although the caret is below")
        << "abc abc" << Selection{5, 0} << "abc" << "" << true << exact << "SS"
        << QStringList{"abc abc", "abc abc"} << L{{0, 3}, {4, 3}} << QList<int>{0, 0};
    QTest::newRow("search: no wrap-around, the end is reported again")
        << "abc abc" << Selection{5, 0} << "abc" << "" << false << exact << "SS"
        << QStringList{"abc abc", "abc abc"} << L{{5, 0}, {5, 0}} << QList<int>{1, 2};
    QTest::newRow("search: across line ends")
        << "x\r\nab\r\nab" << Selection{0, 0} << "ab" << "" << true << exact << "SS"
        << QStringList{"x\r\nab\r\nab", "x\r\nab\r\nab"} << L{{3, 2}, {7, 2}}
        << QList<int>{0, 0};
    QTest::newRow("search loose: abc finds ABC, then ａｂｃ, then abc")
        << "ABC ａｂｃ abc" << Selection{0, 0} << "abc" << "" << true << loose << "SSS"
        << QStringList{"ABC ａｂｃ abc", "ABC ａｂｃ abc", "ABC ａｂｃ abc"}
        << L{{0, 3}, {4, 3}, {8, 3}} << QList<int>{0, 0, 0};
    QTest::newRow("search exact: abc finds only abc")
        << "ABC ａｂｃ abc" << Selection{0, 0} << "abc" << "" << true << exact << "SS"
        << QStringList{"ABC ａｂｃ abc", "ABC ａｂｃ abc"} << L{{8, 3}, {8, 3}}
        << QList<int>{0, 1};
    QTest::newRow("search loose: かな finds カナ and ｶﾅ")
        << "カナ ｶﾅ" << Selection{0, 0} << "かな" << "" << true << loose << "SS"
        << QStringList{"カナ ｶﾅ", "カナ ｶﾅ"} << L{{0, 2}, {3, 2}} << QList<int>{0, 0};
    QTest::newRow("search exact: かな finds neither カナ nor ｶﾅ")
        << "カナ ｶﾅ" << Selection{0, 0} << "かな" << "" << true << exact << "S"
        << QStringList{"カナ ｶﾅ"} << L{{0, 0}} << QList<int>{1};
    QTest::newRow("replace with CheckTop: nothing replaced, then the first is replaced")
        << "a-a" << Selection{0, 1} << "a" << "b" << true << exact << "RRR"
        << QStringList{"a-a", "b-a", "b-b"} << L{{0, 1}, {2, 1}, {3, 0}}
        << QList<int>{0, 0, 1};
    QTest::newRow("replace: selection not the search text is skipped")
        << "ab a" << Selection{0, 2} << "a" << "b" << false << exact << "R"
        << QStringList{"ab a"} << L{{3, 1}} << QList<int>{0};
    QTest::newRow("replace loose: selection ＡＢＣ is the search text")
        << "ＡＢＣ abc" << Selection{0, 3} << "abc" << "x" << false << loose << "R"
        << QStringList{"x abc"} << L{{2, 3}} << QList<int>{0};
    QTest::newRow("replace exact: selection ＡＢＣ is not the search text")
        << "ＡＢＣ abc" << Selection{0, 3} << "abc" << "x" << false << exact << "R"
        << QStringList{"ＡＢＣ abc"} << L{{4, 3}} << QList<int>{0};
    QTest::newRow("replace all: a to aa on a-a with CheckTop ends once")
        << "a-a" << Selection{0, 0} << "a" << "aa" << true << exact << "A"
        << QStringList{"aa-aa"} << L{{5, 0}} << QList<int>{1};
    QTest::newRow("replace all: text before the start is untouched")
        << "a a a a" << Selection{4, 1} << "a" << "b" << false << exact << "A"
        << QStringList{"a a b b"} << L{{7, 0}} << QList<int>{1};
    QTest::newRow("replace all loose: every form of かな")
        << "カナ\r\nｶﾅ かな" << Selection{0, 0} << "かな" << "仮名" << true << loose << "A"
        << QStringList{"仮名\r\n仮名 仮名"} << L{{9, 0}} << QList<int>{1};
    QTest::newRow("replace all exact: only かな itself")
        << "カナ\r\nｶﾅ かな" << Selection{0, 0} << "かな" << "仮名" << true << exact << "A"
        << QStringList{"カナ\r\nｶﾅ 仮名"} << L{{9, 0}} << QList<int>{1};
    QTest::newRow("replace all with nothing to find keeps the selection")
        << "abc" << Selection{1, 1} << "x" << "y" << false << exact << "A"
        << QStringList{"abc"} << L{{1, 1}} << QList<int>{1};
    QTest::newRow("replace all twice: the second reports the end only")
        << "a-a" << Selection{0, 0} << "a" << "b" << true << exact << "AA"
        << QStringList{"b-b", "b-b"} << L{{3, 0}, {3, 0}} << QList<int>{1, 2};
    QTest::newRow("empty search: replace inserts nothing and ends")
        << "abc" << Selection{1, 0} << "" << "x" << false << exact << "R"
        << QStringList{"abc"} << L{{1, 0}} << QList<int>{1};
    QTest::newRow("empty search: replace all inserts nothing and ends")
        << "abc" << Selection{1, 0} << "" << "x" << false << loose << "A"
        << QStringList{"abc"} << L{{1, 0}} << QList<int>{1};
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
        QCOMPARE(fixture.form.RTB1->Text(), texts.at(i));
        QCOMPARE(fixture.selection(), selections.at(i));
        QCOMPARE(fixture.platform.messages.size(), messages.at(i));
        QVERIFY(!search->CheckTop->isChecked());
    }
    for (const FakePlatform::Message &message : std::as_const(fixture.platform.messages)) {
        QCOMPARE(message.text, QStringLiteral("文書の検索が終わりました。"));
        QCOMPARE(message.title, QStringLiteral("検索終了"));
        QCOMPARE(message.icon, QMessageBox::Information);
        QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestFormSearch::replacingMarksTheDocumentAndKeepsTheUndoSnapshot_data()
{
    QTest::addColumn<bool>("all");
    QTest::newRow("replace") << false;
    QTest::newRow("replace all") << true;
}

void TestFormSearch::replacingMarksTheDocumentAndKeepsTheUndoSnapshot()
{
    QFETCH(bool, all);
    Fixture fixture(QStringLiteral("abc abc"), {0, 3});
    fixture.module.gUndoText = QStringLiteral("snapshot");
    fixture.form.mModified = kFalse;
    fixture.form.setCaption(QStringLiteral("doc.html"));
    FormSearch *search = fixture.open();
    search->CheckReplace->setChecked(true);
    search->CheckTop->setChecked(false);
    search->TextReplace->setText(QStringLiteral("x"));
    if (all)
        search->ComAllReplace_Click();
    else
        search->ComReplace_Click();
    QCOMPARE(fixture.form.RTB1->Text(), all ? QStringLiteral("x x") : QStringLiteral("x abc"));
    QCOMPARE(fixture.form.mModified, kTrue);
    QCOMPARE(fixture.form.Caption(), QStringLiteral("doc.html (更新)"));
    QCOMPARE(fixture.module.gUndoText, QStringLiteral("snapshot"));
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
    QCOMPARE(fixture.form.RTB1->Text(),
             QStringLiteral("head\r\n[x] b [x]\r\nmid\r\n[x]\r\ntail"));
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
    const QStringList forms{"a", "A", "ａ", "か", "カ", "ｶ", "ﾞ", "゛", "-"};
    const QStringList lineEnds{"a", "\r\n", "\n", "\r"};
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
    const auto randomText = [&](int maxPieces) {
        QString text;
        const int pieces = random.bounded(maxPieces + 1);
        for (int i = 0; i < pieces; ++i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        return text;
    };

    Fixture fixture;
    FormSearch *search = fixture.open();
    search->CheckReplace->setChecked(true);
    search->CheckStr->setChecked(exact);
    EditorControl *editor = fixture.form.RTB1;
    for (int round = 0; round < 600; ++round) {
        const QString text = randomText(16);
        QString searchText = randomText(2);
        if (!text.isEmpty() && random.bounded(4) != 0)
            searchText = text.mid(random.bounded(int(text.size())), 1 + random.bounded(2));
        QString replaceText = randomText(2);
        if (random.bounded(3) == 0)
            replaceText = searchText + replaceText;
        const bool top = random.bounded(2) == 0;
        editor->setText(text);
        const int length = editor->textLength();
        const int start = random.bounded(length + 1);
        const Selection selection{start, random.bounded(qMin(3, length - start) + 1)};
        search->TextSearch->setText(searchText);
        search->TextReplace->setText(replaceText);

        fixture.select(selection);
        search->CheckTop->setChecked(top);
        fixture.platform.messages.clear();
        search->ComAllReplace_Click();
        const QString fastText = editor->Text();
        const Selection fastSelection = fixture.selection();
        QCOMPARE(fixture.platform.messages.size(), 1);

        editor->setText(text);
        fixture.select(selection);
        search->CheckTop->setChecked(top);
        fixture.platform.messages.clear();
        int passes = 0;
        while (fixture.platform.messages.isEmpty() && passes++ < 1000)
            search->ComReplace_Click();

        const QByteArray context = (QStringLiteral("text \"") + shown(text)
                                    + QStringLiteral("\" search \"") + shown(searchText)
                                    + QStringLiteral("\" replacement \"") + shown(replaceText)
                                    + QStringLiteral("\" selection %1+%2 from top %3")
                                          .arg(selection.start)
                                          .arg(selection.length)
                                          .arg(top))
                                       .toUtf8();
        QVERIFY2(fixture.platform.messages.size() == 1, context.constData());
        QVERIFY2(editor->Text() == fastText, context.constData());
        QVERIFY2(fixture.selection() == fastSelection, context.constData());
        QVERIFY(!search->CheckTop->isChecked());
        QCOMPARE(search->searchEnded(), kTrue);
    }
}

void TestFormSearch::mainWindowClosesTheSearchWindow()
{
    Fixture fixture(QStringLiteral("abc"));
    QPointer<FormSearch> search = fixture.open();
    QVERIFY(fixture.form.close());
    QCOMPARE(fixture.module.gSearchLoaded, kFalse);
    QVERIFY(search.isNull() || !search->isVisible());
}

QTEST_MAIN(TestFormSearch)
#include "tst_formsearch.moc"
