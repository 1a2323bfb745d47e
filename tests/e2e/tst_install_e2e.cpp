// The installed program, as a desktop starts it: a read-only prefix, a file argument.

#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// The opened address of the first request that ends so, as a local path.
QString openedPath(const QStringList &opened, const QString &end)
{
    for (const QString &line : opened) {
        if (line.endsWith(end))
            return line.startsWith("file://"_L1) ? QUrl(line).toLocalFile() : line;
    }
    return QString();
}

} // namespace

class TestInstallEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void installedProgramOpensHelpsAndPreviews();
};

void TestInstallEndToEnd::installedProgramOpensHelpsAndPreviews()
{
    XSession session;
    QString why;
    if (!session.startDisplay(&why))
        QSKIP(qPrintable(why));

    QTemporaryDir root;
    const QString prefix = root.filePath(u"prefix"_s);
    QVERIFY(run(QStringLiteral(RUBELLO_CMAKE),
                {u"--install"_s, QStringLiteral(RUBELLO_BUILD_DIR), u"--prefix"_s, prefix}));
    const QString id = QStringLiteral(RUBELLO_APP_ID);
    for (const QString &file :
         {u"bin/rubello"_s, u"bin/rubello-reading"_s, u"share/rubello/index.html"_s,
          u"share/applications/"_s + id + u".desktop"_s,
          u"share/metainfo/"_s + id + u".metainfo.xml"_s,
          u"share/icons/hicolor/scalable/apps/"_s + id + u".svg"_s,
          u"share/icons/hicolor/48x48/apps/"_s + id + u".png"_s, u"share/man/man1/rubello.1.gz"_s,
          u"share/man/man1/rubello-reading.1.gz"_s})
        QVERIFY2(QFileInfo(prefix + u'/' + file).isFile(), qPrintable(file));
    QVERIFY(run(u"chmod"_s, {u"-R"_s, u"a-w"_s, prefix}));
    auto writable = qScopeGuard([&] { run(u"chmod"_s, {u"-R"_s, u"u+w"_s, prefix}); });

    QVERIFY(QDir(root.path()).mkdir(u"pages"_s));
    const QString page = root.filePath(u"pages/page.htm"_s);
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><head><title>t</title></head><body>\xe6\xbc\xa2</body></html>\r\n");
    file.close();

    // The title names the file given on the command line.
    QVERIFY(session.startProgram(prefix + u"/bin/rubello"_s, root.path(), {u"pages/page.htm"_s},
                                 u"page.htm"_s));

    session.key(u"F1"_s);
    QTRY_COMPARE_WITH_TIMEOUT(openedPath(session.opened(), u"index.html"_s),
                              prefix + u"/share/rubello/index.html"_s, 10000);

    // The read-only prefix sends the preview to the private folder, with a base for the page.
    session.key(u"F8"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!openedPath(session.opened(), u"/_tmp.html"_s).isEmpty(), 10000);
    const QString preview = openedPath(session.opened(), u"/_tmp.html"_s);
    QVERIFY2(preview.endsWith(u"/rubello/_tmp.html"_s) && !preview.startsWith(prefix),
             qPrintable(preview));
    QCOMPARE(modeOf(preview), mode_t(0600));
    QCOMPARE(modeOf(QFileInfo(preview).path()), mode_t(0700));
    QFile shown(preview);
    QVERIFY(shown.open(QIODevice::ReadOnly));
    QVERIFY(shown.readAll().startsWith("<html><head><base href=\""
                                       + QUrl::fromLocalFile(root.filePath(u"pages/"_s)).toEncoded()
                                       + "\"><title>"));

    // 終了 from the file menu: the preview goes with the program.
    session.key(u"alt+f x"_s);
    QVERIFY(session.waitForProgramEnd(10000));
    QVERIFY(!QFile::exists(preview));
}

QTEST_GUILESS_MAIN(TestInstallEndToEnd)
#include "tst_install_e2e.moc"
