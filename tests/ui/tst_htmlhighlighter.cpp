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

using namespace Qt::StringLiterals;

class TestHtmlHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void coloursOfSource_data() { addCaseRows("htmlcolours.tsv"); }
    void coloursOfSource();
    void readableOnDarkAndLight();
    void colouringIsNoEdit();
};

namespace {

// A letter per character for the colour it has.
QString kindsOf(const QTextDocument &document, const HtmlHighlighter &colours)
{
    static const char16_t letters[] = u".tnvcer";
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line(block.length() - 1, u'.');
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            for (int kind = 1; kind < HtmlHighlighter::KindCount; ++kind) {
                if (range.format.foreground().color() != colours.colour(HtmlHighlighter::Kind(kind)))
                    continue;
                for (int i = range.start; i < range.start + range.length; ++i)
                    line[i] = letters[kind];
            }
        }
        lines.append(line);
    }
    return lines.join(u'\n');
}

} // namespace

void TestHtmlHighlighter::coloursOfSource()
{
    QFETCH(QByteArrayList, f);
    QPlainTextEdit editor;
    editor.setPlainText(caseText(f[0]));
    HtmlHighlighter colours(&editor);
    if (!f[1].isEmpty()) {
        const QString edit = caseText(f[1]);
        QTextCursor cursor(editor.document());
        cursor.setPosition(edit.section(u':', 0, 0).toInt());
        cursor.insertText(edit.section(u':', 1));
        QCoreApplication::processEvents();
    }
    QCOMPARE(kindsOf(*editor.document(), colours), caseText(f[2]));
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
