#include "app/formmain.h"

#include "app/documentcommands.h"

#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "core/paths.h"
#include "ui/filepanel.h"

#include <QCheckBox>

#include <cerrno>

namespace {

const QString kHtmlPattern = QStringLiteral("*.htm*");
const QString kAllFilesPattern = QStringLiteral("*.*");

} // namespace

void FormMain::connectFilePanel()
{
    connect(Drive1, &DriveListBox::Change, this, &FormMain::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &FormMain::Dir1_Change);
    connect(File1, &FileListBox::DblClick, this, &FormMain::File1_DblClick);
    // Also raised when the box is set from code, as the box's click was.
    connect(CheckHTML, &QCheckBox::toggled, this, &FormMain::CheckHTML_Click);
    // A folder that vanished or cannot be read is reported; the lists stay put.
    connect(Dir1, &DirListBox::pathRefused, this,
            [this](const ErrorReport &error) { showErrorBox(platform(), this, error); });
}

void FormMain::Drive1_Change()
{
    const ErrorReport error = Dir1->setPath(Drive1->Drive());
    if (error.isError())
        showErrorBox(platform(), this, error);
}

void FormMain::Dir1_Change()
{
    const ErrorReport error = File1->setPath(Dir1->Path());
    if (error.isError())
        showErrorBox(platform(), this, error);
    Drive1->setDrive(Dir1->Path());
}

void FormMain::File1_DblClick()
{
    const QString name = File1->FileName();
    if (name.isEmpty())
        return;
    if (File1->fileNameUndecodable()) {
        // Its shown name has replacement characters and names no file.
        showErrorBox(platform(), this,
                     {EILSEQ, QStringLiteral("%1\n%2").arg(name, qt_error_string(EILSEQ))});
        return;
    }
    const QString path = joinFolderAndName(File1->Path(), name);
    m_documents->openFile(path);
}

void FormMain::CheckHTML_Click()
{
    const ErrorReport error
        = File1->setPattern(CheckHTML->isChecked() ? kHtmlPattern : kAllFilesPattern);
    if (error.isError())
        showErrorBox(platform(), this, error);
}

void FormMain::RTB1_OLEDragDrop(const QStringList &files)
{
    // Only the first of several dropped files is loaded.
    if (!files.isEmpty())
        m_documents->openFile(files.first());
}

void FormMain::showFolderInPanel(const QString &folder)
{
    const ErrorReport error = Dir1->setPath(folder);
    if (error.isError())
        showErrorBox(platform(), this, error);
}
