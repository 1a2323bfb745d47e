#include "casetable.h"
#include "core/desktop/browserchoice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBrowserChoice : public QObject
{
    Q_OBJECT

private slots:
    void browserForAPage_data() { addCaseRows("browserchoice.tsv"); }
    void browserForAPage();
};

namespace {

void writeFile(const QString &path, const QString &text, bool program = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    if (program)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

void TestBrowserChoice::browserForAPage()
{
    QFETCH(QByteArrayList, f);
    QTemporaryDir dir;
    const QString bin = dir.filePath(u"bin"_s);
    const auto filled = [&bin](QString text) { return text.replace(u"{bin}"_s, bin); };

    DesktopEnvironment env;
    env.configHome = dir.filePath(u"config"_s);
    env.dataHome = dir.filePath(u"data"_s);
    env.path = {bin};
    env.browserVariable = caseText(f[2]);
    env.selfProgram = bin + u"/self-editor"_s;
    writeFile(env.configHome + u"/mimeapps.list"_s, caseText(f[0]));
    for (QString entry : caseText(f[1]).split(u'|', Qt::SkipEmptyParts)) {
        const bool hidden = entry.startsWith(u'!');
        const qsizetype eq = entry.indexOf(u'=');
        writeFile(env.dataHome + u"/applications/"_s + entry.mid(hidden, eq - hidden),
                  u"[Desktop Entry]\nType=Application\nName=x\nExec="_s + filled(entry.mid(eq + 1))
                      + (hidden ? u"\nHidden=true\n"_s : u"\n"_s));
    }
    QDir().mkpath(bin);
    for (const QString &program : caseText(f[3]).split(u' ', Qt::SkipEmptyParts)) {
        const QStringList link = program.split(u'>');
        if (link.size() == 2)
            QVERIFY(QFile::link(bin + u'/' + link[1], bin + u'/' + link[0]));
        else
            writeFile(bin + u'/' + program, u"#!/bin/sh\n"_s, true);
    }

    const QString page = u"/tmp/my pages/漢字.html"_s;
    const BrowserCommand command = browserCommandFor(page, env);
    QString expected = filled(caseText(f[4]));
    expected.replace(u"{url}"_s, u"file:///tmp/my%20pages/%E6%BC%A2%E5%AD%97.html"_s);
    expected.replace(u"{file}"_s, page);
    const QString got = command.isValid()
        ? QStringList(QStringList{command.program} + command.arguments).join(u'|')
        : u"-"_s;
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestBrowserChoice)
#include "tst_browserchoice.moc"
