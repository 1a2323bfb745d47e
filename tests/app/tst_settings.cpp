#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "app/windowsettings.h"
#include "casetable.h"
#include "fakeplatform.h"
#include "testfiles.h"
#include "ui/editorcontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QComboBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// One run of the program against a settings file of the test's own, looked at
// first as start-up looks at it.
struct Run
{
    explicit Run(const QString &settingsPath)
        : state(inspectSettingsFile(settingsPath))
    {
        if (!state.readFrom.isEmpty())
            settings.emplace(state.readFrom, QSettings::IniFormat);
        form.useSettings(settings ? &*settings : nullptr, state);
    }
    SettingsFileState state;
    std::optional<QSettings> settings;
    FakePlatform platform;
    MainWindow form {platform};
};

// What a user sees of the remembered choices.
QStringList choices(const MainWindow &form)
{
    return {form.editor()->font().toString(),
            form.editor()->palette().color(QPalette::Text).name(),
            form.editor()->backgroundColour().name(),
            QString::number(int(form.rubyCommands().kanaForm())),
            QString::number(form.kanaButton(std::min(int(form.rubyCommands().kanaForm()), 3))->isChecked()),
            QString::number(form.longVowelBox()->currentIndex()),
            QString::number(form.omitOkuriganaCheck()->isChecked()),
            QString::number(form.htmlOnlyCheck()->isChecked()),
            form.windowSettings().recentFiles().join(u'|'),
            u"%1x%2"_s.arg(form.width()).arg(form.height()),
            QString::number(int(form.documentCommands().newLineEnd())),
            QString::number(form.editorCommands().htmlColours()),
            QString::number(form.editorCommands().actions().lineNumbers->isChecked()) + u'/'
                + QString::number(form.editor()->lineNumbersShown()),
            QString::number(form.editorCommands().actions().softWrap->isChecked()) + u'/'
                + QString::number(form.editor()->softWrap())};
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void choicesComeBackAtTheNextStart();
    void unreadableSettingsGiveTheFirstStart_data();
    void unreadableSettingsGiveTheFirstStart();
    void settingsFileIsLeftAlone_data() { addCaseRows("settingsfiles.tsv"); }
    void settingsFileIsLeftAlone();
    void recentFilesOfTwoWindowsMerge();
    void perWordComesBack();
    void previewPlaceComesBack();
    void recentFilesInTheFileMenu();
    void editorFont_data();
    void editorFont();

private:
    QTemporaryDir m_dir;
};

void TestSettings::choicesComeBackAtTheNextStart()
{
    const QString path = m_dir.filePath(u"back.conf"_s);
    QStringList chosen;
    {
        Run first(path);
        // The first start: line numbers, and no wrap.
        QCOMPARE(choices(first.form).mid(12), QStringList({u"1/1"_s, u"0/0"_s}));
        first.form.editor()->setFont(QFont(u"Noto Sans CJK JP"_s, 14, QFont::Bold));
        first.form.editorCommands().selectAll();
        first.form.editor()->setTextColour(QColor(u"#204080"_s));
        first.form.editor()->setBackgroundColour(QColor(u"#fff0d0"_s));
        first.form.kanaButton(3)->click();
        first.form.longVowelBox()->setCurrentIndex(1); // romaji with ou uu
        first.form.omitOkuriganaCheck()->click();
        first.form.htmlOnlyCheck()->click();
        first.form.resize(700, 450);
        first.form.documentCommands().actions().newCrLf->trigger();
        first.form.editorCommands().actions().htmlColours->trigger(); // off
        first.form.editorCommands().actions().lineNumbers->trigger(); // off
        first.form.editorCommands().actions().softWrap->trigger(); // on
        chosen = choices(first.form);
        first.form.editorCommands().zoom(3); // a zoom is not a font chosen
        first.form.storeSettings();
    }
    QCOMPARE(choices(Run(path).form), chosen);
}

void TestSettings::editorFont_data()
{
    QTest::addColumn<QByteArray>("content"); // the settings file at the start
    QTest::addColumn<QString>("chosen"); // the family the user chooses, if any
    QTest::addColumn<QString>("shown"); // empty: the system's fixed-width font
    QTest::newRow("first start: the system's fixed-width font, nothing written")
        << QByteArray() << QString() << QString();
    QTest::newRow("a chosen font is kept") << QByteArray() << u"Noto Sans CJK JP"_s << u"Noto Sans CJK JP"_s;
    QTest::newRow("the former Windows default in the file: the system's font")
        << "[editor]\nfont=\"\xef\xbc\xad\xef\xbc\xb3 \xe3\x82\xb4\xe3\x82\xb7\xe3\x83\x83\xe3\x82\xaf,10,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n"_ba
        << QString() << QString();
}

void TestSettings::editorFont()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, chosen);
    QFETCH(QString, shown);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"rubello.conf"_s);
    if (!content.isEmpty())
        QVERIFY(writeFileBytes(path, content));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    {
        Run first(path);
        const QFont font = first.form.editor()->font();
        QCOMPARE(font.family(), fixed.family());
        QVERIFY(font.families().contains(u"Noto Sans CJK JP"_s)); // Japanese from a CJK font
        if (!chosen.isEmpty())
            first.form.editor()->setFont(QFont(chosen, 12));
        first.form.storeSettings();
    }
    QCOMPARE(readFileBytes(path).contains("font="), !chosen.isEmpty());
    QCOMPARE(Run(path).form.editor()->font().family(), shown.isEmpty() ? fixed.family() : shown);
}

