#pragma once

#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// The real program in a display of its own (Xvfb), driven by real key presses and
// mouse events through xdotool. Each session cleans up its display and processes.
class XSession
{
public:
    ~XSession();

    // Starts Xvfb; false (with the reason) when Xvfb itself cannot start.
    bool startDisplay(QString *why);
    // Starts the program in the working folder; false if no main window with that
    // title appears.
    bool startProgram(const QString &program, const QString &workingFolder,
                      const QStringList &arguments = {},
                      const QString &mainTitle = QStringLiteral("Rubello"));

    QString mainWindow() const { return m_mainWindow; }
    bool programRunning() { return m_program.state() != QProcess::NotRunning; }
    bool waitForProgramEnd(int milliseconds)
    {
        return !programRunning() || m_program.waitForFinished(milliseconds);
    }

    // Window ids with exactly this title, visible ones only.
    QStringList windowsNamed(const QString &title);
    // Waits for a visible window with this title other than the main window.
    QString waitForDialog(const QString &title, int milliseconds = 10000);
    bool waitForTitle(const QString &window, const QString &title, int milliseconds = 10000);
    bool waitForNoDialog(const QString &title, int milliseconds = 10000);
    QString title(const QString &window);

    void focus(const QString &window);
    void key(const QString &keys);
    void type(const QString &text);
    void click(const QString &window, int x, int y, int button = 1);

    // What the desktop's open action or the web browser was asked to open, one
    // line per call.
    QStringList opened() const;

    // The session's home folder; environment set for the next program started
    // (an empty value removes the variable).
    QString home() const { return m_home.path(); }
    void setEnvironment(const QString &name, const QString &value) { m_extra[name] = value; }

    QString xdotool(const QStringList &arguments, int milliseconds = 10000);

private:
    // Asks every 100 ms until the answer is true or the time is up.
    static bool waitUntil(const std::function<bool()> &done, int milliseconds);

    QTemporaryDir m_home;
    QProcess m_xvfb;
    QProcess m_program;
    QString m_display;
    QString m_mainWindow;
    QHash<QString, QString> m_extra;
};
