#include "ui/filepanel.h"

#include "core/paths.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPerLevel = 10;
constexpr int kUndecodableRole = Qt::UserRole + 2;

bool wildcardMatch(QStringView name, QStringView pattern)
{
    // Greedy match that falls back to the last "*" seen.
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++n;
            ++p;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// Absolute and clean, links resolved when the folder exists, so that two spellings
// of one folder compare equal.
QString cleanFolderPath(const QString &path)
{
    const QString absolute = QDir::cleanPath(
        QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    return canonical.isEmpty() ? absolute : canonical;
}

bool isUnder(const QString &folder, const QString &root)
{
    if (root == QLatin1String("/"))
        return folder.startsWith(QLatin1Char('/'));
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

// The system's reason a folder cannot be listed, in its own words.
std::unexpected<Error> folderError(int number)
{
    const ErrorKind kind = number == ENOENT ? ErrorKind::NotFound
        : number == EACCES || number == EPERM ? ErrorKind::PermissionDenied
                                              : ErrorKind::ReadFailed;
    return std::unexpected(Error::fromErrno(kind, number, qt_error_string(number)));
}

// The process's current folder, or the nearest place that can be read when it cannot.
QString startFolder()
{
    const QString candidates[] = {QDir::currentPath(), QDir::homePath(), QStringLiteral("/")};
    for (const QString &folder : candidates) {
        if (!folder.isEmpty() && checkFolderReadable(folder))
            return folder;
    }
    return QStringLiteral("/");
}

// Indents each folder by its depth below the volume's root.
class FolderItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(indent(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indent(index);
        return size;
    }

private:
    static int indent(const QModelIndex &index)
    {
        return index.data(kDepthRole).toInt() * kIndentPerLevel;
    }
};

} // namespace

bool matchesFilePattern(const QString &name, const QString &pattern)
{
    const QStringList patterns = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (patterns.isEmpty())
        return true;
    // As on the system the patterns come from, a name without a dot also matches
    // as if it ended in one, so "*.*" takes every name.
    const QString dotted = name.contains(QLatin1Char('.')) ? QString() : name + QLatin1Char('.');
    // "*.EXT" is about the extension, the part after the last dot: "*.htm*" takes
    // .htm and .html, never a.html.out.
    const qsizetype lastDot = name.lastIndexOf(QLatin1Char('.'));
    const QStringView extension = lastDot < 0 ? QStringView() : QStringView(name).sliced(lastDot + 1);
    for (const QString &one : patterns) {
        const QString trimmed = one.trimmed();
        if (trimmed.startsWith(QLatin1String("*.")) && trimmed.indexOf(QLatin1Char('.'), 2) < 0) {
            if (wildcardMatch(extension, QStringView(trimmed).sliced(2)))
                return true;
            continue;
        }
        if (wildcardMatch(name, trimmed) || (!dotted.isEmpty() && wildcardMatch(dotted, trimmed)))
            return true;
    }
    return false;
}

void sortNamesForDisplay(QStringList &names)
{
    // The C locale orders by code point only; file managers still sort by words there.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Keyed
    {
        QCollatorSortKey key;
        QString name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (const QString &name : std::as_const(names))
        keyed.push_back({collator.sortKey(name), name});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const int order = a.key.compare(b.key);
        // Names the collator takes as equal ("a" and "A") still get a fixed order.
        return order != 0 ? order < 0 : a.name < b.name;
    });
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = keyed[size_t(i)].name;
}

Result<void> checkFolderReadable(const QString &folder)
{
    if (folder.isEmpty())
        return folderError(ENOENT);
    // Opening the folder is the one test that answers as a listing would, for any
    // user, with the system's own reason.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return folderError(errno);
    ::closedir(dir);
    return {};
}

QStringList subfoldersOf(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    sortNamesForDisplay(names);
    return names;
}

QStringList filesOf(const QString &folder, const QString &pattern, QStringList *undecodable)
{
    // Read by hand: a directory iterator leaves out names that are not valid in the
    // system's encoding, and such a file must still be seen.
    QStringList names;
    const QByteArray encodedFolder = QFile::encodeName(folder);
    DIR *dir = ::opendir(encodedFolder.constData());
    if (!dir)
        return names;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw.startsWith('.'))
            continue; // hidden, and "." and ".."
        struct stat info;
        if (::fstatat(dirFd, entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        const QString name = QFile::decodeName(raw);
        if (!matchesFilePattern(name, pattern))
            continue;
        names.append(name);
        if (undecodable && QFile::encodeName(name) != raw)
            undecodable->append(name);
    }
    ::closedir(dir);
    sortNamesForDisplay(names);
    return names;
}

QString VolumeSource::rootOf(const QString &folder) const
{
    QString best = QStringLiteral("/");
    for (const Volume &volume : volumes()) {
        if (isUnder(folder, volume.root) && volume.root.size() > best.size())
            best = volume.root;
    }
    return best;
}

bool isPseudoFileSystem(const QByteArray &type, const QString &root)
{
    static const QList<QByteArray> pseudo {
        "proc",     "sysfs",       "devtmpfs",       "devpts",     "tmpfs",     "cgroup",
        "cgroup2",  "pstore",      "securityfs",     "debugfs",    "tracefs",   "configfs",
        "fusectl",  "mqueue",      "hugetlbfs",      "bpf",        "autofs",    "binfmt_misc",
        "efivarfs", "nsfs",        "ramfs",          "rpc_pipefs", "selinuxfs", "squashfs",
        "overlay",  "fuse.portal", "fuse.gvfsd-fuse"};
    if (pseudo.contains(type))
        return true;
    for (const char *system : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/lib"}) {
        if (isUnder(root, QLatin1String(system)) && !isUnder(root, QStringLiteral("/run/media")))
            return true;
    }
    return false;
}

QList<Volume> MountedVolumes::volumes() const
{
    QList<Volume> result {{QStringLiteral("/"), QStringLiteral("/")}};
    const QList<QStorageInfo> mounted = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &info : mounted) {
        const QString root = info.rootPath();
        // Single files bind-mounted into the tree are no volumes to browse.
        if (root.isEmpty() || root == QLatin1String("/") || QFileInfo(root).isFile()
            || isPseudoFileSystem(info.fileSystemType(), root))
            continue;
        if (std::any_of(result.cbegin(), result.cend(),
                        [&](const Volume &v) { return v.root == root; }))
            continue;
        // By its label, else by the folder it is mounted on: never by its device.
        const QString name = info.name().isEmpty() ? QFileInfo(root).fileName() : info.name();
        result.append({root, name});
    }
    std::sort(result.begin() + 1, result.end(),
              [](const Volume &a, const Volume &b) { return a.root < b.root; });
    return result;
}

