// Load and save of large Japanese HTML documents, measured against the editor
// widget's own setPlainText in the same run. Prints "name: value unit" lines with
// their targets. The documents are generated here, in a temporary folder.

#include "ui/editorcontrol.h"
#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "benchplatform.h"
#include "ui/platform.h"
#include "app/startup.h"
#include "core/document/documentfile.h"
#include "core/reading/phoneticservice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Japanese HTML source of about the given size in the code page, CR LF line ends.
QByteArray generateHtml(qint64 bytes, const QByteArray &codePage)
{
    static const char16_t *phrases[]
        = {u"日本語の文章に",
           u"<ruby><rb>漢字</rb><rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>",
           u"を含む行です。",
           u"送り仮名を省略して",
           u"ルビを振ります",
           u"<a href=\"index.html\">目次</a>",
           u"東京都",
           u"、",
           u"。",
           u"ｶﾀｶﾅ",
           u"<br>",
           u" class=\"honbun\"",
           u"読み込みと保存",
           u"①②③",
           u"～",
           u"髙橋さん",
           u"2024年6月11日",
           u"&nbsp;"};
    QRandomGenerator random(42);
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    QByteArray out;
    out.reserve(bytes + 1024);
    out += encoder.encode(
        QStringLiteral("<html>\r\n<head><title>試験</title></head>\r\n<body>\r\n"));
    while (out.size() < bytes) {
        QString line = QStringLiteral("<p>");
        const int count = random.bounded(4, 14);
        for (int i = 0; i < count; ++i)
            line += QString::fromUtf16(phrases[random.bounded(int(std::size(phrases)))]);
        line += QStringLiteral("</p>\r\n");
        out += encoder.encode(line);
    }
    out += encoder.encode(QStringLiteral("</body>\r\n</html>\r\n"));
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

void prepare(QWidget &widget)
{
    widget.resize(822, 560);
    widget.show();
    QCoreApplication::processEvents();
}

double timeLoad(const QString &path, const QByteArray &codePage, QString *text)
{
    BenchPlatform platform(codePage);
    MainWindow form(platform);
    prepare(form);
    QElapsedTimer timer;
    timer.start();
    form.documentCommands().load(path);
    const double elapsed = seconds(timer);
    if (text)
        *text = form.editor()->text();
    return elapsed;
}

double timeSetPlainText(const QString &text, const QFont &font)
{
    QPlainTextEdit editor;
    editor.setFont(font);
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    prepare(editor);
    QElapsedTimer timer;
    timer.start();
    editor.setPlainText(text);
    return seconds(timer);
}

double timeReadAndDecode(const QString &path, const QByteArray &codePage)
{
    QElapsedTimer timer;
    timer.start();
    const Result<LoadedText> loaded = loadDocumentFile(path, codePage);
    return loaded ? seconds(timer) : -1;
}

double timeEditorSetText(const QString &text, const QFont &font)
{
    EditorControl editor;
    editor.setFont(font);
    prepare(editor);
    QElapsedTimer timer;
    timer.start();
    editor.setText(text);
    return seconds(timer);
}

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

// The widget alone for comparison: the decoded text held, then setPlainText.
int peakAfterSetPlainText(const QString &path, const QByteArray &codePage, const QFont &font)
{
    const Result<LoadedText> loaded = loadDocumentFile(path, codePage);
    QPlainTextEdit editor;
    editor.setFont(font);
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    prepare(editor);
    editor.setPlainText(loaded ? loaded->text : QString());
    QCoreApplication::processEvents();
    std::printf("%lld\n", peakResidentKiB());
    return 0;
}

// Run in a process of its own, so that the peak is that of one load.
int peakAfterLoad(const QString &path, const QByteArray &codePage)
{
    BenchPlatform platform(codePage);
    MainWindow form(platform);
    prepare(form);
    form.documentCommands().load(path);
    QCoreApplication::processEvents();
    std::printf("%lld\n", peakResidentKiB());
    return !form.documentCommands().isModified() && form.documentCommands().actions().save->isEnabled() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program does at start-up.
    keepLargeBlocksInHeap();
    QApplication application(argc, argv);
    const QFont editorFont = [] {
        BenchPlatform platform("UTF-8");
        MainWindow form(platform);
        return form.editor()->font();
    }();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--peak"))
        return peakAfterLoad(arguments.at(2), arguments.at(3).toLatin1());
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--peak-widget"))
        return peakAfterSetPlainText(arguments.at(2), arguments.at(3).toLatin1(), editorFont);

    QTemporaryDir folder;

    struct Case
    {
        int megabytes;
        QByteArray codePage;
        const char *name;
    };
    const Case cases[] = {{10, "UTF-8", "10mb_utf8"},
                          {10, "windows-31j", "10mb_windows31j"},
                          {50, "UTF-8", "50mb_utf8"},
                          {50, "windows-31j", "50mb_windows31j"}};
    double worstRatio = 0;
    for (const Case &c : cases) {
        const QString path = folder.filePath(QStringLiteral("%1.html").arg(QLatin1String(c.name)));
        const QByteArray bytes = generateHtml(qint64(c.megabytes) * 1000 * 1000, c.codePage);
        if (!writeFile(path, bytes))
            return 2;
        // Best of a few runs each, ours and the baseline taking turns.
        const int runs = c.megabytes > 10 ? 2 : 3;
        double ours = 1e9;
        double baseline = 1e9;
        double decoding = 1e9;
        double editorWrite = 1e9;
        QString text;
        for (int run = 0; run < runs; ++run) {
            ours = qMin(ours, timeLoad(path, c.codePage, &text));
            baseline = qMin(baseline, timeSetPlainText(text, editorFont));
            decoding = qMin(decoding, timeReadAndDecode(path, c.codePage));
            editorWrite = qMin(editorWrite, timeEditorSetText(text, editorFont));
        }
        const double ratio = ours / baseline;
        worstRatio = qMax(worstRatio, ratio);
        std::printf("load_%s: %.3f s\n", c.name, ours);
        std::printf("setplaintext_%s: %.3f s\n", c.name, baseline);
        std::printf("read_and_decode_%s: %.3f s\n", c.name, decoding);
        std::printf("editor_settext_%s: %.3f s\n", c.name, editorWrite);
        std::printf("load_ratio_%s: %.2f x    (target: <= 1.30 x against setPlainText alone)\n",
                    c.name, ratio);

        if (c.megabytes == 50) {
            const auto peakMB = [&](const char *mode) {
                QProcess child;
                child.start(QCoreApplication::applicationFilePath(),
                            {QString::fromLatin1(mode), path, QString::fromLatin1(c.codePage)});
                child.waitForFinished(-1);
                return double(child.readAllStandardOutput().trimmed().toLongLong()) * 1024 / 1e6;
            };
            const double ourPeak = peakMB("--peak");
            const double widgetPeak = peakMB("--peak-widget");
            std::printf("peak_memory_after_load_%s: %.1f MB\n", c.name, ourPeak);
            std::printf("peak_memory_text_and_setplaintext_%s: %.1f MB\n", c.name, widgetPeak);
            std::printf("peak_memory_ratio_%s: %.2f x    (target: <= 6.00 x the file)\n", c.name,
                        ourPeak * 1e6 / double(bytes.size()));
            std::printf("peak_memory_ratio_text_and_setplaintext_%s: %.2f x    (baseline)\n",
                        c.name, widgetPeak * 1e6 / double(bytes.size()));
        }

        if (c.megabytes == 10) {
            BenchPlatform platform(c.codePage);
            MainWindow form(platform);
            form.documentCommands().load(path);
            double best = 1e9;
            for (int run = 0; run < 3; ++run) {
                QElapsedTimer timer;
                timer.start();
                form.documentCommands().save();
                best = qMin(best, seconds(timer));
            }
            QFile saved(path);
            saved.open(QIODevice::ReadOnly);
            if (saved.readAll() != bytes)
                std::fprintf(stderr, "save of %s changed the file\n", c.name);
            std::printf("save_%s: %.3f s    (target: < 0.300 s)\n", c.name, best);
        }
        std::fflush(stdout);
    }
    std::printf("load_ratio_worst: %.2f x    (target: <= 1.30 x)\n", worstRatio);
    return 0;
}
