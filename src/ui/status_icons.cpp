#include "ui/status_icons.h"

#include <QPainter>
#include <QPixmap>

namespace zef {

StandbyPicture PictureFor(int standby, bool alert, bool blinkPhase) {
    if (standby == 1) return StandbyPicture::Standby;
    if (alert) return blinkPhase ? StandbyPicture::AlertA : StandbyPicture::AlertB;
    return StandbyPicture::Normal;
}

QIcon StandbyIcon(StandbyPicture picture) {
    constexpr int kSize = 32;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill;
    switch (picture) {
        case StandbyPicture::Standby: fill = QColor(230, 150, 20); break;
        case StandbyPicture::Normal: fill = QColor(40, 160, 60); break;
        case StandbyPicture::AlertA: fill = QColor(220, 30, 30); break;
        case StandbyPicture::AlertB: fill = QColor(90, 20, 20); break;
    }
    p.setPen(QPen(fill.darker(150), 2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(3, 3, kSize - 6, kSize - 6));
    // A power symbol: an open ring and a bar.
    QPen mark(Qt::white, 3, Qt::SolidLine, Qt::RoundCap);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(10, 10, kSize - 20, kSize - 20);
    p.drawArc(ring, 120 * 16, 300 * 16);
    p.drawLine(QPointF(kSize / 2.0, 7), QPointF(kSize / 2.0, kSize / 2.0));
    return QIcon(pixmap);
}

}  // namespace zef
