#include "core/desktop/browserchoice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QStringList envList(const char *name, const QStringList &fallback)
{
    const QStringList list = qEnvironmentVariable(name).split(u':', Qt::SkipEmptyParts);
    return list.isEmpty() ? fallback : list;
}

QString envFolder(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : fallback;
}

// The entries of one group of a desktop-entry style file, key -> value
// (localised keys are skipped: only the program line is wanted).
QList<std::pair<QString, QString>> readGroup(const QString &file, QStringView group)
{
    QList<std::pair<QString, QString>> entries;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return entries;
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(in.read(1 << 20)).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == u'[' + group.toString() + u']';
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inGroup && eq > 0)
            entries.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return entries;
}

QString findProgram(const QString &program, const QStringList &path)
{
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    for (const QString &folder : path) {
        const QFileInfo info(QDir(folder).filePath(program));
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

bool isSelf(const QString &found, const DesktopEnvironment &env)
{
    // By name, so an installed copy is refused too, and by the file a link leads to.
    const QFileInfo info(found);
    const QString target = info.canonicalFilePath();
    if (info.fileName() == u"rubello"_s || QFileInfo(target).fileName() == u"rubello"_s)
        return true;
    return !env.selfProgram.isEmpty() && target == QFileInfo(env.selfProgram).canonicalFilePath();
}

// The command when its program is there and is not this one.
BrowserCommand usable(QStringList command, const DesktopEnvironment &env, const QString &origin)
{
    if (command.isEmpty())
        return {};
    const QString found = findProgram(command.takeFirst(), env.path);
    if (found.isEmpty() || isSelf(found, env))
        return {};
    // Started through "env" or a wrapper: the program it starts counts too.
    for (const QString &argument : command) {
        if (!argument.startsWith(u'-') && !argument.contains(u'=')) {
            const QString wrapped = findProgram(argument, env.path);
            if (!wrapped.isEmpty() && isSelf(wrapped, env))
                return {};
            break;
        }
    }
    return {found, command, origin};
}

QStringList mimeappsFiles(const DesktopEnvironment &env)
{
    QStringList files{env.configHome + u"/mimeapps.list"_s};
    for (const QString &dir : env.configDirs)
        files.append(dir + u"/mimeapps.list"_s);
    files.append(env.dataHome + u"/applications/mimeapps.list"_s);
    for (const QString &dir : env.dataDirs)
        files.append(dir + u"/applications/mimeapps.list"_s);
    return files;
}

// The desktop entries named as handlers, most wanted first.
QStringList handlerIds(const DesktopEnvironment &env)
{
    static const QStringList types{u"x-scheme-handler/https"_s, u"x-scheme-handler/http"_s,
                                   u"text/html"_s};
    QStringList ids;
    const QStringList files = mimeappsFiles(env);
    for (const QString &type : types) {
        for (const QString &group : {u"Default Applications"_s, u"Added Associations"_s}) {
            for (const QString &file : files) {
                for (const auto &[key, value] : readGroup(file, group)) {
                    if (key != type)
                        continue;
                    for (const QString &id : value.split(u';', Qt::SkipEmptyParts))
                        if (!ids.contains(id.trimmed()))
                            ids.append(id.trimmed());
                }
            }
        }
    }
    return ids;
}

QString desktopEntryFile(const QString &id, const DesktopEnvironment &env)
{
    if (id.contains(u'/') || !id.endsWith(u".desktop"_s))
        return QString();
    for (const QString &dir : QStringList{env.dataHome} + env.dataDirs) {
        const QString file = dir + u"/applications/"_s + id;
        if (QFileInfo(file).isFile())
            return file;
    }
    return QString();
}

BrowserCommand fromDesktopEntry(const QString &id, const QString &localFile,
                                const DesktopEnvironment &env)
{
    const QString file = desktopEntryFile(id, env);
    if (file.isEmpty())
        return {};
    QString exec;
    QString tryExec;
    for (const auto &[key, value] : readGroup(file, u"Desktop Entry"_s)) {
        if (key == u"Hidden"_s && value == u"true"_s)
            return {};
        if (key == u"Exec"_s)
            exec = value;
        else if (key == u"TryExec"_s)
            tryExec = value;
    }
    if (!tryExec.isEmpty() && findProgram(tryExec, env.path).isEmpty())
        return {};
    return usable(desktopExecArguments(exec, localFile), env, id);
}

} // namespace

DesktopEnvironment DesktopEnvironment::fromProcess(const QString &selfProgram)
{
    const QString home = QDir::homePath();
    DesktopEnvironment env;
    env.configHome = envFolder("XDG_CONFIG_HOME", home + u"/.config"_s);
    env.configDirs = envList("XDG_CONFIG_DIRS", {u"/etc/xdg"_s});
    env.dataHome = envFolder("XDG_DATA_HOME", home + u"/.local/share"_s);
    env.dataDirs = envList("XDG_DATA_DIRS", {u"/usr/local/share"_s, u"/usr/share"_s});
    env.browserVariable = qEnvironmentVariable("BROWSER");
    env.path = envList("PATH", {u"/usr/local/bin"_s, u"/usr/bin"_s, u"/bin"_s});
    env.selfProgram = selfProgram;
    return env;
}

QStringList desktopExecArguments(const QString &exec, const QString &localFile)
{
    // Words as the desktop-entry rules quote them: "..." with \" \` \$ \\ inside.
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                word += exec.at(++i);
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return {};
    if (inWord)
        words.append(word);

    const QString url = QUrl::fromLocalFile(localFile).toString(QUrl::FullyEncoded);
    QStringList arguments;
    bool given = false;
    for (const QString &w : std::as_const(words)) {
        if (w == u"%u"_s || w == u"%U"_s || w == u"%f"_s || w == u"%F"_s) {
            arguments.append(w.at(1).toLower() == u'u' ? url : localFile);
            given = true;
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < w.size(); ++i) {
            if (w.at(i) != u'%' || i + 1 == w.size()) {
                expanded += w.at(i);
            } else if (w.at(++i) == u'%') {
                expanded += u'%';
            } // other field codes (%i %c %k, deprecated ones) give nothing
        }
        if (!expanded.isEmpty())
            arguments.append(expanded);
    }
    if (!given && !arguments.isEmpty())
        arguments.append(url);
    return arguments;
}

BrowserCommand browserCommandFor(const QString &localFile, const DesktopEnvironment &env)
{
    for (const QString &id : handlerIds(env)) {
        const BrowserCommand command = fromDesktopEntry(id, localFile, env);
        if (command.isValid())
            return command;
    }
    // $BROWSER: commands separated by ':', "%s" standing for the address.
    const QString url = QUrl::fromLocalFile(localFile).toString(QUrl::FullyEncoded);
    for (const QString &entry : env.browserVariable.split(u':', Qt::SkipEmptyParts)) {
        QStringList words = entry.split(u' ', Qt::SkipEmptyParts);
        if (!entry.contains(u"%s"_s))
            words.append(u"%s"_s);
        for (QString &w : words)
            w.replace(u"%s"_s, url);
        const BrowserCommand command = usable(words, env, u"BROWSER"_s);
        if (command.isValid())
            return command;
    }
    for (const QString &name : {u"sensible-browser"_s, u"x-www-browser"_s, u"firefox"_s, u"firefox-esr"_s,
                                 u"chromium"_s, u"chromium-browser"_s, u"google-chrome"_s,
                                 u"epiphany-browser"_s, u"falkon"_s, u"konqueror"_s}) {
        const BrowserCommand command = usable({name, url}, env, QString());
        if (command.isValid())
            return command;
    }
    return {};
}
