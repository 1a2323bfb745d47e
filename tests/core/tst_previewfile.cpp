#include "core/installlayout.h"
#include "core/previewfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

class TestPreviewFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); }
    void baseAddress_data();
    void baseAddress();
    void onlyOwnRegularFilesAreReplaced_data();
    void onlyOwnRegularFilesAreReplaced();
    void folderForThePreview_data();
    void folderForThePreview();
    void filesGoWhenTheRunEnds();
    void commandLine_data();
    void commandLine();

private:
    QTemporaryDir m_dir;
};

void TestPreviewFile::baseAddress_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("copy");
    const QString base = u"<base href=\"file:///d/my%20pages/\">"_s;
    QTest::newRow("after <head>") << u"<html><head><title>t</title>"_s
                                  << u"<html><head>"_s + base + u"<title>t</title>"_s;
    QTest::newRow("after <HEAD lang=ja>")
        << u"<HEAD lang=ja>x"_s << u"<HEAD lang=ja>"_s + base + u"x"_s;
    QTest::newRow("no head: at the start")
        << u"<header>x</header>"_s << base + u"<header>x</header>"_s;
    QTest::newRow("no head: after the byte order mark")
        << u"\uFEFFx"_s << u"\uFEFF"_s + base + u"x"_s;
    QTest::newRow("own <base> kept")
        << u"<head><BASE href=\"x/\">"_s << u"<head><BASE href=\"x/\">"_s;
}

void TestPreviewFile::baseAddress()
{
    QFETCH(QString, page);
    QFETCH(QString, copy);
    QCOMPARE(withDocumentBase(page, u"/d/my pages"_s), copy);
}

void TestPreviewFile::onlyOwnRegularFilesAreReplaced_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<bool>("written");
    QTest::newRow("nothing there") << "" << true;
    QTest::newRow("own regular file") << "file" << true;
    QTest::newRow("link to a private file") << "link" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("another user's file") << "foreign" << false;
}

void TestPreviewFile::onlyOwnRegularFilesAreReplaced()
{
    QFETCH(QString, planted);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"_tmp.html"_s);
    const QString target = dir.filePath(u"secret"_s);
    QFile secret(target);
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
    secret.close();
    if (planted == "file"_L1 || planted == "foreign"_L1)
        QVERIFY(QFile::copy(target, path));
    if (planted == "foreign"_L1 && ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
        QSKIP("another user's file needs root to plant");
    if (planted == "link"_L1)
        QVERIFY(QFile::link(target, path));
    if (planted == "folder"_L1)
        QVERIFY(QDir(dir.path()).mkdir(u"_tmp.html"_s));

    PreviewFiles files;
    const ErrorReport error = files.write(path, "<p>preview</p>");
    QCOMPARE(error.isError(), !written);
    QCOMPARE(readAll(target), "secret"_ba);
    if (written) {
        QCOMPARE(readAll(path), "<p>preview</p>"_ba);
        QCOMPARE(modeOf(path), mode_t(0600));
    } else {
        QVERIFY(error.description.contains(path));
    }
    // No temporary file is left behind: only the secret and what is at the path.
    const auto entries = QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    QCOMPARE(QDir(dir.path()).entryList(entries).size(), 2);
}

void TestPreviewFile::folderForThePreview_data()
{
    QTest::addColumn<int>("mode"); // of the program's folder; 0: missing
    QTest::addColumn<bool>("installed"); // a help page in ../share/rubello
    QTest::addColumn<bool>("programFolder");
    QTest::newRow("own folder, closed to others") << 0755 << false << true;
    QTest::newRow("own folder of an installation") << 0755 << true << false;
    QTest::newRow("read-only folder") << 0555 << false << false;
    QTest::newRow("folder others can write") << 0777 << false << false;
    QTest::newRow("sticky shared folder") << 01777 << false << false;
    QTest::newRow("missing folder") << 0 << false << false;
}

void TestPreviewFile::folderForThePreview()
{
    QFETCH(int, mode);
    QFETCH(bool, installed);
    QFETCH(bool, programFolder);
    QTemporaryDir dir;
    const QString program = dir.filePath(u"bin"_s);
    if (installed) {
        QVERIFY(QDir(dir.path()).mkpath(u"share/rubello"_s));
        QFile page(dir.filePath(u"share/rubello/index.html"_s));
        QVERIFY(page.open(QIODevice::WriteOnly));
    }
    if (mode != 0) {
        QVERIFY(QDir(dir.path()).mkdir(u"bin"_s));
        QCOMPARE(::chmod(QFile::encodeName(program).constData(), mode_t(mode)), 0);
    }
    const QString folder = previewFolder(program);
    const QString privateFolder = m_dir.filePath(u"rubello"_s);
    QCOMPARE(folder, programFolder ? program : privateFolder);
    if (!programFolder) {
        QVERIFY(!preparePrivateFolder(folder).isError());
        QCOMPARE(modeOf(folder), mode_t(0700));
        // A folder of ours opened up is closed again; a link in its place is refused.
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        QVERIFY(!preparePrivateFolder(folder).isError());
        QCOMPARE(modeOf(folder), mode_t(0700));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(dir.path(), folder));
        QVERIFY(preparePrivateFolder(folder).isError());
        QVERIFY(QFile::remove(folder));
    }
    ::chmod(QFile::encodeName(program).constData(), 0755);
}

void TestPreviewFile::filesGoWhenTheRunEnds()
{
    QTemporaryDir dir;
    const QString mine = dir.filePath(u"_tmp.html"_s);
    const QString replaced = dir.filePath(u"other.html"_s);
    {
        PreviewFiles files;
        QVERIFY(!files.write(mine, "a").isError());
        QVERIFY(!files.write(mine, "b").isError());
        QVERIFY(!files.write(replaced, "c").isError());
        // Something else took this one's place since: it stays.
        QVERIFY(QFile::copy(mine, replaced + u".new"_s));
        QVERIFY(QFile::remove(replaced));
        QVERIFY(QFile::rename(replaced + u".new"_s, replaced));
    }
    QVERIFY(!QFile::exists(mine));
    QCOMPARE(readAll(replaced), "b"_ba);
}

void TestPreviewFile::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::newRow("first of two files, relative")
        << QStringList {u"a.htm"_s, u"b.htm"_s} << int(CommandLine::Run) << u"/w/a.htm"_s;
    QTest::newRow("file address from the desktop")
        << QStringList {u"file:///d/%E6%BC%A2.htm"_s} << int(CommandLine::Run) << u"/d/漢.htm"_s;
    QTest::newRow("a file named like an option, after --")
        << QStringList {u"--"_s, u"-x.htm"_s} << int(CommandLine::Run) << u"/w/-x.htm"_s;
    QTest::newRow("--version after an unknown option")
        << QStringList {u"-style"_s, u"--version"_s} << int(CommandLine::ShowVersion) << QString();
    QTest::newRow("unknown option")
        << QStringList {u"--bogus"_s} << int(CommandLine::Refuse) << QString();
}

void TestPreviewFile::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    const CommandLine command = parseCommandLine(QStringList {u"rubello"_s} + arguments, u"/w"_s);
    QCOMPARE(int(command.action), action);
    QCOMPARE(command.file, file);
}

QTEST_GUILESS_MAIN(TestPreviewFile)
#include "tst_previewfile.moc"
