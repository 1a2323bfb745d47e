#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;
class QTextDocument;

// The colours a syntax highlighter gave each line live in the line's layout, not in
// the text: copied line by line to a document of the same lines.
void copyLineColours(const QTextDocument &from, QTextDocument &to);

// Source text on paper: each page under a header with the document's name and
// "page / pages", the text with the colours of its lines.
class SourcePages
{
public:
    // paper: the printable area in the device's coordinates.
    SourcePages(const QTextDocument &text, const QString &name, QPaintDevice *device, const QRectF &paper);
    ~SourcePages();

    int pageCount() const;
    // page counts from 0.
    void paintPage(QPainter &painter, int page) const;
    void print(QPagedPaintDevice *device) const;

private:
    std::unique_ptr<QTextDocument> m_document;
    QString m_name;
    QRectF m_paper;
    QFont m_headerFont;
    qreal m_headerHeight = 0;
    qreal m_bodyHeight = 0;
};
