#include "casetable.h"
#include "ui/editorcontrol.h"
#include "ui/rubydialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestEditorControl : public QObject
{
    Q_OBJECT

private slots:
    void lineNumbersBesideTheText();
    void lineNumbersRepaintedWhenTheyMove();
    void roundTrip_data() { addCaseRows("editortexts.tsv"); }
    void roundTrip();
    void roundTripOfGeneratedAndLargeTexts();
    void offsetsSelectWhatTextHolds();
    void changeFollowsEveryWriteOfText();
    void dropsTakeLocalFilesOnly();
    // The ruby dialog returns a choice and nothing else.
    void rubyDialogChoice_data();
    void rubyDialogChoice();
};

// The numbers take a margin of their own: the text starts right of it.
void TestEditorControl::lineNumbersBesideTheText()
{
    EditorControl editor;
    editor.resize(300, 200);
    editor.setText(QStringLiteral("a\r\nb"));
    editor.show();
    editor.setLineNumbersShown(true);
    const int margin = editor.viewport()->geometry().left();
    QVERIFY(margin > editor.fontMetrics().horizontalAdvance(QStringLiteral("99")));
    editor.setLineNumbersShown(false);
    QVERIFY(editor.viewport()->geometry().left() < margin);
    editor.setSoftWrap(true);
    QCOMPARE(editor.lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

// A repaint of the whole text (a colour laid over a line asks for one at each key)
// leaves the numbers alone; a new line moves them and they are painted again.
void TestEditorControl::lineNumbersRepaintedWhenTheyMove()
{
    EditorControl editor;
    editor.resize(300, 400);
    editor.setText(QStringLiteral("line\r\n").repeated(5));
    editor.setLineNumbersShown(true);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QWidget *margin = nullptr;
    for (QWidget *child : editor.findChildren<QWidget *>()) {
        if (child != editor.viewport() && child->isVisible() && child->x() == editor.contentsRect().x()
            && child->width() == editor.viewport()->x() - editor.contentsRect().x())
            margin = child;
    }
    QVERIFY(margin);
    struct PaintCount : QObject
    {
        int paints = 0;
        QRect painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint) {
                ++paints;
                painted |= static_cast<QPaintEvent *>(event)->rect();
            }
            return false;
        }
    } count;
    margin->installEventFilter(&count);
    QCoreApplication::processEvents();
    count.paints = 0;
    editor.document()->markContentsDirty(0, editor.document()->characterCount());
    QCoreApplication::processEvents();
    QCOMPARE(count.paints, 0);
    editor.setSelectionStart(0);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    // The text is shorter than the view: a number more shows below its last line.
    const QRect last = editor.cursorRect(QTextCursor(editor.document()->lastBlock()));
    QVERIFY(count.painted.top() <= last.top() && count.painted.bottom() >= last.bottom());
}

void TestEditorControl::roundTrip()
{
    QFETCH(QByteArrayList, f);
    const QString text = caseText(f.value(0));
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.text(), text);
    QCOMPARE(editor.textLength(), text.size());
    editor.setSelectionStart(0);
    editor.setSelectionLength(int(text.size()));
    QCOMPARE(editor.selectedText(), text);
}

void TestEditorControl::roundTripOfGeneratedAndLargeTexts()
{
    const QStringList pieces
        = caseText(R"(\r\n \n \r 漢字 abc \t \u00A0 \u2028 \u2029 \uFEFF \u0000 \u240D ｶﾞ)")
              .split(u' ');
    QRandomGenerator random(20261206);
    EditorControl editor;
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = random.bounded(30); i > 0; --i)
            text += pieces.at(random.bounded(int(pieces.size())));
        editor.setText(text);
        QCOMPARE(editor.text(), text);
        QCOMPARE(editor.textLength(), text.size());
    }
    // Large texts go in by pieces of 2^20 characters: line ends and stand-ins on the seams.
    const int piece = 1 << 20;
    const QString large = QString(piece - 1, u'a') + "\r\n\r\u2029x\n" + QString(piece - 7, u'漢')
        + "\r\u2028\r\n<p>end</p>";
    editor.setText(large);
    QVERIFY(editor.text() == large);
    editor.setSelectionStart(piece - 2);
    editor.setSelectionLength(8);
    QCOMPARE(editor.selectedText(), large.mid(piece - 2, 8));
}

void TestEditorControl::offsetsSelectWhatTextHolds()
{
    // A 1-based hit found in Text selects the same characters at selectionStart = hit - 1.
    QString text;
    for (int line = 0; line < 500; ++line)
        text += u"行%1 <b>語</b>\r\n"_s.arg(line);
    EditorControl editor;
    editor.setText(text);
    QRandomGenerator random(7);
    const auto inLineEnd = [&text](int at) {
        return at > 0 && at < text.size() && text.at(at) == u'\n' && text.at(at - 1) == u'\r';
    };
    for (int i = 0; i < 300; ++i) {
        int start = random.bounded(int(text.size()));
        start -= inLineEnd(start);
        int end = qMin(start + random.bounded(40), int(text.size()));
        end += inLineEnd(end);
        editor.setSelectionStart(start);
        editor.setSelectionLength(end - start);
        QCOMPARE(editor.selectionStart(), start);
        QCOMPARE(editor.selectionLength(), end - start);
        QCOMPARE(editor.selectedText(), text.mid(start, end - start));
    }
    editor.setText(u"ab\r\ncd"_s);
    editor.setSelectionStart(3); // between CR and LF: the line's end
    QCOMPARE(editor.selectionStart(), 2);
    editor.setSelectionStart(100);
    QCOMPARE(editor.selectionStart(), 6);
}

