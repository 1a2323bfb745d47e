// Undo steps of the user's own edits, recorded from the document's changes: keys,
// an input method's composition, Enter, over line ends, stand-ins and long lines;
// a whole-text command, its undo and redo keep the caret and the view where they were.

#include "casetable.h"
#include "ui/editorcontrol.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextDocument>

class TestEditorUndo : public QObject
{
    Q_OBJECT

private slots:
    void steps_data() { addCaseRows("editorundo.tsv"); }
    void steps();
    void wholeTextCommandKeepsTheView_data();
    void wholeTextCommandKeepsTheView();
    void longStepInPlaces_data() { addCaseRows("longsteps.tsv"); }
    void longStepInPlaces();
    void wholeTextStepsTakeTheKeptDocument_data() { addCaseRows("keptdocuments.tsv"); }
    void wholeTextStepsTakeTheKeptDocument();
};

void TestEditorUndo::steps()
{
    QFETCH(QByteArrayList, f);
    const QString text = caseText(f.value(0));
    EditorControl editor;
    editor.setText(text);
    editor.setFocus();
    editor.setSelectionStart(f.value(1).toInt());
    editor.setSelectionLength(f.value(2).toInt());
    for (const QString &action : QString::fromUtf8(f.value(3)).split(u' ')) {
        const QString argument = caseText(action.section(u':', 1).toUtf8());
        if (action.startsWith(u"type:")) {
            for (const QChar c : argument)
                QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key_unknown, QString(c), {});
        } else if (action == u"back" || action == u"del" || action == u"enter") {
            QTest::keyClick(&editor,
                            action == u"back"      ? Qt::Key_Backspace
                                : action == u"del" ? Qt::Key_Delete
                                                   : Qt::Key_Return);
        } else {
            QInputMethodEvent event(action.startsWith(u"ime:") ? argument : QString(), {});
            if (action.startsWith(u"commit"))
                event.setCommitString(argument, action.startsWith(u"commit-1") ? -1 : 0,
                                      action.startsWith(u"commit-1") ? 1 : 0);
            QApplication::sendEvent(&editor, &event);
        }
    }
    const QString after = caseText(f.value(4));
    QVERIFY(editor.text() == after);
    for (int step = f.value(5).toInt(); step > 0; --step)
        QVERIFY(editor.undo());
    QVERIFY(editor.text() == text);
    QVERIFY(!editor.undo()); // no more steps than said
    while (editor.redo()) { }
    QVERIFY(editor.text() == after);
}

void TestEditorUndo::wholeTextCommandKeepsTheView_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("block"); // the caret's
    QTest::addColumn<QString>("steps");
    const QString page = QStringLiteral("<p>漢字の行と kanji の行</p>\r\n");
    const QString longLine = QStringLiteral("漢字の行と kanji の行").repeated(20000);
    for (const QString &steps : QStringList{QStringLiteral("apply"), QStringLiteral("apply undo"),
                                                     QStringLiteral("apply undo redo")}) {
        QTest::addRow("12000 lines, caret mid-page: %s", qPrintable(steps))
            << page << 12000 << 6000 << steps;
        QTest::addRow("one long line in pieces, caret in the middle piece: %s", qPrintable(steps))
            << longLine << 1 << 700 << steps;
    }
}

