// The source text without a window: what the document holds for a text, how the
// text reads back from it, offsets against positions, and undo steps of user edits.

#include "casetable.h"
#include "core/text/editrecorder.h"
#include "core/text/sourcetext.h"

using namespace Qt::StringLiterals;

class TestSourceText : public QObject
{
    Q_OBJECT

private slots:
    void model_data() { addCaseRows("sourcetext.tsv"); }
    void model();
    void recorder_data() { addCaseRows("editrecorder.tsv"); }
    void recorder();
};

void TestSourceText::model()
{
    QFETCH(QByteArrayList, f);
    const QString text = caseText(f.value(0));
    const EncodedBlocks encoded = SourceText::encode(text);
    if (f.value(1) != "*")
        QCOMPARE(encoded.text, caseText(f.value(1)));
    QString letters;
    for (const LineEnd end : encoded.ends)
        letters += u"clrw"[int(end)];
    QCOMPARE(letters, caseText(f.value(2)));
    // The document's blocks as the widget holds them: a cut never splits a pair.
    const QStringList blocks = encoded.text.split(u'\n');
    std::vector<int> starts {0};
    for (const QString &block : blocks) {
        starts.push_back(starts.back() + int(block.size()) + 1);
        QVERIFY(block.isEmpty() || !block.front().isLowSurrogate());
    }
    SourceText source;
    std::vector<LineEnd> ends = encoded.ends;
    ends.push_back(LineEnd::None);
    source.assign(ends);
    QString raw = blocks.join(QChar(SourceText::blockSeparator));
    const auto originalAt = [&encoded](qsizetype i) {
        for (const auto &[index, original] : encoded.marks)
            if (index == i)
                return original;
        return char16_t(0);
    };
    QCOMPARE(source.decode(raw, 0, originalAt), text);
    QCOMPARE(source.length(int(raw.size())), text.size());
    QCOMPARE(source.linesBefore(source.blockCount() - 1) + 1, qMax(1, f.value(3).toInt()));
    // Every offset comes back from its position; one inside a CR LF goes to the line's end.
    for (int offset = 0; offset <= text.size(); ++offset) {
        const int position = source.position(
            offset, [&](int b) { return starts[b]; }, [&](int b) { return int(blocks[b].size()); });
        const int block
            = int(std::upper_bound(starts.begin(), starts.end(), position) - starts.begin()) - 1;
        QCOMPARE(source.offset(position, block),
                 offset - int(text.mid(offset - 1, 2) == "\r\n"_L1));
    }
}

void TestSourceText::recorder()
{
    QFETCH(QByteArrayList, f);
    const int start = f.value(0).toInt();
    EditRecorder recorder;
    recorder.begin(start, caseText(f.value(1)));
    for (const QByteArray &change : f.value(2).split(';')) {
        const QList<QByteArray> n = change.split(',');
        recorder.change(n.value(0).toInt(), n.value(1).toInt(), n.value(2).toInt());
    }
    QCOMPARE(recorder.reachedOutside(), f.value(4) == "outside");
    const int from = recorder.changedFrom() - start;
    const auto step
        = recorder.finish(caseText(f.value(3)).mid(from, recorder.changedTo() - start - from));
    if (f.value(4) != "outside")
        QCOMPARE(step ? u"%1|%2|%3"_s.arg(step->offset).arg(step->removed, step->inserted) : u"-"_s,
                 caseText(f.value(4)));
}

QTEST_MAIN(TestSourceText)
#include "tst_sourcetext.moc"
