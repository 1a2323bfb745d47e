#include "ui/editorcontrol.h"
#include "app/formmain.h"
#include "core/paths.h"
#include "ui/filepanel.h"
#include "fakeplatform.h"
#include "fakevolumes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cerrno>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void write(const QString &path, const QByteArray &content = QByteArray())
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList texts(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->item(i)->text());
    return result;
}

// As the system delivers a double-click: a click, then the double-click itself.
void doubleClick(QListWidget *list, const QString &text)
{
    QListWidgetItem *item = list->findItems(text, Qt::MatchExactly).value(0);
    QVERIFY2(item, qPrintable(text));
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

struct PanelState
{
    QString dir;
    QString file;
    QStringList dirItems;
    QStringList fileItems;

    static PanelState of(const FormMain &form)
    {
        return {form.Dir1->Path(), form.File1->Path(), texts(form.Dir1), texts(form.File1)};
    }
    bool operator==(const PanelState &) const = default;
};

} // namespace

class TestFilePanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void patternMatching_data();
    void patternMatching();
    void namesSortAsAFileManagerShowsThem_data();
    void namesSortAsAFileManagerShowsThem();
    void folderListShowsPathFromVolumeRootAndSubfolders_data();
    void folderListShowsPathFromVolumeRootAndSubfolders();
    void folderChangeOnlyOnRealChange_data();
    void folderChangeOnlyOnRealChange();
    void driveValueGoesToTheVolumesCurrentFolder();
    void driveValueRoundTrips_data();
    void driveValueRoundTrips();

    void startsOnTheCurrentFolderAndTheBoxSwitchesThePattern();
    void changeChainComesToRest_data();
    void changeChainComesToRest();
    void unreadableFolderIsReportedAndTheListsStay_data();
    void unreadableFolderIsReportedAndTheListsStay();
    void onlyTheEditorTakesDrops();

    void fileListLoadsOnlyOnDoubleClickAfterTheQuestion();
    void dropsOnTheEditor_data();
    void dropsOnTheEditor();

private:
    QString path(const QString &relative) const { return m_root + u'/' + relative; }
    // The form starts on the folder "start" of the tree, the process's current folder.
    void makeForm();
    void useVolumes(const QList<Volume> &volumes);
    // The system's root volume and a second one at a folder of the tree.
    std::shared_ptr<FakeVolumes> volumes(const QString &root, const QString &name) const
    {
        return std::make_shared<FakeVolumes>(QList<Volume> {{u"/"_s, u"root"_s}, {root, name}});
    }
    // An empty folder of the tree for the lists on their own.
    QString listsFolder() const
    {
        QDir(m_root).mkdir(u"lists"_s);
        return path("lists");
    }

    std::unique_ptr<QTemporaryDir> m_tree;
    QString m_root;
    QString m_previousCurrent;
    Module1 m_module = Module1::atStartUp();
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<FormMain> m_form;
};

