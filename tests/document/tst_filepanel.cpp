#include "document/filepanel.h"
#include "fakevolumes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList texts(const QListWidget &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result.append(list.item(i)->text());
    return result;
}

QPoint centreOf(QListWidget &list, QListWidgetItem *item)
{
    return list.visualItemRect(item).center();
}

// As the system delivers a double-click: a click, then the double-click itself.
void doubleClick(QListWidget &list, QListWidgetItem *item)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, item));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, item));
}

std::shared_ptr<FakeVolumes> rootAnd(const QString &root, const QString &name)
{
    return std::make_shared<FakeVolumes>(
        QList<Volume>{{QStringLiteral("/"), QStringLiteral("root")}, {root, name}});
}

} // namespace

class TestFilePanel : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void patternMatching_data();
    void patternMatching();
    void namesSortAsAFileManagerShowsThem_data();
    void namesSortAsAFileManagerShowsThem();
    void fileListFollowsThePattern_data();
    void fileListFollowsThePattern();
    void readabilityGivesTheSystemsReason_data();
    void readabilityGivesTheSystemsReason();

    void folderListShowsPathFromVolumeRootAndSubfolders_data();
    void folderListShowsPathFromVolumeRootAndSubfolders();
    void folderChangeOnlyOnRealChange_data();
    void folderChangeOnlyOnRealChange();
    void folderListEntersFolderOnDoubleClickOrEnter_data();
    void folderListEntersFolderOnDoubleClickOrEnter();
    void vanishedSubfolderIsRefused();
    void driveValueGoesToTheVolumesCurrentFolder();

    void driveTakesItsDriveFromAPath_data();
    void driveTakesItsDriveFromAPath();
    void driveValueRoundTrips_data();
    void driveValueRoundTrips();

    void fileListRefusesAFolderItCannotRead();
    void fileNameIsTheSelectionOnly();
    void fileListDoubleClickOnlyOnDoubleClick();

private:
    std::unique_ptr<QTemporaryDir> m_tree; // fresh for every test
    QString m_root;
};

void TestFilePanel::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tree->isValid());
    m_root = QDir(m_tree->path()).canonicalPath();
}

void TestFilePanel::patternMatching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    QTest::newRow("html filter takes .htm") << "a.htm" << "*.htm*" << true;
    QTest::newRow("html filter takes .html") << "index.html" << "*.htm*" << true;
    QTest::newRow("html filter ignores case") << "INDEX.HTM" << "*.htm*" << true;
    QTest::newRow("html filter refuses .txt") << "a.txt" << "*.htm*" << false;
    QTest::newRow("html filter refuses htm without a dot") << "xhtm" << "*.htm*" << false;
    QTest::newRow("html filter refuses .xhtml") << "a.xhtml" << "*.htm*" << false;
    QTest::newRow("html filter: wildcard spans a later dot") << "a.htm.bak" << "*.htm*" << true;
    QTest::newRow("all files takes a dotted name") << "a.txt" << "*.*" << true;
    QTest::newRow("all files takes a name without a dot") << "README" << "*.*" << true;
    QTest::newRow("star dot takes names without extension") << "README" << "*." << true;
    QTest::newRow("star dot refuses an extension") << "a.txt" << "*." << false;
    QTest::newRow("question mark is one character") << "a1.htm" << "a?.htm" << true;
    QTest::newRow("question mark is not zero characters") << "a.htm" << "a?.htm" << false;
    QTest::newRow("exact name") << "a.htm" << "a.htm" << true;
    QTest::newRow("exact name needs all of it") << "a.html" << "a.htm" << false;
    QTest::newRow("list of patterns") << "b.txt" << "*.htm;*.txt" << true;
    QTest::newRow("list of patterns refuses others") << "b.css" << "*.htm;*.txt" << false;
    QTest::newRow("japanese name") << "ルビ見本.html" << "*.htm*" << true;
    QTest::newRow("brackets are plain characters") << "a[1].htm" << "a[1].htm" << true;
    QTest::newRow("backtracking over repeated parts") << "a.htm.htm.txt" << "*.htm*.txt" << true;
}

