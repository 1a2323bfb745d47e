#include "ui/editorcontrol.h"

#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

class TestEditorControl : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void roundTripOfGeneratedTexts();
    void roundTripOfTextLargerThanOnePiece();
    void selTextRoundTripsInsideText();
    void lengthCountsLineEndsAsTwo_data();
    void lengthCountsLineEndsAsTwo();
    void offsetsSelectWhatTextHolds();
    void offsetInsideLineEndGoesToLineEnd();
    void selTextWriteReplacesAndLeavesCaretAfter();
    void emptySelTextWriteDeletesSelection();
    void changeFollowsEveryWrite();
    void noChangeWhenNothingChanges();
    void colourIsNoChangeOfText();
    void typedTextAfterStandInIsPlain();
    void dropsTakeLocalFilesOnly();
};

void TestEditorControl::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one line without line end") << QStringLiteral("abc");
    QTest::newRow("crlf lines") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\n\r\n");
    QTest::newRow("lone lf stays lf") << QStringLiteral("a\nb\r\nc\n");
    QTest::newRow("lone cr stays cr") << QStringLiteral("a\rb\r");
    QTest::newRow("cr before crlf") << QStringLiteral("a\r\r\nb");
    QTest::newRow("lf cr") << QStringLiteral("a\n\rb");
    QTest::newRow("japanese") << QStringLiteral("<p>送り仮名を省略</p>\r\n漢字かなカナｶﾅ");
    QTest::newRow("tabs") << QStringLiteral("\t<td>\t</td>\t");
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b&nbsp;\u00A0");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b\n\u2028");
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b\r\n\u2029");
    QTest::newRow("byte order mark at start") << QStringLiteral("\uFEFF<html>\r\n");
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("qt frame marks") << QStringLiteral("\uFDD0x\uFDD1");
    QTest::newRow("object replacement") << QStringLiteral("\uFFFCx");
    QTest::newRow("stand-ins as plain text") << QStringLiteral("\u240D\u00B6\uFFFD");
    QTest::newRow("stand-in beside marked") << QStringLiteral("\r\u2028\u240D");
    QTest::newRow("stand-in after marked") << QStringLiteral("\r\u240D");
    QTest::newRow("stand-in after marked ls") << QStringLiteral("\u2028\u240D");
    QTest::newRow("surrogate pair") << QStringLiteral("𠮷野家");
}

void TestEditorControl::roundTrip()
{
    QFETCH(QString, text);
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.Text(), text);
    QCOMPARE(editor.textLength(), text.size());
}

void TestEditorControl::roundTripOfGeneratedTexts()
{
    const QStringList pieces
        = {QStringLiteral("\r\n"),   QStringLiteral("\n"),     QStringLiteral("\r"),
           QStringLiteral("漢字"),   QStringLiteral("abc"),    QStringLiteral("\t"),
           QStringLiteral("\u00A0"), QStringLiteral("\u2028"), QStringLiteral("\u2029"),
           QStringLiteral("\uFEFF"), QString(QChar(0)),        QStringLiteral("<ruby>"),
           QStringLiteral("\u240D"), QStringLiteral("ｶﾞ")};
    QRandomGenerator random(20261206);
    EditorControl editor;
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int count = random.bounded(30);
        for (int i = 0; i < count; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        editor.setText(text);
        QCOMPARE(editor.Text(), text);
        QCOMPARE(editor.textLength(), text.size());
    }
}

void TestEditorControl::roundTripOfTextLargerThanOnePiece()
{
    // Large texts go into the document in pieces of 2^20 characters: a line end and
    // stand-ins sit on the seams.
    const qsizetype piece = qsizetype(1) << 20;
    QString text(piece - 1, QLatin1Char('a'));
    text += QStringLiteral("\r\n\r\u2029x\n");
    text += QString(piece - 7, QChar(u'漢'));
    text += QStringLiteral("\r\u2028\r\n");
    text += QStringLiteral("<p>end</p>");
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.textLength(), text.size());
    QVERIFY(editor.Text() == text);
    editor.setSelStart(int(piece - 2));
    editor.setSelLength(8);
    QCOMPARE(editor.SelText(), text.mid(piece - 2, 8));
}

void TestEditorControl::selTextRoundTripsInsideText()
{
    EditorControl editor;
    editor.setText(QStringLiteral("first\r\nsecond"));
    editor.setSelStart(5);
    editor.setSelText(QStringLiteral("\r\u2029\n\u2028x"));
    QCOMPARE(editor.Text(), QStringLiteral("first\r\u2029\n\u2028x\r\nsecond"));
    editor.setSelStart(4);
    editor.setSelLength(8);
    QCOMPARE(editor.SelText(), QStringLiteral("t\r\u2029\n\u2028x\r\n"));
}

void TestEditorControl::lengthCountsLineEndsAsTwo_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("single line") << QStringLiteral("abc");
    QTest::newRow("ending in a line end") << QStringLiteral("abc\r\n");
    QTest::newRow("many lines") << QStringLiteral("a\r\n\r\nbb\r\nccc");
}

void TestEditorControl::lengthCountsLineEndsAsTwo()
{
    QFETCH(QString, text);
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.textLength(), text.size());
    editor.setSelStart(0);
    editor.setSelLength(text.size());
    QCOMPARE(editor.SelLength(), text.size());
    QCOMPARE(editor.SelText(), text);
}

