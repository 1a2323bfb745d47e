#include "casetable.h"
#include "core/module1.h"
#include "ui/editorcontrol.h"
#include "ui/formruby.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestEditorControl : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data() { addCaseRows("editortexts.tsv"); }
    void roundTrip();
    void roundTripOfGeneratedAndLargeTexts();
    void offsetsSelectWhatTextHolds();
    void changeFollowsEveryWriteOfText();
    void dropsTakeLocalFilesOnly();
    // The ruby dialog writes its element into the editor.
    void rubyInsertion_data() { addCaseRows("rubyinsertion.tsv"); }
    void rubyInsertion();
    void rubyCancelChangesNothingAndTheAttributeCarriesOn();
};

void TestEditorControl::roundTrip()
{
    QFETCH(QByteArrayList, f);
    const QString text = caseText(f.value(0));
    EditorControl editor;
    editor.setText(text);
    QCOMPARE(editor.Text(), text);
    QCOMPARE(editor.textLength(), text.size());
    editor.setSelStart(0);
    editor.setSelLength(int(text.size()));
    QCOMPARE(editor.SelText(), text);
}

void TestEditorControl::roundTripOfGeneratedAndLargeTexts()
{
    const QStringList pieces
        = caseText(R"(\r\n \n \r 漢字 abc \t \u00A0 \u2028 \u2029 \uFEFF \u0000 \u240D ｶﾞ)")
              .split(u' ');
    QRandomGenerator random(20261206);
    EditorControl editor;
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = random.bounded(30); i > 0; --i)
            text += pieces.at(random.bounded(int(pieces.size())));
        editor.setText(text);
        QCOMPARE(editor.Text(), text);
        QCOMPARE(editor.textLength(), text.size());
    }
    // Large texts go in by pieces of 2^20 characters: line ends and stand-ins on the seams.
    const int piece = 1 << 20;
    const QString large = QString(piece - 1, u'a') + "\r\n\r\u2029x\n" + QString(piece - 7, u'漢')
        + "\r\u2028\r\n<p>end</p>";
    editor.setText(large);
    QVERIFY(editor.Text() == large);
    editor.setSelStart(piece - 2);
    editor.setSelLength(8);
    QCOMPARE(editor.SelText(), large.mid(piece - 2, 8));
}

void TestEditorControl::offsetsSelectWhatTextHolds()
{
    // A 1-based hit found in Text selects the same characters at SelStart = hit - 1.
    QString text;
    for (int line = 0; line < 500; ++line)
        text += u"行%1 <b>語</b>\r\n"_s.arg(line);
    EditorControl editor;
    editor.setText(text);
    QRandomGenerator random(7);
    const auto inLineEnd = [&text](int at) {
        return at > 0 && at < text.size() && text.at(at) == u'\n' && text.at(at - 1) == u'\r';
    };
    for (int i = 0; i < 300; ++i) {
        int start = random.bounded(int(text.size()));
        start -= inLineEnd(start);
        int end = qMin(start + random.bounded(40), int(text.size()));
        end += inLineEnd(end);
        editor.setSelStart(start);
        editor.setSelLength(end - start);
        QCOMPARE(editor.SelStart(), start);
        QCOMPARE(editor.SelLength(), end - start);
        QCOMPARE(editor.SelText(), text.mid(start, end - start));
    }
    editor.setText(u"ab\r\ncd"_s);
    editor.setSelStart(3); // between CR and LF: the line's end
    QCOMPARE(editor.SelStart(), 2);
    editor.setSelStart(100);
    QCOMPARE(editor.SelStart(), 6);
}

void TestEditorControl::changeFollowsEveryWriteOfText()
{
    EditorControl editor;
    QSignalSpy change(&editor, &EditorControl::Change);
    editor.setText(u"ab\r\ncd"_s);
    editor.setSelStart(1);
    editor.setSelLength(4);
    editor.setSelText(u"<rb>\r\n"_s);
    QCOMPARE(editor.Text(), u"a<rb>\r\nd"_s);
    QCOMPARE(editor.SelStart(), 7); // the caret after the text written
    QCOMPARE(editor.SelLength(), 0);
    editor.setText(u"a\rbc"_s);
    editor.setText(u"a\rbc"_s); // the same text is still a write
    editor.setSelStart(1);
    editor.setSelText(u"x\r\ny"_s);
    QCOMPARE(change.count(), 5);
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Z);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(change.count(), 7);
    // Moving the caret, writing nothing over nothing and colours change no text.
    editor.setSelStart(0);
    editor.setSelText(QString());
    editor.setSelLength(editor.textLength());
    editor.setSelColor(QColor(Qt::red));
    editor.setBackColor(QColor(Qt::yellow));
    QCOMPARE(change.count(), 7);
    QCOMPARE(editor.SelColor(), QColor(Qt::red));
    QCOMPARE(editor.Text(), u"ax\r\ny\rbc"_s); // the stand-in keeps its meaning
}

