// Editor control and main window: typing cost against document size, offset
// mapping at the end of a large document, typing into long lines, documents with
// LF and mixed line ends against CR LF ones, start-up time; the rendered preview
// (bench_editor --preview; as root, with QTWEBENGINE_DISABLE_SANDBOX=1); line numbers
// and soft wrap alone (bench_editor --view).

#include "app/mainwindow.h"
#include "app/startup.h"
#include "benchdata.h"
#include "ui/editorcontrol.h"
#include "ui/previewinterface.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void print(const char *name, double value, const char *unit, const char *target)
{
    std::printf("%s: %.4g %s    (target: %s)\n", name, value, unit, target);
    std::fflush(stdout);
}

// Milliseconds per typed character, caret in the middle of the document. In view:
// each character is taken back (untimed) before the next, so the line stays as long
// as it was. Without wrapping, a line growing past the window's edge scrolls the view
// sideways until little text is left in it to paint, which no wrapped view does.
double typingCost(MainWindow &form, const QString &text, int keys, bool inView = false)
{
    EditorControl *editor = form.editor();
    editor->setText(text);
    editor->setSelectionStart(int(text.size() / 2));
    QApplication::processEvents();
    std::vector<double> samples;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(editor, Qt::Key_A);
        editor->viewport()->repaint();
        samples.push_back(timer.nsecsElapsed() / 1e6);
        if (inView)
            QTest::keyClick(editor, Qt::Key_Backspace);
    }
    return median(samples);
}

double selStartCost(EditorControl *editor, int offset, int calls)
{
    QElapsedTimer timer;
    timer.start();
    long sum = 0;
    for (int i = 0; i < calls; ++i) {
        editor->setSelectionStart(offset - (i % 3));
        sum += editor->selectionStart();
    }
    const double perCall = timer.nsecsElapsed() / 1e3 / calls;
    return sum == -1 ? 0 : perCall;
}

// The offset mapping alone, without moving the caret (no scrolling or layout).
double mappingCost(EditorControl *editor, int offset, int calls)
{
    QElapsedTimer timer;
    timer.start();
    long sum = 0;
    for (int i = 0; i < calls; ++i)
        sum += editor->offsetFromPosition(editor->positionFromOffset(offset - (i % 3)));
    const double perCall = timer.nsecsElapsed() / 1e3 / calls;
    return sum == -1 ? 0 : perCall;
}