void TestFilePanel::patternMatching()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(matchesFilePattern(name, pattern), matches);
}

void TestFilePanel::namesSortAsAFileManagerShowsThem_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("numbers by value") << QStringList{"p10.htm", "p9.htm", "p100.htm", "p1.htm"}
                                      << QStringList{"p1.htm", "p9.htm", "p10.htm", "p100.htm"};
    QTest::newRow("case ignored") << QStringList{"b.htm", "C.htm", "A.htm"}
                                  << QStringList{"A.htm", "b.htm", "C.htm"};
    QTest::newRow("equal but for case keeps a fixed order")
        << QStringList{"a.htm", "A.htm"} << QStringList{"A.htm", "a.htm"};
    QTest::newRow("kana in their order") << QStringList{"か.htm", "あ.htm", "さ.htm"}
                                         << QStringList{"あ.htm", "か.htm", "さ.htm"};
}

void TestFilePanel::namesSortAsAFileManagerShowsThem()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    sortNamesForDisplay(names);
    QCOMPARE(names, sorted);
}

void TestFilePanel::fileListFollowsThePattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("html only") << "*.htm*"
                               << QStringList{"a.htm", "b.HTML", "page2.html", "page10.htm"};
    QTest::newRow("all files") << "*.*"
                               << QStringList{"a.htm", "b.HTML", "c.txt", "page2.html",
                                              "page10.htm", "README"};
}

void TestFilePanel::fileListFollowsThePattern()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, shown);
    for (const char *name : {"a.htm", "b.HTML", "c.txt", "README", "page10.htm", "page2.html",
                             ".hidden.htm"})
        touch(m_root + QLatin1Char('/') + QLatin1String(name));
    // Folders are no files, whatever their names.
    QVERIFY(QDir(m_root).mkdir(QStringLiteral("folder.htm")));

    FileListBox list;
    QVERIFY(!list.setPath(m_root).isError());
    QVERIFY(!list.setPattern(pattern).isError());
    QCOMPARE(list.Path(), m_root);
    QCOMPARE(texts(list), shown);
}

void TestFilePanel::readabilityGivesTheSystemsReason_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("number");
    QTest::newRow("a readable folder") << "folder" << 0;
    QTest::newRow("a folder that vanished") << "gone" << int(ENOENT);
    QTest::newRow("a file, not a folder") << "file" << int(ENOTDIR);
    QTest::newRow("an empty path") << "" << int(ENOENT);
    QTest::newRow("a folder without permissions") << "locked" << int(EACCES);
}

void TestFilePanel::readabilityGivesTheSystemsReason()
{
    QFETCH(QString, what);
    QFETCH(int, number);
    QDir root(m_root);
    QVERIFY(root.mkdir(QStringLiteral("folder")));
    QVERIFY(root.mkdir(QStringLiteral("locked")));
    touch(root.filePath(QStringLiteral("file")));
    if (what == QLatin1String("locked")) {
        if (::geteuid() == 0)
            QSKIP("Running as root: permissions do not stop root from reading a folder.");
        QFile::setPermissions(root.filePath(what), QFileDevice::Permissions());
    }
    const ErrorReport error = checkFolderReadable(what.isEmpty() ? what : root.filePath(what));
    QFile::setPermissions(root.filePath(QStringLiteral("locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(error.number, number);
    QCOMPARE(error.description.isEmpty(), number == 0);
}

void TestFilePanel::folderListShowsPathFromVolumeRootAndSubfolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("the volume's root") << "" << QStringList{"$root", "a", "Z9", "z10"};
    QTest::newRow("one level down") << "a" << QStringList{"$root", "a", "b"};
    QTest::newRow("two levels down, no subfolders") << "a/b" << QStringList{"$root", "a", "b"};
}

void TestFilePanel::folderListShowsPathFromVolumeRootAndSubfolders()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, items);
    QDir root(m_root);
    for (const char *path : {"a/b", "z10", "Z9", ".hidden"})
        QVERIFY(root.mkpath(QLatin1String(path)));
    touch(root.filePath(QStringLiteral("file.htm")));

    DirListBox list;
    list.setVolumeSource(rootAnd(m_root, QStringLiteral("tmp")));
    const QString target = folder.isEmpty() ? m_root : root.filePath(folder);
    QVERIFY(!list.setPath(target).isError());
    items.replaceInStrings(QStringLiteral("$root"), m_root);
    QCOMPARE(texts(list), items);
    // The folder itself is the one marked.
    QCOMPARE(list.currentItem()->text(), folder.isEmpty() ? m_root : folder.section('/', -1));
}

