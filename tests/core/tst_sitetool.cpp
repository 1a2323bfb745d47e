// A site run from the folder walk to the files written: what the walk takes and
// names, what rubello-ruby writes and refuses, a save that another program's
// write or a signal meets half-way, and the user's corrections it reads.

#include "casetable.h"
#include "testfiles.h"
#include "core/document/safesave.h"
#include "core/document/sitewalk.h"
#include "core/reading/userreadings.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs a set-up script in folder; true when it ends well.
bool shell(const QString &folder, const QByteArray &script, const QProcessEnvironment &env = {})
{
    QProcess sh;
    sh.setWorkingDirectory(folder);
    if (!env.isEmpty())
        sh.setProcessEnvironment(env);
    sh.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sh.start(u"/bin/sh"_qs, {u"-c"_qs, QString::fromUtf8(script)});
    return sh.waitForFinished(120000) && sh.exitStatus() == QProcess::NormalExit
        && sh.exitCode() == 0;
}

// Another program's write, made by the hook at the step a row names: a line
// added, or the same bytes' count rewritten within the same second, which only
// the fraction of the timestamp tells apart.
SaveStep gAppendAt = SaveStep::TempWritten;
bool gSameSize = false;

void appendAtStep(SaveStep step, const QByteArray &target)
{
    if (step != gAppendAt)
        return;
    QFile file(QFile::decodeName(target));
    if (!gSameSize) {
        if (file.open(QIODevice::Append))
            file.write("other\n");
        return;
    }
    struct stat was {};
    if (::stat(target.constData(), &was) != 0 || !file.open(QIODevice::ReadWrite))
        return;
    file.write("<p>OLD</p>\n");
    file.close();
    const timespec times[2] = {was.st_atim,
                               {was.st_mtim.tv_sec, (was.st_mtim.tv_nsec + 1) % 1000000000}};
    ::utimensat(AT_FDCWD, target.constData(), times, 0);
}

} // namespace

class TestSiteTool : public QObject
{
    Q_OBJECT

private slots:
    void walk_data() { addCaseRows("sitewalk.tsv"); }
    void walk();
    void tool_data() { addCaseRows("sitetool.tsv"); }
    void tool();
    void saveLooksAgainBeforeReplacing_data();
    void saveLooksAgainBeforeReplacing();
    void corrections_data() { addCaseRows("usercorrections.tsv"); }
    void corrections();
};

void TestSiteTool::walk()
{
    QFETCH(QByteArrayList, f); // set-up, paths, recursive, skipped, pages, links, failures
    QTemporaryDir dir;
    QVERIFY(shell(dir.path(), f[0]));
    const auto inside = [&](const QByteArray &names) {
        QStringList paths;
        for (const QByteArray &name : names.split(' '))
            if (!name.isEmpty())
                paths.append(dir.filePath(QString::fromUtf8(name)));
        return paths;
    };
    const QString skip = f[3].isEmpty() ? QString() : dir.filePath(QString::fromUtf8(f[3]));
    const SiteWalk walk = walkSite(inside(f[1]), f[2] == "1", skip);
    QStringList pages, links, failures;
    for (const SitePage &page : walk.pages)
        pages.append(page.relative);
    for (const SiteLink &link : walk.links)
        links.append(link.relative + u'>' + link.target);
    for (const SiteFailure &failure : walk.failures)
        failures.append(QDir(dir.path()).relativeFilePath(failure.path));
    QCOMPARE(pages.join(u' '), QString::fromUtf8(f[4]));
    QCOMPARE(links.join(u' '), QString::fromUtf8(f[5]));
    QCOMPARE(failures.join(u' '), QString::fromUtf8(f.value(6)));
    QVERIFY(shell(dir.path(), "rm -rf ./*")); // names QDir cannot remove
}

