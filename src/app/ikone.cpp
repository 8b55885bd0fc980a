#include "app/ikone.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tarvel::app {

namespace {

const QColor Ink(40, 60, 90);
const QColor Green(70, 140, 60);
const QColor Red(190, 50, 40);
const QColor Paper(255, 255, 250);
const QColor Gold(220, 170, 40);

void sheet(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Paper);
    p.drawRect(r);
    for (int i = 1; i <= 3; ++i) {
        const qreal y = r.top() + r.height() * i / 4.5;
        p.drawLine(QPointF(r.left() + r.width() * 0.15, y), QPointF(r.right() - r.width() * 0.15, y));
    }
}

void person(QPainter& p, const QPointF& c, qreal s, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c + QPointF(0, -s * 0.22), s * 0.18, s * 0.18);
    QPainterPath body;
    body.moveTo(c + QPointF(-s * 0.36, s * 0.42));
    body.quadTo(c + QPointF(0, -s * 0.2), c + QPointF(s * 0.36, s * 0.42));
    body.closeSubpath();
    p.drawPath(body);
}

void coin(QPainter& p, const QPointF& c, qreal r)
{
    p.setPen(QPen(Ink.darker(120), 1.2));
    p.setBrush(Gold);
    p.drawEllipse(c, r, r);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(r * 1.2));
    p.setFont(f);
    p.drawText(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), Qt::AlignCenter, QStringLiteral("€"));
}