void TestFilePanel::folderChangeOnlyOnRealChange_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("shown");
    QTest::newRow("the same folder") << "here" << 0 << 0 << "here";
    QTest::newRow("the same folder with a trailing slash") << "here/" << 0 << 0 << "here";
    QTest::newRow("the same folder spelt with ..") << "here/../here" << 0 << 0 << "here";
    QTest::newRow("the same folder through a link") << "link" << 0 << 0 << "here";
    QTest::newRow("another folder") << "there" << 1 << 0 << "there";
    QTest::newRow("a folder that vanished") << "gone" << 0 << int(ENOENT) << "here";
    QTest::newRow("a file") << "here/file.htm" << 0 << int(ENOTDIR) << "here";
}

void TestFilePanel::folderChangeOnlyOnRealChange()
{
    QFETCH(QString, value);
    QFETCH(int, changes);
    QFETCH(int, error);
    QFETCH(QString, shown);
    QDir root(m_root);
    QVERIFY(root.mkdir(QStringLiteral("here")));
    QVERIFY(root.mkdir(QStringLiteral("there")));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("here")),
                        root.filePath(QStringLiteral("link"))));
    touch(root.filePath(QStringLiteral("here/file.htm")));

    DirListBox list;
    QVERIFY(!list.setPath(root.filePath(QStringLiteral("here"))).isError());
    const QStringList before = texts(list);
    QSignalSpy spy(&list, &DirListBox::Change);
    const ErrorReport report = list.setPath(root.filePath(value));
    QCOMPARE(report.number, error);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(list.Path(), root.filePath(shown));
    if (error != 0)
        QCOMPARE(texts(list), before);
}

void TestFilePanel::folderListEntersFolderOnDoubleClickOrEnter_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("entered");
    QTest::newRow("double-click on a subfolder") << false << "sub" << "here/sub";
    QTest::newRow("double-click on a folder above") << false << "$root" << "";
    QTest::newRow("enter on a subfolder") << true << "sub" << "here/sub";
    QTest::newRow("enter on a folder above") << true << "$root" << "";
}

