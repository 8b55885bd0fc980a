#include "reports/render.h"

#include "reports/textmeasure.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

namespace tarvel::reports {

namespace {

struct Scale
{
    double x, y;
    QRectF rect(const QRectF& mm) const
    {
        return QRectF(mm.left() * x, mm.top() * y, mm.width() * x, mm.height() * y);
    }
    QPointF point(const QPointF& mm) const { return QPointF(mm.x() * x, mm.y() * y); }
    double pen(double mm) const { return std::max(1.0, mm * x); }
};

void drawFrame(QPainter& p, const QRectF& r, int sides, double penPx)
{
    p.setPen(QPen(Qt::black, penPx));
    p.setBrush(Qt::NoBrush);
    if (sides == AllSides) {
        p.drawRect(r);
        return;
    }
    if (sides & LeftSide)
        p.drawLine(r.topLeft(), r.bottomLeft());
    if (sides & TopSide)
        p.drawLine(r.topLeft(), r.topRight());
    if (sides & RightSide)
        p.drawLine(r.topRight(), r.bottomRight());
    if (sides & BottomSide)
        p.drawLine(r.bottomLeft(), r.bottomRight());
}

} // namespace

void renderPage(QPainter& p, const PreparedPage& page, double dpiX, double dpiY)
{
    const Scale s{dpiX / 25.4, dpiY / 25.4};
    p.save();
    for (const PreparedItem& it : page.items) {
        const QRectF r = s.rect(it.rect);
        switch (it.kind) {
        case PreparedItem::Kind::Text: {
            p.setFont(it.font);
            p.setPen(Qt::black);
            int flags = int(it.alignment);
            flags |= it.wrap ? Qt::TextWordWrap : Qt::TextDontClip;
            p.drawText(r, flags, it.text);
            if (it.frameSides)
                drawFrame(p, r, it.frameSides, s.pen(it.penWidth));
            break;
        }
        case PreparedItem::Kind::RichText: {
            QTextDocument doc;
            doc.documentLayout()->setPaintDevice(p.device());
            doc.setDefaultFont(it.font);
            doc.setDocumentMargin(0);
            doc.setDefaultTextOption(QTextOption(it.alignment));
            if (measure::isHtml(it.html))
                doc.setHtml(it.html);
            else
                doc.setPlainText(it.html);
            doc.setTextWidth(r.width());
            p.save();
            p.translate(r.topLeft());
            doc.drawContents(&p, QRectF(0, 0, r.width(), r.height()));
            p.restore();
            if (it.frameSides)
                drawFrame(p, r, it.frameSides, s.pen(it.penWidth));
            break;
        }
        case PreparedItem::Kind::Line:
            p.setPen(QPen(Qt::black, s.pen(it.penWidth)));
            p.drawLine(s.point(it.line.p1()), s.point(it.line.p2()));
            break;
        case PreparedItem::Kind::Rect:
            drawFrame(p, r, it.frameSides ? it.frameSides : AllSides, s.pen(it.penWidth));
            break;
        case PreparedItem::Kind::Picture: {
            const QSizeF fit = QSizeF(it.image.size()).scaled(r.size(), Qt::KeepAspectRatio);
            p.drawImage(QRectF(r.topLeft(), fit), it.image);
            break;
        }
        }
    }
    p.restore();
}

QImage pageImage(const PreparedPage& page, double dpi)
{
    const QSizeF mm = page.size();
    QImage img(qRound(measure::toPx(mm.width(), dpi)), qRound(measure::toPx(mm.height(), dpi)),
               QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    renderPage(p, page, img.logicalDpiX(), img.logicalDpiY());
    return img;
}

bool renderReport(const PreparedReport& report, QPagedPaintDevice& device, int from, int to,
                  const std::function<bool(int)>& beforePage)
{
    const int n = report.pageCount();
    if (to < 1 || to > n)
        to = n;
    from = std::max(1, from);
    if (n == 0 || from > to)
        return false;
    device.setPageLayout(report.pages[from - 1].setup.pageLayout());
    QPainter p;
    if (!p.begin(&device))
        return false;
    for (int i = from; i <= to; ++i) {
        if (beforePage && !beforePage(i)) {
            p.end();
            return false;
        }
        const PreparedPage& page = report.pages[i - 1];
        if (i > from) {
            device.setPageLayout(page.setup.pageLayout());
            device.newPage();
        }
        renderPage(p, page, device.logicalDpiX(), device.logicalDpiY());
    }
    return p.end();
}

} // namespace tarvel::reports