// Milliseconds of one call, the median of a few runs.
template<typename Call>
double callCost(Call call, int runs = 3)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        call();
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(samples);
}

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Share of one core used while the window sits idle with the caret blinking.
double idleCpuPercent(EditorControl *editor, int milliseconds)
{
    editor->window()->activateWindow();
    editor->setFocus();
    QApplication::processEvents();
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop idle;
    QTimer::singleShot(milliseconds, &idle, &QEventLoop::quit);
    idle.exec();
    return 100.0 * (processCpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
}

QString withLineEnds(const QString &crLfText, const QStringList &cycle)
{
    QString text;
    text.reserve(crLfText.size());
    qsizetype from = 0;
    int line = 0;
    for (qsizetype at = crLfText.indexOf(u'\r'); at >= 0; at = crLfText.indexOf(u'\r', from)) {
        text += QStringView(crLfText).sliced(from, at - from);
        text += cycle.at(line++ % cycle.size());
        from = at + 2;
    }
    text += QStringView(crLfText).sliced(from);
    return text;
}

// LF and mixed documents against CR LF ones, and lines of megabytes.
void lineEndFigures(MainWindow &form, const QString &large)
{
    const QString lf = withLineEnds(large, {QStringLiteral("\n")});
    const QString mixed
        = withLineEnds(large,
                       {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r\n"),
                        QStringLiteral("\n"), QStringLiteral("\r")});
    // One key to each document in turn, so that the machine's load is the same for all.
    std::vector<std::unique_ptr<EditorControl>> editors;
    std::vector<std::vector<double>> samples(3);
    for (const QString *text : {&large, &lf, &mixed}) {
        editors.push_back(std::make_unique<EditorControl>());
        editors.back()->resize(form.editor()->size());
        editors.back()->show();
        editors.back()->setText(*text);
        editors.back()->setSelectionStart(int(text->size() / 2));
    }
    QApplication::processEvents();
    for (int key = 0; key < 100; ++key) {
        for (std::size_t i = 0; i < editors.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(editors[i].get(), Qt::Key_A);
            editors[i]->viewport()->repaint();
            samples[i].push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    editors.clear();
    const double typingCrLfAlone = median(samples[0]);
    const double typingLf = median(samples[1]);
    const double typingMixed = median(samples[2]);
    print("typing_10MB_crlf_per_key_in_turn", typingCrLfAlone, "ms", "baseline");
    print("typing_10MB_lf_per_key", typingLf, "ms", "reported");
    print("typing_10MB_lf_vs_crlf", typingLf / typingCrLfAlone, "x", "<= 1.2");
    print("typing_10MB_mixed_per_key", typingMixed, "ms", "reported");
    print("typing_10MB_mixed_vs_crlf", typingMixed / typingCrLfAlone, "x", "<= 1.2");

    // Loads into windows not shown, so neither side lays the text out; the two take
    // turns, so that the machine's load is the same for both.
    const auto loadAgainstQt = [](const QString &text, const char *name, const char *target) {
        std::vector<double> qt;
        std::vector<double> ours;
        for (int run = 0; run < 3; ++run) {
            qt.push_back(callCost(
                [&text] {
                    QPlainTextEdit plain;
                    plain.setLineWrapMode(QPlainTextEdit::NoWrap);
                    plain.setPlainText(text);
                },
                1));
            ours.push_back(callCost(
                [&text] {
                    EditorControl editor;
                    editor.setText(text);
                },
                1));
        }
        const QByteArray figure = QByteArray(name) + "_vs_setplaintext";
        print((QByteArray(name) + "_ms").constData(), median(ours), "ms", "reported");
        print(figure.constData(), median(ours) / median(qt), "x", target);
    };
    loadAgainstQt(lf, "load_10MB_lf", "<= 1.3");

    EditorControl *editor = form.editor();
    editor->setText(QStringLiteral("<p>送り仮名</p>\n").repeated(10));
    const double tenLines = selStartCost(editor, editor->textLength(), 20000);
    editor->setText(lf);
    const double lfEnd = selStartCost(editor, editor->textLength(), 20000);
    print("selstart_10MB_lf_at_end", lfEnd, "us/call", "reported");
    print("selstart_10MB_lf_vs_10_lines", lfEnd / tenLines, "x", "<= 3");

    QString oneLine = large;
    oneLine.remove(QStringLiteral("\r\n"));
    const QString megabyteLine = oneLine.left(512 * 1024); // about 1 MB in UTF-8
    const double typingSmall = typingCost(form, makeJapaneseHtml(100 * 1024), 100);
    print("idle_cpu_after_typing_100KB", idleCpuPercent(editor, 3000), "%", "baseline");
    const double megabyte = typingCost(form, megabyteLine, 50);
    print("typing_1MB_single_line_per_key", megabyte, "ms", "< 50 ms");
    print("typing_1MB_single_line_vs_100KB", megabyte / typingSmall, "x", "reported");
    const double tenMegabytes = typingCost(form, oneLine, 50);
    print("typing_10MB_single_line_per_key", tenMegabytes, "ms", "< 500 ms");
    print("typing_10MB_single_line_vs_100KB", tenMegabytes / typingSmall, "x", "reported");
    print("idle_cpu_after_typing_10MB_single_line", idleCpuPercent(editor, 3000), "%", "< 5 %");
    loadAgainstQt(oneLine, "load_10MB_single_line", "<= 1.5");
}

double secondsSinceProcessStart()
{
    FILE *stat = std::fopen("/proc/self/stat", "r");
    unsigned long long startTicks = 0;
    if (stat) {
        // Field 22 is the start time in clock ticks since boot.
        char buffer[1024];
        const size_t read = std::fread(buffer, 1, sizeof buffer - 1, stat);
        buffer[read] = 0;
        std::fclose(stat);
        const char *after = std::strrchr(buffer, ')');
        int field = 2;
        for (const char *p = after; p && *p; ++p) {
            if (*p == ' ' && ++field == 22) {
                startTicks = std::strtoull(p + 1, nullptr, 10);
                break;
            }
        }
    }
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double uptime = now.tv_sec + now.tv_nsec / 1e9;
    return uptime - double(startTicks) / double(sysconf(_SC_CLK_TCK));
}

// Child: the program's own start-up steps, then report when the window is shown.
int startupChild(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installJapaneseEnvironment();
    QtPlatformServices platform;
    MainWindow window(platform);
    window.show();
    QTimer::singleShot(0, [&] {
        std::printf("%.6f\n", secondsSinceProcessStart());
        application.quit();
    });
    return application.exec();
}

// The HTML colours (on in the figures above) against the same work without them.
void colourFigures(MainWindow &form, const QString &large, double typingWithColours)
{
    const auto loadTime = [&form, &large] {
        form.editor()->setText(QString());
        QElapsedTimer timer;
        timer.start();
        form.editor()->setText(large);
        QApplication::processEvents();
        return timer.nsecsElapsed() / 1e6;
    };
    const double loadWith = loadTime();
    form.editorCommands().setHtmlColours(false);
    const double loadWithout = loadTime();
    const double typingWithout = typingCost(form, large, 200);
    form.editorCommands().setHtmlColours(true);
    print("typing_10MB_without_colours_per_key", typingWithout, "ms", "baseline");
    print("typing_10MB_colours_vs_without", typingWithColours / typingWithout, "x", "<= 1.5");
    print("load_10MB_without_colours", loadWithout, "ms", "baseline");
    print("load_10MB_colours_vs_without", loadWith / loadWithout, "x", "reported");
}

// Line numbers (on by default) and soft wrap, against the editor without either,
// measured in the same run, typing in view.
void viewFigures(MainWindow &form, const QString &large)
{
    EditorControl *editor = form.editor();
    const double typingDefault = typingCost(form, large, 200, true);
    editor->setLineNumbersShown(false);
    const double plain = typingCost(form, large, 200, true);
    editor->setSoftWrap(true);
    const double wrapped = typingCost(form, large, 200, true);
    editor->setLineNumbersShown(true);
    const double both = typingCost(form, large, 200, true);
    editor->setSoftWrap(false);
    print("typing_10MB_without_line_numbers_or_wrap_per_key", plain, "ms", "baseline");
    print("typing_10MB_line_numbers_vs_without", typingDefault / plain, "x", "<= 1.2");
    print("typing_10MB_soft_wrap_vs_without", wrapped / plain, "x", "<= 1.2");
    print("typing_10MB_line_numbers_and_wrap_vs_without", both / plain, "x", "<= 1.2");
}

// Resident memory in KB of a process and of every process below it.
long residentKb(long pid, bool withChildren)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    long kb = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                kb = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    if (!withChildren)
        return kb;
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray &child : children.readAll().split(' '))
            if (child.trimmed().toLong() > 0)
                kb += residentKb(child.trimmed().toLong(), true);
    return kb;
}

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Milliseconds per key typed at a pace that lets renders start between the keys:
// the time until the key is shown, and the window thread's own processor time for
// it (what other processes on a busy machine do not change).
QPair<double, double> pacedTypingCost(MainWindow &form, int keys)
{
    EditorControl *editor = form.editor();
    std::vector<double> samples;
    std::vector<double> cpu;
    for (int i = 0; i < keys; ++i) {
        QTest::qWait(250);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        QTest::keyClick(editor, Qt::Key_A);
        editor->viewport()->repaint();
        samples.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    return {median(samples), median(cpu)};
}

// Wall clock per key at a typist's steady pace (a key due every intervalMs), from
// the moment the key is due until it is shown: a window thread busy with anything
// else (a render being prepared) makes the key late. Each key's latency is added.
void typingLatency(MainWindow &form, int keys, int intervalMs, std::vector<double> &latency)
{
    EditorControl *editor = form.editor();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer next;
    next.setSingleShot(true);
    next.setTimerType(Qt::PreciseTimer);
    int typed = 0;
    QObject::connect(&next, &QTimer::timeout, &loop, [&] {
        const double due = double(typed + 1) * intervalMs;
        QTest::keyClick(editor, Qt::Key_A);
        editor->viewport()->repaint();
        latency.push_back(clock.nsecsElapsed() / 1e6 - due);
        if (++typed == keys) {
            loop.quit();
            return;
        }
        next.start(std::max(0, int(double(typed + 1) * intervalMs - clock.elapsed())));
    });
    next.start(intervalMs);
    loop.exec();
}

double percentile(std::vector<double> values, int percent)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * percent / 100];
}

