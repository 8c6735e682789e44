#include "ui/segment_meter.h"

#include <QPaintEvent>
#include <QPainter>

namespace zef {
namespace {
constexpr int kCaptionHeight = 14;
constexpr int kGap = 2;
}  // namespace

SegmentMeter::SegmentMeter(MeterKind kind, QString caption, QWidget* parent)
    : QWidget(parent), kind_(kind), caption_(std::move(caption)) {
    setMinimumSize(18, 90);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setToolTip(caption_);
}

QColor SegmentMeter::LitColour(MeterKind kind, int segment) {
    if (kind == MeterKind::Reduction) return QColor(255, 150, 0);
    if (segment == 0) return QColor(230, 0, 0);
    if (segment <= 2) return QColor(255, 210, 0);
    return QColor(0, 200, 60);
}

QRect SegmentMeter::SegmentRect(int segment) const {
    const int h = height() - kCaptionHeight;
    const int segH = std::max(3, (h - kGap * kMeterSegments) / kMeterSegments);
    return QRect(2, segment * (segH + kGap), width() - 4, segH);
}

void SegmentMeter::setLevel(double db) {
    level_ = db;
    const std::uint16_t mask = SegmentMask(MeterSegments(db, kind_));
    const std::uint16_t changed = mask ^ mask_;
    mask_ = mask;
    for (int s = 0; s < kMeterSegments; ++s) {
        if (!(changed & (1u << s))) continue;
        ++segmentRepaints_;
        update(SegmentRect(s));
    }
}

void SegmentMeter::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    for (int s = 0; s < kMeterSegments; ++s) {
        const QRect r = SegmentRect(s);
        if (!event->rect().intersects(r)) continue;
        p.fillRect(r, (mask_ & (1u << s)) ? LitColour(kind_, s) : UnlitColour());
    }
    const QRect captionBox(0, height() - kCaptionHeight, width(), kCaptionHeight);
    if (event->rect().intersects(captionBox)) {
        QFont f = p.font();
        f.setPixelSize(9);
        p.setFont(f);
        p.setPen(palette().windowText().color());
        p.drawText(captionBox, Qt::AlignCenter, caption_);
    }
}

Lamp::Lamp(QColor onColour, QString tip, QWidget* parent) : QWidget(parent), colour_(onColour) {
    setFixedSize(12, 12);
    setToolTip(tip);
}

void Lamp::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(on_ ? colour_ : QColor(90, 90, 90));
    p.drawEllipse(QRectF(1, 1, 10, 10));
}

}  // namespace zef
