#include "app/editorcontrol.h"
#include "app/formmain.h"
#include "app/paths.h"
#include "document/filepanel.h"
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

// A real drag of local files entering the editor and dropped there.
bool dropFiles(EditorControl *editor, const QStringList &files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &file : files)
        urls.append(QUrl::fromLocalFile(file));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(30, 30), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &drop);
    return drop.isAccepted();
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

class TestFormMainFilePanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsOnTheCurrentFolder();
    void filterBoxSwitchesThePattern();
    void joinGivesOneSeparator_data();
    void joinGivesOneSeparator();
    void changeChainComesToRest_data();
    void changeChainComesToRest();
    void volumeNotReadyLeavesTheLists();
    void unreadableFolderIsReportedAndTheListsStay_data();
    void unreadableFolderIsReportedAndTheListsStay();
    void onlyTheEditorTakesDrops();

    void doubleClickLoadsWithoutAPrompt();
    void selectingAFileOpensNothing();
    void droppedFilesLoadTheFirstOnly_data();
    void droppedFilesLoadTheFirstOnly();

private:
    QString path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }
    // The form starts on the folder "start" of the tree, the process's current folder.
    void makeForm();
    void useVolumes(const QList<Volume> &volumes);

    std::unique_ptr<QTemporaryDir> m_tree;
    QString m_root;
    QString m_previousCurrent;
    Module1 m_module = Module1::atStartUp();
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<FormMain> m_form;
};

void TestFormMainFilePanel::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tree->isValid());
    m_root = QDir(m_tree->path()).canonicalPath();
    QDir root(m_root);
    for (const char *folder : {"start/sub", "other", "volume/docs"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    write(path("start/a.htm"), "<p>A</p>\r\n");
    write(path("start/b.html"), "<p>B</p>\r\n");
    write(path("start/page10.htm"));
    write(path("start/page9.htm"));
    write(path("start/c.txt"), "text\r\n");
    write(path("start/README"), "readme\r\n");
    write(path("volume/docs/d.htm"), "<p>D</p>\r\n");
    m_previousCurrent = QDir::currentPath();
    m_module = Module1::atStartUp();
    m_platform = std::make_unique<FakePlatform>();
}

void TestFormMainFilePanel::cleanup()
{
    m_form.reset();
    QDir::setCurrent(m_previousCurrent);
}

void TestFormMainFilePanel::makeForm()
{
    QVERIFY(QDir::setCurrent(path("start")));
    m_form = std::make_unique<FormMain>(m_module, *m_platform);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestFormMainFilePanel::useVolumes(const QList<Volume> &volumes)
{
    const auto source = std::make_shared<FakeVolumes>(volumes);
    m_form->Drive1->setVolumeSource(source);
    m_form->Dir1->setVolumeSource(source);
}

void TestFormMainFilePanel::startsOnTheCurrentFolder()
{
    makeForm();
    QCOMPARE(m_form->Dir1->Path(), path("start"));
    QCOMPARE(m_form->File1->Path(), path("start"));
    QCOMPARE(m_form->Drive1->driveRoot(), MountedVolumes().rootOf(path("start")));
    QVERIFY(m_form->CheckHTML->isChecked());
    QCOMPARE(m_form->File1->Pattern(), QStringLiteral("*.htm*"));
    QCOMPARE(texts(m_form->File1),
             QStringList({"a.htm", "b.html", "page9.htm", "page10.htm"}));
    QCOMPARE(m_form->Dir1->currentItem()->text(), QStringLiteral("start"));
    QCOMPARE(texts(m_form->Dir1).last(), QStringLiteral("sub"));
    QVERIFY(m_platform->messages.isEmpty());
}

void TestFormMainFilePanel::filterBoxSwitchesThePattern()
{
    makeForm();
    QSignalSpy dirChanges(m_form->Dir1, &DirListBox::Change);
    m_form->CheckHTML->click();
    QCOMPARE(m_form->File1->Pattern(), QStringLiteral("*.*"));
    QCOMPARE(texts(m_form->File1),
             QStringList({"a.htm", "b.html", "c.txt", "page9.htm", "page10.htm", "README"}));
    m_form->CheckHTML->click();
    QCOMPARE(m_form->File1->Pattern(), QStringLiteral("*.htm*"));
    QCOMPARE(texts(m_form->File1),
             QStringList({"a.htm", "b.html", "page9.htm", "page10.htm"}));
    // The folder stays.
    QCOMPARE(m_form->File1->Path(), path("start"));
    QCOMPARE(dirChanges.count(), 0);
}

void TestFormMainFilePanel::joinGivesOneSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the root folder") << "/" << "/a.htm";
    QTest::newRow("a folder as a load names it, with its slash") << "$start/" << "$start/a.htm";
    QTest::newRow("a folder without a slash") << "$start" << "$start/a.htm";
}

void TestFormMainFilePanel::joinGivesOneSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    makeForm();
    folder.replace(QStringLiteral("$start"), path("start"));
    expected.replace(QStringLiteral("$start"), path("start"));
    QVERIFY(!m_form->File1->setPath(folder).isError());
    QCOMPARE(joinFolderAndName(m_form->File1->Path(), QStringLiteral("a.htm")), expected);
}