// A 1 MB page: typing with the pane closed and open, the time from the last key to
// the refreshed page, the memory of the pane's engine beside the editor's own.
void previewFigures(MainWindow &form)
{
    const QString page = makeJapaneseHtml(1024 * 1024);
    form.editor()->setText(page);
    form.editor()->setSelectionStart(int(page.size() / 2));
    QTest::qWait(500);
    const long editorKb = residentKb(getpid(), true);
    const QPair<double, double> closed = pacedTypingCost(form, 30);
    QElapsedTimer opening;
    opening.start();
    form.setPreviewShown(true);
    PreviewPaneInterface *pane = form.previewPane();
    if (!pane) {
        std::printf("preview: the module did not load\n");
        return;
    }
    QSignalSpy rendered(pane->widget(), SIGNAL(rendered(bool)));
    rendered.wait(60000);
    print("preview_first_render_1MB", opening.nsecsElapsed() / 1e6, "ms", "reported");
    const QPair<double, double> open = pacedTypingCost(form, 30);
    // Closed and open in turns: the machine's other load falls on both alike.
    std::vector<double> closedPace, openPace;
    for (int round = 0; round < 4; ++round) {
        form.setPreviewShown(false);
        QTest::qWait(300);
        typingLatency(form, 15, 180, closedPace);
        rendered.clear();
        form.setPreviewShown(true);
        rendered.wait(10000);
        QTest::qWait(300);
        typingLatency(form, 15, 180, openPace);
    }
    const double closedP50 = percentile(closedPace, 50), openP50 = percentile(openPace, 50);
    const double closedP90 = percentile(closedPace, 90), openP90 = percentile(openPace, 90);
    print("typing_1MB_steady_pace_pane_closed_wall", closedP50, "ms", "baseline");
    print("typing_1MB_steady_pace_pane_open_wall", openP50, "ms", "reported");
    print("typing_1MB_steady_pace_open_vs_closed_wall", openP50 / closedP50, "x", "<= 1.3");
    print("typing_1MB_steady_pace_pane_closed_wall_p90", closedP90, "ms", "baseline");
    print("typing_1MB_steady_pace_pane_open_wall_p90", openP90, "ms", "reported");
    print("typing_1MB_steady_pace_open_vs_closed_wall_p90", openP90 / closedP90, "x", "<= 1.3");
    print("typing_1MB_pane_closed_per_key", closed.first, "ms", "baseline");
    print("typing_1MB_pane_open_per_key", open.first, "ms", "reported");
    print("typing_1MB_open_vs_closed", open.first / closed.first, "x", "<= 1.3");
    print("typing_1MB_pane_closed_cpu_per_key", closed.second, "ms", "baseline");
    print("typing_1MB_pane_open_cpu_per_key", open.second, "ms", "reported");
    print("typing_1MB_open_vs_closed_cpu", open.second / closed.second, "x", "<= 1.3");
    std::vector<double> refresh;
    for (int i = 0; i < 7; ++i) {
        QTest::qWait(300);
        rendered.clear();
        QTest::keyClick(form.editor(), Qt::Key_B);
        QElapsedTimer timer;
        timer.start();
        if (rendered.wait(10000))
            refresh.push_back(timer.nsecsElapsed() / 1e6);
    }
    print("preview_refresh_1MB_after_last_key", median(refresh), "ms", "<= 500 ms");
    std::vector<double> prepare;
    for (int i = 0; i < 5; ++i) {
        // A key typed: the text is read and compared with the page's.
        QTest::keyClick(form.editor(), Qt::Key_C);
        QElapsedTimer timer;
        timer.start();
        pane->renderNow();
        prepare.push_back(timer.nsecsElapsed() / 1e6);
        rendered.wait(10000);
    }
    print("preview_render_call_1MB_in_window", median(prepare), "ms", "reported");
    const long withPaneKb = residentKb(getpid(), true);
    print("memory_editor_with_1MB_page", editorKb / 1024.0, "MB", "baseline");
    print("memory_with_preview_open", withPaneKb / 1024.0, "MB", "reported");
    print("memory_preview_share", (withPaneKb - editorKb) / 1024.0, "MB", "reported");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(argc, argv);

    // As the program does at start-up.
    keepLargeBlocksInHeap();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    installJapaneseEnvironment();
    QtPlatformServices platform;
    MainWindow form(platform);
    form.show();
    if (argc > 1 && qstrcmp(argv[1], "--preview") == 0) {
        previewFigures(form);
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "--view") == 0) {
        viewFigures(form, makeJapaneseHtml(10 * 1024 * 1024));
        return 0;
    }

    const QString small = makeJapaneseHtml(100 * 1024); // about 100 KB in UTF-8
    const QString large = makeJapaneseHtml(10 * 1024 * 1024); // about 10 MB in UTF-8
    std::printf("documents: %lld bytes in %lld lines and %lld bytes in %lld lines\n",
                (long long)small.toUtf8().size(), (long long)small.count(QLatin1Char('\n')),
                (long long)large.toUtf8().size(), (long long)large.count(QLatin1Char('\n')));

    const double typingSmall = typingCost(form, small, 200);
    const double typingLarge = typingCost(form, large, 200);
    print("typing_100KB_per_key", typingSmall, "ms", "baseline");
    print("typing_10MB_per_key", typingLarge, "ms", "<= 1.5x the 100 KB figure");
    print("typing_10MB_vs_100KB", typingLarge / typingSmall, "x", "<= 1.5");
    colourFigures(form, large, typingLarge);
    viewFigures(form, large);
    if (argc > 1 && qstrcmp(argv[1], "--colours") == 0)
        return 0;
    lineEndFigures(form, large);
    if (argc > 1 && qstrcmp(argv[1], "--line-ends") == 0)
        return 0;

    EditorControl *editor = form.editor();
    QString tenLines;
    for (int i = 0; i < 10; ++i)
        tenLines += QStringLiteral("<p>送り仮名</p>\r\n");
    editor->setText(tenLines);
    const double smallSelStart = selStartCost(editor, editor->textLength(), 20000);
    const double smallMapping = mappingCost(editor, editor->textLength(), 200000);
    print("selstart_10_lines_at_end", smallSelStart, "us/call", "baseline");
    print("offset_mapping_10_lines_at_end", smallMapping, "us/call", "baseline");
    editor->setText(large);
    const double atStart = selStartCost(editor, 10, 20000);
    const double atEnd = selStartCost(editor, editor->textLength(), 20000);
    print("selstart_10MB_at_start", atStart, "us/call", "baseline");
    print("selstart_10MB_at_end", atEnd, "us/call", "about the start figure");
    print("selstart_end_vs_start", atEnd / atStart, "x", "about 1");
    const double mapStart = mappingCost(editor, 10, 200000);
    const double mapEnd = mappingCost(editor, editor->textLength(), 200000);
    print("offset_mapping_10MB_at_start", mapStart, "us/call", "baseline");
    print("offset_mapping_10MB_at_end", mapEnd, "us/call", "about the start figure");
    // Logarithmic in the number of lines; a walk over the lines would grow 20,000-fold.
    print("offset_mapping_10MB_vs_10_lines", mapEnd / smallMapping, "x", "far below 20000");
    print("selstart_10MB_vs_10_lines", atEnd / smallSelStart, "x", "far below 20000");

    for (const int length : {1000, 10000, 100000}) {
        const QString line
            = QStringLiteral("<span>漢字</span>").repeated(length / 15 + 1).left(length);
        const double cost = typingCost(form, line, 100);
        const QByteArray name = "typing_single_line_" + QByteArray::number(length) + "_per_key";
        print(name.constData(), cost, "ms", length <= 10000 ? "< 16 ms" : "reported");
    }

    std::vector<double> starts;
    for (int i = 0; i < 10; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-child")});
        child.waitForFinished(30000);
        starts.push_back(child.readAllStandardOutput().trimmed().toDouble());
    }
    print("startup_to_window_shown_median", median(starts) * 1000, "ms", "< 500 ms");
    return 0;
}
