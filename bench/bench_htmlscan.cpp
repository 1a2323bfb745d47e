// Speed of reading a page as a browser does (where ruby may go) and of taking
// whole-page ruby out again, against one pass that only counts the page's '<'.

#include "benchdata.h"
#include "core/ruby/htmlscan.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubystrip.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

template<typename Work>
double bestMs(Work work)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    const QString page = makeJapaneseHtml(10 * 1024 * 1024);
    const auto kanjiRuns = [](const QString &text) {
        QList<ReadingToken> tokens;
        for (qsizetype i = 0, n; i < text.size(); i += std::max<qsizetype>(n, 1)) {
            for (n = 0; i + n < text.size() && text.at(i + n).script() == QChar::Script_Han;)
                ++n;
            if (n > 0)
                tokens.append({i, n, QString(n, u'カ')});
        }
        return tokens;
    };
    const QString annotated = annotateHtml(page, kanjiRuns, RubyOptions()).text;
    qsizetype sink = 0;
    const double baseline = bestMs([&] { sink += page.count(u'<'); });
    const double scan = bestMs([&] { sink += scanHtml(page).ranges.size(); });
    const double strip = bestMs([&] { sink += stripRuby(annotated).elements; });
    std::printf("baseline, counting '<' in 10 MB: %.1f ms\n", baseline);
    std::printf("reading 10 MB as a browser does: %.1f ms (%.1fx the baseline)\n", scan,
                scan / baseline);
    std::printf("removing ruby from it annotated (%lld MB): %.1f ms (%.1fx the baseline)\n",
                static_cast<long long>(annotated.toUtf8().size() >> 20), strip, strip / baseline);
    return sink > 0 ? 0 : 1;
}
