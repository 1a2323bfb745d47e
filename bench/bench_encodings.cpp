// Encoding detection against today's load of the same 10 MB page, in one run.

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "benchdata.h"
#include "core/document/documentfile.h"
#include "core/reading/phoneticservice.h"
#include "ui/editorcontrol.h"
#include "ui/platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class NoPhonetics : public PhoneticService
{
public:
    Result<QString> reading(const QString &) override { return QString(); }
};

class BenchPlatform : public PlatformServices
{
public:
    QMessageBox::StandardButton showMessage(QWidget *, QMessageBox::Icon, const QString &,
                                            const QString &text,
                                            QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    }
    std::optional<QString> askOpenPath(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> askSavePath(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool openWithDesktop(const QString &) override { return true; }
    PhoneticService &phoneticService() override { return m_phonetics; }
    QString programFolder() const override { return QCoreApplication::applicationDirPath(); }
    QByteArray codePage() const override { return "UTF-8"; }

private:
    NoPhonetics m_phonetics;
};

template<typename Work>
double bestOf(int runs, Work work)
{
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = qMin(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString page = makeJapaneseHtml(10 * 1000 * 1000);
    for (const QByteArray &encoding : {kUtf8Encoding, kShiftJisEncoding, kEucJpEncoding}) {
        QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::Stateless);
        const QString path = folder.filePath(QString::fromLatin1(encoding + ".html"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(encoder.encode(page)) < 0)
            return 2;
        file.close();

        // Today: decoded in an encoding known beforehand. Detected: found from the bytes.
        const double today = bestOf(3, [&] { loadDocumentFile(path, encoding); });
        const double detected = bestOf(3, [&] {
            const Result<LoadedText> opened = openDocumentFile(path, "UTF-8");
            if (!opened || opened->encoding.name != encoding)
                std::fprintf(stderr, "%s detected wrongly\n", encoding.constData());
        });
        BenchPlatform platform;
        MainWindow form(platform);
        form.resize(822, 560);
        form.show();
        QCoreApplication::processEvents();
        const double whole = bestOf(3, [&] { form.documentCommands().load(path); });
        const double added = qMax(0.0, detected - today);
        const char *name = encoding.constData();
        std::printf("read_and_decode_10mb_%s: %.3f s\n", name, today);
        std::printf("read_detect_and_decode_10mb_%s: %.3f s\n", name, detected);
        std::printf("load_with_detection_10mb_%s: %.3f s\n", name, whole);
        std::printf("detection_share_of_load_10mb_%s: %.1f %%    (target: <= 10 %% added to "
                    "today's load)\n",
                    name, 100.0 * added / qMax(1e-9, whole - added));
    }

    // A page that writes characters with two codes in the other code: the load walks
    // the bytes to learn them, the save writes them back so.
    const QByteArray twoCodes = QByteArrayLiteral("\x87\x90\xED\x40\xEE\xEF\xFA\x4A\xFA\x54");
    const QString path = folder.filePath(QStringLiteral("two-codes.html"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(twoCodes + QStringEncoder("windows-31j").encode(page)) < 0)
        return 2;
    file.close();
    LoadedText plain;
    LoadedText learned;
    const double plainLoad = bestOf(3, [&] {
        plain = loadDocumentFile(path, kShiftJisEncoding).value_or(LoadedText());
    });
    const double learnedLoad = bestOf(3, [&] {
        learned = openDocumentFile(path, "UTF-8").value_or(LoadedText());
    });
    if (learned.encoding.forms.characters.size() != 5)
        std::fprintf(stderr, "two-code forms not learned\n");
    const double plainSave = bestOf(3, [&] {
        encodeDocument(plain.text, TextEncoding {kShiftJisEncoding, false});
    });
    const double learnedSave = bestOf(3, [&] { encodeDocument(learned.text, learned.encoding); });
    // The file's bytes kept where the text is unchanged: one edit far from the start,
    // and one on every fourth line (as Replace All makes them).
    QString oneEdit = learned.text;
    oneEdit.insert(oneEdit.size() / 2, u'語');
    QString everyLine = learned.text;
    everyLine.replace(u"予定"_s, u"日程"_s);
    const double oneEditSave = bestOf(3, [&] { encodeDocument(oneEdit, learned.encoding); });
    const double everyLineSave = bestOf(3, [&] { encodeDocument(everyLine, learned.encoding); });
    if (!encodeDocument(oneEdit, learned.encoding).value_or(QByteArray()).startsWith(twoCodes))
        std::fprintf(stderr, "the file's bytes were not kept\n");
    std::printf("read_and_decode_10mb_two_codes: %.3f s\n", plainLoad);
    std::printf("read_detect_learn_and_decode_10mb_two_codes: %.3f s    (%.2fx)\n", learnedLoad,
                learnedLoad / qMax(1e-9, plainLoad));
    std::printf("save_10mb_preferred_codes: %.3f s\n", plainSave);
    std::printf("save_10mb_learned_codes: %.3f s    (%.2fx)\n", learnedSave,
                learnedSave / qMax(1e-9, plainSave));
    std::printf("save_10mb_kept_bytes_one_edit: %.3f s    (%.2fx)\n", oneEditSave,
                oneEditSave / qMax(1e-9, plainSave));
    std::printf("save_10mb_kept_bytes_edit_every_fourth_line: %.3f s    (%.2fx)\n", everyLineSave,
                everyLineSave / qMax(1e-9, plainSave));
    return 0;
}
