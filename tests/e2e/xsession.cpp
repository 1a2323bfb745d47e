#include "xsession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

using namespace Qt::StringLiterals;

XSession::~XSession()
{
    m_program.kill(); // nothing happens to a process that is not running
    m_program.waitForFinished(5000);
    m_xvfb.terminate();
    if (!m_xvfb.waitForFinished(5000)) {
        m_xvfb.kill();
        m_xvfb.waitForFinished(5000);
    }
}

bool XSession::waitUntil(const std::function<bool()> &done, int milliseconds)
{
    for (QDeadlineTimer deadline(milliseconds); !deadline.hasExpired(); QThread::msleep(100)) {
        if (done())
            return true;
    }
    return false;
}

bool XSession::startDisplay(QString *why)
{
    // -displayfd picks a free display and writes its number to our pipe.
    m_xvfb.start(u"Xvfb"_s,
                 {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x800x24"_s, u"-nolisten"_s,
                  u"tcp"_s});
    if (!m_xvfb.waitForStarted(5000)) {
        *why = u"Xvfb cannot start: "_s + m_xvfb.errorString();
        return false;
    }
    QByteArray output;
    QDeadlineTimer deadline(10000);
    while (!output.contains('\n') && !deadline.hasExpired()
           && m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.waitForReadyRead(200);
        output += m_xvfb.readAllStandardOutput();
    }
    if (output.trimmed().isEmpty()) {
        *why = u"Xvfb did not report a display: "_s
            + QString::fromLocal8Bit(m_xvfb.readAllStandardError());
        return false;
    }
    m_display = u":"_s + QString::fromLatin1(output.trimmed());
    return true;
}

bool XSession::startProgram(const QString &program, const QString &workingFolder,
                            const QStringList &arguments, const QString &mainTitle)
{
    // A stand-in for the desktop's open action records what it was given.
    const QString bin = m_home.filePath(u"bin"_s);
    QDir().mkpath(bin);
    QFile opener(bin + u"/xdg-open"_s);
    opener.open(QIODevice::WriteOnly);
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$HOME/opened.txt\"\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.insert(u"HOME"_s, m_home.path());
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home.path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
    environment.insert(u"PATH"_s, bin + u':' + environment.value(u"PATH"_s));
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    // The web browser is the same stand-in (the desktop may have none of its own).
    environment.insert(u"BROWSER"_s, bin + u"/xdg-open"_s);
    for (const QString &name : {u"XDG_CURRENT_DESKTOP"_s, u"DESKTOP_SESSION"_s,
                                u"KDE_FULL_SESSION"_s, u"GNOME_DESKTOP_SESSION_ID"_s})
        environment.remove(name);
    for (auto it = m_extra.cbegin(); it != m_extra.cend(); ++it) {
        if (it.value().isEmpty())
            environment.remove(it.key());
        else
            environment.insert(it.key(), it.value());
    }
    m_program.setProcessEnvironment(environment);
    m_program.setWorkingDirectory(workingFolder);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(program, arguments);
    if (!m_program.waitForStarted(5000))
        return false;
    if (!waitUntil(
            [this, &mainTitle] { return !(m_mainWindow = windowsNamed(mainTitle).value(0)).isEmpty(); },
            20000))
        return false;
    focus(m_mainWindow);
    return true;
}

QString XSession::xdotool(const QStringList &arguments, int milliseconds)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    process.setProcessEnvironment(environment);
    process.start(u"xdotool"_s, arguments);
    process.waitForFinished(milliseconds);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QStringList XSession::windowsNamed(const QString &title)
{
    const QString pattern = u'^' + QRegularExpression::escape(title) + u'$';
    return xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, pattern})
        .split(u'\n', Qt::SkipEmptyParts);
}

QString XSession::waitForDialog(const QString &title, int milliseconds)
{
    QString dialog;
    waitUntil(
        [&] {
            QStringList windows = windowsNamed(title);
            windows.removeAll(m_mainWindow);
            return !(dialog = windows.value(0)).isEmpty();
        },
        milliseconds);
    return dialog;
}

bool XSession::waitForNoDialog(const QString &title, int milliseconds)
{
    return waitUntil(
        [&] {
            QStringList windows = windowsNamed(title);
            windows.removeAll(m_mainWindow);
            return windows.isEmpty();
        },
        milliseconds);
}

bool XSession::waitForTitle(const QString &window, const QString &expected, int milliseconds)
{
    return waitUntil([&] { return title(window) == expected; }, milliseconds);
}

QString XSession::title(const QString &window)
{
    return xdotool({u"getwindowname"_s, window});
}

void XSession::focus(const QString &window)
{
    xdotool({u"windowfocus"_s, u"--sync"_s, window});
    QThread::msleep(150);
}

void XSession::key(const QString &keys)
{
    xdotool(QStringList {u"key"_s, u"--delay"_s, u"80"_s} + keys.split(u' ', Qt::SkipEmptyParts));
    QThread::msleep(250);
}

void XSession::type(const QString &text)
{
    xdotool({u"type"_s, u"--delay"_s, u"40"_s, text}, 60000);
    QThread::msleep(250);
}

void XSession::click(const QString &window, int x, int y, int button)
{
    xdotool({u"mousemove"_s, u"--window"_s, window, QString::number(x), QString::number(y),
             u"click"_s, QString::number(button)});
    QThread::msleep(250);
}

QStringList XSession::opened() const
{
    QFile file(m_home.filePath(u"opened.txt"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
