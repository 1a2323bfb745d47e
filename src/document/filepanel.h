#pragma once

#include <QComboBox>
#include <QListWidget>

// The drive, folder and file lists of the main window's panel.
// Each raises Change only when its value really changes.

class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);
    QString Drive() const;
    void setDrive(const QString &path);
signals:
    void Change();
};

class DirListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);
    QString Path() const { return m_path; }
    void setPath(const QString &path);
signals:
    void Change();
private:
    QString m_path;
};

class FileListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);
    QString Path() const { return m_path; }
    void setPath(const QString &path);
    QString Pattern() const { return m_pattern; }
    void setPattern(const QString &pattern);
    QString FileName() const;
signals:
    void DblClick();
private:
    QString m_path;
    QString m_pattern;
};
