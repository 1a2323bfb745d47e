#pragma once

#include "core/ruby/rubybatch.h"
#include "core/ruby/rubytext.h"
#include "core/document/settingsfile.h"
#include "core/text/lineendindex.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QObject>
#include <QStringList>

#include <optional>

class PlatformServices;
class QMenu;
class QSettings;
class QStatusBar;
class QWidget;

// The choices a window remembers between runs; a value missing or not sound in
// the file is left empty, and the window keeps its default.
struct RememberedChoices
{
    std::optional<QFont> font;
    std::optional<QColor> textColor;
    std::optional<QColor> backColor;
    std::optional<KanaForm> kanaForm;
    std::optional<bool> omitOkurigana;
    std::optional<bool> htmlOnly;
    std::optional<bool> perKanji;
    std::optional<bool> perWord;
    std::optional<int> rubyLevel; // 0..7
    std::optional<FirstOnly> rubyFirst;
    QByteArray geometry;
    std::optional<LineEnd> newLineEnd; // LF or CR LF
    std::optional<bool> htmlColours;
    std::optional<bool> lineNumbers;
    std::optional<bool> softWrap;
    std::optional<bool> previewShown; // the rendered preview beside the editor
    std::optional<int> previewWidth; // its width in pixels
};

// The settings file of a window and its recent files with their menu. Without
// settings attached (tests) nothing is read or kept; a file that start-up found
// read-only or damaged is read and never written, and its state is told.
class WindowSettings : public QObject
{
    Q_OBJECT

public:
    WindowSettings(PlatformServices &platform, QWidget *window, QMenu *recentMenu,
                   QStatusBar *statusBar);

    // The choices of the file, and its recent files into the menu.
    RememberedChoices attach(QSettings *settings, const SettingsFileState &state = {});
    void store(const RememberedChoices &choices);

    // A document opened or saved under path: first in the list, here and in the file.
    void noteRecentFile(const QString &path);
    QStringList recentFiles() const { return m_recentFiles; }

signals:
    // A recent file that is still there was chosen; one that is gone is taken off
    // the list with a word to the user.
    void recentFileChosen(const QString &path);

private:
    bool writable() const;
    void reportProblem(const SettingsFileState &state);
    void chooseRecentFile(const QString &path);
    void rebuildMenu();

    PlatformServices &m_platform;
    QWidget *m_window;
    QMenu *m_recentMenu;
    QStatusBar *m_statusBar;
    QSettings *m_settings = nullptr;
    bool m_writable = true;
    QStringList m_recentFiles;
};
