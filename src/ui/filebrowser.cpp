#include "ui/filebrowser.h"

#include "core/paths.h"
#include "ui/filepanel.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QVBoxLayout>

#include <cerrno>

namespace {

const QString kHtmlPattern = QStringLiteral("*.htm*;*.xhtml");
// "*": names without an extension (README, newpage) are files too.
const QString kAllFilesPattern = QStringLiteral("*");

} // namespace

FileBrowser::FileBrowser(QWidget *parent)
    : QWidget(parent)
    , m_drives(new DriveList(this))
    , m_folders(new FolderList(this))
    , m_files(new FileList(this))
    , m_htmlOnly(new QCheckBox(QCoreApplication::translate("FileBrowser", "HTMLファイルのみ表示"), this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_drives);
    column->addSpacing(4);
    // The lists share the height left in the design's proportion.
    m_folders->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_folders->setMinimumHeight(40);
    column->addWidget(m_folders, 132);
    column->addSpacing(4);
    m_files->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_files->setMinimumHeight(40);
    m_files->setPattern(kHtmlPattern);
    column->addWidget(m_files, 174);
    column->addSpacing(10);
    m_htmlOnly->setChecked(true);
    auto *bottom = new QHBoxLayout;
    bottom->addSpacing(8);
    bottom->addWidget(m_htmlOnly);
    column->addLayout(bottom);
    // The lists ask for the width of their longest name; they scroll instead.
    for (QWidget *list : {static_cast<QWidget *>(m_drives), static_cast<QWidget *>(m_folders),
                          static_cast<QWidget *>(m_files)})
        list->setMinimumWidth(100);

    connect(m_drives, &DriveList::driveChanged, this, &FileBrowser::driveChanged);
    connect(m_folders, &FolderList::pathChanged, this, &FileBrowser::folderChanged);
    connect(m_files, &FileList::fileActivated, this, &FileBrowser::activateFile);
    // Also raised when the box is set from code, as the box's click was.
    connect(m_htmlOnly, &QCheckBox::toggled, this, &FileBrowser::showHtmlOnly);
    // A folder that vanished or cannot be read is reported; the lists stay put.
    connect(m_folders, &FolderList::pathRefused, this, &FileBrowser::failed);
}

Result<void> FileBrowser::showFolder(const QString &folder)
{
    return m_folders->setPath(folder);
}

void FileBrowser::driveChanged()
{
    if (const Result<void> moved = m_folders->setPath(m_drives->drive()); !moved)
        emit failed(moved.error());
}

void FileBrowser::folderChanged()
{
    if (const Result<void> listed = m_files->setPath(m_folders->path()); !listed)
        emit failed(listed.error());
    m_drives->setDrive(m_folders->path());
}

void FileBrowser::activateFile()
{
    const QString name = m_files->fileName();
    if (name.isEmpty())
        return;
    if (m_files->fileNameUndecodable()) {
        // Its shown name has replacement characters and names no file.
        emit failed(Error::fromErrno(ErrorKind::BadEncoding, EILSEQ,
                                     QStringLiteral("%1\n%2").arg(name, qt_error_string(EILSEQ))));
        return;
    }
    emit fileActivated(joinFolderAndName(m_files->path(), name));
}

void FileBrowser::showHtmlOnly(bool on)
{
    if (const Result<void> listed = m_files->setPattern(on ? kHtmlPattern : kAllFilesPattern);
        !listed)
        emit failed(listed.error());
}
