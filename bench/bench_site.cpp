// rubello-ruby over a whole site: about 1,000 pages (24 MB) made from the real
// pages under tests/data, every other one in Shift_JIS declaring it, annotated
// in place (a copy of the site) and into an output folder with every core and
// with one, against MeCab's own analysis of the same text on one core; then
// checked: each page's markup outside the new elements and its encoding kept.
// A second argument keeps the site in that folder (for profiling) and stops.

#include "core/reading/mecabphoneticservice.h"
#include "core/ruby/rubytext.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <mecab.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/resource.h>

namespace {

QString readPage(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Takes out the elements in the program's own form.
QString stripped(QString text)
{
    static const QRegularExpression element(
        u"<ruby><rb>([^<]*)</rb><rp>\\(</rp><rt[^>]*>[^<]*</rt><rp>\\)</rp></ruby>"_qs);
    return text.replace(element, u"\\1"_qs);
}

// Wall-clock and processor time of a run (the latter says less about a loaded machine).
struct Times
{
    double ms = 0;
    double cpuMs = 0;
};

double childCpuMs()
{
    rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

Times runMs(const QStringList &args)
{
    const double cpuBefore = childCpuMs();
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(RUBELLO_RUBY_PATH), args);
    tool.waitForFinished(-1);
    if (tool.exitCode() != 0)
        std::fprintf(stderr, "error: rubello-ruby exited with %d\n", tool.exitCode());
    return {double(clock.nsecsElapsed()) / 1e6, childCpuMs() - cpuBefore};
}

// The baseline: MeCab's own tokenising of every page's text, in pieces of at
// most 2048 characters as the annotator hands them over, on one core.
double threadCpuMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Times mecabMs(const QStringList &texts)
{
    QByteArray folder = standardIpadicUtf8Folder().toLocal8Bit();
    QByteArray args[] = {"bench", "-r", "/dev/null", "-d", folder};
    char *argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data()};
    std::unique_ptr<MeCab::Model> model(MeCab::createModel(5, argv));
    std::unique_ptr<MeCab::Tagger> tagger(model->createTagger());
    std::unique_ptr<MeCab::Lattice> lattice(model->createLattice());
    const double cpuBefore = threadCpuMs();
    QElapsedTimer clock;
    clock.start();
    long nodes = 0;
    for (const QString &text : texts) {
        for (qsizetype at = 0; at < text.size(); at += 2048) {
            const QByteArray piece = text.mid(at, 2048).toUtf8();
            lattice->set_sentence(piece.constData(), size_t(piece.size()));
            tagger->parse(lattice.get());
            for (const MeCab::Node *node = lattice->bos_node(); node; node = node->next)
                ++nodes;
        }
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (nodes == 0)
        std::fputs("warning: MeCab found no words\n", stderr);
    return {ms, threadCpuMs() - cpuBefore};
}

// A copy of the site for a run in place.
bool copyTree(const QString &from, const QString &to)
{
    QProcess cp;
    cp.start(u"cp"_qs, {u"-a"_qs, from, to});
    return cp.waitForFinished(-1) && cp.exitCode() == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int pages = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 1000;
    QStringList sources;
    for (const char *name :
         {"pages/checkit.ja.html", "pages/start.ja.html", "pages/upload.ja.html",
          "batchruby/checkit.ja.html", "batchruby/upload.ja.html", "batchruby/markup.html"})
        sources.append(readPage(QStringLiteral(RUBELLO_TEST_DATA "/") + QLatin1String(name)));

    QTemporaryDir temp;
    const QString keepIn = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QDir dir(keepIn.isEmpty() ? temp.path() : keepIn);
    const QString site = dir.filePath(u"site"_qs);
    QStringList texts;
    qint64 total = 0;
    QStringEncoder sjis("windows-31j");
    for (int k = 0; k < pages; ++k) {
        // Pages of about 30 KB: the real ones, one after another, varied by their number.
        QString body;
        for (int i = k; body.size() < 12000; ++i)
            body += sources.at(i % sources.size());
        body.replace(u"<body>"_qs, u"<body><!-- %1 -->"_qs.arg(k));
        const bool shiftJis = k % 2 == 1;
        QByteArray bytes;
        if (shiftJis) {
            const QString declared = u"<meta charset=\"Shift_JIS\">\n"_qs + body;
            bytes = sjis.encode(declared);
            if (sjis.hasError()) {
                sjis.resetState();
                bytes = body.toUtf8();
            }
        } else {
            bytes = body.toUtf8();
        }
        texts.append(body);
        const QString folder = site + u"/d%1"_qs.arg(k / 50);
        QDir().mkpath(folder);
        QFile file(folder + u"/p%1.html"_qs.arg(k));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        total += bytes.size();
    }
    if (!keepIn.isEmpty())
        return 0;
    const int cores = QThread::idealThreadCount();
    const Times baseline = mecabMs(texts);
    if (!copyTree(site, dir.filePath(u"inplace"_qs)))
        return 1;
    const Times inPlace = runMs({u"-r"_qs, u"--in-place"_qs, dir.filePath(u"inplace"_qs)});
    const Times many = runMs({u"-r"_qs, u"--output-dir"_qs, dir.filePath(u"many"_qs), site});
    const Times one = runMs(
        {u"-r"_qs, u"--jobs"_qs, u"1"_qs, u"--output-dir"_qs, dir.filePath(u"one"_qs), site});

    // Every page kept, outside the elements, in its own encoding.
    int kept = 0, annotated = 0;
    for (int k = 0; k < pages; ++k) {
        const QString name = u"/d%1/p%2.html"_qs.arg(k / 50).arg(k);
        QFile in(site + name), out(dir.filePath(u"many"_qs) + name);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::ReadOnly))
            continue;
        const QByteArray before = in.readAll(), after = out.readAll();
        const bool shiftJis = before.startsWith("<meta charset=\"Shift_JIS\">");
        QStringDecoder decode(shiftJis ? "windows-31j" : "UTF-8");
        const QString a = decode(before);
        decode.resetState();
        const QString b = decode(after);
        annotated += after.size() > before.size();
        kept += !decode.hasError() && stripped(b) == stripped(a);
    }
    std::printf("site_ruby_%d_pages_in_place: %.0f ms with %d cores  (%.1f MB; MeCab alone on "
                "one core %.0f ms, ratio %.2f, aim <= 1.5; processor time %.0f ms, ratio to MeCab's %.2f)\n",
                pages, inPlace.ms, cores, double(total) / 1e6, baseline.ms,
                inPlace.ms / baseline.ms, inPlace.cpuMs, inPlace.cpuMs / baseline.cpuMs);
    std::printf("site_ruby_%d_pages: %.0f ms with %d cores  (output folder; ratio to MeCab %.2f; "
                "--jobs 1 %.0f ms, ratio to MeCab %.2f)\n",
                pages, many.ms, cores, many.ms / baseline.ms, one.ms, one.ms / baseline.ms);
    std::printf("site_ruby_pages_kept: %d of %d  (%d annotated)\n", kept, pages, annotated);
    return 0;
}
