#pragma once

#include "core/error.h"

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QHash>
#include <QListWidget>
#include <QStringList>

#include <memory>

// The places, folder and file lists of the main window's panel. Each raises its
// Change only when its value really changes. Folder paths are absolute and
// clean: no trailing "/" except for the root "/".

// Whether a file name matches a pattern such as "*.htm*": "*" stands for any run
// of characters, "?" for one; case is ignored; "*.*" also takes names without a
// dot; several patterns may be given, separated by ";".
bool matchesFilePattern(const QString &name, const QString &pattern);

// Names sorted as a file manager shows them: by the locale, digits as numbers,
// case ignored.
void sortNamesForDisplay(QStringList &names);

// Checks that a folder can be listed; the failure as errno and its description.
Result<void> checkFolderReadable(const QString &folder);

// A folder's subfolders and the files matching a pattern, hidden ones left out,
// sorted for display.
QStringList subfoldersOf(const QString &folder);
// Files whose names are not valid in the system's encoding are listed with
// replacement characters, and their shown names added to undecodable.
QStringList filesOf(const QString &folder, const QString &pattern,
                    QStringList *undecodable = nullptr);

// A mounted volume, or another place the panel's first list offers.
struct Volume
{
    QString root; // mount point, "/" for the root volume; the place's folder
    QString name; // label, else the folder's name ("/" for the root)
};

// Where the lists learn which volumes are mounted.
class VolumeSource
{
public:
    virtual ~VolumeSource() = default;
    // Volumes holding folders, "/" first.
    virtual QList<Volume> volumes() const = 0;
    // The root of the volume a folder lies on: the deepest mount point above it.
    QString rootOf(const QString &folder) const;
};

// File systems that hold no files of the user's: the kernel's views, device nodes,
// memory, container layers, and the system's own folders.
bool isPseudoFileSystem(const QByteArray &type, const QString &root);

// The volumes the system has mounted now that hold the user's files: no kernel,
// device or memory file systems.
class MountedVolumes : public VolumeSource
{
public:
    QList<Volume> volumes() const override;
};

// Places a user knows: the home folder, then the mounted volumes ("/" first), each
// by its name, its folder as its tooltip. It follows the folder shown, naming the
// place that folder lies in; choosing a place moves to its folder.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    // The chosen place's folder.
    QString drive() const;
    // Shows the place a folder lies in (the deepest), without raising driveChanged.
    void setDrive(const QString &path);

    void setVolumeSource(std::shared_ptr<VolumeSource> source);
    // Reads the places again, keeping the chosen one.
    void refreshVolumes();
    QList<Volume> places() const;

    void showPopup() override;

signals:
    // The user chose another place.
    void driveChanged();

private:
    QString placeOf(const QString &folder) const;
    int indexOfRoot(const QString &root) const;
    void onIndexChanged();

    std::shared_ptr<VolumeSource> m_volumes;
    QString m_drive;
    bool m_filling = false;
};

class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Moves to a folder. A folder that cannot be read is refused: the list stays
    // where it was.
    Result<void> setPath(const QString &path);

    void setVolumeSource(std::shared_ptr<VolumeSource> source);

signals:
    void pathChanged();
    // A folder the user chose could not be entered.
    void pathRefused(const Error &error);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Result<void> moveTo(const QString &folder);
    void enterItem(QListWidgetItem *item);
    void fill(const QString &folder, const QStringList &subfolders);

    std::shared_ptr<VolumeSource> m_volumes;
    QString m_path;
};

class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // A folder that cannot be read is refused: the list keeps the previous one.
    Result<void> setPath(const QString &path);
    QString pattern() const { return m_pattern; }
    Result<void> setPattern(const QString &pattern);
    // The selected file's name without folder; empty when none is selected.
    QString fileName() const;
    // The selected name is not valid in the system's encoding: it is shown with
    // replacement characters and names no file.
    bool fileNameUndecodable() const;

    // Lists the folder again, keeping the selection.
    void refresh();

signals:
    void fileActivated();

private:
    Result<void> list(const QString &folder, const QString &pattern);

    QFileSystemWatcher m_watcher;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};