void TestFilePanel::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tree->isValid());
    m_root = QDir(m_tree->path()).canonicalPath();
    QDir root(m_root);
    // A folder named like a file is no file.
    for (const char *folder : {"start/sub", "start/folder.htm", "other", "volume/docs", "volume2"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    write(path("start/a.htm"), "<p>A</p>\r\n");
    write(path("start/b.html"), "<p>B</p>\r\n");
    write(path("start/page10.htm"));
    write(path("start/page9.htm"));
    write(path("start/.hidden.htm"));
    write(path("start/c.txt"), "text\r\n");
    write(path("start/README"), "readme\r\n");
    write(path("volume/docs/d.htm"), "<p>D</p>\r\n");
    write(path("volume/docs/ルビ 見本.txt"), "ルビ\r\n");
    m_previousCurrent = QDir::currentPath();
    m_module = Module1::atStartUp();
    m_platform = std::make_unique<FakePlatform>();
}

void TestFilePanel::cleanup()
{
    m_form.reset();
    QDir::setCurrent(m_previousCurrent);
}

void TestFilePanel::makeForm()
{
    QVERIFY(QDir::setCurrent(path("start")));
    m_form = std::make_unique<FormMain>(m_module, *m_platform);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestFilePanel::useVolumes(const QList<Volume> &volumes)
{
    const auto source = std::make_shared<FakeVolumes>(volumes);
    m_form->Drive1->setVolumeSource(source);
    m_form->Dir1->setVolumeSource(source);
}

void TestFilePanel::patternMatching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    QTest::newRow("html filter takes .htm") << "a.htm"
                                            << "*.htm*" << true;
    QTest::newRow("html filter takes .html") << "index.html"
                                             << "*.htm*" << true;
    QTest::newRow("html filter ignores case") << "INDEX.HTM"
                                              << "*.htm*" << true;
    QTest::newRow("html filter refuses .txt") << "a.txt"
                                              << "*.htm*" << false;
    QTest::newRow("html filter refuses htm without a dot") << "xhtm"
                                                           << "*.htm*" << false;
    QTest::newRow("html filter refuses .xhtml") << "a.xhtml"
                                                << "*.htm*" << false;
    QTest::newRow("html filter: wildcard spans a later dot") << "a.htm.bak"
                                                             << "*.htm*" << true;
    QTest::newRow("all files takes a dotted name") << "a.txt"
                                                   << "*.*" << true;
    QTest::newRow("all files takes a name without a dot") << "README"
                                                          << "*.*" << true;
    QTest::newRow("star dot takes names without extension") << "README"
                                                            << "*." << true;
    QTest::newRow("star dot refuses an extension") << "a.txt"
                                                   << "*." << false;
    QTest::newRow("question mark is one character") << "a1.htm"
                                                    << "a?.htm" << true;
    QTest::newRow("question mark is not zero characters") << "a.htm"
                                                          << "a?.htm" << false;
    QTest::newRow("exact name needs all of it") << "a.html"
                                                << "a.htm" << false;
    QTest::newRow("list of patterns") << "b.txt"
                                      << "*.htm;*.txt" << true;
    QTest::newRow("list of patterns refuses others") << "b.css"
                                                     << "*.htm;*.txt" << false;
    QTest::newRow("japanese name") << "ルビ見本.html"
                                   << "*.htm*" << true;
    QTest::newRow("brackets are plain characters") << "a[1].htm"
                                                   << "a[1].htm" << true;
    QTest::newRow("backtracking over repeated parts") << "a.htm.htm.txt"
                                                      << "*.htm*.txt" << true;
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
    QTest::newRow("numbers by value") << QStringList {"p10.htm", "p9.htm", "p100.htm", "p1.htm"}
                                      << QStringList {"p1.htm", "p9.htm", "p10.htm", "p100.htm"};
    QTest::newRow("case ignored") << QStringList {"b.htm", "C.htm", "A.htm"}
                                  << QStringList {"A.htm", "b.htm", "C.htm"};
    QTest::newRow("equal but for case keeps a fixed order")
        << QStringList {"a.htm", "A.htm"} << QStringList {"A.htm", "a.htm"};
    QTest::newRow("kana in their order")
        << QStringList {"か.htm", "あ.htm", "さ.htm"} << QStringList {"あ.htm", "か.htm", "さ.htm"};
}

void TestFilePanel::namesSortAsAFileManagerShowsThem()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    sortNamesForDisplay(names);
    QCOMPARE(names, sorted);
}

void TestFilePanel::folderListShowsPathFromVolumeRootAndSubfolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("the volume's root") << "" << QStringList {"$root", "a", "Z9", "z10"};
    QTest::newRow("one level down") << "a" << QStringList {"$root", "a", "b"};
    QTest::newRow("two levels down, no subfolders") << "a/b" << QStringList {"$root", "a", "b"};
}