void TestEditorControl::dropsTakeLocalFilesOnly()
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(u"/tmp/a.htm"_s), QUrl(u"https://example.invalid/b.htm"_s),
                  QUrl::fromLocalFile(u"/tmp/c.txt"_s)});
    QCOMPARE(droppedLocalFiles(&data), QStringList({"/tmp/a.htm", "/tmp/c.txt"}));
    data.setText(u"/tmp/a.htm"_s);
    data.setUrls({});
    QVERIFY(droppedLocalFiles(&data).isEmpty());
}

void TestEditorControl::rubyInsertion()
{
    QFETCH(QByteArrayList, f); // text, start, length, reading, attribute, opening tag
    const QString text = caseText(f[0]), reading = caseText(f[3]), attribute = caseText(f[4]);
    const int start = f[1].toInt(), length = f[2].toInt();
    const QString element = "<ruby><rb>" + text.mid(start, length) + "</rb><rp>(</rp>"
        + caseText(f[5]) + reading + "</rt><rp>)</rp></ruby>";
    Module1 module = Module1::atStartUp();
    module.gRubyReading = reading;
    EditorControl editor;
    editor.setText(text);
    editor.setSelStart(start);
    editor.setSelLength(length);
    FormRuby form(module, editor);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (f[4] != "-") {
        form.CheckAlt->click();
        form.TextAlt->setText(attribute);
    }
    QTest::keyClick(form.TextRuby, Qt::Key_Return);
    QCOMPARE(editor.Text(), text.left(start) + element + text.mid(start + length));
    QCOMPARE(module.gUndoText, text);
    QVERIFY(editor.SelStart() == start && editor.SelText() == element); // the element selected
}

void TestEditorControl::rubyCancelChangesNothingAndTheAttributeCarriesOn()
{
    Module1 module = Module1::atStartUp();
    EditorControl editor;
    editor.setText(u"漢字"_s);
    editor.setSelLength(1);
    for (int how = 0; how < 3; ++how) { // the cancel button, Esc, the close box
        FormRuby form(module, editor);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.CheckAlt->click();
        form.TextAlt->setText(u"edited"_s);
        how == 0       ? QTest::mouseClick(form.ComCancel, Qt::LeftButton)
            : how == 1 ? QTest::keyClick(form.TextRuby, Qt::Key_Escape)
                       : void(form.close());
        QVERIFY(form.result() == QDialog::Rejected && editor.Text() == u"漢字"_s
                && editor.SelLength() == 1 && module.gUndoText.isEmpty());
        QVERIFY(module.gRubyAttribute == u"style=\"font-size:7pt\""_s
                && module.gRubyAttributeOn == 0);
    }
    {
        FormRuby first(module, editor);
        QVERIFY(!first.CheckAlt->isChecked() && !first.TextAlt->isEnabled());
        first.CheckAlt->click();
        first.TextAlt->setText(u"class=\"a\""_s);
        first.ComElie->click();
    }
    FormRuby second(module, editor);
    QVERIFY(second.CheckAlt->isChecked() && second.TextAlt->text() == u"class=\"a\""_s);
    // Ticked off after editing: no attribute, the former text is kept.
    second.TextAlt->setText(u"class=\"b\""_s);
    second.CheckAlt->click();
    second.ComElie->click();
    QCOMPARE(module.gRubyAttribute, u"class=\"a\""_s);
    FormRuby third(module, editor);
    QVERIFY(!third.CheckAlt->isChecked() && !third.TextAlt->isEnabled());
}

QTEST_MAIN(TestEditorControl)
#include "tst_editorcontrol.moc"