void TestFormMainFilePanel::changeChainComesToRest_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("dirChanges");
    QTest::addColumn<int>("driveChanges");
    QTest::addColumn<QString>("drive");
    QTest::newRow("the same folder again") << "folder" << "start/" << "start" << 0 << 0 << "/";
    QTest::newRow("another folder on the same volume")
        << "folder" << "other" << "other" << 1 << 0 << "/";
    QTest::newRow("a folder chosen in the list") << "list" << "sub" << "start/sub" << 1 << 0 << "/";
    QTest::newRow("a load's folder on another volume")
        << "folder" << "volume/docs/" << "volume/docs" << 1 << 1 << "volume";
    QTest::newRow("the root of another volume")
        << "folder" << "volume" << "volume" << 1 << 1 << "volume";
    QTest::newRow("another drive chosen") << "drive" << "volume" << "volume" << 1 << 1 << "volume";
    QTest::newRow("the drive shown chosen again") << "drive" << "/" << "start" << 0 << 0 << "/";
}

void TestFormMainFilePanel::changeChainComesToRest()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(QString, shown);
    QFETCH(int, dirChanges);
    QFETCH(int, driveChanges);
    QFETCH(QString, drive);
    makeForm();
    useVolumes({{QStringLiteral("/"), QStringLiteral("root")},
                {path("volume"), QStringLiteral("STICK")}});
    QSignalSpy dirSpy(m_form->Dir1, &DirListBox::Change);
    QSignalSpy driveSpy(m_form->Drive1, &DriveListBox::Change);

    if (action == QLatin1String("folder")) {
        m_form->showFolderInPanel(path(target));
    } else if (action == QLatin1String("list")) {
        doubleClick(m_form->Dir1, target);
    } else {
        const QString root = target == QLatin1String("/") ? target : path(target);
        m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(root));
    }

    QCOMPARE(dirSpy.count(), dirChanges);
    QCOMPARE(driveSpy.count(), driveChanges);
    QCOMPARE(m_form->Dir1->Path(), path(shown));
    QCOMPARE(m_form->File1->Path(), path(shown));
    QCOMPARE(m_form->Drive1->driveRoot(), drive == QLatin1String("/") ? drive : path(drive));
    QVERIFY(m_platform->messages.isEmpty());

    // Back on the first volume the panel shows the folder it showed there.
    m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(QStringLiteral("/")));
    if (!shown.startsWith(QLatin1String("volume")))
        return;
    QCOMPARE(m_form->Dir1->Path(), path("start"));
    QCOMPARE(m_form->File1->Path(), path("start"));
}

void TestFormMainFilePanel::volumeNotReadyLeavesTheLists()
{
    makeForm();
    QVERIFY(QDir(m_root).mkdir(QStringLiteral("stick")));
    useVolumes({{QStringLiteral("/"), QStringLiteral("root")},
                {path("stick"), QStringLiteral("STICK")}});
    const PanelState before = PanelState::of(*m_form);
    // The medium is gone by the time the drive is chosen.
    QVERIFY(QDir(m_root).rmdir(QStringLiteral("stick")));

    m_form->Drive1->setCurrentIndex(m_form->Drive1->findData(path("stick")));

    QCOMPARE(m_platform->messages.size(), 1);
    const FakePlatform::Message box = m_platform->messages.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("エラーナンバー： %1").arg(ENOENT));
    QCOMPARE(box.text, qt_error_string(ENOENT));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(PanelState::of(*m_form) == before);
    // The drive list keeps the drive chosen.
    QCOMPARE(m_form->Drive1->driveRoot(), path("stick"));
}

void TestFormMainFilePanel::unreadableFolderIsReportedAndTheListsStay_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("number");
    QTest::newRow("a load reaches a folder that vanished") << "load" << int(ENOENT);
    QTest::newRow("a subfolder chosen in the list had vanished") << "list" << int(ENOENT);
    QTest::newRow("a subfolder chosen with Enter had vanished") << "enter" << int(ENOENT);
    QTest::newRow("a subfolder without permissions") << "locked" << int(EACCES);
    QTest::newRow("the filter switched in a folder that vanished") << "filter" << int(ENOENT);
}

