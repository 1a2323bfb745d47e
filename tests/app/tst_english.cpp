// Under an English locale the whole interface reads in English: every menu,
// caption and control of the window and its dialogs, the message boxes the
// commands show, the error sentences and the programs' --help. Japanese may be
// left only in the user's text and in example readings.

#include "app/documentcommands.h"
#include "app/editorcommands.h"
#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "core/errortext.h"
#include "core/ruby/rubybatch.h"
#include "core/translation.h"
#include "fakeplatform.h"
#include "ui/aboutdialog.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/rubydialog.h"
#include "ui/rubyreview.h"
#include "ui/searchdialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Kana, kanji, CJK punctuation and full- and half-width forms; the example
// reading of the half-width option is the one Japanese a caption may show.
QString japaneseIn(QString text)
{
    text.remove(u"ｶﾅ"_s);
    static const QRegularExpression japanese(
        u"[\\x{3000}-\\x{30ff}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"_s);
    return japanese.match(text).hasMatch() ? text : QString();
}

void addMenu(QStringList &texts, const QMenu *menu)
{
    texts << menu->title();
    for (const QAction *action : menu->actions()) {
        texts << action->text() << action->toolTip();
        if (action->menu())
            addMenu(texts, action->menu());
    }
}

// Every text a user can read on a window: its title, its controls' captions,
// tooltips, placeholders, list items, column headers and menus.
QStringList textsOf(const QWidget *window)
{
    QStringList texts {window->windowTitle()};
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        texts << w->toolTip();
        if (auto *label = qobject_cast<const QLabel *>(w))
            texts << label->text();
        if (auto *button = qobject_cast<const QAbstractButton *>(w))
            texts << button->text();
        if (auto *box = qobject_cast<const QGroupBox *>(w))
            texts << box->title();
        if (auto *edit = qobject_cast<const QLineEdit *>(w))
            texts << edit->placeholderText();
        if (auto *combo = qobject_cast<const QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto *view = qobject_cast<const QAbstractItemView *>(w); view && view->model())
            for (int c = 0; c < view->model()->columnCount(); ++c)
                texts << view->model()->headerData(c, Qt::Horizontal).toString();
        if (auto *menu = qobject_cast<const QMenu *>(w))
            addMenu(texts, menu);
    }
    return texts;
}

#define VERIFY_ENGLISH(texts)                                                                   \
    for (const QString &text : texts)                                                           \
        QVERIFY2(japaneseIn(text).isEmpty(), qPrintable(u"Japanese left: "_s + text));

} // namespace

class TestEnglish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowAndMenus();
    void dialogs();
    void messageBoxes();
    void errorSentences();
    void programsHelp_data();
    void programsHelp();
    void japaneseLocaleKeepsTheSourceTexts();

private:
    FakePlatform m_platform;
};

void TestEnglish::initTestCase()
{
    QVERIFY2(!interfaceIsJapanese(), "the test runs under LANG=en_US.UTF-8");
    QVERIFY(installInterfaceTranslation(QStringLiteral(RUBELLO_BIN_DIR)));
}

void TestEnglish::mainWindowAndMenus()
{
    MainWindow window(m_platform);
    window.show();
    QStringList texts = textsOf(&window);
    for (const QAction *action : window.menuBar()->actions())
        addMenu(texts, action->menu());
    texts << window.statusBar()->currentMessage();
    QCOMPARE(window.menuBar()->actions().first()->text(), u"&File"_s);
    VERIFY_ENGLISH(texts);
}

void TestEnglish::dialogs()
{
    RubyDialog ruby({u"oku"_s, {u"oku"_s}, true, u"style=\"font-size:7pt\""_s, false});
    VERIFY_ENGLISH(textsOf(&ruby));
    const QString page = u"<p>漢字</p>"_s;
    RubyReviewDialog review(page, {{3, u"漢字"_s, u"カンジ"_s, true, {}}}, KanaForm::Romaji, 0,
                            FirstOnly::Every);
    VERIFY_ENGLISH(textsOf(&review));
    AboutDialog about(m_platform);
    VERIFY_ENGLISH(textsOf(&about));
    MainWindow window(m_platform);
    SearchDialog search(&window, m_platform, window.editor());
    VERIFY_ENGLISH(textsOf(&search));
}

// The boxes the commands show on their common roads.
void TestEnglish::messageBoxes()
{
    MainWindow window(m_platform);
    m_platform.messages.clear();
    window.rubyCommands().annotatePage(); // nothing to annotate
    window.rubyCommands().stripRuby(); // no ruby
    window.editor()->replaceSelection(u"<p title=\"漢字\">本</p>"_s);
    window.editor()->setSelectionStart(10);
    window.editor()->setSelectionLength(2);
    window.rubyCommands().insertRuby(); // inside an attribute value
    m_platform.setNextAnswer(QMessageBox::Cancel);
    window.documentCommands().newDocument(); // the save question
    SearchDialog search(&window, m_platform, window.editor());
    search.findChild<QLineEdit *>()->setText(u"zzz"_s);
    search.find();
    QStringList texts;
    for (const FakePlatform::Message &message : std::as_const(m_platform.messages))
        texts << message.title << message.text;
    QVERIFY2(m_platform.messages.size() >= 4, qPrintable(texts.join(u'\n')));
    VERIFY_ENGLISH(texts);
}

// Every kind's sentence and every document sentence, with facts in ASCII.
void TestEnglish::errorSentences()
{
    for (int kind = 0; kind <= int(ErrorKind::WriteLeftBackup); ++kind) {
        Error error {ErrorKind(kind), u"detail"_s, 2, u"/tmp/page.html"_s};
        error.encodings = {u"Shift_JIS"_s, u"EUC-JP"_s};
        error.character = u"x"_s;
        error.line = 3;
        error.size = 10;
        error.limit = 5;
        VERIFY_ENGLISH(QStringList({errorMessage(error), documentErrorText(error),
                                    errorBoxTitle(2)}));
    }
}

void TestEnglish::programsHelp_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("rubello --help") << u"rubello"_s << QStringList {u"--help"_s};
    QTest::newRow("rubello --bogus") << u"rubello"_s << QStringList {u"--bogus"_s};
    QTest::newRow("rubello-ruby --help") << u"rubello-ruby"_s << QStringList {u"--help"_s};
    QTest::newRow("rubello-ruby, a file not there")
        << u"rubello-ruby"_s << QStringList {u"/nonexistent/page.html"_s};
    QTest::newRow("rubello-ruby, a wrong --kana")
        << u"rubello-ruby"_s << QStringList {u"--kana"_s, u"kunrei"_s};
    QTest::newRow("rubello-reading --help") << u"rubello-reading"_s << QStringList {u"--help"_s};
}

void TestEnglish::programsHelp()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QProcess process;
    process.setProgram(QStringLiteral(RUBELLO_BIN_DIR "/") + program);
    process.setArguments(arguments);
    process.start();
    QVERIFY(process.waitForFinished(60000));
    const QString said = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QVERIFY(!said.isEmpty());
    VERIFY_ENGLISH(said.split(u'\n'));
}

// The translation is only for other locales: Japanese ones read the texts as written.
void TestEnglish::japaneseLocaleKeepsTheSourceTexts()
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LANG"_s, u"ja_JP.UTF-8"_s);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(RUBELLO_BIN_DIR "/rubello-ruby"), {u"--kana"_s, u"kunrei"_s});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(QString::fromUtf8(process.readAllStandardError())
                .contains(u"--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: kunrei"_s));
}

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
