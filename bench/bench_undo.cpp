// Undo and redo in a 10 MB document: a typed word, a command in the middle, a
// command over the whole text (a Replace all that changed every line), and in the
// window, with its colours on, the Undo and Redo of whole-page ruby.

#include "app/editorcommands.h"
#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "benchdata.h"
#include "benchplatform.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
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

// Where the user is: the caret's line and column, the scroll bars.
QString placeOf(EditorControl &editor)
{
    const QPair<int, int> caret = editor.caretLineAndColumn();
    return QStringLiteral("%1:%2 %3,%4")
        .arg(caret.first)
        .arg(caret.second)
        .arg(editor.verticalScrollBar()->value())
        .arg(editor.horizontalScrollBar()->value());
}

// A 10 MB page opened in the window, whole-page ruby applied in the middle of it as
// the command does, then the window's Undo and Redo, each until its events are done.
void windowUndo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("page.html"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(makeJapaneseHtml(10'000'000).toUtf8()) <= 0)
        return;
    file.close();
    BenchPlatform platform("UTF-8");
    MainWindow form(platform);
    form.resize(1000, 700);
    form.show();
    QCoreApplication::processEvents();
    form.documentCommands().load(path);
    EditorControl &editor = *form.editor();
    QString annotated = editor.text();
    for (const char16_t *word : {u"漢字", u"予定", u"章"})
        annotated.replace(QString::fromUtf16(word),
                          QStringLiteral("<ruby>%1<rp>(</rp><rt>よみ</rt><rp>)</rp></ruby>")
                              .arg(QString::fromUtf16(word)));
    editor.setSelectionStart(editor.textLength() / 2);
    editor.centerCursor();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    editor.rewriteText(annotated);
    QCoreApplication::processEvents();
    print("window: whole-page ruby applied, 10 MB", ms(timer), "as measured");
    const QString place = placeOf(editor);
    const EditorCommands::Actions &actions = form.editorCommands().actions();
    double undoBest = 1e9, undoWorst = 0, redoBest = 1e9, redoWorst = 0;
    bool kept = true;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        actions.undo->trigger();
        QCoreApplication::processEvents();
        undoBest = qMin(undoBest, ms(timer));
        undoWorst = qMax(undoWorst, ms(timer));
        kept = kept && placeOf(editor) == place;
        timer.start();
        actions.redo->trigger();
        QCoreApplication::processEvents();
        redoBest = qMin(redoBest, ms(timer));
        redoWorst = qMax(redoWorst, ms(timer));
        kept = kept && placeOf(editor) == place;
    }
    QPlainTextEdit bare;
    bare.setFont(editor.font());
    bare.setLineWrapMode(QPlainTextEdit::NoWrap);
    bare.resize(1000, 700);
    bare.show();
    QCoreApplication::processEvents();
    timer.start();
    bare.setPlainText(annotated);
    QCoreApplication::processEvents();
    const double qtAlone = ms(timer);
    print("window: Undo of whole-page ruby, 10 MB, best of 3", undoBest, "< 500 ms");
    print("window: Undo of whole-page ruby, 10 MB, worst of 3", undoWorst, "< 500 ms");
    print("window: Redo of whole-page ruby, 10 MB, best of 3", redoBest, "< 500 ms");
    print("window: Redo of whole-page ruby, 10 MB, worst of 3", redoWorst, "< 500 ms");
    std::printf("window: setPlainText of the page alone (baseline): %.4g ms\n", qtAlone);
    std::printf("window: Undo vs setPlainText: %.3gx (best) %.3gx (worst)\n", undoBest / qtAlone,
                undoWorst / qtAlone);
    std::printf("window: the caret and the view stay where the user was: %s (%s)\n",
                kept ? "yes" : "NO", qPrintable(place));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (QCoreApplication::arguments().contains(QStringLiteral("--window"))) {
        windowUndo();
        return 0;
    }
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
    std::fflush(stdout);
    const bool same = editor.text() == replaced;
    windowUndo();
    return same ? 0 : 1;
}
