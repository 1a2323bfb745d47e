#include "core/document/installlayout.h"

#include "core/document/safesave.h"
#include "core/paths.h"
#include "core/translation.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

QString helpPagePath(const QString &programFolder)
{
    // The page in the interface's language.
    const QString page = interfaceIsJapanese() ? QStringLiteral("index.html")
                                               : QStringLiteral("index.en.html");
    const QString installed = QDir::cleanPath(
        joinFolderAndName(programFolder, QStringLiteral("../share/rubello/") + page));
    if (QFileInfo(installed).isFile())
        return installed;
    return joinFolderAndName(programFolder, page);
}

CommandLine parseCommandLine(const QStringList &arguments, const QString &workingFolder)
{
    QCommandLineParser parser;
    // -style is one unknown option "style", not -s -t -y -l -e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption preview(QStringLiteral("preview"));
    parser.addOption(preview);
    parser.parse(arguments);
    // Help and version win over an unknown option anywhere on the line.
    if (parser.isSet(help))
        return {CommandLine::ShowHelp, {}, {}, {}};
    if (parser.isSet(version))
        return {CommandLine::ShowVersion, {}, {}, {}};
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        // Named as the user wrote it, dashes and all.
        QString written = QLatin1Char('-') + unknown.first();
        for (const QString &argument : arguments) {
            if (argument.startsWith(written) || argument.startsWith(QLatin1Char('-') + written)) {
                written = argument.section(QLatin1Char('='), 0, 0);
                break;
            }
        }
        return {CommandLine::Refuse, {}, written, {}};
    }
    CommandLine result;
    result.preview = parser.isSet(preview);
    for (const QString &named : parser.positionalArguments()) {
        // A desktop may hand over a file:// address for %F; a plain path otherwise.
        const QString path
            = named.startsWith(QLatin1String("file://")) ? QUrl(named).toLocalFile() : named;
        result.files.append(systemAbsolutePath(workingFolder, path));
    }
    if (!result.files.isEmpty())
        result.file = result.files.constFirst();
    return result;
}
