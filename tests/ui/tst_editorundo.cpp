// Undo steps of the user's own edits, recorded from the document's changes: keys,
// an input method's composition, Enter, over line ends, stand-ins and long lines.

#include "casetable.h"
#include "ui/editorcontrol.h"

#include <QApplication>
#include <QInputMethodEvent>

class TestEditorUndo : public QObject
{
    Q_OBJECT

private slots:
    void steps_data() { addCaseRows("editorundo.tsv"); }
    void steps();
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

QTEST_MAIN(TestEditorUndo)
#include "tst_editorundo.moc"