void TestFormMainFilePanel::unreadableFolderIsReportedAndTheListsStay()
{
    QFETCH(QString, how);
    QFETCH(int, number);
    if (how == QLatin1String("locked") && ::geteuid() == 0)
        QSKIP("Running as root: permissions do not stop root from reading a folder.");
    makeForm();
    const PanelState before = PanelState::of(*m_form);
    QDir root(m_root);

    if (how == QLatin1String("load")) {
        QVERIFY(root.rmdir(QStringLiteral("other")));
        m_form->showFolderInPanel(path("other") + QLatin1Char('/'));
    } else if (how == QLatin1String("list")) {
        QVERIFY(root.rmdir(QStringLiteral("start/sub")));
        doubleClick(m_form->Dir1, QStringLiteral("sub"));
    } else if (how == QLatin1String("enter")) {
        QVERIFY(root.rmdir(QStringLiteral("start/sub")));
        m_form->Dir1->setFocus();
        m_form->Dir1->setCurrentItem(
            m_form->Dir1->findItems(QStringLiteral("sub"), Qt::MatchExactly).value(0));
        QTest::keyClick(m_form->Dir1, Qt::Key_Return);
    } else if (how == QLatin1String("locked")) {
        QFile::setPermissions(path("start/sub"), QFileDevice::Permissions());
        doubleClick(m_form->Dir1, QStringLiteral("sub"));
        QFile::setPermissions(path("start/sub"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                     | QFileDevice::ExeOwner);
    } else {
        QVERIFY(QDir::setCurrent(m_root));
        QVERIFY(QDir(path("start")).removeRecursively());
        m_form->CheckHTML->click();
    }

    QCOMPARE(m_platform->messages.size(), 1);
    const FakePlatform::Message box = m_platform->messages.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("エラーナンバー： %1").arg(number));
    QCOMPARE(box.text, qt_error_string(number));
    QVERIFY(PanelState::of(*m_form) == before);
    QVERIFY(m_form->isVisible());
}

void TestFormMainFilePanel::onlyTheEditorTakesDrops()
{
    makeForm();
    QStringList takers;
    const QList<QWidget *> widgets = m_form->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->acceptDrops())
            takers.append(widget == m_form->RTB1 || widget == m_form->RTB1->viewport()
                              ? QStringLiteral("RTB1")
                              : QString::fromLatin1(widget->metaObject()->className()));
    }
    takers.removeDuplicates();
    QCOMPARE(takers, QStringList{QStringLiteral("RTB1")});
    QVERIFY(!m_form->acceptDrops());
}

void TestFormMainFilePanel::doubleClickLoadsWithoutAPrompt()
{
    makeForm();
    m_form->RTB1->setText(QStringLiteral("まだ保存していない文"));
    QCOMPARE(m_form->mModified, kTrue);

    doubleClick(m_form->File1, QStringLiteral("a.htm"));

    QVERIFY(m_platform->messages.isEmpty());
    QCOMPARE(m_form->mFilePath, path("start/a.htm"));
    QCOMPARE(m_form->RTB1->Text(), QStringLiteral("<p>A</p>\r\n"));
    QCOMPARE(m_form->Caption(), QStringLiteral("a.htm"));
    QCOMPARE(m_form->mModified, kFalse);
    QCOMPARE(m_form->Dir1->Path(), path("start"));
}

void TestFormMainFilePanel::selectingAFileOpensNothing()
{
    makeForm();
    m_form->RTB1->setText(QStringLiteral("文"));
    QListWidgetItem *second = m_form->File1->item(1);
    QTest::mouseClick(m_form->File1->viewport(), Qt::LeftButton, {},
                      m_form->File1->visualItemRect(second).center());
    QCOMPARE(m_form->File1->FileName(), QStringLiteral("b.html"));
    m_form->File1->setFocus();
    QTest::keyClick(m_form->File1, Qt::Key_Up);
    QTest::keyClick(m_form->File1, Qt::Key_Return);
    QCOMPARE(m_form->File1->FileName(), QStringLiteral("a.htm"));

    QCOMPARE(m_form->RTB1->Text(), QStringLiteral("文"));
    QCOMPARE(m_form->mFilePath, QString());
    QVERIFY(m_platform->messages.isEmpty());
}

void TestFormMainFilePanel::droppedFilesLoadTheFirstOnly_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("text");
    QTest::newRow("three files load only the first")
        << QStringList{"volume/docs/d.htm", "start/a.htm", "start/b.html"} << "<p>D</p>\r\n";
    QTest::newRow("a .txt file loads") << QStringList{"start/c.txt"} << "text\r\n";
    QTest::newRow("a file without an extension loads") << QStringList{"start/README"}
                                                       << "readme\r\n";
}

void TestFormMainFilePanel::droppedFilesLoadTheFirstOnly()
{
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    makeForm();
    m_form->showFolderInPanel(path("other"));
    m_form->RTB1->setText(QStringLiteral("まだ保存していない文"));
    for (QString &file : files)
        file = path(file);

    QVERIFY(dropFiles(m_form->RTB1, files));

    QVERIFY(m_platform->messages.isEmpty());
    QCOMPARE(m_form->mFilePath, files.first());
    QCOMPARE(m_form->RTB1->Text(), text);
    QCOMPARE(m_form->Caption(), fileNameOfPath(files.first()));
    QCOMPARE(m_form->mModified, kFalse);
    // The panel follows the loaded document.
    const QString folder = files.first().left(files.first().lastIndexOf(QLatin1Char('/')));
    QCOMPARE(m_form->Dir1->Path(), folder);
    QCOMPARE(m_form->File1->Path(), folder);
}

QTEST_MAIN(TestFormMainFilePanel)
#include "tst_formmain_filepanel.moc"