void TestFilePanel::folderListShowsPathFromVolumeRootAndSubfolders()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, items);
    const QString base = listsFolder();
    QDir root(base);
    for (const char *path : {"a/b", "z10", "Z9", ".hidden"})
        QVERIFY(root.mkpath(QLatin1String(path)));
    write(root.filePath(u"file.htm"_s));

    DirListBox list;
    list.setVolumeSource(volumes(base, u"tmp"_s));
    const QString target = folder.isEmpty() ? base : root.filePath(folder);
    QVERIFY(!list.setPath(target).isError());
    items.replaceInStrings(u"$root"_s, base);
    QCOMPARE(texts(&list), items);
    // The folder itself is the one marked.
    QCOMPARE(list.currentItem()->text(), folder.isEmpty() ? base : folder.section('/', -1));
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
    const QString base = listsFolder();
    QDir root(base);
    QVERIFY(root.mkdir(u"here"_s));
    QVERIFY(root.mkdir(u"there"_s));
    QVERIFY(QFile::link(root.filePath(u"here"_s), root.filePath(u"link"_s)));
    write(root.filePath(u"here/file.htm"_s));

    DirListBox list;
    QVERIFY(!list.setPath(root.filePath(u"here"_s)).isError());
    const QStringList before = texts(&list);
    QSignalSpy spy(&list, &DirListBox::Change);
    const ErrorReport report = list.setPath(root.filePath(value));
    QCOMPARE(report.number, error);
    QCOMPARE(report.description.isEmpty(), error == 0);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(list.Path(), root.filePath(shown));
    if (error != 0)
        QCOMPARE(texts(&list), before);
}

void TestFilePanel::driveValueGoesToTheVolumesCurrentFolder()
{
    const QString base = listsFolder();
    QDir root(base);
    for (const char *path : {"a", "volume/docs"})
        QVERIFY(root.mkpath(QLatin1String(path)));
    const QString volume = root.filePath(u"volume"_s);
    const Volume system {u"/"_s, u"root"_s};
    const Volume stick {volume, u"STICK"_s};
    DirListBox list;
    list.setVolumeSource(volumes(volume, u"STICK"_s));
    QVERIFY(!list.setPath(root.filePath(u"a"_s)).isError());
    QVERIFY(!list.setPath(root.filePath(u"volume/docs"_s)).isError());
    QVERIFY(!list.setPath(driveValue(system)).isError());
    QCOMPARE(list.Path(), root.filePath(u"a"_s));

    // A current folder that vanished gives way to the volume's root.
    QVERIFY(root.rmdir(u"volume/docs"_s));
    QVERIFY(!list.setPath(driveValue(stick)).isError());
    QCOMPARE(list.Path(), volume);
}

void TestFilePanel::driveValueRoundTrips_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("the root volume") << "/"
                                     << "vda"
                                     << "/ [vda]";
    QTest::newRow("a mounted stick") << "/media/u/STICK"
                                     << "STICK"
                                     << "/media/u/STICK [STICK]";
    QTest::newRow("a label with spaces") << "/mnt/x"
                                         << "My Disk"
                                         << "/mnt/x [My Disk]";
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

void TestFilePanel::startsOnTheCurrentFolderAndTheBoxSwitchesThePattern()
{
    makeForm();
    const QString start = path("start");
    const QStringList html {"a.htm", "b.html", "page9.htm", "page10.htm"};
    QCOMPARE(m_form->Dir1->Path(), start);
    QCOMPARE(m_form->File1->Path(), start);
    QCOMPARE(m_form->Drive1->driveRoot(), MountedVolumes().rootOf(start));
    QCOMPARE(m_form->Dir1->currentItem()->text(), u"start"_s);
    QCOMPARE(texts(m_form->Dir1).last(), u"sub"_s);
    QVERIFY(m_form->CheckHTML->isChecked());
    QCOMPARE(m_form->File1->Pattern(), u"*.htm*"_s);
    QCOMPARE(texts(m_form->File1), html);

    QSignalSpy dirChanges(m_form->Dir1, &DirListBox::Change);
    m_form->CheckHTML->click();
    QCOMPARE(m_form->File1->Pattern(), u"*.*"_s);
    QCOMPARE(texts(m_form->File1),
             QStringList({"a.htm", "b.html", "c.txt", "page9.htm", "page10.htm", "README"}));
    m_form->CheckHTML->click();
    QCOMPARE(m_form->File1->Pattern(), u"*.htm*"_s);
    QCOMPARE(texts(m_form->File1), html);
    // The folder stays.
    QCOMPARE(m_form->File1->Path(), start);
    QCOMPARE(dirChanges.count(), 0);
    QVERIFY(m_platform->messages.isEmpty());
}