void TestSiteTool::tool()
{
    QFETCH(QByteArrayList, f); // set-up, command, exit status, message words, check
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"RUBY"_qs, QStringLiteral(RUBELLO_RUBY_PATH));
    env.insert(u"XDG_DATA_HOME"_qs, dir.filePath(u"nodata"_qs));
    env.insert(u"P"_qs, u"<p>東京は日本の首都です。</p>"_qs);
    // Four pages, two names of one of them; a copy to compare with.
    env.insert(u"SITE"_qs,
               u"mkdir site; for n in 1 2 3 4; do printf '<p><ruby><rb>漢字</rb><rp>(</rp>"
               "<rt>かんじ</rt><rp>)</rp></ruby>と東京%04d</p>\\n<p>END</p>\\n' $n >site/p$n.html; "
               "done; ln site/p1.html site/h1.html; cp -a site orig; cp -a site expect"_qs);
    env.insert(u"WHOLE"_qs,
               u"for f in orig/*.html; do n=${f#orig/}; cmp -s $f site/$n || cmp -s expect/$n "
               "site/$n || exit 1; done; cmp -s orig/p4.html site/p4.html && [ -z \"$(find site "
               "-name '.*' ! -name . -o -name '*rubello*')\" ]"_qs);
    if (!shell(dir.path(), "echo '<p>漢字</p>' | $RUBY >/dev/null", env))
        QSKIP("MeCab's IPADIC is not installed");
    QVERIFY(shell(dir.path(), f[0], env));
    QProcess run;
    run.setWorkingDirectory(dir.path());
    run.setProcessEnvironment(env);
    run.start(u"/bin/sh"_qs, {u"-c"_qs, QString::fromUtf8(f[1])});
    QVERIFY(run.waitForFinished(120000));
    const QString said = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(run.exitCode() == f[2].toInt(), qPrintable(said));
    QVERIFY2(said.contains(QString::fromUtf8(f[3])), qPrintable(said));
    QVERIFY2(shell(dir.path(), f[4], env), qPrintable(said));
    QVERIFY(shell(dir.path(), "rm -rf ./*"));
}

void TestSiteTool::saveLooksAgainBeforeReplacing_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("hardLinked");
    QTest::addColumn<bool>("sameSize");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("a new file, written while it was synced")
        << int(SaveStep::TempWritten) << false << false << QByteArray("<p>old</p>\nother\n");
    QTest::newRow("in place, written while the copy was made")
        << int(SaveStep::CopyWritten) << true << false << QByteArray("<p>old</p>\nother\n");
    QTest::newRow("in place, same size rewritten within the second")
        << int(SaveStep::CopyWritten) << true << true << QByteArray("<p>OLD</p>\n");
}

// Another program's write during the save's own is kept, and the save says so.
void TestSiteTool::saveLooksAgainBeforeReplacing()
{
    QFETCH(int, step);
    QFETCH(bool, hardLinked);
    QFETCH(bool, sameSize);
    QFETCH(QByteArray, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.html"_qs);
    QVERIFY(writeFileBytes(path, "<p>old</p>\n"));
    if (hardLinked)
        QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath(u"h.html"_qs))), 0);
    const FileIdentity before = fileIdentity(path);
    gAppendAt = SaveStep(step);
    gSameSize = sameSize;
    setSaveStepHook(appendAtStep);
    const Result<FileIdentity> saved = saveBytesSafely(path, "<p>new</p>\n", &before);
    setSaveStepHook(nullptr);
    QVERIFY(!saved);
    QCOMPARE(saved.error().kind, ErrorKind::ChangedOnDisk);
    QCOMPARE(readFileBytes(path), kept);
    const QStringList left = QDir(dir.path()).entryList(QDir::Hidden | QDir::Files | QDir::System);
    QCOMPARE(left, hardLinked ? QStringList({u"h.html"_qs, u"p.html"_qs}) : QStringList({u"p.html"_qs}));
}

void TestSiteTool::corrections()
{
    // file before, word, reading, result (ok, Damaged, Refused), lookup after, file after
    QFETCH(QByteArrayList, f);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"readings.tsv"_qs);
    if (f[0] != "none")
        QVERIFY(writeFileBytes(path, caseBytes(f[0])));
    UserReadings readings(path);
    const Result<void> remembered = readings.remember(caseText(f[1]), caseText(f[2]));
    QCOMPARE(remembered ? QByteArray("ok")
                        : remembered.error().kind == ErrorKind::Damaged ? QByteArray("Damaged")
                                                                        : QByteArray("Refused"),
             f[3]);
    QCOMPARE(readings.lookup(caseText(f[1])).value_or(QString()), caseText(f[4]));
    QCOMPARE(readFileBytes(path), f[5] == "same" ? caseBytes(f[0]) : caseBytes(f[5]));
    QCOMPARE(UserReadings(path).load().has_value(), f[3] != "Damaged");
}

QTEST_GUILESS_MAIN(TestSiteTool)
#include "tst_sitetool.moc"
