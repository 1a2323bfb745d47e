#include "core/installlayout.h"

#include "core/document/safesave.h"
#include "core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

QString helpPagePath(const QString &programFolder)
{
    const QString installed = QDir::cleanPath(
        joinFolderAndName(programFolder, QStringLiteral("../share/rubello/index.html")));
    if (QFileInfo(installed).isFile())
        return installed;
    return joinFolderAndName(programFolder, QStringLiteral("index.html"));
}

CommandLine parseCommandLine(const QStringList &arguments, const QString &workingFolder)
{
    CommandLine result;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd
                   && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return {CommandLine::ShowHelp, {}, {}};
        } else if (!optionsEnd && argument == QLatin1String("--version")) {
            return {CommandLine::ShowVersion, {}, {}};
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            // Help and version further on still win.
            if (result.unknownOption.isEmpty())
                result.unknownOption = argument;
        } else if (result.file.isEmpty()) {
            // A desktop may hand over a file:// address for %F; a plain path otherwise.
            const QString path = argument.startsWith(QLatin1String("file://"))
                ? QUrl(argument).toLocalFile()
                : argument;
            result.file = systemAbsolutePath(workingFolder, path);
        }
    }
    if (!result.unknownOption.isEmpty())
        return {CommandLine::Refuse, {}, result.unknownOption};
    return result;
}

QString commandLineUsage()
{
    return QStringLiteral("使い方: rubello [オプション]... [ファイル]...\n"
                          "日本語 HTML のソースを編集し、ルビ（振り仮名）を付けます。\n"
                          "最初のファイルを開きます（ほかのファイルは無視します）。\n"
                          "\n"
                          "  -h, --help     この説明を表示して終了します\n"
                          "      --version  バージョンを表示して終了します\n");
}
