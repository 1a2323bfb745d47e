#include "app/mainwindow.h"
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
QStringList runCommand(MainWindow &form, int start, int length,
                       const std::function<void(RubyDialog &)> &act)
{
    QStringList items;
    form.editor()->setSelectionStart(start);
    form.editor()->setSelectionLength(length);
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
    QTemporaryDir m_dir;
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<MainWindow> m_form;
};

void TestReadingChoices::init()
{
    m_platform = std::make_unique<Platform>();
    m_platform->file = m_dir.filePath(QStringLiteral("data/readings.tsv"));
    QFile::remove(m_platform->file);
    m_form = std::make_unique<MainWindow>(*m_platform);
}

void TestReadingChoices::candidatesInTheBox()
{
    QFETCH(QByteArrayList, f); // text with the selection in brackets, the leading items
    QString text = caseText(f[0]);
    const int start = int(text.indexOf(u'[')), length = int(text.indexOf(u']')) - start - 1;
    text.remove(start + length + 1, 1).remove(start, 1);
    const QStringList first = caseText(f[1]).split(u'|');
    m_form->editor()->setText(text);
    bool listOpened = false;
    const QStringList items = runCommand(*m_form, start, length, [&](RubyDialog &dialog) {
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
    m_form->editor()->setText(QStringLiteral("市場が開いた。市場"));
    const QStringList before = runCommand(*m_form, 0, 2, [](RubyDialog &dialog) {
        dialog.readingBox()->setText(QStringLiteral("いちば"));
        dialog.insertButton()->click();
    });
    QFile file(m_platform->file);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The word, and the word in its place.
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("市場\tイチバ\t\tが開いた\n市場\tイチバ\n"));

    const int last = m_form->editor()->textLength() - 2;
    const QStringList after
        = runCommand(*m_form, last, 2, [](RubyDialog &dialog) { dialog.cancelButton()->click(); });
    QCOMPARE(after.value(0), QStringLiteral("いちば"));
    QVERIFY(after.contains(before.value(0))); // the analysed reading stays offered
    QVERIFY(m_platform->messages.isEmpty());
}

void TestReadingChoices::damagedFileIsReportedOnce()
{
    QDir().mkpath(QFileInfo(m_platform->file).absolutePath());
    QFile file(m_platform->file);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("broken line\n\xff\xfe") > 0);
    file.close();
    m_form->editor()->setText(QStringLiteral("漢字"));
    for (int i = 0; i < 2; ++i) {
        const QStringList items = runCommand(*m_form, 0, 2, [](RubyDialog &dialog) {
            dialog.readingBox()->setText(QStringLiteral("かんじ?"));
            dialog.insertButton()->click();
        });
        // The correction is used for the rest of the run, though not saved.
        QCOMPARE(items.value(0), i == 0 ? QStringLiteral("かんじ") : QStringLiteral("かんじ?"));
        m_form->editor()->setText(QStringLiteral("漢字"));
    }
    QCOMPARE(m_platform->messages.size(), 2);
    QCOMPARE(m_platform->messages.last().text,
             QStringLiteral("読みの修正ファイル %1 が壊れているため、修正を保存していません。"
                            "修正はこのウィンドウを閉じるまで使います。")
                 .arg(QDir::toNativeSeparators(m_platform->file)));
    QCOMPARE(m_platform->messages.first().title, QStringLiteral("文字コードが合いません")); // the failure named, no number
    QCOMPARE(m_platform->messages.first().text,
             QStringLiteral("読みの修正ファイル %1 を読めないため、使わずに続けます (UTF-8 ではありません)。")
                 .arg(QDir::toNativeSeparators(m_platform->file)));
}

void TestReadingChoices::menuOpensTheFolder()
{
    m_form->rubyCommands().actions().editReadings->trigger();
    QCOMPARE(m_platform->opened, QStringList {QFileInfo(m_platform->file).absolutePath()});
    QVERIFY(m_form->formatMenu()->actions().contains(m_form->rubyCommands().actions().editReadings));
}

QTEST_MAIN(TestReadingChoices)
#include "tst_readingchoices.moc"
