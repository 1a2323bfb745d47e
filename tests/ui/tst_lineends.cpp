// Line ends of every kind in the editor: each one is a line of its own, the text
// reads back as written, offsets follow the text under random edits, and Enter and
// paste use the document's own line end.

#include "ui/editorcontrol.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {
QString longLine(int length)
{
    return QStringLiteral("<a>漢字</a>").repeated(length / 9 + 1).left(length);
}
} // namespace

class TestLineEnds : public QObject
{
    Q_OBJECT

private slots:
    void offsetsFollowRandomEdits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("lineEnd"); // the one Enter and paste write
        QTest::newRow("new document") << QString() << 1 << "\r\n";
        QTest::newRow("lf file") << QStringLiteral("<p>\n送り\n\n</p>\r\n").repeated(20) << 81
                                 << "\n";
        QTest::newRow("crlf file")
            << QStringLiteral("<p>\r\n送り\r\n</p>\n").repeated(20) << 61 << "\r\n";
        QTest::newRow("cr file") << QStringLiteral("a\rb\r").repeated(20) << 41 << "\r";
        QTest::newRow("mixed file")
            << QStringLiteral("a\r\nb\nc\rd\n\r\r\n").repeated(20) << 121 << "\r\n";
        QTest::newRow("separators inside lines")
            << QStringLiteral("a\u2028b\u2029c\nd").repeated(20) << 21 << "\n";
        QTest::newRow("long line shown in pieces, tie")
            << longLine(25000) + QStringLiteral("\nz\r\n") << 25000 / EditorControl::wrapLength + 2
            << "\r\n";
    }

    // A model of the text beside the editor: keys and writes anywhere, over line ends of
    // every kind, leave Text, its length and the caret's offset as the model has them.
    void offsetsFollowRandomEdits()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        QFETCH(QString, lineEnd);
        EditorControl editor;
        editor.setText(text);
        QCOMPARE(editor.document()->blockCount(), lines);
        QCOMPARE(editor.text(), text);
        editor.setFocus();
        const QStringList pastes
            = {QStringLiteral("x\r\ny\nz\r"), QStringLiteral("p\rq\n"), longLine(11000)};
        QRandomGenerator random(20261207);
        const auto crLfAt = [&text](int at) { return text.mid(at, 2) == QLatin1String("\r\n"); };
        const auto inside = [&](int offset) {
            offset = qMin(offset, int(text.size()));
            return offset > 0 && crLfAt(offset - 1) ? offset - 1 : offset;
        };
        for (int step = 0; step < 150; ++step) {
            // Some carets where long lines are cut for display.
            const int start = inside(random.bounded(4) == 0
                                         ? int(random.bounded(12)) * EditorControl::wrapLength
                                         : int(random.bounded(int(text.size()) + 1)));
            const int end = random.bounded(3) == 0 ? inside(start + int(random.bounded(8))) : start;
            editor.setSelectionStart(start);
            editor.setSelectionLength(end - start);
            QCOMPARE(editor.selectedText(), text.mid(start, end - start));
            QString insert;
            int from = start;
            int to = end;
            switch (random.bounded(5)) {
            case 0: // typed separators are characters of their line, not line ends
                insert = QStringList {"x", "\u2028", "\u2029"}.at(random.bounded(3));
                QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, insert, Qt::NoModifier);
                break;
            case 1:
                QTest::keyClick(
                    &editor, Qt::Key_Return,
                    Qt::KeyboardModifiers(random.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier));
                insert = lineEnd;
                break;
            case 2:
                insert = pastes.at(random.bounded(int(pastes.size())));
                editor.replaceSelection(editor.withLineEnds(insert));
                insert.replace(QRegularExpression(QStringLiteral("\r\n|\r|\n")), lineEnd);
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
            QCOMPARE(editor.selectionStart(), from + int(insert.size()));
            QVERIFY2(editor.text() == text, qPrintable(QStringLiteral("step %1").arg(step)));
        }
    }

    // A long line shown in pieces is still one line: End and Home reach its ends
    // and the status bar's line and column count the text, not the pieces.
    void longLineIsOneLine()
    {
        EditorControl editor;
        editor.setText(QStringLiteral("ab\n") + longLine(25000) + QStringLiteral("\nz"));
        editor.setSelectionStart(3 + 450);
        QCOMPARE(editor.caretLineAndColumn(), qMakePair(2, 451));
        QTest::keyClick(&editor, Qt::Key_End);
        QCOMPARE(editor.selectionStart(), 3 + 25000);
        QTest::keyClick(&editor, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(editor.selectionLength(), 25000);
        editor.setSelectionStart(3 + 25000 + 1);
        QCOMPARE(editor.caretLineAndColumn(), qMakePair(3, 1));
    }
};

QTEST_MAIN(TestLineEnds)
#include "tst_lineends.moc"
