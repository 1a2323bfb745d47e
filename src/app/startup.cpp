#include "core/version.h"
#include "app/startup.h"

#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "core/document/installlayout.h"
#include "core/translation.h"
#include "ui/qtplatform.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTranslator>

#include <optional>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

void installJapaneseEnvironment()
{
    // The texts are Japanese; any other locale reads them, and Qt's own, in English.
    if (!interfaceIsJapanese()) {
        installInterfaceTranslation(QCoreApplication::applicationDirPath());
    } else {
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        auto *translator = new QTranslator(qApp);
        if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(translator);
    }

    // The design's fonts are Windows fonts; the nearest Japanese fonts stand in.
    const QStringList monospaced
        = {QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP"),
           QStringLiteral("monospace")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), monospaced);
    QFont::insertSubstitutions(QStringLiteral("MS Gothic"), monospaced);
    QFont uiFont(QStringLiteral("Noto Sans CJK JP"));
    uiFont.setPointSize(9);
    QApplication::setFont(uiFont);
}

namespace {
bool g_largeBlocksInHeap = false;
constexpr int kHeapBlockLimit = 512 * 1024 * 1024;
} // namespace

void keepLargeBlocksInHeap()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    g_largeBlocksInHeap = true;
#endif
}

MappedLargeBlocks::MappedLargeBlocks()
{
#ifdef __GLIBC__
    if (g_largeBlocksInHeap)
        m_switched = mallopt(M_MMAP_THRESHOLD, 1024 * 1024) == 1;
#endif
}

MappedLargeBlocks::~MappedLargeBlocks()
{
#ifdef __GLIBC__
    if (m_switched)
        mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
#endif
}

namespace {

int g_endSignalPipe[2] = {-1, -1};

extern "C" void noteEndSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_endSignalPipe[1], &byte, 1);
}

} // namespace

void endCleanlyOnSignals(MainWindow &window)
{
    // The handler only writes a byte; the window ends from the event loop.
    if (g_endSignalPipe[0] < 0 && ::pipe2(g_endSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = noteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    // One pipe for all windows: each window listens, the first to wake drains it
    // and ends every window.
    auto *notifier = new QSocketNotifier(g_endSignalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [] {
        char bytes[16];
        while (::read(g_endSignalPipe[0], bytes, sizeof bytes) > 0) { }
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *open = qobject_cast<MainWindow *>(widget))
                open->endOnSignal();
    });
}

namespace {

// What `rubello --help` prints.
QString commandLineUsage()
{
    return translateBeforeStart("Startup", QT_TRANSLATE_NOOP("Startup", "使い方: rubello [オプション]... [ファイル]...\n"
                          "日本語 HTML のソースを編集し、ルビ（振り仮名）を付けます。\n"
                          "ファイルごとにウィンドウを開きます。\n"
                          "\n"
                          "      --preview  プレビューを表示して開きます\n"
                          "  -h, --help     この説明を表示して終了します\n"
                          "      --version  バージョンを表示して終了します\n"));
}

// Help and version need no display, so they are answered before Qt starts.
int answerWithoutWindow(const CommandLine &command)
{
    switch (command.action) {
    case CommandLine::ShowHelp:
        std::fputs(commandLineUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::ShowVersion:
        std::printf("rubello %s\n", kRubelloVersion);
        return 0;
    case CommandLine::Refuse:
        std::fprintf(stderr, "rubello: unknown option '%s'\n",
                     command.unknownOption.toLocal8Bit().constData());
        std::fputs(commandLineUsage().toLocal8Bit().constData(), stderr);
        return 2;
    case CommandLine::Run:
        break;
    }
    return -1;
}

// Options QApplication takes for itself (with one dash or two).
bool isQtOption(QString option)
{
    static const QStringList names
        = QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry "
                         "geometry qwindowtitle title qwindowicon icon display name reverse "
                         "session style stylesheet widgetcount nograb dograb sync visual ncols "
                         "cmap fn font bg background fg foreground btn button im inputstyle "
                         "qmljsdebugger testability")
              .split(QLatin1Char(' '));
    while (option.startsWith(QLatin1Char('-')))
        option.remove(0, 1);
    return names.contains(option.section(QLatin1Char('='), 0, 0));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int runRubello(int argc, char *argv[])
{
    // Answered before Qt starts, so they work without a display; Qt's own options
    // (-platform...) are left to QApplication.
    const CommandLine early = parseCommandLine(argumentList(argc, argv), QDir::currentPath());
    if (early.action != CommandLine::Run
        && !(early.action == CommandLine::Refuse && isQtOption(early.unknownOption)))
        return answerWithoutWindow(early);

    keepLargeBlocksInHeap();
    // Qt takes its own options (-reverse, -style...) out of whatever it is handed,
    // so it sees nothing after "--": "rubello -- -reverse" opens the file -reverse.
    QStringList afterOptions;
    int qtArgc = 0;
    while (qtArgc < argc && std::strcmp(argv[qtArgc], "--") != 0)
        ++qtArgc;
    for (int i = qtArgc; i < argc; ++i)
        afterOptions.append(QString::fromLocal8Bit(argv[i]));
    // Before the application object: the preview's engine, loaded later with its
    // pane, draws through a context shared with the window's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Rubello"));
    QApplication::setApplicationVersion(QLatin1StringView(kRubelloVersion));
    QApplication::setDesktopFileName(QStringLiteral(RUBELLO_APP_ID));
    const CommandLine command
        = parseCommandLine(QApplication::arguments() + afterOptions, QDir::currentPath());
    if (command.action != CommandLine::Run)
        return answerWithoutWindow(command);
    installJapaneseEnvironment();

    QtPlatformServices platform;
    // Looked at before QSettings reads it: a damaged or huge file is not parsed
    // into the defaults and written back.
    // The file QSettings(UserScope, "rubello", "rubello") uses.
    const QString settingsPath
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/rubello/rubello.conf");
    const SettingsFileState settingsState = inspectSettingsFile(settingsPath);
    std::optional<QSettings> settings;
    if (settingsState.readFrom == settingsPath)
        settings.emplace(QSettings::UserScope, QStringLiteral("rubello"),
                         QStringLiteral("rubello"));
    else if (!settingsState.readFrom.isEmpty())
        settings.emplace(settingsState.readFrom, QSettings::IniFormat);
    // A window for each file named (a desktop hands several over for %F), each as
    // a run of its own; one empty window without files.
    const QStringList files = command.files.isEmpty() ? QStringList{QString()} : command.files;
    std::vector<std::unique_ptr<MainWindow>> windows;
    for (const QString &file : files) {
        windows.push_back(std::make_unique<MainWindow>(platform));
        MainWindow &window = *windows.back();
        window.useSettings(settings ? &*settings : nullptr, settingsState);
        endCleanlyOnSignals(window);
        window.show();
        if (!file.isEmpty())
            window.openFromCommandLine(file);
        else
            window.documentCommands().offerUnsavedCopies(); // a new document's text, kept at the last end
        if (command.preview)
            window.setPreviewShown(true);
    }
    const int status = application.exec();
    for (const auto &window : windows)
        window->storeSettings();
    return status;
}
