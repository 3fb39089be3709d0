#include "dialog/DialogArt.h"

#include <QPainter>
#include <QPainterPath>

namespace foo_dsp_halvane {

namespace {

// Draws the mark into a square of side s: a dark rounded tile, a white speaker cone in the
// middle and two pairs of arcs, amber inside and teal outside.
QPixmap DrawMark(int s) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double u = s / 36.0;  // drawing unit: the logo is designed on a 36-unit grid

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x2a, 0x38));
    p.drawRoundedRect(QRectF(0, 0, s, s), 6 * u, 6 * u);

    // Speaker: a small box with a cone opening upwards.
    QPainterPath cone;
    cone.moveTo(15 * u, 25 * u);
    cone.lineTo(21 * u, 25 * u);
    cone.lineTo(24 * u, 13 * u);
    cone.lineTo(12 * u, 13 * u);
    cone.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(cone);
    p.drawRect(QRectF(15 * u, 25 * u, 6 * u, 4 * u));

    p.setBrush(Qt::NoBrush);
    const QColor inner(0xf2, 0xa9, 0x3b), outer(0x3b, 0xc4, 0xb8);
    const QPointF c(18 * u, 19 * u);
    const double width = s >= 32 ? 2.2 * u : 1.0;
    for (int ring = 0; ring < 2; ++ring) {
        const double r = (ring == 0 ? 10.0 : 15.0) * u;
        p.setPen(QPen(ring == 0 ? inner : outer, width, Qt::SolidLine, Qt::RoundCap));
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        p.drawArc(box, 150 * 16, 60 * 16);  // to the left
        p.drawArc(box, -30 * 16, 60 * 16);  // to the right
    }
    return pm;
}

}  // namespace

QPixmap HalvaneLogo() { return DrawMark(36); }

QIcon HalvaneIcon() { return QIcon(DrawMark(16)); }

}  // namespace foo_dsp_halvane
