// Replace all with a 200 MB result through the search window and the editor
// (offscreen): time and the process's peak memory against the result's size.

#include "app/mainwindow.h"
#include "benchdata.h"
#include "core/reading/phoneticservice.h"
#include "ui/editorcontrol.h"
#include "ui/searchdialog.h"
#include "ui/platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <sys/resource.h>

#include <cstdio>

namespace {

class NoReadings : public PhoneticService
{
public:
    Result<QString> reading(const QString &text) override { return text; }
};

class QuietPlatform : public PlatformServices
{
public:
    QMessageBox::StandardButton showMessage(QWidget *, QMessageBox::Icon, const QString &,
                                            const QString &, QMessageBox::StandardButtons) override
    {
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
    bool openWithDesktop(const QString &) override { return false; }
    PhoneticService &phoneticService() override { return readings; }
    QString programFolder() const override { return QString(); }
    QByteArray codePage() const override { return "UTF-8"; }

    NoReadings readings;
};

double peakMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quiet);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QuietPlatform platform;
    MainWindow form(platform);
    form.show();
    form.editor()->setText(makeJapaneseHtml(20'000'000));
    QCoreApplication::processEvents();
    const double before = peakMb();

    // Each "ひらがな" becomes 600 characters: about 200 MB of UTF-8 in all.
    form.showSearch();
    auto *search = qobject_cast<SearchDialog *>(form.searchDialog());
    search->searchEdit()->setText(QStringLiteral("ひらがな"));
    search->replaceCheck()->setChecked(true);
    search->replaceEdit()->setText(QStringLiteral("平仮名").repeated(200));
    QElapsedTimer timer;
    timer.start();
    search->replaceAllMatches();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double after = peakMb(); // before the figure below makes copies
    const double resultMb = form.editor()->text().toUtf8().size() / 1048576.0;
    std::printf("replace_all_result: %.0f MB of UTF-8\n", resultMb);
    std::printf("replace_all_seconds: %.1f s (progress window after 0.3 s)\n", seconds);
    std::printf("peak_before_replace_all: %.0f MB\n", before);
    std::printf("peak_after_replace_all: %.0f MB, %.2f x the result\n", after, after / resultMb);
    return 0;
}
