#pragma once

#include <QString>
#include <QStringList>

// What the choice of a web browser looks at: the desktop's folders and settings
// as the XDG base-directory rules name them, $BROWSER and $PATH.
struct DesktopEnvironment
{
    QString configHome; // $XDG_CONFIG_HOME or ~/.config
    QStringList configDirs; // $XDG_CONFIG_DIRS or /etc/xdg
    QString dataHome; // $XDG_DATA_HOME or ~/.local/share
    QStringList dataDirs; // $XDG_DATA_DIRS or /usr/local/share:/usr/share
    QString browserVariable; // $BROWSER
    QStringList path; // $PATH
    QString selfProgram; // the running program, never chosen

    static DesktopEnvironment fromProcess(const QString &selfProgram);
};

// A program and its arguments, started without a shell; no program: no browser.
struct BrowserCommand
{
    QString program;
    QStringList arguments;
    QString origin; // the desktop entry or variable it came from, for messages

    bool isValid() const { return !program.isEmpty(); }
};

// The web browser that shows a local page: the desktop's default web browser
// (the handler of https, http, then text/html in mimeapps.list), then $BROWSER,
// then the usual browsers on $PATH. A handler that is this program itself (it
// edits text/html) is never chosen.
BrowserCommand browserCommandFor(const QString &localFile, const DesktopEnvironment &env);

// An Exec line of a desktop entry as a program and arguments, its field codes
// %u %U %f %F given the page; empty when the line is malformed.
QStringList desktopExecArguments(const QString &exec, const QString &localFile);