void TestFilePanel::changeChainComesToRest_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("dirChanges");
    QTest::addColumn<int>("driveChanges");
    QTest::addColumn<QString>("drive");
    QTest::newRow("the same folder again") << "folder"
                                           << "start/"
                                           << "start" << 0 << 0 << "/";
    QTest::newRow("another folder on the same volume") << "folder"
                                                       << "other"
                                                       << "other" << 1 << 0 << "/";
    QTest::newRow("a folder chosen in the list") << "list"
                                                 << "sub"
                                                 << "start/sub" << 1 << 0 << "/";
    QTest::newRow("a folder above chosen in the list") << "list"
                                                       << "$tree"
                                                       << "" << 1 << 0 << "/";
    QTest::newRow("a folder chosen with Enter") << "enter"
                                                << "sub"
                                                << "start/sub" << 1 << 0 << "/";
    QTest::newRow("a folder beside the volume, spelt alike") << "folder"
                                                             << "volume2"
                                                             << "volume2" << 1 << 0 << "/";
    QTest::newRow("a load's folder on another volume") << "folder"
                                                       << "volume/docs/"
                                                       << "volume/docs" << 1 << 1 << "volume";
    QTest::newRow("the root of another volume") << "folder"
                                                << "volume"
                                                << "volume" << 1 << 1 << "volume";
    QTest::newRow("another drive chosen") << "drive"
                                          << "volume"
                                          << "volume" << 1 << 1 << "volume";
    QTest::newRow("the drive shown chosen again") << "drive"
                                                  << "/"
                                                  << "start" << 0 << 0 << "/";
}

void TestFilePanel::changeChainComesToRest()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(QString, shown);
    QFETCH(int, dirChanges);
    QFETCH(int, driveChanges);
    QFETCH(QString, drive);
    makeForm();
    useVolumes({{u"/"_s, u"root"_s}, {path("volume"), u"STICK"_s}});
    QSignalSpy dirSpy(m_form->Dir1, &DirListBox::Change);
    QSignalSpy driveSpy(m_form->Drive1, &DriveListBox::Change);

    target.replace(u"$tree"_s, QFileInfo(m_root).fileName());
    if (action == "folder"_L1) {
        m_form->showFolderInPanel(path(target));
    } else if (action == "list"_L1) {
        doubleClick(m_form->Dir1, target);
    } else if (action == "enter"_L1) {
        QListWidgetItem *item = m_form->Dir1->findItems(target, Qt::MatchExactly).value(0);
        QVERIFY(item);
        // A single click only marks the folder.
        QTest::mouseClick(m_form->Dir1->viewport(), Qt::LeftButton, {},
                          m_form->Dir1->visualItemRect(item).center());
        QCOMPARE(dirSpy.count(), 0);
        QTest::keyClick(m_form->Dir1, Qt::Key_Return);
    } else {
        const QString root = target == "/"_L1 ? target : path(target);
        m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(root));
    }

    QCOMPARE(dirSpy.count(), dirChanges);
    QCOMPARE(driveSpy.count(), driveChanges);
    const QString folder = shown.isEmpty() ? m_root : path(shown);
    QCOMPARE(m_form->Dir1->Path(), folder);
    QCOMPARE(m_form->File1->Path(), folder);
    QCOMPARE(m_form->Drive1->driveRoot(), drive == "/"_L1 ? drive : path(drive));
    QVERIFY(m_platform->messages.isEmpty());

    // Back on the first volume the panel shows the folder it showed there.
    m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(u"/"_s));
    if (drive == "/"_L1)
        return;
    QCOMPARE(m_form->Dir1->Path(), path("start"));
    QCOMPARE(m_form->File1->Path(), path("start"));
}

void TestFilePanel::unreadableFolderIsReportedAndTheListsStay_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("number");
    QTest::newRow("a load reaches a folder that vanished") << "load" << int(ENOENT);
    QTest::newRow("a subfolder chosen in the list had vanished") << "list" << int(ENOENT);
    QTest::newRow("a subfolder without permissions") << "locked" << int(EACCES);
    QTest::newRow("the filter switched in a folder that vanished") << "filter" << int(ENOENT);
    QTest::newRow("a volume that is not ready") << "drive" << int(ENOENT);
}