void TestFilePanel::folderListEntersFolderOnDoubleClickOrEnter()
{
    QFETCH(bool, byKey);
    QFETCH(QString, item);
    QFETCH(QString, entered);
    QDir root(m_root);
    QVERIFY(root.mkpath(QStringLiteral("here/sub")));
    DirListBox list;
    list.setVolumeSource(rootAnd(m_root, QStringLiteral("tmp")));
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(!list.setPath(root.filePath(QStringLiteral("here"))).isError());
    QSignalSpy changes(&list, &DirListBox::Change);

    const QList<QListWidgetItem *> found =
        list.findItems(item == QLatin1String("$root") ? m_root : item, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    // A single click only marks the folder.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, found[0]));
    QCOMPARE(changes.count(), 0);
    if (byKey)
        QTest::keyClick(&list, Qt::Key_Return);
    else
        doubleClick(list, found[0]);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(list.Path(), entered.isEmpty() ? m_root : root.filePath(entered));
}

void TestFilePanel::vanishedSubfolderIsRefused()
{
    QDir root(m_root);
    QVERIFY(root.mkpath(QStringLiteral("here/sub")));
    DirListBox list;
    QVERIFY(!list.setPath(root.filePath(QStringLiteral("here"))).isError());
    const QStringList before = texts(list);
    QSignalSpy changes(&list, &DirListBox::Change);
    QSignalSpy refused(&list, &DirListBox::pathRefused);
    QVERIFY(root.rmdir(QStringLiteral("here/sub")));

    list.setCurrentItem(list.findItems(QStringLiteral("sub"), Qt::MatchExactly).value(0));
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.at(0).at(0).value<ErrorReport>().number, int(ENOENT));
    QCOMPARE(list.Path(), root.filePath(QStringLiteral("here")));
    QCOMPARE(texts(list), before);
}

void TestFilePanel::driveValueGoesToTheVolumesCurrentFolder()
{
    QDir root(m_root);
    for (const char *path : {"a/deep", "volume/docs", "volume/other"})
        QVERIFY(root.mkpath(QLatin1String(path)));
    const QString volume = root.filePath(QStringLiteral("volume"));
    const Volume system{QStringLiteral("/"), QStringLiteral("root")};
    const Volume stick{volume, QStringLiteral("STICK")};
    DirListBox list;
    list.setVolumeSource(std::make_shared<FakeVolumes>(QList<Volume>{system, stick}));

    QVERIFY(!list.setPath(root.filePath(QStringLiteral("a/deep"))).isError());
    // Never shown before: the volume's root.
    QVERIFY(!list.setPath(driveValue(stick)).isError());
    QCOMPARE(list.Path(), volume);
    QVERIFY(!list.setPath(root.filePath(QStringLiteral("volume/docs"))).isError());
    // Back and forth: each volume keeps the folder last shown on it.
    QVERIFY(!list.setPath(driveValue(system)).isError());
    QCOMPARE(list.Path(), root.filePath(QStringLiteral("a/deep")));
    QVERIFY(!list.setPath(driveValue(stick)).isError());
    QCOMPARE(list.Path(), root.filePath(QStringLiteral("volume/docs")));

    // The drive of the folder shown changes nothing.
    QSignalSpy changes(&list, &DirListBox::Change);
    QVERIFY(!list.setPath(driveValue(stick)).isError());
    QCOMPARE(changes.count(), 0);

    // A current folder that vanished gives way to the volume's root.
    QVERIFY(!list.setPath(driveValue(system)).isError());
    QVERIFY(root.rmdir(QStringLiteral("volume/docs")));
    QVERIFY(!list.setPath(driveValue(stick)).isError());
    QCOMPARE(list.Path(), volume);
}

void TestFilePanel::driveTakesItsDriveFromAPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<int>("changes");
    QTest::newRow("a folder on the drive shown") << "a" << "$root [root]" << 0;
    QTest::newRow("the root of another volume") << "volume" << "$volume [STICK]" << 1;
    QTest::newRow("a folder deep in another volume") << "volume/docs" << "$volume [STICK]" << 1;
    QTest::newRow("a folder beside the volume, spelt alike") << "volume2" << "$root [root]" << 0;
    QTest::newRow("a drive value") << "$volume [STICK]" << "$volume [STICK]" << 1;
}

