// The installed program, as a desktop starts it: a read-only prefix, a file argument.

#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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
    QVERIFY(!QProcess::execute(
        QStringLiteral(RUBELLO_CMAKE),
        {u"--install"_s, QStringLiteral(RUBELLO_BUILD_DIR), u"--prefix"_s, prefix}));
    const QString files
        = u"bin/rubello bin/rubello-reading bin/rubello-ruby share/rubello/index.html "
          "share/applications/%1.desktop share/metainfo/%1.metainfo.xml "
          "share/icons/hicolor/scalable/apps/%1.svg share/icons/hicolor/48x48/apps/%1.png "
          "share/man/man1/rubello.1.gz share/man/man1/rubello-reading.1.gz "
          "share/man/man1/rubello-ruby.1.gz lib/rubello/plugins/rubello-preview.so"_s;
    for (const QString &file : files.arg(QStringLiteral(RUBELLO_APP_ID)).split(u' '))
        QVERIFY2(QFileInfo(prefix + u'/' + file).isFile(), qPrintable(file));
    QVERIFY(!QProcess::execute(u"chmod"_s, {u"-R"_s, u"a-w"_s, prefix}));
    auto writable = qScopeGuard([&] {
        QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, prefix});
    });

    QFile page(root.filePath(u"pages/page.htm"_s));
    QVERIFY(QDir(root.path()).mkdir(u"pages"_s) && page.open(QIODevice::WriteOnly));
    page.write("<html><head><title>t</title></head><body>\xe6\xbc\xa2</body></html>\r\n");
    page.close();

    // The title names the file given on the command line.
    QVERIFY(session.startProgram(prefix + u"/bin/rubello"_s, root.path(), {u"pages/page.htm"_s},
                                 u"page.htm"_s));

    session.key(u"F1"_s);
    QTRY_COMPARE_WITH_TIMEOUT(openedPath(session.opened(), u"index.html"_s),
                              prefix + u"/share/rubello/index.html"_s, 10000);

    // The read-only prefix sends the preview to the private folder, with a base for the page.
    session.key(u"F8"_s);
    QString preview;
    QTRY_VERIFY_WITH_TIMEOUT(!(preview = openedPath(session.opened(), u"/_tmp.html"_s)).isEmpty(),
                             10000);
    QVERIFY2(preview.endsWith(u"/rubello/_tmp.html"_s) && !preview.startsWith(prefix),
             qPrintable(preview));
    QCOMPARE(QFileInfo(preview).permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
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