void TestFilePanel::unreadableFolderIsReportedAndTheListsStay()
{
    QFETCH(QString, how);
    QFETCH(int, number);
    if (how == "locked"_L1 && ::geteuid() == 0)
        QSKIP("Running as root: permissions do not stop root from reading a folder.");
    makeForm();
    QDir root(m_root);
    if (how == "drive"_L1) {
        QVERIFY(root.mkdir(u"stick"_s));
        useVolumes({{u"/"_s, u"root"_s}, {path("stick"), u"STICK"_s}});
    }
    const PanelState before = PanelState::of(*m_form);

    if (how == "load"_L1) {
        QVERIFY(root.rmdir(u"other"_s));
        m_form->showFolderInPanel(path("other/"));
    } else if (how == "list"_L1) {
        QVERIFY(root.rmdir(u"start/sub"_s));
        doubleClick(m_form->Dir1, u"sub"_s);
    } else if (how == "locked"_L1) {
        QFile::setPermissions(path("start/sub"), QFileDevice::Permissions());
        doubleClick(m_form->Dir1, u"sub"_s);
        QFile::setPermissions(path("start/sub"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    } else if (how == "filter"_L1) {
        QVERIFY(QDir::setCurrent(m_root));
        QVERIFY(QDir(path("start")).removeRecursively());
        m_form->CheckHTML->click();
    } else {
        // The medium is gone by the time the drive is chosen.
        QVERIFY(root.rmdir(u"stick"_s));
        m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(path("stick")));
        // The drive list keeps the drive chosen.
        QCOMPARE(m_form->Drive1->driveRoot(), path("stick"));
    }

    QCOMPARE(m_platform->messages.size(), 1);
    const FakePlatform::Message box = m_platform->messages.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, u"エラーナンバー： %1"_s.arg(number));
    QCOMPARE(box.text, qt_error_string(number));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(PanelState::of(*m_form) == before);
    QVERIFY(m_form->isVisible());
}

void TestFilePanel::onlyTheEditorTakesDrops()
{
    makeForm();
    QStringList takers;
    const QList<QWidget *> widgets = m_form->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->acceptDrops())
            takers.append(widget == m_form->RTB1 || widget == m_form->RTB1->viewport()
                              ? u"RTB1"_s
                              : QString::fromLatin1(widget->metaObject()->className()));
    }
    takers.removeDuplicates();
    QCOMPARE(takers, QStringList {u"RTB1"_s});
    QVERIFY(!m_form->acceptDrops());
}

void TestFilePanel::fileListLoadsOnlyOnDoubleClickAfterTheQuestion()
{
    makeForm();
    FileListBox *list = m_form->File1;
    m_form->RTB1->setText(u"まだ保存していない文"_s);
    QCOMPARE(m_form->mModified, kTrue);
    QCOMPARE(list->FileName(), QString());
    // A click, the arrow keys and Enter select a file and open nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(list->FileName(), u"b.html"_s);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->FileName(), u"a.htm"_s);
    QCOMPARE(m_form->mFilePath, QString());
    QCOMPARE(m_form->RTB1->Text(), u"まだ保存していない文"_s);

    m_platform->setNextAnswer(QMessageBox::No);
    doubleClick(list, u"a.htm"_s);
    QCOMPARE(m_platform->messages.size(), 1);
    QCOMPARE(m_form->mFilePath, path("start/a.htm"));
    QCOMPARE(m_form->RTB1->Text(), u"<p>A</p>\r\n"_s);
    QCOMPARE(m_form->Caption(), u"a.htm"_s);
    QCOMPARE(m_form->mModified, kFalse);
    QCOMPARE(m_form->Dir1->Path(), path("start"));
    // A new pattern leaves nothing selected.
    m_form->CheckHTML->click();
    QCOMPARE(list->FileName(), QString());
}

