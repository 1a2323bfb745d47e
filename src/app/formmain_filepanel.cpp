#include "app/formmain.h"

#include "app/documentcommands.h"
#include "ui/errorbox.h"
#include "ui/filebrowser.h"

void FormMain::connectFilePanel()
{
    connect(m_fileBrowser, &FileBrowser::fileActivated, this, &FormMain::openFile);
    connect(m_fileBrowser, &FileBrowser::failed, this,
            [this](const Error &error) { showSystemError(platform(), this, error); });
}

void FormMain::openFile(const QString &path)
{
    m_documents->openFile(path);
}

void FormMain::RTB1_OLEDragDrop(const QStringList &files)
{
    // Only the first of several dropped files is loaded.
    if (!files.isEmpty())
        m_documents->openFile(files.first());
}

void FormMain::showFolderInPanel(const QString &folder)
{
    if (const Result<void> moved = m_fileBrowser->showFolder(folder); !moved)
        showSystemError(platform(), this, moved.error());
}
