// Line ends of every kind in the editor: each one is a line of its own, the text
// reads back as written, offsets follow the text under random edits, and Enter and
// paste use the document's own line end.

#include "ui/editorcontrol.h"

#include <QRandomGenerator>
#include <QTest>

class TestLineEnds : public QObject
{
    Q_OBJECT

private slots:
    void everyLineEndIsALine_data();
    void everyLineEndIsALine();
    void offsetsFollowRandomEdits_data();
    void offsetsFollowRandomEdits();
    void insertedLineEndsAreTheDocuments_data();
    void insertedLineEndsAreTheDocuments();
};

namespace {
QString longLine(int length)
{
    return QStringLiteral("<a>漢字</a>").repeated(length / 9 + 1).left(length);
}

bool betweenCrAndLf(const QString &text, int offset)
{
    return offset > 0 && offset < text.size() && text.at(offset - 1) == u'\r'
        && text.at(offset) == u'\n';
}
} // namespace

void TestLineEnds::everyLineEndIsALine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("lf file") << QStringLiteral("<p>\n漢字\n</p>\n") << 4;
    QTest::newRow("cr file") << QStringLiteral("a\rb\r") << 3;
    QTest::newRow("mixed") << QStringLiteral("a\r\nb\nc\rd\n\r\r\n") << 7;
    QTest::newRow("separators inside lines") << QStringLiteral("a\u2028b\u2029c\nd") << 2;
    QTest::newRow("long line shown in pieces")
        << longLine(25000) + QStringLiteral("\nx") << 25000 / EditorControl::wrapLength + 1;
}

void TestLineEnds::everyLineEndIsALine()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.Text(), text);
    QCOMPARE(editor.textLength(), text.size());
    QCOMPARE(editor.document()->blockCount(), lines);
    for (int offset = 0; offset <= text.size(); offset += 1 + offset / 7) {
        if (betweenCrAndLf(text, offset))
            continue;
        editor.setSelStart(offset);
        QCOMPARE(editor.SelStart(), offset);
        editor.setSelLength(text.size() - offset);
        QCOMPARE(editor.SelText(), text.mid(offset));
    }
}

void TestLineEnds::offsetsFollowRandomEdits_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("lf file") << QStringLiteral("<p>\n送り\n\n</p>\n").repeated(20);
    QTest::newRow("crlf file") << QStringLiteral("<p>\r\n送り\r\n</p>").repeated(20);
    QTest::newRow("mixed file") << QStringLiteral("a\r\nb\nc\rd\n\r\n").repeated(20);
    QTest::newRow("long line") << longLine(12000) + QStringLiteral("\nz\r\n");
}

// A model of the text beside the editor: keys and writes anywhere, over line ends of
// every kind, leave Text, its length and the caret's offset as the model has them.
void TestLineEnds::offsetsFollowRandomEdits()
{
    QFETCH(QString, text);
    EditorControl editor;
    editor.setText(text);
    editor.setFocus();
    const QString lineEnd = lineEndText(editor.lineEndConvention()).toString();
    const QStringList pastes
        = {QStringLiteral("x\r\ny"), QStringLiteral("p\rq\n"), longLine(11000)};
    QRandomGenerator random(20261207);
    const auto inside = [&text](int offset) {
        offset = qMin(offset, int(text.size()));
        return betweenCrAndLf(text, offset) ? offset - 1 : offset;
    };
    for (int step = 0; step < 150; ++step) {
        // Some carets where long lines are cut for display.
        const int start
            = inside(random.bounded(4) == 0 ? int(random.bounded(12)) * EditorControl::wrapLength
                                            : int(random.bounded(int(text.size()) + 1)));
        const int end = random.bounded(3) == 0 ? inside(start + int(random.bounded(8))) : start;
        editor.setSelStart(start);
        editor.setSelLength(end - start);
        QCOMPARE(editor.SelLength(), end - start);
        QString insert;
        int from = start;
        int to = end;
        const auto crLfAt = [&text](int at) { return text.mid(at, 2) == QLatin1String("\r\n"); };
        switch (random.bounded(5)) {
        case 0:
            QTest::keyClick(&editor, Qt::Key_X);
            insert = QStringLiteral("x");
            break;
        case 1:
            QTest::keyClick(&editor, Qt::Key_Return);
            insert = lineEnd;
            break;
        case 2:
            insert = editor.withLineEnds(pastes.at(random.bounded(int(pastes.size()))));
            editor.setSelText(insert);
            break;
        case 3:
            QTest::keyClick(&editor, Qt::Key_Backspace);
            if (start == end && start > 0)
                from = start - (start > 1 && crLfAt(start - 2) ? 2 : 1);
            break;
        default:
            QTest::keyClick(&editor, Qt::Key_Delete);
            if (start == end && start < text.size())
                to = start + (crLfAt(start) ? 2 : 1);
        }
        text.replace(from, to - from, insert);
        QCOMPARE(editor.textLength(), text.size());
        QCOMPARE(editor.SelStart(), from + int(insert.size()));
        QVERIFY2(editor.Text() == text, qPrintable(QStringLiteral("step %1").arg(step)));
    }
}

void TestLineEnds::insertedLineEndsAreTheDocuments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lineEnd");
    QTest::newRow("new document") << QString() << QStringLiteral("\r\n");
    QTest::newRow("lf file") << QStringLiteral("a\nb\nc\r\n") << QStringLiteral("\n");
    QTest::newRow("crlf file") << QStringLiteral("a\r\nb\r\nc\n") << QStringLiteral("\r\n");
    QTest::newRow("cr file") << QStringLiteral("a\rb\r") << QStringLiteral("\r");
    QTest::newRow("tie") << QStringLiteral("a\nb\r\n") << QStringLiteral("\r\n");
}

void TestLineEnds::insertedLineEndsAreTheDocuments()
{
    QFETCH(QString, text);
    QFETCH(QString, lineEnd);
    EditorControl editor;
    editor.setText(text);
    const int lines = editor.document()->blockCount();
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    // Typed separators are characters of their line, not line ends.
    for (const QString &typed : {QStringLiteral("\u2029"), QStringLiteral("\u2028")})
        QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, typed, Qt::NoModifier);
    editor.setSelText(editor.withLineEnds(QStringLiteral("x\r\ny\nz\r")));
    QCOMPARE(editor.Text(),
             lineEnd + lineEnd + QStringLiteral("\u2029\u2028x%1y%1z%1").arg(lineEnd) + text);
    QCOMPARE(editor.document()->blockCount(), lines + 5);
}

QTEST_MAIN(TestLineEnds)
#include "tst_lineends.moc"