void TestFilePanel::driveTakesItsDriveFromAPath()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QFETCH(int, changes);
    QDir root(m_root);
    for (const char *folder : {"a", "volume/docs", "volume2"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    const QString volume = root.filePath(QStringLiteral("volume"));
    DriveListBox list;
    list.setVolumeSource(std::make_shared<FakeVolumes>(QList<Volume>{
        {QStringLiteral("/"), QStringLiteral("root")}, {volume, QStringLiteral("STICK")}}));
    list.setDrive(m_root);
    QCOMPARE(list.Drive(), QStringLiteral("/ [root]"));
    QSignalSpy spy(&list, &DriveListBox::Change);

    drive.replace(QStringLiteral("$root"), QStringLiteral("/"))
        .replace(QStringLiteral("$volume"), volume);
    list.setDrive(path.startsWith(QLatin1Char('$')) ? drive : root.filePath(path));
    QCOMPARE(list.Drive(), drive);
    QCOMPARE(spy.count(), changes);
    // Setting it again is no change.
    list.setDrive(drive);
    QCOMPARE(spy.count(), changes);
}

void TestFilePanel::driveValueRoundTrips_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("the root volume") << "/" << "vda" << "/ [vda]";
    QTest::newRow("a mounted stick") << "/media/u/STICK" << "STICK" << "/media/u/STICK [STICK]";
    QTest::newRow("a label with spaces") << "/mnt/x" << "My Disk" << "/mnt/x [My Disk]";
}

void TestFilePanel::driveValueRoundTrips()
{
    QFETCH(QString, root);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(driveValue({root, name}), value);
    QCOMPARE(rootOfDriveValue(value), root);
    // A plain folder is no drive value.
    QCOMPARE(rootOfDriveValue(root), QString());
}

void TestFilePanel::fileListRefusesAFolderItCannotRead()
{
    QDir root(m_root);
    QVERIFY(root.mkdir(QStringLiteral("here")));
    QVERIFY(root.mkdir(QStringLiteral("gone")));
    touch(root.filePath(QStringLiteral("here/a.htm")));
    FileListBox list;
    QVERIFY(!list.setPath(root.filePath(QStringLiteral("here"))).isError());
    QVERIFY(root.rmdir(QStringLiteral("gone")));

    QCOMPARE(list.setPath(root.filePath(QStringLiteral("gone"))).number, int(ENOENT));
    QCOMPARE(list.Path(), root.filePath(QStringLiteral("here")));
    QCOMPARE(texts(list), QStringList{QStringLiteral("a.htm")});

    // A pattern change in a folder that vanished keeps what was shown.
    QVERIFY(root.remove(QStringLiteral("here/a.htm")));
    QVERIFY(root.rmdir(QStringLiteral("here")));
    QCOMPARE(list.setPattern(QStringLiteral("*.*")).number, int(ENOENT));
    QCOMPARE(texts(list), QStringList{QStringLiteral("a.htm")});
}

void TestFilePanel::fileNameIsTheSelectionOnly()
{
    for (const char *name : {"a.htm", "b.htm", "c.htm"})
        touch(m_root + QLatin1Char('/') + QLatin1String(name));
    FileListBox list;
    QVERIFY(!list.setPath(m_root).isError());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.FileName(), QString());

    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    QVERIFY(!list.FileName().isEmpty());
    const QString byKeys = list.FileName();
    QCOMPARE(list.selectedItems().value(0)->text(), byKeys);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, list.item(2)));
    QCOMPARE(list.FileName(), QStringLiteral("c.htm"));

    // A new folder or pattern leaves nothing selected.
    QVERIFY(!list.setPattern(QStringLiteral("*.*")).isError());
    QCOMPARE(list.FileName(), QString());
}

void TestFilePanel::fileListDoubleClickOnlyOnDoubleClick()
{
    for (const char *name : {"a.htm", "b.htm"})
        touch(m_root + QLatin1Char('/') + QLatin1String(name));
    FileListBox list;
    QVERIFY(!list.setPath(m_root).isError());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy spy(&list, &FileListBox::DblClick);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, list.item(1)));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Up);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(spy.count(), 0);

    doubleClick(list, list.item(1));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.FileName(), QStringLiteral("b.htm"));
}

QTEST_MAIN(TestFilePanel)
#include "tst_filepanel.moc"
