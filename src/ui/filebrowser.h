#pragma once

#include "core/error.h"

#include <QWidget>

class DirListBox;
class DriveListBox;
class FileListBox;
class QCheckBox;

// The window's file panel: the drive, folder and file lists kept in step, and
// the box that shows HTML files only. A file the user opens from it, and a folder
// it cannot show, are told to the window.
class FileBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit FileBrowser(QWidget *parent = nullptr);

    DriveListBox *driveList() const { return m_drives; }
    DirListBox *folderList() const { return m_folders; }
    FileListBox *fileList() const { return m_files; }
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

    DriveListBox *m_drives;
    DirListBox *m_folders;
    FileListBox *m_files;
    QCheckBox *m_htmlOnly;
};