void TestSettings::unreadableSettingsGiveTheFirstStart_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("nonsense values")
        << "[editor]\nfont=@Variant(\\0\\0\\0\\x7f)\ntextColor=fuchsia-ish\nbackColor=12\n"
           "[ruby]\nkanaMode=7\nomitOkurigana=maybe\n[panel]\nhtmlOnly=2\n"
           "[window]\ngeometry=xyz\n[General]\nrecentFiles=relative.htm\n"
           "[preview]\nshown=yes\nwidth=-5\n"_ba;
}

void TestSettings::unreadableSettingsGiveTheFirstStart()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(u"bad.conf"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    {
        // Nothing unsound is handed to the window at all.
        FakePlatform platform;
        QWidget window;
        QMenu recent;
        QStatusBar status;
        QSettings settings(path, QSettings::IniFormat);
        const RememberedChoices read
            = WindowSettings(platform, &window, &recent, &status).attach(&settings);
        QVERIFY(!read.kanaForm && !read.omitOkurigana && !read.htmlOnly && !read.textColor);
        QVERIFY(!read.previewShown && !read.previewWidth);
    }
    Run run(path);
    QCOMPARE(choices(run.form), choices(Run(m_dir.filePath(u"none.conf"_s)).form));
    // What is kept at the end can be read at the next start.
    run.form.kanaButton(0)->click();
    run.form.storeSettings();
    QCOMPARE(Run(path).form.rubyCommands().kanaForm(), KanaForm::Katakana);
}

// A file that does not parse, or is read-only, or far too large, is never written
// (not even by root); a damaged one is kept aside and told about once.
void TestSettings::settingsFileIsLeftAlone()
{
    QFETCH(QByteArrayList, f);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"rubello.conf"_s);
    const QByteArray content = caseBytes(f[0]);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    ::chmod(QFile::encodeName(path).constData(), f[1].toUInt(nullptr, 8));
    const auto told = [](const Run &run) {
        return run.platform.messages.size() + !run.form.statusBar()->currentMessage().isEmpty();
    };
    for (const int start : {0, 1}) {
        Run run(path);
        QCOMPARE(told(run), f[2 + start].toInt());
        if (start == 0)
            QCOMPARE(int(run.form.rubyCommands().kanaForm()), f[4].toInt());
        run.form.kanaButton(2)->click();
        run.form.noteRecentFile(dir.filePath(u"a.htm"_s));
        run.form.storeSettings();
    }
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll() == content, f[5] == "1");
    QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner,
             f[1] == "0444" ? QFile::Permissions() : QFile::WriteOwner);
    QFile copy(path + u".damaged"_s);
    QCOMPARE(copy.open(QIODevice::ReadOnly) && copy.readAll() == content, f[6] == "1");
}

// Two windows note files in turn; each closes: the list holds what both opened.
void TestSettings::previewPlaceComesBack()
{
    // The pane itself is not made here: the window's choices go through the file.
    const QString path = m_dir.filePath(u"preview.conf"_s);
    FakePlatform platform;
    QWidget window;
    QMenu recent;
    QStatusBar status;
    {
        QSettings settings(path, QSettings::IniFormat);
        WindowSettings kept(platform, &window, &recent, &status);
        RememberedChoices choices = kept.attach(&settings);
        choices.previewShown = true;
        choices.previewWidth = 321;
        kept.store(choices);
    }
    QSettings settings(path, QSettings::IniFormat);
    const RememberedChoices read = WindowSettings(platform, &window, &recent, &status).attach(&settings);
    QCOMPARE(read.previewShown, std::optional<bool>(true));
    QCOMPARE(read.previewWidth, std::optional<int>(321));
}

void TestSettings::perWordComesBack()
{
    const QString path = m_dir.filePath(u"perword.conf"_s);
    {
        Run run(path);
        run.form.rubyCommands().actions().perWord->setChecked(true);
        run.form.storeSettings();
    }
    Run run(path);
    QVERIFY(run.form.rubyCommands().actions().perWord->isChecked());
    QVERIFY(!run.form.rubyCommands().actions().perKanji->isChecked());
}

void TestSettings::recentFilesOfTwoWindowsMerge()
{
    const QString path = m_dir.filePath(u"shared.conf"_s);
    Run one(path), two(path);
    one.form.noteRecentFile(u"/one.htm"_s);
    two.form.noteRecentFile(u"/two.htm"_s);
    one.form.noteRecentFile(u"/three.htm"_s);
    two.form.storeSettings();
    one.form.storeSettings();
    QCOMPARE(Run(path).form.windowSettings().recentFiles(),
             QStringList({u"/three.htm"_s, u"/two.htm"_s, u"/one.htm"_s}));
}

void TestSettings::recentFilesInTheFileMenu()
{
    const QString path = m_dir.filePath(u"recent.conf"_s);
    QStringList files;
    {
        Run run(path);
        for (int i = 0; i < 12; ++i) {
            files.prepend(m_dir.filePath(u"f%1.htm"_s.arg(i)));
            QVERIFY(QFile(files.first()).open(QIODevice::WriteOnly));
            run.platform.setNextFileName(files.first());
            run.form.documentCommands().open();
        }
    }
    Run run(path);
    QCOMPARE(run.form.windowSettings().recentFiles(), files.mid(0, 10));
    // A file that is gone: removed with a message, the document stays.
    QVERIFY(QFile::remove(files.at(3)));
    run.form.recentMenu()->actions().at(3)->trigger();
    QVERIFY(run.platform.messages.value(0).text.contains(files.at(3)));
    QCOMPARE(run.form.caption(), u"Rubello"_s);
    QCOMPARE(run.form.recentMenu()->actions().size(), 9);
    // One that is there opens through the normal load and moves to the top.
    run.form.recentMenu()->actions().at(5)->trigger();
    QCOMPARE(run.form.caption(), u"f5.htm"_s);
    QCOMPARE(run.form.windowSettings().recentFiles().constFirst(), files.at(6));
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
