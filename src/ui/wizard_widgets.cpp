#include "ui/wizard_widgets.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/wizard_measurement.h"

namespace zef {
namespace {

// A loudspeaker cabinet of `size` centred at `c`, turned by `degrees`, its
// front (two drivers) towards +x before turning.
void Cabinet(QPainter& p, QPointF c, QSizeF size, double degrees) {
    p.save();
    p.translate(c);
    p.rotate(degrees);
    const QRectF box(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    p.drawRect(box);
    const double r = size.height() * 0.18;
    p.drawEllipse(QPointF(box.right() - 2, -size.height() * 0.22), 2.0, r);
    p.drawEllipse(QPointF(box.right() - 2, size.height() * 0.2), 2.0, r * 0.6);
    p.restore();
}

// A measurement microphone pointing along `degrees` (0 = +x) at `tip`.
void Microphone(QPainter& p, QPointF tip, double degrees) {
    p.save();
    p.translate(tip);
    p.rotate(degrees);
    QPainterPath body;
    body.moveTo(0, 0);
    body.lineTo(-6, -2.5);
    body.lineTo(-26, -2.5);
    body.lineTo(-26, 2.5);
    body.lineTo(-6, 2.5);
    body.closeSubpath();
    p.drawPath(body);
    p.restore();
}

void Arrow(QPainter& p, QPointF a, QPointF b, const QString& label) {
    p.save();
    p.setPen(QPen(QColor(40, 110, 200), 1, Qt::DashLine));
    p.drawLine(a, b);
    p.setPen(QColor(40, 110, 200));
    p.drawText(QPointF((a.x() + b.x()) / 2 - 8, (a.y() + b.y()) / 2 - 4), label);
    p.restore();
}

}  // namespace

QColor WizardCurveColour(int index) {
    static const QColor colours[] = {{90, 200, 255},  {255, 170, 60}, {120, 230, 120}, {235, 90, 200},
                                     {170, 170, 170}, {255, 235, 80}, {160, 120, 255}};
    return colours[std::clamp(index, 0, 6)];
}

GeometryPicture::GeometryPicture(Kind kind, QString caption, QWidget* parent)
    : QWidget(parent), kind_(kind), caption_(std::move(caption)) {
    setMinimumSize(200, 170);
}

void GeometryPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const double w = width(), h = height() - 24;
    const double floor = h - 14;
    QPen ink(Qt::black, 1.6);
    p.setPen(ink);
    p.drawLine(QPointF(10, floor), QPointF(w - 10, floor));
    for (double x = 14; x < w - 10; x += 10) p.drawLine(QPointF(x, floor), QPointF(x - 6, floor + 6));

    switch (kind_) {
        case Kind::Suspended: {
            p.drawLine(QPointF(10, 12), QPointF(w * 0.5, 12));
            p.drawLine(QPointF(w * 0.22, 12), QPointF(w * 0.22, 38));
            p.drawLine(QPointF(w * 0.32, 12), QPointF(w * 0.32, 38));
            const QPointF box(w * 0.27, 58);
            Cabinet(p, box, QSizeF(40, 44), 12);
            const QPointF mic(w * 0.78, 80);
            p.drawLine(QPointF(mic.x() + 22, mic.y() + 2), QPointF(mic.x() + 22, floor));  // stand
            p.drawLine(QPointF(mic.x() + 10, floor), QPointF(mic.x() + 34, floor));
            Microphone(p, mic, 180 - 6);
            Arrow(p, QPointF(box.x() + 24, 64), mic, "d");
            break;
        }
        case Kind::GroundMonitor: {
            QPainterPath wedge;  // a floor wedge facing up and to the right
            const double x0 = w * 0.16;
            wedge.moveTo(x0, floor);
            wedge.lineTo(x0 + 64, floor);
            wedge.lineTo(x0 + 64, floor - 16);
            wedge.lineTo(x0 + 8, floor - 42);
            wedge.lineTo(x0, floor - 36);
            wedge.closeSubpath();
            p.drawPath(wedge);
            p.drawEllipse(QPointF(x0 + 38, floor - 30), 12, 4);
            const QPointF mic(w * 0.7, floor - 96);
            p.drawLine(QPointF(mic.x() + 20, mic.y() + 6), QPointF(mic.x() + 20, floor));
            p.drawLine(QPointF(mic.x() + 8, floor), QPointF(mic.x() + 32, floor));
            Microphone(p, mic, 180 + 40);
            Arrow(p, QPointF(x0 + 40, floor - 34), mic, "d");
            // The listener's head the monitor aims at.
            p.setPen(QPen(QColor(150, 150, 150), 1.2, Qt::DotLine));
            p.drawEllipse(QPointF(mic.x() + 30, mic.y() - 16), 9, 11);
            break;
        }
        case Kind::OnGround: {
            const QPointF box(w * 0.24, floor - 24);
            Cabinet(p, box, QSizeF(46, 48), 0);
            const QPointF mic(w * 0.8, floor - 3);
            Microphone(p, mic, 180);
            Arrow(p, QPointF(box.x() + 26, floor - 10), QPointF(mic.x(), floor - 10), "d");
            break;
        }
    }
    p.setPen(Qt::black);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, height() - 24, w, 22), Qt::AlignCenter, caption_);
}

VuMeter::VuMeter(QWidget* parent) : QWidget(parent) {
    setObjectName("ImgVuM");
    setMinimumSize(18 * 8, 14);
}

void VuMeter::setLit(int segments) {
    segments = std::clamp(segments, 0, wizard::kVuSegments);
    if (segments == lit_) return;
    lit_ = segments;
    update();
}

void VuMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(30, 30, 30));
    const double step = static_cast<double>(width()) / wizard::kVuSegments;
    for (int i = 0; i < wizard::kVuSegments; ++i) {
        QColor on = i >= wizard::kVuRedFrom      ? QColor(230, 40, 40)
                    : i >= wizard::kVuYellowFrom ? QColor(240, 210, 40)
                                                 : QColor(40, 200, 70);
        const QColor colour = i < lit_ ? on : on.darker(400);
        p.fillRect(QRectF(i * step + 1, 2, step - 2, height() - 4), colour);
    }
}

}  // namespace zef

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace zef {

Stepper::Stepper(const QString& objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(objectName);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::LeftArrow);
    down_->setAutoRepeat(true);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::RightArrow);
    up_->setAutoRepeat(true);
    label_ = new QLabel(this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumWidth(78);
    label_->setFrameShape(QFrame::StyledPanel);
    row->addWidget(down_);
    row->addWidget(label_, 1);
    row->addWidget(up_);
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
}

void Stepper::setText(const QString& text) { label_->setText(text); }
QString Stepper::text() const { return label_->text(); }
void Stepper::step(int delta) { emit stepped(delta); }

}  // namespace zef
