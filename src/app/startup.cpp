#include "app/startup.h"

#include "app/formmain.h"
#include "core/module1.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void installJapaneseEnvironment()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto *translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

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

void keepLargeBlocksInHeap()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

int runRubello(int argc, char *argv[])
{
    keepLargeBlocksInHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rubello"));
    QApplication::setApplicationVersion(QStringLiteral("1.2.0"));
    QApplication::setDesktopFileName(QStringLiteral("rubello"));
    installJapaneseEnvironment();

    Module1 module = Module1::atStartUp();
    QtPlatformServices platform;
    FormMain window(module, platform);
    window.show();
    return application.exec();
}
