#include "core/translation.h"

#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

bool interfaceIsJapanese()
{
    const QStringList languages = QLocale::system().uiLanguages();
    const QString first = languages.value(0);
    return first.isEmpty() || first == u"C" || first == u"POSIX" || first.startsWith(u"ja");
}

QString englishTranslationFile(const QString &programFolder)
{
    const QString installed = QDir::cleanPath(joinFolderAndName(
        programFolder, QStringLiteral("../share/rubello/translations/rubello_en.qm")));
    if (QFileInfo(installed).isFile())
        return installed;
    return joinFolderAndName(programFolder, QStringLiteral("translations/rubello_en.qm"));
}

QString translateBeforeStart(const char *context, const char *source)
{
    if (interfaceIsJapanese())
        return QString::fromUtf8(source);
    // The executable's folder without an application to ask.
    static QTranslator translator;
    static const bool loaded = translator.load(
        englishTranslationFile(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()));
    const QString translated = loaded ? translator.translate(context, source) : QString();
    return translated.isEmpty() ? QString::fromUtf8(source) : translated;
}

QTranslator *installInterfaceTranslation(const QString &programFolder)
{
    if (interfaceIsJapanese())
        return nullptr;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(englishTranslationFile(programFolder))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