void TestEditorUndo::wholeTextCommandKeepsTheView()
{
    QFETCH(QString, line);
    QFETCH(int, lines);
    QFETCH(int, block);
    QFETCH(QString, steps);
    EditorControl editor;
    editor.resize(400, 300);
    editor.show();
    const QString text = line.repeated(lines);
    editor.setText(text);
    QTextCursor caret(editor.document()->findBlockByNumber(block));
    caret.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
    editor.setTextCursor(caret);
    editor.centerCursor();
    QApplication::processEvents();
    const int top = editor.verticalScrollBar()->value();
    QVERIFY(top > 0);
    QString rewritten = text;
    rewritten.replace(QStringLiteral("漢字"), QStringLiteral("<ruby>漢字<rt>かんじ</rt></ruby>"));
    // A long step shows the busy cursor while it runs, and only then.
    QList<bool> busy;
    connect(&editor, &EditorControl::edited, &editor, [&busy] {
        busy.append(QGuiApplication::overrideCursor()
                    && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
    });
    for (const QString &step : steps.split(u' ')) {
        if (step == u"apply")
            editor.rewriteText(rewritten);
        else
            QVERIFY(step == u"undo" ? editor.undo() : editor.redo());
        QApplication::processEvents();
        QCOMPARE(editor.textCursor().blockNumber(), block);
        QCOMPARE(editor.textCursor().positionInBlock(), 4);
        QCOMPARE(editor.verticalScrollBar()->value(), top);
        QCOMPARE(editor.horizontalScrollBar()->value(), 0);
    }
    QCOMPARE(editor.text(), steps.endsWith(u"undo") ? text : rewritten);
    QCOMPARE(busy.size(), steps.count(u' ') + 1);
    QCOMPARE(busy.count(true), steps.count(u' '));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestEditorUndo::longStepInPlaces()
{
    QFETCH(QByteArrayList, f);
    const QString text = caseText(f[0]).repeated(f[1].toInt());
    const QString what = caseText(f[2]);
    const QString by = caseText(f[3]);
    QString rewritten = text;
    qsizetype at = 0;
    for (int n = f[4].toInt(); n > 0 && (at = rewritten.indexOf(what, at)) >= 0; --n, at += by.size())
        rewritten.replace(at, what.size(), by);
    EditorControl editor;
    editor.setText(text);
    // All but the first character: a command over the whole text keeps the document
    // it replaces instead.
    QCOMPARE(rewritten.front(), text.front());
    editor.setSelectionStart(1);
    editor.setSelectionLength(int(text.size()) - 1);
    editor.replaceSelection(rewritten.mid(1));
    QSignalSpy changes(editor.document(), &QTextDocument::contentsChange);
    QVERIFY(editor.undo());
    QVERIFY(editor.text() == text);
    // Rewritten in places, the document is not written again from its start.
    const bool whole = std::any_of(changes.cbegin(), changes.cend(), [&](const QList<QVariant> &change) {
        return change.at(0).toInt() <= 1 && change.at(1).toInt() > text.size() / 2;
    });
    QCOMPARE(!whole, f[5] == "yes");
    // The lines are those the text has when it is loaded (a long line's pieces may differ).
    const auto lines = [](const EditorControl &shown) {
        return shown.source().linesBefore(shown.document()->blockCount() - 1);
    };
    const auto loadedLines = [&lines](const QString &loaded) {
        EditorControl fresh;
        fresh.setText(loaded);
        return lines(fresh);
    };
    QCOMPARE(lines(editor), loadedLines(text));
    QVERIFY(editor.redo());
    QVERIFY(editor.text() == rewritten);
    QCOMPARE(lines(editor), loadedLines(rewritten));
}

void TestEditorUndo::wholeTextStepsTakeTheKeptDocument()
{
    QFETCH(QByteArrayList, f);
    // Line ends of every kind, differing between the texts line by line.
    const QStringList texts{
        QStringLiteral("<p>漢字</p>\r\n<p>予定</p>\n<p>章</p>\r"),
        QStringLiteral("<p><ruby>漢字<rt>かんじ</rt></ruby></p>\r\n<p>予定</p>\n<p>章</p>\r"),
        QStringLiteral("<p>漢字</p>\n<p><ruby>予定<rt>よてい</rt></ruby></p>\r\n<p>章</p>\r\n")};
    const auto textNamed = [&texts](QStringView name) {
        return name.startsWith(u'x') ? u'x' + texts.value(name.mid(1).toInt())
                                     : texts.value(name.toInt());
    };
    EditorControl editor;
    editor.setText(texts[0]);
    // Guarded: a document let go may hand its address to a later one, which must
    // not pass for it.
    QList<QPointer<const QTextDocument>> documents{editor.document()};
    const auto indexOf = [&documents](const QTextDocument *document) {
        for (qsizetype i = 0; i < documents.size(); ++i)
            if (documents.at(i) == document)
                return i;
        return qsizetype(-1);
    };
    const QStringList actions = QString::fromUtf8(f[0]).split(u' ');
    const QStringList after = QString::fromUtf8(f[1]).split(u' ');
    QCOMPARE(actions.size(), after.size());
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const QString &action = actions[i];
        const QString shown = editor.text();
        bool done = true;
        if (action.startsWith(u"apply:")) {
            editor.rewriteText(texts[action.mid(6).toInt()]);
        } else if (action.startsWith(u"amend:")) {
            editor.setSelectionStart(0);
            editor.setSelectionLength(editor.textLength());
            editor.amendSelection(texts[action.mid(6).toInt()]);
        } else if (action == u"type:x") {
            editor.setSelectionStart(0);
            editor.setSelectionLength(0);
            QTest::keyClicks(&editor, QStringLiteral("x"));
        } else if (action == u"load") {
            editor.setText(texts[0]);
        } else if (action == u"zoom") {
            QFont larger = editor.font();
            larger.setPointSizeF(larger.pointSizeF() + 3);
            editor.setFont(larger);
        } else {
            done = action == u"undo" ? editor.undo() : editor.redo();
        }
        const QString at = QStringLiteral("%1 (action %2)").arg(action).arg(i + 1);
        if (after[i] == u"-") {
            QVERIFY2(!done, qPrintable(at));
            QVERIFY2(editor.text() == shown, qPrintable(at));
            continue;
        }
        QVERIFY2(done, qPrintable(at));
        QVERIFY2(editor.text() == textNamed(after[i].section(u'/', 0, 0)), qPrintable(at));
        QVERIFY2(editor.document()->defaultFont() == editor.font(), qPrintable(at));
        if (indexOf(editor.document()) < 0)
            documents.append(editor.document());
        QCOMPARE(indexOf(editor.document()), after[i].section(u'/', 1).toInt());
    }
    // The widget follows the document it shows now (the line numbers' width needs it).
    QSignalSpy lines(&editor, &QPlainTextEdit::blockCountChanged);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(lines.count(), 1);
}

QTEST_MAIN(TestEditorUndo)
#include "tst_editorundo.moc"
