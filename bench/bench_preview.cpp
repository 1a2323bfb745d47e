// Where the refresh of a 1 MB page goes: building the page, the window thread's
// share, the pane's refresh until its signal (a letter typed: changed in place; a
// tag typed in a paragraph: that paragraph parsed again; a tag outside any block:
// loaded again), and the engine alone loading the same bytes in a bare
// view, from a file and through the pane's scheme, in the same run, offscreen.
#include "benchdata.h"
#include "core/document/previewpage.h"
#include "ui/previewpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <QBuffer>
#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void print(const char *name, double value, const char *unit, const char *target)
{
    std::printf("%s: %.4g %s    (target: %s)\n", name, value, unit, target);
    std::fflush(stdout);
}

template <typename Work>
double milliseconds(Work work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Serves one page through the pane's scheme, as the pane does.
class OnePage : public QWebEngineUrlSchemeHandler
{
public:
    QByteArray bytes;
    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        auto *buffer = new QBuffer(job);
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html"), buffer);
    }
};

// A bare view of the pane's size, scripts off: from a file, or through the scheme.
double engineAlone(const QByteArray &bytes, bool throughScheme, int rounds)
{
    QWebEngineProfile profile;
    OnePage handler;
    handler.bytes = bytes;
    profile.installUrlSchemeHandler(PreviewPane::scheme().toLatin1(), &handler);
    auto *page = new QWebEnginePage(&profile);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    QWebEngineView view;
    view.setPage(page);
    view.resize(800, 900);
    view.show();
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/bench_preview_XXXXXX.html"));
    file.open();
    file.write(bytes);
    file.flush();
    std::vector<double> times;
    for (int i = 0; i < rounds + 1; ++i) {
        loaded.clear();
        const double ms = milliseconds([&] {
            if (throughScheme)
                page->load(QUrl(PreviewPane::scheme() + QStringLiteral(":/p.html?r=%1").arg(i)));
            else
                page->load(QUrl::fromLocalFile(file.fileName()));
            loaded.wait(120000);
        });
        if (i > 0) // the first starts the render process
            times.push_back(ms);
        if (loaded.value(0).value(0).toBool() == false)
            std::printf("(a load failed)\n");
    }
    delete page;
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    PreviewPane::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QString text = makeJapaneseHtml(1024 * 1024);

    std::vector<double> build;
    for (int i = 0; i < rounds; ++i)
        build.push_back(milliseconds([&] { (void)markedForPreview(text).toUtf8(); }));

    PreviewPane pane;
    pane.resize(800, 900);
    pane.show();
    pane.setSource([&] { return text; }, [] { return QString(); }, [] { return qMakePair(0, 0); });
    QSignalSpy rendered(&pane, &PreviewPane::rendered);
    pane.renderNow();
    rendered.wait(120000);
    std::vector<double> call, refresh, keyToPage, tagCall, tag, reloadCall, reload;
    for (int i = 0; i < rounds; ++i) {
        text.insert(text.indexOf(u"漢字", text.size() / 2), u'x');
        rendered.clear();
        QElapsedTimer timer;
        timer.start();
        call.push_back(milliseconds([&] { pane.renderNow(); }));
        rendered.wait(120000);
        refresh.push_back(timer.nsecsElapsed() / 1e6);
        // As typing asks for it: the delay after the last key, then the refresh.
        text.insert(text.indexOf(u"漢字", text.size() / 2), u'y');
        rendered.clear();
        timer.restart();
        pane.noteTextChanged();
        rendered.wait(120000);
        keyToPage.push_back(timer.nsecsElapsed() / 1e6);
        // A tag typed in a paragraph: that paragraph is parsed again in the page.
        text.insert(text.indexOf(u"</p>", text.size() * 3 / 4), QStringLiteral("<i>i</i>"));
        rendered.clear();
        timer.restart();
        tagCall.push_back(milliseconds([&] { pane.renderNow(); }));
        rendered.wait(120000);
        tag.push_back(timer.nsecsElapsed() / 1e6);
        // A tag typed outside any block: the page is built and loaded again.
        text.insert(text.indexOf(u"<body>") + 6, QStringLiteral("<i>i</i>"));
        rendered.clear();
        timer.restart();
        reloadCall.push_back(milliseconds([&] { pane.renderNow(); }));
        rendered.wait(120000);
        reload.push_back(timer.nsecsElapsed() / 1e6);
    }

    // The engine alone, shown as the pane is, loading the same marked bytes.
    const QByteArray bytes = QByteArrayLiteral("\xEF\xBB\xBF") + markedForPreview(text).toUtf8();
    const double engine = engineAlone(bytes, false, rounds);
    const double scheme = engineAlone(bytes, true, rounds);
    std::printf("page: %lld bytes\n", (long long)bytes.size());
    print("preview_build_page_1MB", median(build), "ms", "reported");
    print("preview_render_call_1MB_text_typed_window_thread", median(call), "ms", "< 16 ms (never blocks typing)");
    print("preview_engine_alone_load_1MB", engine, "ms", "baseline");
    print("preview_engine_through_scheme_1MB", scheme, "ms", "reported");
    print("preview_refresh_1MB_text_typed", median(refresh), "ms", "reported");
    print("preview_refresh_1MB_after_last_key", median(keyToPage), "ms", "<= 500 ms");
    print("preview_refresh_vs_engine_alone", median(refresh) / engine, "x", "reported");
    print("preview_refresh_1MB_tag_typed_window_thread", median(tagCall), "ms", "< 16 ms (never blocks typing)");
    print("preview_refresh_1MB_tag_typed", median(tag), "ms", "reported (one paragraph parsed again)");
    print("preview_reload_1MB_tag_outside_blocks_window_thread", median(reloadCall), "ms", "< 16 ms (never blocks typing)");
    print("preview_reload_1MB_tag_outside_blocks", median(reload), "ms", "reported (the engine's own load)");
    print("preview_reload_vs_engine_alone", median(reload) / engine, "x", "reported");
    print("preview_tag_typed_vs_reload", median(tag) / median(reload), "x", "reported");
    return 0;
}
