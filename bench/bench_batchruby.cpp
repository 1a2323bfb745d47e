// Speed of ruby for a whole page: real Japanese pages repeated to 1 MB and to
// 10 MB (the latter on one line), against MeCab cutting the same text into
// words in the same run, line by line, with nothing else done.

#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/numberstage.h"
#include "core/ruby/rubybatch.h"
#include "ui/editorcontrol.h"
#include "ui/rubyreview.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <mecab.h>

#include <cstdio>
#include <memory>

namespace {

QString page(qsizetype utf8Bytes, bool oneLine)
{
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/batchruby/checkit.ja.html"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray one = file.readAll();
    QByteArray all;
    all.reserve(utf8Bytes + one.size());
    while (all.size() < utf8Bytes)
        all += one;
    QString text = QString::fromUtf8(all);
    if (oneLine)
        text.replace(u'\n', u' ');
    return text;
}

// The baseline: MeCab's own tokenising of the whole text, in pieces of at most
// 2048 characters as the annotator hands them over.
double mecabMs(const QString &text)
{
    QByteArray folder = standardIpadicUtf8Folder().toLocal8Bit();
    QByteArray args[] = {"bench", "-r", "/dev/null", "-d", folder};
    char *argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data()};
    std::unique_ptr<MeCab::Model> model(MeCab::createModel(5, argv));
    std::unique_ptr<MeCab::Tagger> tagger(model->createTagger());
    std::unique_ptr<MeCab::Lattice> lattice(model->createLattice());
    QElapsedTimer clock;
    clock.start();
    long nodes = 0;
    for (qsizetype at = 0; at < text.size(); at += 2048) {
        const QByteArray piece = text.mid(at, 2048).toUtf8();
        lattice->set_sentence(piece.constData(), size_t(piece.size()));
        tagger->parse(lattice.get());
        for (const MeCab::Node *node = lattice->bos_node(); node; node = node->next)
            ++nodes;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (nodes == 0)
        std::fputs("warning: MeCab found no words\n", stderr);
    return ms;
}

void measure(const char *name, qsizetype bytes, bool oneLine, double targetMs)
{
    const QString text = page(bytes, oneLine);
    MecabPhoneticService service;
    const Result<QString> opened = service.reading(u"漢字"_qs);
    const QString error = opened ? QString() : opened.error().detail;
    if (!error.isEmpty() || text.isEmpty()) {
        std::fprintf(stderr, "error: %s\n", qPrintable(error.isEmpty() ? u"no page"_qs : error));
        return;
    }
    const double baseline = mecabMs(text);
    QElapsedTimer clock;
    clock.start();
    ReadingEngine engine(service);
    const AnnotatedText result
        = annotateHtml(text, engine, RubyOptions()).value_or(AnnotatedText());
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%s: %.0f ms  (target < %.0f ms; %lld words; MeCab alone %.0f ms, ratio %.2f, "
                "aim <= 3)\n",
                name, ms, targetMs, qlonglong(result.done.size()), baseline, ms / baseline);
}

// From the menu command to the word list on screen, in the real window, with
// the dictionary already open (the page runs above open it).
void dialogShown(qsizetype bytes, double targetMs)
{
    QtPlatformServices platform;
    MainWindow form(platform);
    form.show();
    form.editor()->setText(page(bytes, false));
    QElapsedTimer clock;
    double shownMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<RubyReviewDialog *>(QApplication::activeModalWidget())) {
            if (shownMs < 0)
                shownMs = double(clock.nsecsElapsed()) / 1e6;
            dialog->reject();
        }
    });
    poll.start(1);
    clock.start();
    form.rubyCommands().annotatePage();
    std::printf("batch_ruby_dialog_1mb: %.0f ms  (target < %.0f ms, dictionary open)\n", shownMs,
                targetMs);
}

// The review list of a 7 MB page: from the words found to the dialog on
// screen, against finding them in the same run.
void reviewShown(double targetMs)
{
    const QString text = page(7 << 20, false);
    MecabPhoneticService service;
    QElapsedTimer clock;
    clock.start();
    ReadingEngine engine(service);
    const auto found = findRubyCandidates(text, engine, RubyOptions()).value_or(std::nullopt);
    const double findMs = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    RubyReviewDialog dialog(text, *found, KanaForm::Hiragana, 0, FirstOnly::Every);
    dialog.show();
    QCoreApplication::processEvents();
    const double shownMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf("review_list_7mb: %.0f ms  (target < %.0f ms; %d groups, %lld occurrences; "
                "finding them %.0f ms, ratio %.3f)\n",
                shownMs, targetMs, dialog.model()->rowCount(), qlonglong(found->size()), findMs,
                shownMs / findMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    measure("batch_ruby_1mb", 1 << 20, false, 1000);
    dialogShown(1 << 20, 2000);
    reviewShown(1000);
    measure("batch_ruby_10mb_one_line", 10 << 20, true, 10000);
    return 0;
}
