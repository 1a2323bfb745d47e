#include "casetable.h"
#include "core/document/installlayout.h"
#include "core/document/previewfile.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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
    void baseAddress_data() { addCaseRows("previewbase.tsv"); }
    void baseAddress()
    {
        QFETCH(QByteArrayList, f);
        QCOMPARE(withDocumentBase(caseText(f[0]), u"/d/my pages"_s), caseText(f[1]));
    }
    void onlyOwnRegularFilesAreReplaced_data() { addCaseRows("previewtargets.tsv"); }
    void onlyOwnRegularFilesAreReplaced();
    void folderForThePreview_data() { addCaseRows("previewfolder.tsv"); }
    void folderForThePreview();
    void filesGoWhenTheRunEnds();
    void commandLine_data() { addCaseRows("commandline.tsv"); }
    void commandLine()
    {
        QFETCH(QByteArrayList, f);
        const QString line = u"rubello "_s + QString::fromUtf8(f[0]);
        const CommandLine command = parseCommandLine(line.split(u' '), u"/w"_s);
        QCOMPARE(int(command.action), f[1].toInt());
        QCOMPARE(command.files.join(u' '), QString::fromUtf8(f[2]));
        QCOMPARE(command.file, command.files.value(0));
        QCOMPARE(command.preview, f.value(3) == "1");
    }

private:
    QTemporaryDir m_dir;
};

void TestPreviewFile::onlyOwnRegularFilesAreReplaced()
{
    QFETCH(QByteArrayList, f);
    const bool written = f[1] == "1";
    QTemporaryDir dir;
    const QString path = dir.filePath(u"_tmp.html"_s);
    const QString target = dir.filePath(u"secret"_s);
    QFile secret(target);
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
    secret.close();
    if (f[0] == "file" || f[0] == "foreign")
        QVERIFY(QFile::copy(target, path));
    if (f[0] == "foreign" && ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
        QSKIP("another user's file needs root to plant");
    if (f[0] == "link")
        QVERIFY(QFile::link(target, path));
    if (f[0] == "folder")
        QVERIFY(QDir(dir.path()).mkdir(u"_tmp.html"_s));

    PreviewFiles files;
    const Result<void> result = files.write(path, "<p>preview</p>");
    QCOMPARE(result.has_value(), written);
    QCOMPARE(readFileBytes(target), "secret"_ba);
    if (written)
        QCOMPARE(modeOf(path), mode_t(0600));
    else
        QVERIFY(result.error().detail.contains(path));
    // No temporary file is left behind: only the secret and what is at the path.
    const auto entries = QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    QCOMPARE(QDir(dir.path()).entryList(entries).size(), 2);
}

void TestPreviewFile::folderForThePreview()
{
    QFETCH(QByteArrayList, f);
    const int mode = f[0].toInt(nullptr, 8);
    const bool installed = f[1] == "1";
    QTemporaryDir dir;
    const QString program = dir.filePath(u"bin"_s);
    if (installed)
        QVERIFY(QDir(dir.path()).mkpath(u"share/rubello"_s)
                && QFile(dir.filePath(u"share/rubello/index.html"_s)).open(QIODevice::WriteOnly));
    if (mode != 0)
        QVERIFY(QDir(dir.path()).mkdir(u"bin"_s)
                && ::chmod(QFile::encodeName(program).constData(), mode_t(mode)) == 0);
    const QString folder = previewFolder(program);
    if (mode == 0755 && !installed) {
        QCOMPARE(folder, program);
        return;
    }
    QCOMPARE(folder, m_dir.filePath(u"rubello"_s));
    // Made private, closed again when opened up; a link in its place is refused.
    for (int i = 0; i < 2; ++i) {
        QVERIFY(preparePrivateFolder(folder));
        QCOMPARE(modeOf(folder), mode_t(0700));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    }
    QVERIFY(QDir(folder).removeRecursively() && QFile::link(dir.path(), folder));
    QVERIFY(!preparePrivateFolder(folder));
    QVERIFY(QFile::remove(folder));
}

void TestPreviewFile::filesGoWhenTheRunEnds()
{
    QTemporaryDir dir;
    const QString mine = dir.filePath(u"_tmp.html"_s);
    const QString replaced = dir.filePath(u"other.html"_s);
    {
        PreviewFiles files;
        QVERIFY(files.write(mine, "a") && files.write(mine, "b"));
        QVERIFY(files.write(replaced, "c"));
        // Something else took this one's place since: it stays.
        QVERIFY(QFile::copy(mine, replaced + u".new"_s) && QFile::remove(replaced));
        QVERIFY(QFile::rename(replaced + u".new"_s, replaced));
    }
    QVERIFY(!QFile::exists(mine));
    QCOMPARE(readFileBytes(replaced), "b"_ba);
}

QTEST_GUILESS_MAIN(TestPreviewFile)
#include "tst_previewfile.moc"
