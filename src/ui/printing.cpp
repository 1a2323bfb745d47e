#include "ui/printing.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

void copyLineColours(const QTextDocument &from, QTextDocument &to)
{
    for (QTextBlock source = from.firstBlock(), target = to.firstBlock(); source.isValid() && target.isValid();
         source = source.next(), target = target.next())
        target.layout()->setFormats(source.layout()->formats());
}

SourcePages::SourcePages(const QTextDocument &text, const QString &name, QPaintDevice *device,
                         const QRectF &paper)
    : m_document(text.clone())
    , m_name(name)
    , m_paper(paper)
    , m_headerFont(text.defaultFont())
{
    copyLineColours(text, *m_document);
    m_document->setDefaultFont(text.defaultFont());
    m_document->documentLayout()->setPaintDevice(device);
    // A line of header and a blank line's room under it.
    m_headerHeight = QFontMetricsF(m_headerFont, device).height() * 2;
    m_bodyHeight = qMax<qreal>(1, paper.height() - m_headerHeight);
    m_document->setPageSize(QSizeF(paper.width(), m_bodyHeight));
}

SourcePages::~SourcePages() = default;

int SourcePages::pageCount() const
{
    return m_document->pageCount();
}

void SourcePages::paintPage(QPainter &painter, int page) const
{
    painter.save();
    painter.translate(m_paper.topLeft());
    painter.setFont(m_headerFont);
    painter.setPen(Qt::black);
    const QRectF line(0, 0, m_paper.width(), m_headerHeight / 2);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, m_name);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 / %2").arg(page + 1).arg(pageCount()));
    painter.drawLine(QPointF(0, line.bottom()), QPointF(m_paper.width(), line.bottom()));

    const QRectF body(0, page * m_bodyHeight, m_paper.width(), m_bodyHeight);
    painter.translate(0, m_headerHeight - body.top());
    painter.setClipRect(body);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = body;
    // Paper is white whatever the screen's theme.
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);
    painter.restore();
}

void SourcePages::print(QPagedPaintDevice *device) const
{
    QPainter painter(device);
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0)
            device->newPage();
        paintPage(painter, page);
    }
}
