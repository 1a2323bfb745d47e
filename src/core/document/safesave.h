#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QString>

// What a document file was when the program last read or wrote it; another
// program's write or a removal shows as a difference.
struct FileIdentity
{
    bool exists = false;
    bool regular = false;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileIdentity &other) const = default;
};

// Follows symbolic links, as reading and writing do.
FileIdentity fileIdentity(const QString &path);

// The points of a save where a test may step in (a signal, another program's write).
enum class SaveStep {
    TempWritten,   // the new file is complete and synced, not yet renamed into place
    TempLinked,    // it has a temporary name in the folder
    CopyWritten,   // before a write in place: the copy of the old bytes is on disk
    InPlaceWritten, // the new bytes are in, the length not yet set
    BackupWritten, // a kept backup is complete, its attributes not yet set
};
using SaveStepHook = void (*)(SaveStep step, const QByteArray &target);
// For tests only: called at each step, in the saving thread.
void setSaveStepHook(SaveStepHook hook);

// Keeps a copy of a file's old bytes as backup: the file is created anew, never
// through a link or over another file (O_EXCL | O_NOFOLLOW; an existing one is
// replaced only when asked, by a rename that replaces no link's target), and it
// gets the original's mode, owner, times and extended attributes.
Result<void> writeBackupCopy(const QString &original, const QString &backup,
                             const QByteArray &bytes, bool replace);

// A file opened for reading: only a regular file is ever opened, and never in a
// way that could block (a FIFO would wait for a writer).
struct OpenedFile
{
    int fd = -1;
    qint64 size = 0; // as the file system reports it; /proc files say 0
};
// A directory, or a path that cannot be looked at, gives back no error and no
// descriptor: the caller opens it as before and gets the file layer's own refusal.
Result<OpenedFile> openRegularFileForReading(const QString &path);

// Replaces the file's contents with bytes so that a failure or a kill leaves
// the old file or the new one, never a cut one. The file keeps its owner, group,
// mode and extended attributes. A file with other hard links, or one in a folder
// the user cannot write, is written in place, after a complete copy of the old
// file is on disk (beside it, or in the user's cache folder); the copy is
// removed after success and named in the error after a failure (WriteLeftBackup).
// Links are followed as the system follows them. A write in place reserves the
// room for the new bytes first and puts the old ones back on any failure. With
// expected given, a file that is no longer that one is not written (ChangedOnDisk);
// the file is looked at again once the new bytes are on disk, just before they
// replace it, and a change since the save began leaves it alone (ChangedOnDisk).
// Gives the file as written.
Result<FileIdentity> saveBytesSafely(const QString &path, const QByteArray &bytes,
                                     const FileIdentity *expected = nullptr);

// path made absolute from folder as the system reads it: a ".." after a link goes
// up from where the link leads, so the folder is resolved, the last name kept.
QString systemAbsolutePath(const QString &folder, const QString &path);

// A name whose replacement characters another entry of its folder shares stands
// for bytes the program's strings cannot carry: it would read or write some other
// file, so it is refused by name.
Result<void> checkNameRoundTrip(const QString &path);

// The text of a window that must end without asking (the session is closing), in
// a new file beside the document (else in the user's cache folder): name.unsaved,
// name.unsaved-2...; no file that is there is ever written.
Result<QString> keepUnsavedCopy(const QString &documentPath, const QByteArray &bytes);
// The copies keepUnsavedCopy left for a document that are still there, oldest name
// first; for a new document (no path) those in the user's cache folder.
QStringList unsavedCopiesOf(const QString &documentPath);
// How a kept copy differs from the text it would replace, by lines: the first line
// that differs (1-based; 0 when none does) and the line counts of each.
struct LineDifference
{
    qsizetype firstLine = 0;
    qsizetype keptLines = 0;
    qsizetype currentLines = 0;
};
LineDifference compareLines(QStringView kept, QStringView current);

// Files the program keeps for itself (settings, reading corrections): one that is
// read-only for its owner is left as it is, even by root, and so is anything that
// is not a regular file.
Result<void> checkMayReplace(const QString &path);

// Read-only for its owner: the user is asked before it is overwritten.
bool isReadOnlyForOwner(const QString &path);
