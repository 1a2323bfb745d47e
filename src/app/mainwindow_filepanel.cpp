#include "app/mainwindow.h"

#include "app/documentcommands.h"
#include "ui/errorbox.h"
#include "ui/filebrowser.h"

void MainWindow::connectFilePanel()
{
    connect(m_fileBrowser, &FileBrowser::fileActivated, this, &MainWindow::openFile);
    connect(m_fileBrowser, &FileBrowser::failed, this,
            [this](const Error &error) { showSystemError(platform(), this, error); });
}

void MainWindow::openFile(const QString &path)
{
    m_documents->openFile(path);
}

void MainWindow::openDroppedFiles(const QStringList &files)
{
    // Only the first of several dropped files is loaded.
    if (!files.isEmpty())
        m_documents->openFile(files.first());
}

void MainWindow::showFolderInPanel(const QString &folder)
{
    if (const Result<void> moved = m_fileBrowser->showFolder(folder); !moved)
        showSystemError(platform(), this, moved.error());
}
