#pragma once

#include "core/error.h"

#include <QWidget>

class FolderList;
class DriveList;
class FileList;
class QCheckBox;

// The window's file panel: the drive, folder and file lists kept in step, and
// the box that shows HTML files only. A file the user opens from it, and a folder
// it cannot show, are told to the window.
class FileBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit FileBrowser(QWidget *parent = nullptr);

    DriveList *driveList() const { return m_drives; }
    FolderList *folderList() const { return m_folders; }
    FileList *fileList() const { return m_files; }
    QCheckBox *htmlOnlyBox() const { return m_htmlOnly; }

    // Moves the lists to a folder (a load does this); a folder that cannot be read
    // leaves them where they were.
    Result<void> showFolder(const QString &folder);

signals:
    void fileActivated(const QString &path);
    void failed(const Error &error);

private:
    void driveChanged();
    void folderChanged();
    void activateFile();
    void showHtmlOnly(bool on);

    DriveList *m_drives;
    FolderList *m_folders;
    FileList *m_files;
    QCheckBox *m_htmlOnly;
};