void TestEditorControl::offsetsSelectWhatTextHolds()
{
    // A 1-based hit found in Text selects the same characters at SelStart = hit - 1.
    QString text;
    for (int line = 0; line < 500; ++line)
        text += QStringLiteral("行%1 <b>語</b>\r\n").arg(line);
    EditorControl editor;
    editor.setText(text);
    QRandomGenerator random(7);
    for (int i = 0; i < 300; ++i) {
        int start = random.bounded(int(text.size()));
        int length = random.bounded(40);
        // Offsets between CR and LF are not meaningful places for a selection.
        if (start > 0 && text.at(start) == u'\n' && text.at(start - 1) == u'\r')
            --start;
        int end = qMin(start + length, int(text.size()));
        if (end > 0 && end < text.size() && text.at(end) == u'\n' && text.at(end - 1) == u'\r')
            ++end;
        editor.setSelStart(start);
        QCOMPARE(editor.SelStart(), start);
        editor.setSelLength(end - start);
        QCOMPARE(editor.SelStart(), start);
        QCOMPARE(editor.SelLength(), end - start);
        QCOMPARE(editor.SelText(), text.mid(start, end - start));
    }
    editor.setSelStart(text.size() + 100);
    QCOMPARE(editor.SelStart(), text.size());
    editor.setSelStart(-5);
    QCOMPARE(editor.SelStart(), 0);
}

void TestEditorControl::offsetInsideLineEndGoesToLineEnd()
{
    EditorControl editor;
    editor.setText(QStringLiteral("ab\r\ncd"));
    editor.setSelStart(3); // between CR and LF
    QCOMPARE(editor.SelStart(), 2);
}

void TestEditorControl::selTextWriteReplacesAndLeavesCaretAfter()
{
    EditorControl editor;
    editor.setText(QStringLiteral("送り仮名\r\nです"));
    editor.setSelStart(0);
    editor.setSelLength(1);
    editor.setSelText(QStringLiteral("<rb>送</rb>\r\n"));
    QCOMPARE(editor.Text(), QStringLiteral("<rb>送</rb>\r\nり仮名\r\nです"));
    QCOMPARE(editor.SelStart(), 12);
    QCOMPARE(editor.SelLength(), 0);
}

void TestEditorControl::emptySelTextWriteDeletesSelection()
{
    EditorControl editor;
    editor.setText(QStringLiteral("ab\r\ncd"));
    editor.setSelStart(1);
    editor.setSelLength(4);
    editor.setSelText(QString());
    QCOMPARE(editor.Text(), QStringLiteral("ad"));
    QCOMPARE(editor.SelStart(), 1);
}

void TestEditorControl::changeFollowsEveryWrite()
{
    EditorControl editor;
    QSignalSpy change(&editor, &EditorControl::Change);
    editor.setText(QStringLiteral("abc"));
    QCOMPARE(change.count(), 1);
    editor.setText(QStringLiteral("abc")); // the same text is still a write
    QCOMPARE(change.count(), 2);
    editor.setSelStart(1);
    editor.setSelText(QStringLiteral("x\r\ny"));
    QCOMPARE(change.count(), 3);
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Z);
    QCOMPARE(change.count(), 4);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(change.count(), 5);
}

void TestEditorControl::noChangeWhenNothingChanges()
{
    EditorControl editor;
    editor.setText(QStringLiteral("abc"));
    QSignalSpy change(&editor, &EditorControl::Change);
    editor.setSelStart(2);
    editor.setSelLength(1);
    editor.setSelStart(1);
    editor.setSelText(QString()); // nothing selected, nothing written
    QCOMPARE(change.count(), 0);
}

void TestEditorControl::colourIsNoChangeOfText()
{
    EditorControl editor;
    editor.setText(QStringLiteral("a\rb"));
    QSignalSpy change(&editor, &EditorControl::Change);
    editor.setSelStart(0);
    editor.setSelLength(editor.textLength());
    editor.setSelColor(QColor(Qt::red));
    editor.setBackColor(QColor(Qt::yellow));
    QCOMPARE(change.count(), 0);
    QCOMPARE(editor.SelColor(), QColor(Qt::red));
    QCOMPARE(editor.BackColor(), QColor(Qt::yellow));
    QCOMPARE(editor.Text(), QStringLiteral("a\rb")); // the stand-in keeps its meaning
}

void TestEditorControl::typedTextAfterStandInIsPlain()
{
    EditorControl editor;
    editor.setText(QStringLiteral("a\r"));
    editor.setSelStart(2);
    editor.setFocus();
    QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, QStringLiteral("\u240D"),
                        Qt::NoModifier);
    QTest::keyClick(&editor, Qt::Key_Z);
    QCOMPARE(editor.Text(), QStringLiteral("a\r\u240Dz"));
}

void TestEditorControl::dropsTakeLocalFilesOnly()
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.htm")),
                   QUrl(QStringLiteral("https://example.invalid/b.htm")),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/c.txt"))});
    QCOMPARE(droppedLocalFiles(&files),
             QStringList({QStringLiteral("/tmp/a.htm"), QStringLiteral("/tmp/c.txt")}));
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.htm"));
    QVERIFY(droppedLocalFiles(&text).isEmpty());
}

QTEST_MAIN(TestEditorControl)
#include "tst_editorcontrol.moc"