void TestEditorControl::changeFollowsEveryWriteOfText()
{
    EditorControl editor;
    QSignalSpy change(&editor, &EditorControl::edited);
    editor.setText(u"ab\r\ncd"_s);
    editor.setSelectionStart(1);
    editor.setSelectionLength(4);
    editor.replaceSelection(u"<rb>\r\n"_s);
    QCOMPARE(editor.text(), u"a<rb>\r\nd"_s);
    QCOMPARE(editor.selectionStart(), 7); // the caret after the text written
    QCOMPARE(editor.selectionLength(), 0);
    editor.setText(u"a\rbc"_s);
    editor.setText(u"a\rbc"_s); // the same text is still a write
    editor.setSelectionStart(1);
    editor.replaceSelection(u"x\r\ny"_s);
    QCOMPARE(change.count(), 5);
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Z);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(change.count(), 7);
    // Moving the caret, writing nothing over nothing and colours change no text.
    editor.setSelectionStart(0);
    editor.replaceSelection(QString());
    editor.setSelectionLength(editor.textLength());
    editor.setTextColour(QColor(Qt::red));
    editor.setBackgroundColour(QColor(Qt::yellow));
    QCOMPARE(change.count(), 7);
    QCOMPARE(editor.textColour(), QColor(Qt::red));
    QCOMPARE(editor.text(), u"ax\r\ny\rbc"_s); // the stand-in keeps its meaning
}

void TestEditorControl::dropsTakeLocalFilesOnly()
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(u"/tmp/a.htm"_s), QUrl(u"https://example.invalid/b.htm"_s),
                  QUrl::fromLocalFile(u"/tmp/c.txt"_s)});
    QCOMPARE(droppedLocalFiles(&data), QStringList({"/tmp/a.htm", "/tmp/c.txt"}));
    data.setText(u"/tmp/a.htm"_s);
    data.setUrls({});
    QVERIFY(droppedLocalFiles(&data).isEmpty());
}

void TestEditorControl::rubyDialogChoice_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("expected"); // reading|attribute|on, or "-" for none
    QTest::newRow("Enter takes the reading") << 0 << u"かん|style|0"_s;
    QTest::newRow("ticked: the edited attribute") << 1 << u"かん|edited|1"_s;
    QTest::newRow("ticked off after editing: the former attribute") << 2 << u"かん|style|0"_s;
    QTest::newRow("cancel button") << 3 << u"-"_s;
    QTest::newRow("Esc") << 4 << u"-"_s;
    QTest::newRow("close box") << 5 << u"-"_s;
    QTest::newRow("empty reading refused, the dialog stays") << 6 << u"-"_s;
}

void TestEditorControl::rubyDialogChoice()
{
    QFETCH(int, how);
    QFETCH(QString, expected);
    // Enter's row has a guessed reading, the next an unsure one: the note says so.
    RubyDialog dialog({u"かん"_s, {u"かん"_s, u"がん"_s}, how == 0, u"style"_s, false, how == 1});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.readingBox()->lineEdit()->selectedText(), u"かん"_s); // ready to type over
    QCOMPARE(dialog.noteLabel()->text().contains(u"推測"_s), how == 0);
    QCOMPARE(dialog.noteLabel()->text().contains(u"ほかの読み: がん"_s), how == 1);
    QVERIFY(!dialog.attributeEdit()->isEnabled());
    if (how == 1 || how == 2) {
        dialog.attributeCheck()->click();
        dialog.attributeEdit()->setText(u"edited"_s);
        if (how == 2)
            dialog.attributeCheck()->click();
    }
    if (how == 6)
        dialog.readingBox()->setText(QString());
    how == 3       ? QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton)
        : how == 4 ? QTest::keyClick(dialog.readingBox(), Qt::Key_Escape)
        : how == 5 ? void(dialog.close())
                   : QTest::keyClick(dialog.readingBox(), Qt::Key_Return);
    const auto choice = dialog.choice();
    QCOMPARE(choice ? u"%1|%2|%3"_s.arg(choice->reading, choice->attribute).arg(choice->attributeOn)
                    : u"-"_s,
             expected);
    QCOMPARE(dialog.isVisible(), how == 6);
    QCOMPARE(dialog.noteLabel()->text().contains(u"読みが空"_s), how == 6);
}

QTEST_MAIN(TestEditorControl)
#include "tst_editorcontrol.moc"
