#pragma once

#include <QString>
#include <QStringList>

// The help page: ../share/rubello/index.html from the executable's folder in an
// installation, else index.html beside the executable (the build tree); the
// English index.en.html where the interface is English.
QString helpPagePath(const QString &programFolder);

// Reads "rubello [options] [FILE...]": help and version win, then an unknown option
// refuses the whole line.
struct CommandLine
{
    enum Action { Run, ShowHelp, ShowVersion, Refuse };
    Action action = Run;
    QString file; // the first file named, made absolute
    QString unknownOption;
    QStringList files; // every file named, made absolute, in order: a window each
    bool preview = false; // --preview: the windows start with the rendered preview shown
};
CommandLine parseCommandLine(const QStringList &arguments, const QString &workingFolder);
