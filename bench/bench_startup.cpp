// Start-up of the window in fresh processes, against a plain QMainWindow started
// the same way in the same run: with the preview closed (the engine is not even
// loaded), with it shown, and (bench_startup_linked) with the engine linked into
// the program as it was before the pane became a module loaded on first show.
#include "app/mainwindow.h"
#include "app/startup.h"
#include "benchdata.h"
#include "ui/editorcontrol.h"
#include "ui/previewinterface.h"
#include "ui/qtplatform.h"
#ifdef RUBELLO_BENCH_ENGINE_LINKED
#include "ui/previewpane.h"
#endif

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

[[maybe_unused]] double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // Field 22 (counting from 1) is the start time in clock ticks since boot.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9 - started;
}

// Resident memory of a process and, with children, of the engine's processes too.
long residentKb(long pid, bool withChildren)
{
    long kb = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                kb = line.mid(6).trimmed().split(' ').value(0).toLong();
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (withChildren && children.open(QIODevice::ReadOnly))
        for (const QByteArray &child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                kb += residentKb(child.trimmed().toLong(), true);
    return kb;
}

// One start: prints seconds to the window shown, its memory, and for "shown" the
// seconds to the preview's first render and the memory with the engine's processes.
int child(const QByteArray &mode, int argc, char *argv[])
{
#ifdef RUBELLO_BENCH_ENGINE_LINKED
    PreviewPane::registerScheme();
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    if (mode == "plain") {
        QMainWindow window;
        window.show();
        QTimer::singleShot(0, [&] {
            std::printf("%.6f %ld\n", secondsSinceProcessStart(), residentKb(getpid(), false));
            application.quit();
        });
        return application.exec();
    }
    installJapaneseEnvironment();
    QtPlatformServices platform;
    MainWindow window(platform);
    window.show();
    QTimer::singleShot(0, [&] {
        const double shown = secondsSinceProcessStart();
        if (mode != "shown") {
            std::printf("%.6f %ld\n", shown, residentKb(getpid(), false));
            application.quit();
            return;
        }
        window.editor()->setText(makeJapaneseHtml(10 * 1024));
        window.setPreviewShown(true);
        if (!window.previewPane()) {
            std::printf("%.6f 0 0 0\n", shown);
            application.quit();
            return;
        }
        QSignalSpy rendered(window.previewWidget(), SIGNAL(rendered(bool)));
        rendered.wait(60000);
        std::printf("%.6f %ld %.6f %ld\n", shown, residentKb(getpid(), false), secondsSinceProcessStart(),
                    residentKb(getpid(), true));
        // Without asking to keep the page typed in, and without the engine's teardown.
        std::fflush(stdout);
        ::_exit(0);
    });
    return application.exec();
}

[[maybe_unused]] void print(const char *name, double value, const char *unit, const char *target)
{
    std::printf("%s: %.4g %s    (target: %s)\n", name, value, unit, target);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--child") == 0)
        return child(argv[2], argc, argv);
#ifndef RUBELLO_BENCH_ENGINE_LINKED
    QCoreApplication core(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const QString linked = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_linked");
    struct Run { QString program; QString mode; std::vector<QList<double>> figures; };
    Run runs[] = {{self, QStringLiteral("plain"), {}}, {self, QStringLiteral("closed"), {}},
                  {linked, QStringLiteral("closed"), {}}, {self, QStringLiteral("shown"), {}}};
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 9;
    // Interleaved, so a load that comes and goes falls on every kind alike.
    for (int round = 0; round < std::max(rounds, 1); ++round)
        for (Run &run : runs) {
            QProcess process;
            process.start(run.program, {QStringLiteral("--child"), run.mode});
            process.waitForFinished(90000);
            QList<double> figures;
            for (const QByteArray &field : process.readAllStandardOutput().trimmed().split(' '))
                figures.append(field.toDouble());
            run.figures.push_back(figures);
        }
    const auto figure = [](const Run &run, int index) {
        std::vector<double> values;
        for (const QList<double> &figures : run.figures)
            values.push_back(figures.value(index));
        return median(values);
    };
    const double plain = figure(runs[0], 0), closed = figure(runs[1], 0), linkedClosed = figure(runs[2], 0);
    print("startup_plain_qmainwindow", plain * 1000, "ms", "baseline");
    print("startup_preview_closed", closed * 1000, "ms", "reported");
    print("startup_engine_linked_preview_closed", linkedClosed * 1000, "ms", "reported (as before the module)");
    print("startup_preview_shown_window", figure(runs[3], 0) * 1000, "ms", "reported");
    print("startup_preview_shown_first_render", figure(runs[3], 2) * 1000, "ms", "reported");
    print("startup_closed_vs_plain", closed / plain, "x", "reported");
    print("startup_closed_vs_engine_linked", closed / linkedClosed, "x", "< 1");
    print("startup_shown_render_vs_closed", figure(runs[3], 2) / closed, "x", "reported");
    print("memory_plain_qmainwindow", figure(runs[0], 1) / 1024, "MB", "baseline");
    print("memory_preview_closed", figure(runs[1], 1) / 1024, "MB", "reported");
    print("memory_engine_linked_preview_closed", figure(runs[2], 1) / 1024, "MB", "reported");
    print("memory_preview_shown_window_process", figure(runs[3], 1) / 1024, "MB", "reported");
    print("memory_preview_shown_with_engine_processes", figure(runs[3], 3) / 1024, "MB", "reported");
    return 0;
#else
    std::printf("(its figures are measured and printed by bench_startup)\n");
    return 0;
#endif
}
