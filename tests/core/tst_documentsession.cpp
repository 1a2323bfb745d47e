// The document session without a window: loading and saving set the clean point,
// its history keeps it through trimming, and a file changed by another program is
// seen by its content or its time, unless the user declined that change.

#include "casetable.h"
#include "core/document/documentsession.h"
#include "testfiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

EditStep command(int offset)
{
    return {offset, u"a"_s, u"b"_s, false};
}

// Moves the file's modification time by seconds, as touch does.
void shiftTime(const QString &path, int seconds)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += seconds;
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

} // namespace

class TestDocumentSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loadAndSave();
    void cleanPointThroughHistory_data() { addCaseRows("sessionhistory.tsv"); }
    void cleanPointThroughHistory();
    void outsideChanges_data();
    void outsideChanges();
    void declinedReload();
    void editedSaveKeepsTheFilesCodes();

private:
    void loadFile(DocumentSession &session);

    QTemporaryDir m_dir;
    QString m_path;
};

void TestDocumentSession::init()
{
    m_path = m_dir.filePath(u"a.htm"_s);
    QVERIFY(writeFileBytes(m_path, "<p>漢字</p>\n"));
}

void TestDocumentSession::loadFile(DocumentSession &session)
{
    const Result<LoadedText> loaded = session.read(m_path);
    QVERIFY(loaded);
    session.setLoaded(m_path, loaded->encoding);
}

void TestDocumentSession::loadAndSave()
{
    DocumentSession session;
    QSignalSpy changes(&session, &DocumentSession::modifiedChanged);
    QVERIFY(!session.hasFile());
    QVERIFY(!session.isModified());
    QCOMPARE(session.encoding().name, "UTF-8"_ba);
    loadFile(session);
    QVERIFY(session.hasFile());
    QCOMPARE(session.fileName(), u"a.htm"_s);
    session.record(command(3));
    QVERIFY(session.isModified());
    const QString other = m_dir.filePath(u"b.htm"_s);
    QVERIFY(session.save(other, "<p>b</p>\n", fileIdentity(other)));
    QCOMPARE(readFileBytes(other), "<p>b</p>\n"_ba);
    QCOMPARE(session.path(), other);
    QVERIFY(!session.isModified());
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes.last().first().toBool(), false);
    FileIdentity now;
    QCOMPARE(session.diskChange(&now), DocumentSession::DiskChange::None);
    // A new document keeps the path for Save As, without a file.
    session.startNew();
    QVERIFY(!session.hasFile());
    QCOMPARE(session.path(), other);
}

void TestDocumentSession::cleanPointThroughHistory()
{
    QFETCH(QByteArrayList, f);
    DocumentSession session;
    QSignalSpy changes(&session, &DocumentSession::modifiedChanged);
    int offset = 0;
    // Each step says a change of the modified state once, and nothing else.
    const auto step = [&](const std::function<bool()> &act) {
        const bool before = session.isModified();
        const qsizetype spied = changes.size();
        QVERIFY(act());
        QCOMPARE(changes.size() - spied, qsizetype(before != session.isModified()));
    };
    for (const QByteArray &token : f[0].split(' ')) {
        const qsizetype colon = token.indexOf(':');
        const QByteArray verb = colon < 0 ? token : token.left(colon);
        const QByteArray arg = colon < 0 ? QByteArray() : token.mid(colon + 1);
        if (verb == "load") {
            step([&] { loadFile(session); return true; });
        } else if (verb == "save") {
            step([&] { return bool(session.save(m_path, "saved", fileIdentity(m_path))); });
        } else if (verb == "convert") {
            step([&] { session.convertTo({"Shift_JIS", false}); return true; });
        } else if (verb == "type") {
            step([&] {
                session.record({offset, QString(), QString::fromUtf8(arg), true});
                return true;
            });
            offset += int(arg.size());
        } else {
            for (int i = arg.toInt(); i > 0; --i) {
                if (verb == "cmd")
                    step([&] { session.record(command(offset++)); return true; });
                else
                    step([&] { return verb == "undo" ? session.undo() : session.redo(); });
            }
        }
    }
    QCOMPARE(session.isModified(), f[1] == "1");
}

