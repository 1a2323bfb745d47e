// Undo and redo in a 10 MB document: a typed word, a command in the middle, and a
// command over the whole text (a Replace all that changed every line).

#include "ui/editorcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdio>

namespace {

QString document(qsizetype bytes)
{
    const QString line = QStringLiteral("<p>送り仮名のある文章と kanji テキスト</p>\r\n");
    QString text;
    text.reserve(bytes / 2 + line.size());
    while (text.size() * 2 < bytes)
        text += line;
    return text;
}

double ms(QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void print(const char *name, double value, const char *target)
{
    std::printf("%s: %.4g ms    (target: %s)\n", name, value, target);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    EditorControl editor;
    editor.resize(800, 600);
    editor.show();
    const QString text = document(qsizetype(10) << 20);
    editor.setText(text);

    editor.setSelectionStart(int(text.size() / 2));
    QTest::keyClicks(&editor, QStringLiteral("typed"));
    // The window shows the caret's lines before the user could press Ctrl+Z.
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    // The worst of five is printed.
    double undoWorst = 0;
    double redoWorst = 0;
    for (int i = 0; i < 5; ++i) {
        timer.start();
        editor.undo();
        undoWorst = qMax(undoWorst, ms(timer));
        timer.start();
        editor.redo();
        redoWorst = qMax(redoWorst, ms(timer));
    }
    print("undo of typing, 10 MB, worst of 5", undoWorst, "< 50 ms");
    print("redo of typing, 10 MB, worst of 5", redoWorst, "< 50 ms");
    // Taking typed characters back off the widest line makes Qt look for the next
    // widest: a Backspace there costs the same.
    timer.start();
    QTest::keyClick(&editor, Qt::Key_Backspace);
    print("Backspace on the same line (baseline)", ms(timer), "as measured");

    editor.setSelectionStart(int(text.size() / 2));
    editor.setSelectionLength(40);
    editor.replaceSelection(QStringLiteral("<ruby><rb>送</rb><rp>(</rp><rt>おく</rt><rp>)</rp></ruby>"));
    timer.start();
    editor.undo();
    print("undo of a command, 10 MB", ms(timer), "< 50 ms");
    timer.start();
    editor.redo();
    print("redo of a command, 10 MB", ms(timer), "< 50 ms");

    // A change spanning the whole text: the step holds both texts.
    QString replaced = text;
    replaced.replace(QStringLiteral("kanji"), QStringLiteral("KANJI"));
    editor.setSelectionStart(0);
    editor.setSelectionLength(editor.textLength());
    timer.start();
    editor.replaceSelection(replaced);
    const double command = ms(timer);
    print("whole-text command itself, 10 MB", command, "as measured");
    timer.start();
    editor.undo();
    const double undo = ms(timer);
    print("undo of a whole-text command, 10 MB", undo, "< 500 ms");
    timer.start();
    editor.redo();
    const double redo = ms(timer);
    print("redo of a whole-text command, 10 MB", redo, "< 500 ms");
    // Qt's own whole write of the same text, in a bare widget: what any editor pays.
    QPlainTextEdit bare;
    bare.resize(800, 600);
    bare.show();
    timer.start();
    bare.setPlainText(replaced);
    const double qtAlone = ms(timer);
    std::printf("setPlainText alone, 10 MB (baseline): %.4g ms\n", qtAlone);
    std::printf("whole-text command vs setPlainText: %.3gx\n", command / qtAlone);
    std::printf("undo of a whole-text command vs setPlainText: %.3gx\n", undo / qtAlone);
    std::printf("redo of a whole-text command vs setPlainText: %.3gx\n", redo / qtAlone);
    return editor.text() == replaced ? 0 : 1;
}
