#include "casetable.h"
#include "core/document/previewpage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPreviewPage : public QObject
{
    Q_OBJECT

private slots:
    void marks_data() { addCaseRows("previewmarks.tsv"); }
    void marks()
    {
        QFETCH(QByteArrayList, f);
        QString expected = caseText(f[1]);
        expected.replace(u" A=\""_s, u" "_s + QString(kPreviewOffsetAttribute) + u"=\""_s);
        QCOMPARE(markedForPreview(caseText(f[0])), expected);
    }

    void loads_data() { addCaseRows("previewloads.tsv"); }
    void loads()
    {
        QFETCH(QByteArrayList, f);
        // The folder /doc stands for a real one.
        QString address = caseText(f[0]);
        address.replace(u"/doc"_s, m_root.path() + u"/doc"_s);
        QCOMPARE(previewMayLoad(QUrl(address), m_root.path() + u"/doc"_s, u"rubello-preview"_s,
                                f[1] == "1"),
                 f[2] == "1");
    }

    void clicks_data() { addCaseRows("previewclicks.tsv"); }
    void clicks()
    {
        QFETCH(QByteArrayList, f);
        QCOMPARE(sourceOffsetOfClick(caseText(f[0]), f[1].toInt(), caseText(f[2]), f[3].toInt()),
                 f[4].toInt());
    }

    void edits_data() { addCaseRows("previewedits.tsv"); }
    void edits()
    {
        QFETCH(QByteArrayList, f);
        const std::optional<PreviewTextEdit> edit = previewTextEdit(caseText(f[0]), caseText(f[1]));
        QString got = u"reload"_s;
        if (edit)
            got = QStringList{QString::number(edit->tagOffset), edit->tagName, edit->closing ? u"1"_s : u"0"_s,
                              edit->before, edit->removed, edit->inserted, edit->after,
                              QString::number(edit->from), QString::number(edit->delta)}
                      .join(u' ');
        QCOMPARE(got, caseText(f[2]));
    }

    void blocks_data() { addCaseRows("previewblocks.tsv"); }
    void blocks()
    {
        QFETCH(QByteArrayList, f);
        const std::optional<PreviewBlockEdit> edit = previewBlockEdit(caseText(f[0]), caseText(f[1]));
        QString got = u"reload"_s;
        const auto next = [](const PreviewBlockEdit &e) {
            return e.nextOffset < 0 ? QString() : u"..%1%2"_s.arg(e.nextOffset).arg(e.toBodyEnd ? u" end"_s : QString());
        };
        if (edit)
            got = u"%1%2 %3 %4 %5 %6"_s.arg(edit->tagOffset).arg(next(*edit), edit->tagName).arg(edit->from)
                      .arg(edit->delta).arg(QString(edit->content).replace(QString(kPreviewOffsetAttribute), u"A"_s));
        QCOMPARE(got, caseText(f[2]));
    }

    void linksLeadingOutAreOutside()
    {
        // A link in the folder to a file elsewhere is that file; a name that only
        // begins like the folder is not in it.
        const QString doc = m_root.path() + u"/doc"_s;
        QVERIFY(QFile::link(u"/etc/hostname"_s, doc + u"/escape"_s));
        QVERIFY(!isInsideFolder(doc, doc + u"/escape"_s));
        QVERIFY(isInsideFolder(doc, doc + u"/img/../a.png"_s));
        QVERIFY(isInsideFolder(doc, doc + u"/img"_s));
        QVERIFY(!isInsideFolder(doc, doc + u"2/a.png"_s));
        QVERIFY(!isInsideFolder(QString(), u"/etc/hostname"_s));
        QVERIFY(!isInsideFolder(doc, doc + u"/missing/deeper/a.png"_s));
    }

    void initTestCase()
    {
        QVERIFY(QDir(m_root.path()).mkdir(u"doc"_s));
        QVERIFY(QDir(m_root.path()).mkdir(u"doc2"_s));
        QVERIFY(QDir(m_root.path()).mkdir(u"doc/img"_s));
    }

private:
    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(TestPreviewPage)
#include "tst_previewpage.moc"
