#include "document/filepanel.h"

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
}

QString DriveListBox::Drive() const
{
    return currentText();
}

void DriveListBox::setDrive(const QString &) {}

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
}

void DirListBox::setPath(const QString &path)
{
    m_path = path;
}

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
}

void FileListBox::setPath(const QString &path)
{
    m_path = path;
}

void FileListBox::setPattern(const QString &pattern)
{
    m_pattern = pattern;
}

QString FileListBox::FileName() const
{
    return QString();
}
