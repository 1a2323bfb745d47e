#include "casetable.h"
#include "ui/editorcontrol.h"
#include "ui/htmlhighlighter.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <memory>

using namespace Qt::StringLiterals;

class TestHtmlHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void coloursOfSource_data() { addCaseRows("htmlcolours.tsv"); }
    void coloursOfSource();
    void coloursOfShownLines_data() { addCaseRows("htmlshown.tsv"); }
    void coloursOfShownLines();
    void coloursFollowTheDocumentShown();
    void readableOnDarkAndLight();
    void colouringIsNoEdit();
};

namespace {

// A letter per character for the colour it has.
QString kindsOf(const QTextBlock &block, const HtmlHighlighter &colours)
{
    static const char16_t letters[] = u".tnvcer";
    QString line(block.length() - 1, u'.');
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        for (int kind = 1; kind < HtmlHighlighter::KindCount; ++kind) {
            if (range.format.foreground().color() != colours.colour(HtmlHighlighter::Kind(kind)))
                continue;
            for (int i = range.start; i < range.start + range.length; ++i)
                line[i] = letters[kind];
        }
    }
    return line;
}

// Lines get their colours as they are painted.
QString kindsOf(QPlainTextEdit &editor, const HtmlHighlighter &colours)
{
    editor.viewport()->repaint();
    QStringList lines;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        lines.append(kindsOf(block, colours));
    return lines.join(u'\n');
}

void showEditor(QPlainTextEdit &editor)
{
    editor.resize(400, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
}

} // namespace

void TestHtmlHighlighter::coloursOfSource()
{
    QFETCH(QByteArrayList, f);
    QPlainTextEdit editor;
    showEditor(editor);
    editor.setPlainText(caseText(f[0]));
    HtmlHighlighter colours(&editor);
    editor.viewport()->repaint();
    if (!f[1].isEmpty()) {
        const QString edit = caseText(f[1]);
        QTextCursor cursor(editor.document());
        cursor.setPosition(edit.section(u':', 0, 0).toInt());
        cursor.insertText(edit.section(u':', 1));
        QCoreApplication::processEvents();
    }
    QCOMPARE(kindsOf(editor, colours), caseText(f[2]));
}

// A long page of which only some lines are painted: steps "show N" (line N in the
// middle of the view, painted), "insert N:text" (at the start of line N, then the
// view painted) and "put N:text" (inserted, not painted: an edit and a jump at
// once, as a replace does); the colours of the line shown last.
void TestHtmlHighlighter::coloursOfShownLines()
{
    QFETCH(QByteArrayList, f);
    QPlainTextEdit editor;
    showEditor(editor);
    editor.setPlainText(u"<html>\n"_s + u"<p class=a>x</p>\n"_s.repeated(2999).chopped(1));
    HtmlHighlighter colours(&editor);
    int furthest = 0;
    for (const QByteArray &step : f[0].split(';')) {
        const QByteArray what = step.trimmed();
        const int line = what.mid(what.indexOf(' ') + 1).split(':').constFirst().toInt();
        QTextCursor cursor(editor.document()->findBlockByNumber(line));
        if (what.startsWith("show ")) {
            furthest = qMax(furthest, line);
            editor.setTextCursor(cursor);
            editor.centerCursor();
        } else {
            cursor.insertText(caseText(what.mid(what.indexOf(':') + 1)));
            if (what.startsWith("put "))
                continue;
        }
        editor.viewport()->repaint();
    }
    QCOMPARE(kindsOf(editor.textCursor().block(), colours), caseText(f[1]));
    // Lines far below all that was shown are not read for their colours.
    if (furthest < 2000)
        QVERIFY(editor.document()->lastBlock().layout()->formats().isEmpty());
}

// A whole-page command's undo and redo show the document each side of it: the lines
// read since are read in the document shown, and colours turned off leave neither.
void TestHtmlHighlighter::coloursFollowTheDocumentShown()
{
    EditorControl editor;
    showEditor(editor);
    const QString page = u"<html>\n"_s + u"<p class=a>x</p>\n"_s.repeated(2999).chopped(1);
    editor.setText(page);
    auto colours = std::make_unique<HtmlHighlighter>(&editor);
    const auto showLine = [&editor](int line) {
        editor.setTextCursor(QTextCursor(editor.document()->findBlockByNumber(line)));
        editor.centerCursor();
        editor.viewport()->repaint();
        return editor.textCursor().block();
    };
    const QString tags = u"tt.nnnnn.vt.tttt"_s;
    QCOMPARE(kindsOf(showLine(1500), *colours), tags);
    QString commented = page;
    commented.insert(page.indexOf(u'\n') + 1, u"<!--"_s);
    editor.rewriteText(commented);
    QCOMPARE(kindsOf(showLine(1500), *colours), u"cccccccccccccccc"_s);
    QVERIFY(editor.undo());
    QCOMPARE(kindsOf(showLine(2500), *colours), tags);
    QVERIFY(editor.redo());
    QCOMPARE(kindsOf(showLine(2600), *colours), u"cccccccccccccccc"_s);
    QVERIFY(editor.undo());
    colours.reset();
    QVERIFY(editor.redo());
    QVERIFY(showLine(1500).layout()->formats().isEmpty());
}

void TestHtmlHighlighter::readableOnDarkAndLight()
{
    QPlainTextEdit editor;
    HtmlHighlighter colours(&editor);
    const std::pair<QColor, QColor> pairs[]
        = {{Qt::black, Qt::white}, {Qt::white, Qt::black}, {QColor(0xe0e0e0), QColor(0, 0, 128)}};
    for (const auto &[text, background] : pairs) {
        QPalette palette = editor.palette();
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Base, background);
        editor.setPalette(palette); // followed as the user's colour changes
        for (int kind = 1; kind < HtmlHighlighter::KindCount; ++kind) {
            const int gap = qAbs(colours.colour(HtmlHighlighter::Kind(kind)).lightness()
                                 - background.lightness());
            QVERIFY2(gap >= 60, qPrintable(u"kind %1 on %2"_s.arg(kind).arg(background.name())));
        }
    }
}

// Colours on, a new background, colours off: the text never changed, so the
// editor reports no edit (each would cost the caption and status bar a round).
void TestHtmlHighlighter::colouringIsNoEdit()
{
    EditorControl editor;
    editor.setText(u"<p class=\"a\">漢字 &amp; <ruby>字<rt>じ</rt></ruby></p>\r\n"_s.repeated(50));
    QSignalSpy edits(&editor, &EditorControl::edited);
    {
        HtmlHighlighter colours(&editor);
        QCoreApplication::processEvents();
        QPalette palette = editor.palette();
        palette.setColor(QPalette::Base, Qt::black);
        editor.setPalette(palette);
        QCoreApplication::processEvents();
    }
    QCOMPARE(edits.count(), 0);
}

QTEST_MAIN(TestHtmlHighlighter)
#include "tst_htmlhighlighter.moc"
