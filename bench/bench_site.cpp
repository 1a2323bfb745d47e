// rubello-ruby over a whole site: about 1,000 pages (30 MB) made from the real
// pages under tests/data, every other one in Shift_JIS declaring it, annotated
// into an output folder with every core and with one, then checked: each page's
// markup outside the new elements and its encoding kept.

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

#include <cstdio>

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

double runMs(const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(RUBELLO_RUBY_PATH), args);
    tool.waitForFinished(-1);
    if (tool.exitCode() != 0)
        std::fprintf(stderr, "error: rubello-ruby exited with %d\n", tool.exitCode());
    return double(clock.nsecsElapsed()) / 1e6;
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

    QTemporaryDir dir;
    const QString site = dir.filePath(u"site"_qs);
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
        const QString folder = site + u"/d%1"_qs.arg(k / 50);
        QDir().mkpath(folder);
        QFile file(folder + u"/p%1.html"_qs.arg(k));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        total += bytes.size();
    }
    const int cores = QThread::idealThreadCount();
    const double many = runMs({u"-r"_qs, u"--output-dir"_qs, dir.filePath(u"many"_qs), site});
    const double one = runMs(
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
    std::printf("site_ruby_%d_pages: %.0f ms with %d cores  (%.1f MB; target < 10000 ms; "
                "--jobs 1 %.0f ms, ratio %.2f)\n",
                pages, many, cores, double(total) / 1e6, one, many / one);
    std::printf("site_ruby_pages_kept: %d of %d  (%d annotated)\n", kept, pages, annotated);
    return 0;
}