// drive list

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
    , m_volumes(std::make_shared<MountedVolumes>())
{
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::onIndexChanged);
    refreshVolumes();
    setDrive(startFolder());
}

QString DriveList::drive() const
{
    return m_drive;
}

void DriveList::setVolumeSource(std::shared_ptr<VolumeSource> source)
{
    m_volumes = std::move(source);
    refreshVolumes();
}

QList<Volume> DriveList::places() const
{
    QList<Volume> places;
    const QString home = QDir::homePath();
    if (home != QLatin1String("/") && QFileInfo(home).isDir())
        places.append({cleanFolderPath(home), tr("ホーム")});
    places.append(m_volumes->volumes());
    return places;
}

void DriveList::refreshVolumes()
{
    QScopedValueRollback<bool> filling(m_filling, true);
    const QString keep = m_drive;
    clear();
    const QString home = QDir::homePath();
    for (const Volume &place : places()) {
        const bool isHome = place.root == cleanFolderPath(home);
        addItem(style()->standardIcon(isHome ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon),
                place.name, place.root);
        setItemData(count() - 1, place.root, Qt::ToolTipRole);
    }
    if (keep.isEmpty())
        return;
    int index = indexOfRoot(keep);
    if (index < 0) {
        // A volume gone since it was chosen stays named until another is chosen.
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), QFileInfo(keep).fileName(), keep);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void DriveList::showPopup()
{
    // Volumes come and go: list those mounted now.
    refreshVolumes();
    QComboBox::showPopup();
}

