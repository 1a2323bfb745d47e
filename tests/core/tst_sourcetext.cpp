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
    for (qsizetype at = encoded.text.indexOf(u'\n'); at >= 0; at = encoded.text.indexOf(u'\n', at + 1))
        QVERIFY(!encoded.text.at(at + 1).isLowSurrogate());
    // A document of the blocks, as the widget holds it.
    std::vector<LineEnd> ends = encoded.ends;
    ends.push_back(LineEnd::None);
    SourceText source;
    source.assign(ends);
    QString raw = encoded.text;
    raw.replace(u'\n', QChar(SourceText::blockSeparator));
    const auto originalAt = [&encoded](qsizetype i) {
        for (const auto &[index, original] : encoded.marks)
            if (index == i)
                return original;
        return char16_t(0);
    };
    QCOMPARE(source.decode(raw, 0, originalAt), text);
    QCOMPARE(source.length(int(raw.size())), text.size());
    QCOMPARE(source.linesBefore(source.blockCount() - 1) + 1, qMax(1, f.value(3).toInt()));
    std::vector<int> starts {0};
    for (qsizetype at = raw.indexOf(QChar(SourceText::blockSeparator)); at >= 0;
         at = raw.indexOf(QChar(SourceText::blockSeparator), at + 1))
        starts.push_back(int(at) + 1);
    const auto blockOf = [&starts](int position) {
        return int(std::upper_bound(starts.begin(), starts.end(), position) - starts.begin()) - 1;
    };
    const auto blockLength = [&](int block) {
        return (block + 1 < int(starts.size()) ? starts[block + 1] - 1 : int(raw.size()))
            - starts[block];
    };
    // Every offset comes back from its position; one inside a CR LF goes to the line's end.
    for (int offset = 0; offset <= text.size(); ++offset) {
        const int position
            = source.position(offset, [&](int b) { return starts[b]; }, blockLength);
        const bool insideCrLf = offset > 0 && text.mid(offset - 1, 2) == "\r\n"_L1;
        QCOMPARE(source.offset(position, blockOf(position)), offset - int(insideCrLf));
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
    const QString after = caseText(f.value(3));
    if (f.value(4) == "outside") {
        QVERIFY(recorder.reachedOutside());
        return;
    }
    QVERIFY(!recorder.reachedOutside());
    const auto step = recorder.finish(after.mid(recorder.changedFrom() - start,
                                                recorder.changedTo() - recorder.changedFrom()));
    QCOMPARE(step ? u"%1|%2|%3"_s.arg(step->offset).arg(step->removed, step->inserted) : u"-"_s,
             caseText(f.value(4)));
    QVERIFY(!recorder.active());
}

QTEST_MAIN(TestSourceText)
#include "tst_sourcetext.moc"