void draw(QPainter& p, Ikona which, qreal s)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, s, s);
    switch (which) {
    case Ikona::Racun:
        sheet(p, QRectF(s * 0.2, s * 0.1, s * 0.6, s * 0.8));
        p.setPen(QPen(Green, s * 0.08));
        p.drawLine(QPointF(s * 0.5, s * 0.75), QPointF(s * 0.85, s * 0.4));
        break;
    case Ikona::Zaduzenja:
        sheet(p, QRectF(s * 0.1, s * 0.1, s * 0.55, s * 0.75));
        p.setPen(QPen(Red, s * 0.1));
        p.drawLine(QPointF(s * 0.6, s * 0.75), QPointF(s * 0.9, s * 0.75));
        p.drawLine(QPointF(s * 0.75, s * 0.6), QPointF(s * 0.75, s * 0.9));
        break;
    case Ikona::Naplata:
        coin(p, QPointF(s * 0.4, s * 0.55), s * 0.3);
        coin(p, QPointF(s * 0.62, s * 0.38), s * 0.28);
        break;
    case Ikona::Pregledi:
        sheet(p, QRectF(s * 0.1, s * 0.1, s * 0.55, s * 0.7));
        p.setPen(QPen(Ink, s * 0.08));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(s * 0.6, s * 0.6), s * 0.17, s * 0.17);
        p.drawLine(QPointF(s * 0.72, s * 0.72), QPointF(s * 0.9, s * 0.9));
        break;
    case Ikona::Opz: {
        p.setPen(Qt::NoPen);
        const qreal w = s * 0.16;
        const qreal h[] = {0.35, 0.6, 0.45, 0.8};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i % 2 ? Red : Ink);
            p.drawRect(QRectF(s * 0.12 + i * (w + s * 0.04), s * (0.9 - h[i]), w, s * h[i]));
        }
        break;
    }
    case Ikona::Operater:
        person(p, QPointF(s * 0.5, s * 0.5), s, Ink);
        break;
    case Ikona::Kupci:
        person(p, QPointF(s * 0.35, s * 0.55), s * 0.8, Ink.lighter(150));
        person(p, QPointF(s * 0.62, s * 0.5), s * 0.85, Ink);
        break;
    case Ikona::Kraj:
        p.setPen(QPen(Red, s * 0.1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.18, s * 0.2, s * 0.64, s * 0.64), 120 * 16, 300 * 16);
        p.drawLine(QPointF(s * 0.5, s * 0.1), QPointF(s * 0.5, s * 0.5));
        break;
    case Ikona::OpciPodaci:
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(QColor(200, 215, 235));
        p.drawRect(QRectF(s * 0.2, s * 0.3, s * 0.6, s * 0.6));
        p.setBrush(Red);
        p.drawPolygon(
            QPolygonF{QPointF(s * 0.1, s * 0.35), QPointF(s * 0.5, s * 0.05), QPointF(s * 0.9, s * 0.35)});
        p.setBrush(Paper);
        p.drawRect(QRectF(s * 0.42, s * 0.6, s * 0.16, s * 0.3));
        break;
    case Ikona::Cjenik:
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(Gold.lighter(130));
        p.drawPolygon(QPolygonF{QPointF(s * 0.1, s * 0.5), QPointF(s * 0.45, s * 0.15),
                                QPointF(s * 0.9, s * 0.15), QPointF(s * 0.9, s * 0.6),
                                QPointF(s * 0.55, s * 0.9)});
        p.setBrush(Paper);
        p.drawEllipse(QPointF(s * 0.72, s * 0.32), s * 0.07, s * 0.07);
        break;
    case Ikona::Posta:
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(Paper);
        p.drawRect(QRectF(s * 0.1, s * 0.25, s * 0.8, s * 0.5));
        p.drawPolyline(
            QPolygonF{QPointF(s * 0.1, s * 0.25), QPointF(s * 0.5, s * 0.55), QPointF(s * 0.9, s * 0.25)});
        break;
    case Ikona::Operateri:
        person(p, QPointF(s * 0.5, s * 0.5), s, Green.darker(110));
        break;
    case Ikona::Provjera:
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(QColor(200, 215, 235));
        p.drawRect(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.65));
        p.drawEllipse(QRectF(s * 0.2, s * 0.1, s * 0.6, s * 0.2));
        p.setPen(QPen(Green, s * 0.1));
        p.drawPolyline(
            QPolygonF{QPointF(s * 0.32, s * 0.55), QPointF(s * 0.46, s * 0.7), QPointF(s * 0.72, s * 0.38)});
        break;
    case Ikona::OProgramu:
        p.setPen(Qt::NoPen);
        p.setBrush(Ink);
        p.drawEllipse(all.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1));
        p.setPen(Paper);
        {
            QFont f = p.font();
            f.setBold(true);
            f.setPixelSize(int(s * 0.55));
            p.setFont(f);
        }
        p.drawText(all, Qt::AlignCenter, QStringLiteral("i"));
        break;
    case Ikona::CisAktivan:
    case Ikona::CisNeaktivan: {
        const QColor c = which == Ikona::CisAktivan ? Green : Red;
        QRadialGradient g(all.center() - QPointF(s * 0.1, s * 0.1), s * 0.5);
        g.setColorAt(0, c.lighter(170));
        g.setColorAt(1, c);
        p.setPen(QPen(c.darker(150), 1));
        p.setBrush(g);
        p.drawEllipse(all.adjusted(s * 0.12, s * 0.12, -s * 0.12, -s * 0.12));
        break;
    }
    }
}

} // namespace

QPixmap slika(Ikona which, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    draw(p, which, size);
    return pm;
}

QIcon ikona(Ikona which)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(slika(which, size));
    return icon;
}

QPixmap logo(const QSize& size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(40, 70, 120));
    g.setColorAt(1, QColor(90, 140, 190));
    p.fillRect(pm.rect(), g);
    const int s = qMin(size.width(), size.height()) * 2 / 3;
    p.translate((size.width() - s) / 2.0, (size.height() - s) / 2.0);
    draw(p, Ikona::Racun, s);
    return pm;
}

void paintBackground(QPainter& p, const QRect& area)
{
    p.fillRect(area, QColor(242, 247, 215));
    p.setRenderHint(QPainter::Antialiasing);
    // A quiet pattern of pale sheets over the window colour.
    p.setPen(QPen(QColor(225, 232, 195), 2));
    p.setBrush(Qt::NoBrush);
    for (int y = area.top() + 40; y < area.bottom(); y += 140)
        for (int x = area.left() + ((y / 140) % 2) * 70 + 30; x < area.right(); x += 140)
            p.drawRoundedRect(QRect(x, y, 50, 64), 4, 4);
    QFont f = p.font();
    f.setPixelSize(qMax(24, area.height() / 12));
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(215, 224, 180));
    p.drawText(area.adjusted(0, 0, -30, -20), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Tarvelstat"));
}

} // namespace tarvel::app