QString DriveList::placeOf(const QString &folder) const
{
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (isUnder(folder, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveList::setDrive(const QString &path)
{
    const QString folder = cleanFolderPath(path);
    QString root = placeOf(folder);
    if (root.isEmpty()) {
        refreshVolumes();
        root = placeOf(folder);
    }
    const int index = indexOfRoot(root.isEmpty() ? QStringLiteral("/") : root);
    {
        QScopedValueRollback<bool> filling(m_filling, true);
        setCurrentIndex(index);
    }
    m_drive = currentData().toString();
}

int DriveList::indexOfRoot(const QString &root) const
{
    return findData(root);
}

void DriveList::onIndexChanged()
{
    if (m_filling || currentIndex() < 0)
        return;
    const QString value = currentData().toString();
    if (value == m_drive)
        return;
    m_drive = value;
    emit driveChanged();
}

// Folder list

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
    , m_volumes(std::make_shared<MountedVolumes>())
{
    setItemDelegate(new FolderItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::enterItem);
    moveTo(startFolder());
}

void FolderList::setVolumeSource(std::shared_ptr<VolumeSource> source)
{
    m_volumes = std::move(source);
    if (!m_path.isEmpty())
        fill(m_path, subfoldersOf(m_path));
}

Result<void> FolderList::setPath(const QString &path)
{
    return moveTo(path);
}

Result<void> FolderList::moveTo(const QString &folder)
{
    if (folder.isEmpty())
        return folderError(ENOENT);
    const QString target = cleanFolderPath(folder);
    if (const Result<void> readable = checkFolderReadable(target); !readable)
        return readable;
    const bool changed = target != m_path;
    fill(target, subfoldersOf(target));
    m_path = target;
    if (changed)
        emit pathChanged();
    return {};
}

void FolderList::fill(const QString &folder, const QStringList &subfolders)
{
    QString root = m_volumes->rootOf(folder);
    if (!isUnder(folder, root))
        root = QStringLiteral("/");

    // The folder's path from the volume's root down, then its subfolders.
    QStringList chain {root};
    QStringList names {root};
    if (folder != root) {
        const QStringList parts
            = folder.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            chain.append(joinFolderAndName(chain.last(), part));
            names.append(part);
        }
    }

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    QListWidgetItem *current = nullptr;
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        current = new QListWidgetItem(openIcon, names.at(depth), this);
        current->setData(kPathRole, chain.at(depth));
        current->setData(kDepthRole, int(depth));
        current->setToolTip(chain.at(depth));
    }
    for (const QString &name : subfolders) {
        auto *entry = new QListWidgetItem(closedIcon, name, this);
        entry->setData(kPathRole, joinFolderAndName(folder, name));
        entry->setData(kDepthRole, int(chain.size()));
    }
    setCurrentItem(current);
    scrollToItem(current);
}

void FolderList::enterItem(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString folder = item->data(kPathRole).toString();
    if (const Result<void> moved = moveTo(folder); !moved)
        emit pathRefused(moved.error());
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enterItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// File list

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Plain names of one height: large folders lay out without measuring each.
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::fileActivated);
    // Files made or removed in the shown folder by other programs show at once.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileList::refresh);
    list(startFolder(), m_pattern);
}

Result<void> FileList::setPath(const QString &path)
{
    return list(path, m_pattern);
}

Result<void> FileList::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    return list(m_path, pattern);
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

bool FileList::fileNameUndecodable() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return !selected.isEmpty() && selected.first()->data(kUndecodableRole).toBool();
}

void FileList::refresh()
{
    // The folder itself may be gone; the list then stays as it was.
    const QString selected = fileName();
    const int scroll = verticalScrollBar()->value();
    if (!list(m_path, m_pattern))
        return;
    if (!selected.isEmpty()) {
        const QList<QListWidgetItem *> same = findItems(selected, Qt::MatchExactly);
        if (!same.isEmpty())
            setCurrentItem(same.first());
    }
    verticalScrollBar()->setValue(scroll);
}

Result<void> FileList::list(const QString &folder, const QString &pattern)
{
    if (folder.isEmpty())
        return folderError(ENOENT);
    const QString target = cleanFolderPath(folder);
    if (const Result<void> readable = checkFolderReadable(target); !readable)
        return readable;
    QStringList undecodable;
    const QStringList names = filesOf(target, pattern, &undecodable);
    clear();
    addItems(names);
    for (const QString &name : std::as_const(undecodable)) {
        for (QListWidgetItem *item : findItems(name, Qt::MatchExactly))
            item->setData(kUndecodableRole, true);
    }
    if (target != m_path) {
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        m_watcher.addPath(target);
    }
    m_path = target;
    return {};
}
