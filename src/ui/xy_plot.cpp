#include "ui/xy_plot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace zef {
namespace {

const QColor kBackground(16, 20, 28);
const QColor kGrid(70, 76, 88);
const QColor kLabels(190, 196, 206);

}  // namespace

XyPlot::XyPlot(QWidget* parent) : ReadoutPlot({280, 150}, parent) {}

void XyPlot::setAxes(const PlotAxis& x, const PlotAxis& left) {
    x_ = x;
    left_ = left;
    update();
}

void XyPlot::setRightAxis(const PlotAxis& right) {
    right_ = right;
    update();
}

void XyPlot::clearCurves() {
    curves_.clear();
    update();
}

void XyPlot::setCurve(const Curve& curve) {
    auto it =
        std::find_if(curves_.begin(), curves_.end(), [&](const Curve& c) { return c.name == curve.name; });
    if (it == curves_.end())
        curves_.push_back(curve);
    else
        *it = curve;
    update();
}

void XyPlot::setRightCurvesVisible(bool visible) {
    for (Curve& c : curves_)
        if (c.rightAxis) c.visible = visible;
    update();
}

const XyPlot::Curve* XyPlot::curve(const QString& name) const {
    for (const Curve& c : curves_)
        if (c.name == name) return &c;
    return nullptr;
}

QStringList XyPlot::legend() const {
    QStringList names;
    for (const Curve& c : curves_)
        if (c.visible) names << c.name;
    return names;
}

bool XyPlot::RightAxisInUse() const {
    return std::any_of(curves_.begin(), curves_.end(),
                       [](const Curve& c) { return c.visible && c.rightAxis; });
}

QRect XyPlot::plotArea() const { return PlotArea(size(), margins_); }

QString XyPlot::readoutAt(QPointF p) const {
    const QRect area = plotArea();
    if (!area.contains(p.toPoint())) return {};
    const double xv = x_.FromPixel(p.x() - area.left(), area.width());
    const double yv = left_.FromPixel(area.bottom() - p.y(), area.height());
    return PointerReadout(x_, xv, left_, yv);
}

QString XyPlot::ReadoutUnder(QPointF widgetPoint) const { return readoutAt(widgetPoint); }

void XyPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(rect(), kBackground);
    const QRect area = plotArea();
    QFont f = font();
    f.setPointSizeF(std::max(6.5, f.pointSizeF() - 1.5));
    p.setFont(f);
    const QFontMetrics fm(f);
    DrawGrid(p, area, fm);
    DrawCurves(p, area);
    DrawLegend(p, area, fm);
}

// Grid and labels: x below, left axis at the left, right axis at the right.
void XyPlot::DrawGrid(QPainter& p, const QRect& area, const QFontMetrics& fm) const {
    const double w = area.width(), h = area.height();
    for (const AxisTick& t : AxisTickMarks(x_, std::max(2, area.width() / 70), w)) {
        const double px = area.left() + t.pixel;
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        p.setPen(kLabels);
        p.drawText(QPointF(px - fm.horizontalAdvance(t.label) / 2.0, area.bottom() + fm.ascent() + 3),
                   t.label);
    }
    for (const AxisTick& t : AxisTickMarks(left_, std::max(2, area.height() / 30), h)) {
        const double py = area.bottom() - t.pixel;
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        p.setPen(kLabels);
        p.drawText(QPointF(area.left() - fm.horizontalAdvance(t.label) - 4, py + fm.ascent() / 2.0 - 1),
                   t.label);
    }
    p.setPen(kLabels);
    p.drawText(QPointF(2, area.top() + fm.ascent()), left_.unit);
    p.drawText(QPointF(area.right() - fm.horizontalAdvance(x_.unit), height() - 2), x_.unit);
    if (RightAxisInUse()) {
        for (const AxisTick& t : AxisTickMarks(right_, std::max(2, area.height() / 30), h)) {
            const double py = area.bottom() - t.pixel;
            p.drawText(QPointF(area.right() + 4, py + fm.ascent() / 2.0 - 1), t.label);
        }
        p.drawText(QPointF(width() - fm.horizontalAdvance(right_.unit) - 2, area.top() + fm.ascent()),
                   right_.unit);
    }
    p.setPen(QPen(kGrid.lighter(130), 1));
    p.drawRect(area);
}

// The visible curves, clipped to the plot area.
void XyPlot::DrawCurves(QPainter& p, const QRect& area) const {
    p.save();
    p.setClipRect(area);
    for (const Curve& c : curves_) {
        if (!c.visible) continue;
        const PlotAxis& ya = c.rightAxis ? right_ : left_;
        // A curve on the right (phase) axis is wrapped: a jump of more than
        // half the axis starts a new line instead of a vertical stroke.
        const double wrapJump = c.rightAxis ? (ya.max - ya.min) / 2 : std::numeric_limits<double>::infinity();
        p.setPen(QPen(c.colour, c.rightAxis ? 1.2 : 1.8));
        for (const auto& points : CurveLines(c.x, c.y, x_, ya, area.width(), area.height(), wrapJump)) {
            const std::vector<QPointF> line = ColumnReducedPolyline(points, area.topLeft());
            if (line.size() > 1) p.drawPolyline(line.data(), static_cast<int>(line.size()));
        }
    }
    p.restore();
}

// The legend of the visible curves, top right inside the plot.
void XyPlot::DrawLegend(QPainter& p, const QRect& area, const QFontMetrics& fm) const {
    int row = 0;
    for (const Curve& c : curves_) {
        if (!c.visible) continue;
        const int tw = fm.horizontalAdvance(c.name);
        const double ly = area.top() + 6 + row * (fm.height() + 1);
        const double lx = area.right() - tw - 30;
        p.fillRect(QRectF(lx - 4, ly - 1, tw + 32, fm.height() + 1), QColor(16, 20, 28, 200));
        p.setPen(QPen(c.colour, 2.5));
        p.drawLine(QPointF(lx, ly + fm.height() / 2.0), QPointF(lx + 18, ly + fm.height() / 2.0));
        p.setPen(kLabels);
        p.drawText(QPointF(lx + 24, ly + fm.ascent()), c.name);
        ++row;
    }
}

}  // namespace zef
