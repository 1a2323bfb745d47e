#include "xsession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

XSession::XSession() = default;

XSession::~XSession()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished(5000);
    }
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished(5000);
        }
    }
}

bool XSession::startDisplay(QString *why)
{
    m_xvfb.setProgram(QStringLiteral("Xvfb"));
    // -displayfd picks a free display and writes its number to our pipe.
    m_xvfb.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                         QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
    m_xvfb.start();
    if (!m_xvfb.waitForStarted(5000)) {
        *why = QStringLiteral("Xvfb cannot start: ") + m_xvfb.errorString();
        return false;
    }
    QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired()) {
        if (m_xvfb.state() == QProcess::NotRunning)
            break;
        m_xvfb.waitForReadyRead(200);
        output += m_xvfb.readAllStandardOutput();
    }
    const QByteArray number = output.trimmed();
    if (number.isEmpty()) {
        *why = QStringLiteral("Xvfb did not report a display: ")
            + QString::fromLocal8Bit(m_xvfb.readAllStandardError());
        return false;
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

bool XSession::startProgram(const QString &program, const QString &workingFolder,
                            const QStringList &arguments, const QString &mainTitle)
{
    // A stand-in for the desktop's open action records what it was given.
    const QString bin = m_home.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile opener(bin + QStringLiteral("/xdg-open"));
    opener.open(QIODevice::WriteOnly);
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$HOME/opened.txt\"\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("PATH"),
                       bin + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    environment.remove(QStringLiteral("DESKTOP_SESSION"));
    environment.remove(QStringLiteral("KDE_FULL_SESSION"));
    environment.remove(QStringLiteral("GNOME_DESKTOP_SESSION_ID"));
    m_program.setProcessEnvironment(environment);
    m_program.setWorkingDirectory(workingFolder);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(program, arguments);
    if (!m_program.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const QStringList windows = windowsNamed(mainTitle);
        if (!windows.isEmpty()) {
            m_mainWindow = windows.constFirst();
            focus(m_mainWindow);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

QString XSession::xdotool(const QStringList &arguments, int milliseconds)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(milliseconds);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool XSession::programRunning()
{
    return m_program.state() != QProcess::NotRunning;
}

bool XSession::waitForProgramEnd(int milliseconds)
{
    return m_program.state() == QProcess::NotRunning || m_program.waitForFinished(milliseconds);
}

QStringList XSession::windowsNamed(const QString &title)
{
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    const QString found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), pattern});
    return found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString XSession::waitForDialog(const QString &title, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        const QStringList windows = windowsNamed(title);
        for (const QString &window : windows) {
            if (window != m_mainWindow)
                return window;
        }
        QThread::msleep(100);
    }
    return QString();
}

bool XSession::waitForNoDialog(const QString &title, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QStringList windows = windowsNamed(title);
        windows.removeAll(m_mainWindow);
        if (windows.isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

bool XSession::waitForTitle(const QString &window, const QString &expected, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (title(window) == expected)
            return true;
        QThread::msleep(100);
    }
    return false;
}

QString XSession::title(const QString &window)
{
    return xdotool({QStringLiteral("getwindowname"), window});
}

void XSession::focus(const QString &window)
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    QThread::msleep(150);
}

void XSession::key(const QString &keys)
{
    QStringList arguments
        = {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")};
    arguments += keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    xdotool(arguments);
    QThread::msleep(250);
}

void XSession::type(const QString &text)
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text}, 60000);
    QThread::msleep(250);
}

void XSession::click(const QString &window, int x, int y, int button)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("click"), QString::number(button)});
    QThread::msleep(250);
}

void XSession::screenshot(const QString &path)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("import"),
                  {QStringLiteral("-window"), QStringLiteral("root"), path});
    process.waitForFinished(20000);
}

QStringList XSession::opened() const
{
    QFile file(m_home.filePath(QStringLiteral("opened.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
