#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/rubycommands.h"
#include "fakeplatform.h"
#include "ui/editorcontrol.h"
#include "ui/filepanel.h"
#include "ui/searchdialog.h"
#include "ui/progresswindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kBefore = QStringLiteral("かなと仮名\r\n").repeated(20000);

// before.html (kBefore) loaded.
struct Fixture
{
    QTemporaryDir folder;
    FakePlatform platform;
    MainWindow form {platform};

    Fixture()
    {
        form.show();
        QFile file(folder.filePath(QStringLiteral("before.html")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kBefore.toUtf8()) > 0);
        file.close();
        form.documentCommands().load(file.fileName());
    }
};

} // namespace

class TestLongWork : public QObject
{
    Q_OBJECT

private slots:
    void cancelledWorkChangesNothing_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("replace all, cancelled") << u"replace"_s << true;
        QTest::newRow("replace all, to the end") << u"replace"_s << false;
        QTest::newRow("load, cancelled") << u"load"_s << true;
        QTest::newRow("load, to the end") << u"load"_s << false;
        QTest::newRow("whole-page ruby, cancelled") << u"ruby"_s << true;
    }

    void cancelledWorkChangesNothing()
    {
        QFETCH(QString, work);
        QFETCH(bool, cancel);
        const bool load = work == u"load"_s;
        // The file holds what Replace all makes of the text.
        const QString after
            = QString(kBefore).replace(QStringLiteral("かな"), QStringLiteral("仮名"));
        QTemporaryDir folder;
        QFile file(folder.filePath("new.html"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(after.toUtf8()) > 0);
        file.close();
        Fixture fixture;
        MainWindow &form = fixture.form;
        // The progress window shows at once; the user presses its cancel button, or not.
        ProgressWindow::showDelayMs = 0;
        bool seen = false;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget())) {
                seen = true;
                if (cancel)
                    dialog->cancel();
            }
        });
        user.start(0);
        if (load) {
            form.documentCommands().load(file.fileName());
        } else if (work == u"ruby"_s) {
            form.rubyCommands().annotatePage();
        } else {
            form.showSearch();
            auto *search = qobject_cast<SearchDialog *>(form.searchDialog());
            search->searchEdit()->setText(QStringLiteral("カナ"));
            search->replaceCheck()->setChecked(true);
            search->replaceEdit()->setText(QStringLiteral("仮名"));
            search->replaceAllMatches();
            QCOMPARE(search->fromTopCheck()->isChecked(), cancel);
        }
        QVERIFY(seen);
        QCOMPARE(form.editor()->text(), cancel ? kBefore : after);
        QCOMPARE(form.caption(), cancel ? "before.html" : load ? "new.html" : "before.html (更新)");
        QCOMPARE(form.documentCommands().session().path(),
                 cancel || !load ? fixture.folder.filePath("before.html") : file.fileName());
        // No error, and the end message only after a whole Replace all.
        QCOMPARE(fixture.platform.messages.size(), !cancel && !load ? 1 : 0);
    }

    void undecodableNameIsReportedByName()
    {
        QTemporaryDir folder;
        const QByteArray raw = QFile::encodeName(folder.path()) + "/b\xff.html";
        ::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0600));
        Fixture fixture;
        QVERIFY(fixture.form.fileList()->setPath(folder.path()));
        fixture.form.fileList()->setCurrentRow(0);
        emit fixture.form.fileList()->fileActivated();
        QCOMPARE(fixture.platform.messages.size(), 1);
        QVERIFY(fixture.platform.messages.first().text.startsWith(u"b\uFFFD.html\n"));
        QCOMPARE(fixture.form.editor()->text(), kBefore);
        ::unlink(raw.constData()); // the temporary folder's clean-up does not see it
    }
};

QTEST_MAIN(TestLongWork)
#include "tst_longwork.moc"
