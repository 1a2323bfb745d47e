#include "ui/filepanel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Made under its raw name, bytes and all.
QByteArray makeFile(const QTemporaryDir &folder, const QByteArray &rawName)
{
    const QByteArray path = QFile::encodeName(folder.path()) + '/' + rawName;
    ::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600));
    return path;
}

// Volumes as a desktop mounts them, for the places list.
class FixedVolumes : public VolumeSource
{
public:
    QList<Volume> volumes() const override
    {
        return {{QStringLiteral("/"), QStringLiteral("/")},
                {QStringLiteral("/media/u/USB"), QStringLiteral("写真")}};
    }
};

} // namespace

class TestFilePanelWatch : public QObject
{
    Q_OBJECT

private slots:
    void everyNameIsListed_data()
    {
        QTest::addColumn<QByteArray>("rawName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese in UTF-8") << QByteArray("日本語.html") << "日本語.html";
        QTest::newRow("Shift-JIS bytes")
            << QByteArray("\x93\xfa\x96\x7b.html") << "\uFFFD\uFFFD\uFFFD{.html";
    }

    void everyNameIsListed()
    {
        QFETCH(QByteArray, rawName);
        QFETCH(QString, shown);
        QTemporaryDir folder;
        const QByteArray path = makeFile(folder, rawName);
        FileList list;
        QVERIFY(list.setPath(folder.path()));
        list.setCurrentRow(0);
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->text(), shown);
        QCOMPARE(list.fileName(), shown);
        QCOMPARE(list.fileNameUndecodable(), shown.contains(u'\uFFFD'));
        ::unlink(path.constData()); // the temporary folder's clean-up does not see it
    }

    void filesMadeElsewhereShowAtOnce()
    {
        QTemporaryDir folder;
        makeFile(folder, "b.html");
        FileList list;
        QVERIFY(list.setPattern(QStringLiteral("*.htm*")));
        QVERIFY(list.setPath(folder.path()));
        list.setCurrentRow(0);
        makeFile(folder, "a.html");
        makeFile(folder, "c.txt");
        QTRY_COMPARE(list.count(), 2);
        QCOMPARE(list.item(0)->text(), QStringLiteral("a.html"));
        QCOMPARE(list.fileName(), QStringLiteral("b.html")); // the selection stays
        QVERIFY(QFile::remove(folder.filePath("b.html")));
        QTRY_COMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->text(), QStringLiteral("a.html"));
        QCOMPARE(list.fileName(), QString());
    }

    // Places by names a user knows, each following the folder shown; the system's own
    // volumes hold no kernel or memory file systems.
    void placesAreNamedAndFollowTheFolder()
    {
        QVERIFY(isPseudoFileSystem("tmpfs", u"/mnt/x"_s));
        QVERIFY(isPseudoFileSystem("ext4", u"/boot/efi"_s));
        QVERIFY(isPseudoFileSystem("fuse.portal", u"/run/user/1000/doc"_s));
        QVERIFY(!isPseudoFileSystem("ext4", u"/run/media/u/USB"_s));
        QVERIFY(!isPseudoFileSystem("vfat", u"/media/u/CARD"_s));
        DriveList places;
        places.setVolumeSource(std::make_shared<FixedVolumes>());
        QStringList names;
        for (int i = 0; i < places.count(); ++i)
            names << places.itemText(i);
        QCOMPARE(names, QStringList({u"ホーム"_s, u"/"_s, u"写真"_s}));
        places.setDrive(u"/media/u/USB/2024"_s);
        QCOMPARE(places.currentText(), u"写真"_s);
        places.setDrive(QDir::homePath() + u"/docs"_s);
        QCOMPARE(places.currentText(), u"ホーム"_s);
        places.setDrive(u"/media/u/USB2"_s); // a name that only starts like the volume's
        QCOMPARE(places.currentText(), u"/"_s);
        QCOMPARE(places.drive(), u"/"_s);
    }
};

QTEST_MAIN(TestFilePanelWatch)
#include "tst_filepanelwatch.moc"
