// Printed pages: a header with the name and the page number on each, the HTML
// colours of the lines when they are on.

#include "ui/editorcontrol.h"
#include "ui/htmlhighlighter.h"
#include "ui/printing.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void pages_data();
    void pages();
};

namespace {

// Pixels of a clear colour, as a tag's is; black text and its grey edges have none.
int colouredPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += qMax(qAbs(c.red() - c.green()), qAbs(c.blue() - c.green())) > 60;
        }
    return count;
}

int darkPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 128;
    return count;
}

} // namespace

void TestPrinting::pages_data()
{
    QTest::addColumn<bool>("colours");
    QTest::newRow("HTML colours on: tags in their colour") << true;
    QTest::newRow("HTML colours off: black text") << false;
}

void TestPrinting::pages()
{
    QFETCH(bool, colours);
    EditorControl editor;
    QString text;
    for (int i = 1; i <= 200; ++i)
        text += u"<p class=\"x\">漢字 %1</p>\r\n"_s.arg(i);
    editor.setText(text);
    std::unique_ptr<HtmlHighlighter> highlighter(colours ? new HtmlHighlighter(&editor) : nullptr);
    if (highlighter)
        highlighter->rehighlight();
    QTextDocument document;
    document.setPlainText(QString(text).remove(u'\r'));
    copyLineColours(*editor.document(), document);

    QImage page(600, 800, QImage::Format_RGB32); // a small sheet at 96 dpi
    const QRect paper(20, 20, 560, 760);
    const SourcePages pages(document, u"a.htm"_s, &page, paper);
    QVERIFY(pages.pageCount() > 2);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        pages.paintPage(painter, 1);
    }
    // The header: the name on the left, "2 / N" on the right, over every page.
    const int headerLine = QFontMetrics(document.defaultFont()).height();
    QVERIFY(darkPixels(page, QRect(paper.left(), paper.top(), 60, headerLine)) > 0);
    QVERIFY(darkPixels(page, QRect(paper.right() - 60, paper.top(), 60, headerLine)) > 0);
    QCOMPARE(darkPixels(page, QRect(paper.left() + 120, paper.top(), 300, headerLine - 2)), 0);
    // The page's text under the header.
    const QRect body(paper.left(), paper.top() + 2 * headerLine, paper.width(), paper.height() - 2 * headerLine);
    QVERIFY(darkPixels(page, body) > 0);
    QCOMPARE(colouredPixels(page, body) > 0, colours);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
