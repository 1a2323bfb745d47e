#include "app/formmain.h"
#include "app/rubycommands.h"
#include "casetable.h"
#include "core/reading/mecabphoneticservice.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/rubydialog.h"

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

// The ruby command on [start, start + length); act works the dialog and closes it. Returns
// the items the dialog offered, proposed first; none when it did not open.
QStringList runCommand(FormMain &form, int start, int length,
                       const std::function<void(RubyDialog &)> &act)
{
    QStringList items;
    form.RTB1->setSelStart(start);
    form.RTB1->setSelLength(length);
    QTimer::singleShot(0, &form, [&] {
        if (auto *dialog = qobject_cast<RubyDialog *>(QApplication::activeModalWidget())) {
            items.append(dialog->readingBox()->text());
            for (int i = 0; i < dialog->readingBox()->count(); ++i)
                items.append(dialog->readingBox()->itemText(i));
            items.removeDuplicates();
            act(*dialog);
        }
    });
    form.rubyCommands().insertRuby();
    QCoreApplication::processEvents();
    return items;
}

} // namespace

class TestReadingChoices : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void candidatesInTheBox_data() { addCaseRows("rubychoices.tsv"); }
    void candidatesInTheBox();
    void correctionSticks();
    void damagedFileIsReportedOnce();
    void menuOpensTheFolder();

private:
    QTemporaryDir mDir;
    std::unique_ptr<Platform> mPlatform;
    std::unique_ptr<FormMain> mForm;
};

void TestReadingChoices::init()
{
    mPlatform = std::make_unique<Platform>();
    mPlatform->file = mDir.filePath(QStringLiteral("data/readings.tsv"));
    QFile::remove(mPlatform->file);
    mForm = std::make_unique<FormMain>(*mPlatform);
}

void TestReadingChoices::candidatesInTheBox()
{
    QFETCH(QByteArrayList, f); // text with the selection in brackets, the leading items
    QString text = caseText(f[0]);
    const int start = int(text.indexOf(u'[')), length = int(text.indexOf(u']')) - start - 1;
    text.remove(start + length + 1, 1).remove(start, 1);
    const QStringList first = caseText(f[1]).split(u'|');
    mForm->RTB1->setText(text);
    bool listOpened = false;
    const QStringList items = runCommand(*mForm, start, length, [&](RubyDialog &dialog) {
        QTest::keyClick(dialog.readingBox(), Qt::Key_Down, Qt::AltModifier);
        listOpened = dialog.readingBox()->view()->isVisible();
        dialog.readingBox()->hidePopup();
        dialog.cancelButton()->click();
    });
    QVERIFY(listOpened);
    QCOMPARE(items.mid(0, first.size()), first);
    QVERIFY(items.size() <= 7);
}

void TestReadingChoices::correctionSticks()
{
    mForm->RTB1->setText(QStringLiteral("市場が開いた。市場"));
    const QStringList before = runCommand(*mForm, 0, 2, [](RubyDialog &dialog) {
        dialog.readingBox()->setText(QStringLiteral("いちば"));
        dialog.insertButton()->click();
    });
    QFile file(mPlatform->file);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The word, and the word in its place.
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("市場\tイチバ\t\tが開いた\n市場\tイチバ\n"));

    const int last = mForm->RTB1->textLength() - 2;
    const QStringList after
        = runCommand(*mForm, last, 2, [](RubyDialog &dialog) { dialog.cancelButton()->click(); });
    QCOMPARE(after.value(0), QStringLiteral("いちば"));
    QVERIFY(after.contains(before.value(0))); // the analysed reading stays offered
    QVERIFY(mPlatform->messages.isEmpty());
}

void TestReadingChoices::damagedFileIsReportedOnce()
{
    QDir().mkpath(QFileInfo(mPlatform->file).absolutePath());
    QFile file(mPlatform->file);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("broken line\n\xff\xfe") > 0);
    file.close();
    mForm->RTB1->setText(QStringLiteral("漢字"));
    for (int i = 0; i < 2; ++i) {
        const QStringList items = runCommand(*mForm, 0, 2, [](RubyDialog &dialog) {
            dialog.readingBox()->setText(QStringLiteral("かんじ?"));
            dialog.insertButton()->click();
        });
        QCOMPARE(items.value(0), QStringLiteral("かんじ"));
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
