#include "app/formmain.h"
#include "core/mecabphoneticservice.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/formruby.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Real readings, the user's corrections in a temporary folder.
class Platform : public FakePlatform
{
public:
    PhoneticService &phoneticService() override { return mecab; }
    QString userReadingsFile() const override { return file; }
    MecabPhoneticService mecab;
    QString file;
};

struct Shown
{
    bool opened = false;
    QStringList items; // proposed first
};

// The ruby command on [start, start + length); act works the dialog and closes it.
Shown runCommand(FormMain &form, int start, int length, const std::function<void(FormRuby &)> &act)
{
    Shown shown;
    form.RTB1->setSelStart(start);
    form.RTB1->setSelLength(length);
    QTimer::singleShot(0, &form, [&] {
        auto *dialog = qobject_cast<FormRuby *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown.opened = true;
        shown.items.append(dialog->TextRuby->text());
        for (int i = 0; i < dialog->TextRuby->count(); ++i) {
            if (!shown.items.contains(dialog->TextRuby->itemText(i)))
                shown.items.append(dialog->TextRuby->itemText(i));
        }
        act(*dialog);
    });
    form.MERuby_Click();
    QCoreApplication::processEvents();
    return shown;
}

} // namespace

class TestReadingChoices : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void candidatesInTheBox_data();
    void candidatesInTheBox();
    void correctionSticks();
    void damagedFileIsReportedOnce();
    void menuOpensTheFolder();

private:
    QTemporaryDir mDir;
    Module1 mModule = Module1::atStartUp();
    std::unique_ptr<Platform> mPlatform;
    std::unique_ptr<FormMain> mForm;
};

void TestReadingChoices::init()
{
    mPlatform = std::make_unique<Platform>();
    mPlatform->file = mDir.filePath(QStringLiteral("data/readings.tsv"));
    QFile::remove(mPlatform->file);
    mForm = std::make_unique<FormMain>(mModule, *mPlatform);
}

void TestReadingChoices::candidatesInTheBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QStringList>("first"); // the leading items
    QTest::newRow("十分 read as minutes in its sentence")
        << "<p>十分後に出発する。</p>" << 3 << 2 << QStringList {"じゅっぷん", "じゅうぶん"};
    QTest::newRow("一日 as a date") << "四月一日に入学した。" << 2 << 2 << QStringList {"ついたち"};
    QTest::newRow("okurigana left out of every item")
        << "手紙を送ります。" << 3 << 2 << QStringList {"おく"};
}

void TestReadingChoices::candidatesInTheBox()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QStringList, first);
    mForm->RTB1->setText(text);
    bool listOpened = false;
    const Shown shown = runCommand(*mForm, start, length, [&](FormRuby &dialog) {
        QTest::keyClick(dialog.TextRuby, Qt::Key_Down, Qt::AltModifier);
        listOpened = dialog.TextRuby->view()->isVisible();
        dialog.TextRuby->hidePopup();
        dialog.ComCancel->click();
    });
    QVERIFY(shown.opened);
    QVERIFY(listOpened);
    QCOMPARE(shown.items.mid(0, first.size()), first);
    QVERIFY(shown.items.size() <= 7);
}

void TestReadingChoices::correctionSticks()
{
    mForm->RTB1->setText(QStringLiteral("市場で魚を買う。市場"));
    const Shown before = runCommand(*mForm, 0, 2, [](FormRuby &dialog) {
        dialog.TextRuby->setText(QStringLiteral("いちば"));
        dialog.ComElie->click();
    });
    QFile file(mPlatform->file);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("市場\tイチバ\n"));

    const int last = mForm->RTB1->textLength() - 2;
    const Shown after
        = runCommand(*mForm, last, 2, [](FormRuby &dialog) { dialog.ComCancel->click(); });
    QCOMPARE(after.items.value(0), QStringLiteral("いちば"));
    QVERIFY(after.items.contains(before.items.value(0))); // the analysed reading stays offered
    QVERIFY(mPlatform->messages.isEmpty());
}

void TestReadingChoices::damagedFileIsReportedOnce()
{
    QDir().mkpath(QFileInfo(mPlatform->file).absolutePath());
    QFile file(mPlatform->file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("broken line\n\xff\xfe");
    file.close();
    mForm->RTB1->setText(QStringLiteral("漢字"));
    for (int i = 0; i < 2; ++i) {
        const Shown shown = runCommand(*mForm, 0, 2, [](FormRuby &dialog) {
            dialog.TextRuby->setText(QStringLiteral("かんじ?"));
            dialog.ComElie->click();
        });
        QVERIFY(shown.opened);
        QCOMPARE(shown.items.value(0), QStringLiteral("かんじ"));
        mForm->RTB1->setText(QStringLiteral("漢字"));
    }
    QCOMPARE(mPlatform->messages.size(), 1);
    QVERIFY(mPlatform->messages.first().text.contains(QStringLiteral("readings.tsv")));
}

void TestReadingChoices::menuOpensTheFolder()
{
    mForm->MOReadings->trigger();
    QCOMPARE(mPlatform->opened, QStringList {QFileInfo(mPlatform->file).absolutePath()});
    QVERIFY(mForm->MOption->actions().contains(mForm->MOReadings));
}

QTEST_MAIN(TestReadingChoices)
#include "tst_readingchoices.moc"