void TestFilePanel::dropsOnTheEditor_data()
{
    QTest::addColumn<QStringList>("urls"); // files of the tree, or web addresses
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("moveOnly");
    QTest::addColumn<QString>("text"); // of the file loaded; empty: the drag is refused
    const QStringList three {"volume/docs/d.htm", "start/a.htm", "start/b.html"};
    const QString none;
    QTest::newRow("one local file")
        << QStringList {"start/a.htm"} << none << none << false << "<p>A</p>\r\n";
    QTest::newRow("three local files load only the first")
        << three << none << none << false << "<p>D</p>\r\n";
    // File managers offer the paths as text beside the list of files.
    QTest::newRow("files offered beside their text: a .txt file loads")
        << QStringList {"start/c.txt", "start/a.htm"} << "c.txt\na.htm" << none << false
        << "text\r\n";
    QTest::newRow("a file without an extension loads")
        << QStringList {"start/README"} << none << none << false << "readme\r\n";
    QTest::newRow("a file with a Japanese name")
        << QStringList {"volume/docs/ルビ 見本.txt"} << none << none << false << "ルビ\r\n";
    // Taken as a move, the source would remove its file after the drop.
    QTest::newRow("a file whose source offers only a move")
        << QStringList {"start/a.htm"} << none << none << true << none;
    QTest::newRow("plain text") << QStringList() << "<p>ドラッグした文字</p>" << none << false
                                << none;
    QTest::newRow("a web page's address")
        << QStringList {"https://example.invalid/page.html"} << "https://example.invalid/page.html"
        << none << false << none;
    QTest::newRow("rich text") << QStringList() << none << "<b>太字</b>" << false << none;
}

void TestFilePanel::dropsOnTheEditor()
{
    QFETCH(QStringList, urls);
    QFETCH(QString, plain);
    QFETCH(QString, html);
    QFETCH(bool, moveOnly);
    QFETCH(QString, text);
    const bool accepted = !text.isEmpty();
    makeForm();
    m_form->showFolderInPanel(path("other"));
    m_form->RTB1->setText(u"まだ保存していない文"_s);
    m_platform->setNextAnswer(QMessageBox::No);
    QStringList files;
    QList<QUrl> addresses;
    for (const QString &url : urls) {
        addresses.append(url.contains("://"_L1) ? QUrl(url) : QUrl::fromLocalFile(path(url)));
        files.append(path(url));
    }
    QMimeData data;
    data.setUrls(addresses);
    if (!plain.isEmpty())
        data.setText(plain);
    if (!html.isEmpty())
        data.setHtml(html);
    const Qt::DropActions actions = moveOnly ? Qt::DropActions(Qt::MoveAction)
                                             : Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    // Events go to the viewport, where the system delivers them.
    QWidget *viewport = m_form->RTB1->viewport();
    QSignalSpy dropped(m_form->RTB1, &EditorControl::OLEDragDrop);

    QDragEnterEvent enter(QPoint(40, 30), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    // Asked again at every move while the drag stays over the editor.
    QDragMoveEvent move(QPoint(45, 35), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QCOMPARE(move.isAccepted(), accepted);
    if (accepted) {
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QCOMPARE(move.dropAction(), Qt::CopyAction);
    } else {
        QDragLeaveEvent leave;
        QApplication::sendEvent(viewport, &leave);
        // Even when the drop reaches the editor (its drag entered with files first),
        // data without files is refused.
        QMimeData withFiles;
        withFiles.setUrls({QUrl::fromLocalFile(path("start/a.htm"))});
        QDragEnterEvent entered(QPoint(40, 30), Qt::CopyAction, &withFiles, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(viewport, &entered);
        QVERIFY(entered.isAccepted());
    }
    QDropEvent drop(QPointF(40, 30), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);

    QCOMPARE(drop.isAccepted(), accepted);
    QCOMPARE(dropped.count(), accepted ? 1 : 0);
    QCOMPARE(m_platform->messages.size(), accepted ? 1 : 0);
    if (!accepted) {
        QCOMPARE(m_form->RTB1->Text(), u"まだ保存していない文"_s);
        QCOMPARE(m_form->mFilePath, QString());
        return;
    }
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(dropped.at(0).at(0).toStringList(), files);
    // Loaded after the question answered No, and nothing of the drop inserted besides.
    QCOMPARE(m_form->mFilePath, files.first());
    QCOMPARE(m_form->RTB1->Text(), text);
    QCOMPARE(m_form->Caption(), fileNameOfPath(files.first()));
    QCOMPARE(m_form->mModified, kFalse);
    // The panel follows the loaded document.
    const QString folder = files.first().left(files.first().lastIndexOf(u'/'));
    QCOMPARE(m_form->Dir1->Path(), folder);
    QCOMPARE(m_form->File1->Path(), folder);
}

QTEST_MAIN(TestFilePanel)
#include "tst_filepanel.moc"
