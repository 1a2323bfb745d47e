// Editor control and main window: typing cost against document size, offset
// mapping at the end of a large document, typing into long lines, start-up time.

#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "ui/qtplatform.h"
#include "app/startup.h"
#include "benchdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

// Milliseconds per typed character, caret in the middle of the document.
double typingCost(FormMain &form, const QString &text, int keys)
{
    EditorControl *editor = form.RTB1;
    editor->setText(text);
    editor->setSelStart(int(text.size() / 2));
    QApplication::processEvents();
    std::vector<double> samples;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(editor, Qt::Key_A);
        editor->viewport()->repaint();
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(samples);
}

double selStartCost(EditorControl *editor, int offset, int calls)
{
    QElapsedTimer timer;
    timer.start();
    long sum = 0;
    for (int i = 0; i < calls; ++i) {
        editor->setSelStart(offset - (i % 3));
        sum += editor->SelStart();
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
    Module1 module = Module1::atStartUp();
    QtPlatformServices platform;
    FormMain window(module, platform);
    window.show();
    QTimer::singleShot(0, [&] {
        std::printf("%.6f\n", secondsSinceProcessStart());
        application.quit();
    });
    return application.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(argc, argv);

    // As the program does at start-up.
    keepLargeBlocksInHeap();
    QApplication application(argc, argv);
    installJapaneseEnvironment();
    Module1 module = Module1::atStartUp();
    QtPlatformServices platform;
    FormMain form(module, platform);
    form.show();

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

    EditorControl *editor = form.RTB1;
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