void TestDocumentSession::outsideChanges_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<int>("seen"); // DocumentSession::DiskChange
    QTest::newRow("untouched") << "none"_ba << int(DocumentSession::DiskChange::None);
    QTest::newRow("content: rewritten longer") << "longer"_ba << int(DocumentSession::DiskChange::Changed);
    QTest::newRow("content: same-size rewrite in place")
        << "samesize"_ba << int(DocumentSession::DiskChange::Changed);
    QTest::newRow("time: touched, same bytes") << "touch"_ba << int(DocumentSession::DiskChange::Changed);
    QTest::newRow("replaced by a rename, same bytes and time")
        << "rename"_ba << int(DocumentSession::DiskChange::Changed);
    QTest::newRow("removed") << "remove"_ba << int(DocumentSession::DiskChange::Removed);
}

// What another program did to the file: a save is asked about it, a reload offered.
void TestDocumentSession::outsideChanges()
{
    QFETCH(QByteArray, change);
    QFETCH(int, seen);
    DocumentSession session;
    loadFile(session);
    const QByteArray bytes = readFileBytes(m_path);
    QTest::qSleep(20); // past the file system's clock tick
    if (change == "longer") {
        QVERIFY(writeFileBytes(m_path, bytes + "more"));
    } else if (change == "samesize") {
        QByteArray other = bytes;
        other[1] = 'b';
        QFile file(m_path); // in place: the same file, written again
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(other), other.size());
    } else if (change == "touch") {
        shiftTime(m_path, 1);
    } else if (change == "rename") {
        const QString copy = m_dir.filePath(u"copy"_s);
        QVERIFY(QFile::copy(m_path, copy));
        struct stat st = {};
        ::stat(QFile::encodeName(m_path).constData(), &st);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times, 0);
        QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(m_path).constData()) == 0);
    } else if (change == "remove") {
        QVERIFY(QFile::remove(m_path));
    }
    FileIdentity now;
    QCOMPARE(int(session.diskChange(&now)), seen);
    QCOMPARE(session.reloadOffered(), seen == int(DocumentSession::DiskChange::Changed));
}

// A declined reload is not offered again for the same change, but is for the next;
// a changed document is never offered one.
void TestDocumentSession::declinedReload()
{
    DocumentSession session;
    loadFile(session);
    shiftTime(m_path, 1);
    FileIdentity now;
    QVERIFY(session.reloadOffered(&now));
    session.declineReload(now);
    QVERIFY(!session.reloadOffered());
    QCOMPARE(session.diskChange(&now), DocumentSession::DiskChange::Changed); // a save still asks
    shiftTime(m_path, 1);
    QVERIFY(session.reloadOffered());
    session.record(command(0));
    QVERIFY(!session.reloadOffered());
    // Reading the file again takes the change as the file's.
    loadFile(session);
    QVERIFY(!session.reloadOffered());
    QCOMPARE(session.diskChange(&now), DocumentSession::DiskChange::None);
}

// Both codes of ≒ stay where they were when another line is edited and saved twice.
void TestDocumentSession::editedSaveKeepsTheFilesCodes()
{
    const QByteArray head = "<meta charset=\"Shift_JIS\">\x87\x90"
                            "a\x81\xE0\r\n"_ba;
    QVERIFY(writeFileBytes(m_path, head + "\x93\x8C\r\n"));
    DocumentSession session;
    loadFile(session);
    QString text = session.read(m_path)->text;
    for (const QString &typed : {u"大"_s, u"大阪"_s}) {
        text = text.first(text.size() - 3) + typed + u"\r\n"_s;
        const Result<QByteArray> bytes = session.encode(text);
        QVERIFY(bytes && session.save(m_path, *bytes, fileIdentity(m_path)));
    }
    QCOMPARE(readFileBytes(m_path), head + "\x91\xE5\x8D\xE3\r\n");
}

QTEST_GUILESS_MAIN(TestDocumentSession)
#include "tst_documentsession.moc"
