#include "ui/response_graph.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace zef {
namespace {

constexpr double kMarkerRadius = 6.0;
constexpr double kMarkerGrab = 10.0;

}  // namespace

QLabel* MakePointerReadout(QWidget* plot, const char* objectName) {
    auto* label = new QLabel(plot);
    label->setObjectName(objectName);
    label->setStyleSheet(
        "QLabel { background: rgb(255,255,225); color: black; border: 1px solid gray; padding: 1px 3px; }");
    label->hide();
    return label;
}

void ShowPointerReadout(QLabel* readout, const QString& text, QPoint near) {
    const QWidget* plot = readout->parentWidget();
    readout->setText(text);
    readout->adjustSize();
    QPoint at = near + QPoint(12, -readout->height() - 4);
    at.setX(std::clamp(at.x(), 0, std::max(0, plot->width() - readout->width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, plot->height() - readout->height())));
    readout->move(at);
    readout->show();
    readout->raise();
}

ResponseGraph::ResponseGraph(const dsp::FrequencyGrid& grid, QWidget* parent) : QWidget(parent), grid_(grid) {
    setMinimumSize(320, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(false);
    readout_ = MakePointerReadout(this, "LblFreqGain");
}

void ResponseGraph::setScale(Scale scale) {
    scale_ = scale;
    // The right margin holds half of the "20k" label centred on the last line.
    if (scale == Scale::ViewAll) margins_ = PlotMargins{30, 6, 14, 16};
    update();
}

void ResponseGraph::setView(int zoom, int shiftStep) {
    zoom_ = std::clamp(zoom, 0, dsp::kZoomLevels - 1);
    shift_ = std::clamp(shiftStep, 0, dsp::kShiftSteps - 1);
    update();
}

void ResponseGraph::setColours(const Colours& colours) {
    colours_ = colours;
    update();
}

void ResponseGraph::clearTraces() {
    traces_.clear();
    update();
}

void ResponseGraph::setTraceCount(std::size_t count) {
    if (traces_.size() != count) traces_.resize(count);
    update();
}

void ResponseGraph::setTrace(std::size_t index, const dsp::Curve& curve, QColor colour) {
    if (index >= traces_.size()) traces_.resize(index + 1);
    traces_[index].curve = curve;
    traces_[index].colour = colour;
    update();
}

void ResponseGraph::setMarkers(std::vector<Marker> markers) {
    markers_ = std::move(markers);
    update();
}

QRect ResponseGraph::plotArea() const { return PlotArea(size(), margins_); }

dsp::GraphMapping ResponseGraph::mapping() const {
    const QRect area = plotArea();
    if (scale_ == Scale::ViewAll) return dsp::GraphMapping::ViewAll(area.width(), area.height());
    return dsp::GraphMapping::Editor(area.width(), area.height(), zoom_, shift_);
}

QPointF ResponseGraph::ToPlot(QPointF p) const { return p - QPointF(plotArea().topLeft()); }

void ResponseGraph::showReadout(const QString& text, QPoint near) { ShowPointerReadout(readout_, text, near); }

void ResponseGraph::hideReadout() { readout_->hide(); }
QString ResponseGraph::readoutText() const { return readout_->text(); }
bool ResponseGraph::readoutVisible() const { return readout_->isVisible(); }

void ResponseGraph::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter p(this);
    p.fillRect(rect(), colours_.background);
    const QRect area = plotArea();
    const dsp::GraphMapping m = mapping();
    DrawGrid(p, area, m);
    DrawLabels(p, area, m);
    DrawTraces(p, area, m);
    DrawMarkers(p, area, m);
    DrawLegend(p, area);
}

void ResponseGraph::setLegend(std::vector<LegendEntry> entries) {
    legend_ = std::move(entries);
    update();
}

void ResponseGraph::DrawLegend(QPainter& p, const QRect& area) const {
    if (legend_.empty()) return;
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    const QFontMetrics fm(font);
    constexpr int kSwatch = 16, kGap = 4, kPad = 4;
    int textWidth = 0;
    for (const LegendEntry& e : legend_) textWidth = std::max(textWidth, fm.horizontalAdvance(e.text));
    const int line = fm.height();
    const QRect box(area.left() + 6, area.top() + 6, kPad * 2 + kSwatch + kGap + textWidth,
                    kPad * 2 + line * static_cast<int>(legend_.size()));
    p.fillRect(box, QColor(0, 0, 0, 150));
    for (std::size_t i = 0; i < legend_.size(); ++i) {
        const LegendEntry& e = legend_[i];
        const int y = box.top() + kPad + line * static_cast<int>(i);
        if (e.colour.isValid()) {
            p.setPen(QPen(e.colour, 2));
            p.drawLine(box.left() + kPad, y + line / 2, box.left() + kPad + kSwatch, y + line / 2);
        }
        p.setPen(colours_.labels);
        p.drawText(QRect(box.left() + kPad + kSwatch + kGap, y, textWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                   e.text);
    }
}

void ResponseGraph::DrawGrid(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colours_.grid, 1));
    for (double hz : dsp::GridLineFrequencies()) {
        const int x = static_cast<int>(std::lround(area.left() + m.x(hz)));
        p.drawLine(x, area.top(), x, area.bottom());
    }
    for (double y : dsp::HorizontalGridLines(area.height())) {
        const int yy = static_cast<int>(std::lround(area.top() + y));
        p.drawLine(area.left(), yy, area.right(), yy);
    }
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

QString ResponseGraph::AmplitudeLabel(int row) const {
    if (scale_ == Scale::ViewAll) return QString::fromStdString(dsp::AmplitudeLabelText(30 - 10 * row));
    return QString::fromStdString(dsp::AmplitudeLabels(zoom_, shift_)[static_cast<std::size_t>(row)]);
}

// Amplitudes in the left margin, frequencies under the plot; leaves the
// painter with the labels' font.
void ResponseGraph::DrawLabels(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const {
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(colours_.labels);
    for (int row = 0; row < dsp::kAmplitudeLabels; ++row) {
        const double y = area.top() + dsp::AmplitudeLabelY(row, area.height());
        const QRectF box(0, y - 7, margins_.left - 3, 14);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, AmplitudeLabel(row));
    }
    for (const FrequencyTick& t : FrequencyTicks()) {
        const double x = area.left() + m.x(t.hz);
        const QRectF box(x - 14, area.bottom() + 2, 28, margins_.bottom - 2);
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, t.text);
    }
}

void ResponseGraph::DrawTraces(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const {
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing, true);
    const dsp::PolylineAxis axis = dsp::PolylineAxisOf(grid_);
    for (const Trace& t : traces_) {
        if (!t.colour.isValid()) continue;
        const auto points = ColumnReducedPolyline(dsp::CurvePolyline(axis, t.curve, m), area.topLeft());
        if (points.size() < 2) continue;
        // A wide curve is drawn as antialiased one-pixel strokes one pixel
        // apart: the hairline stroker is about ten times faster than a wide
        // pen over a few thousand vertices, which keeps a drag step smooth.
        QPen pen(t.colour, 1.0);
        pen.setCosmetic(true);
        p.setPen(pen);
        const int passes = std::max(1, static_cast<int>(std::lround(penWidth_)));
        for (int k = 0; k < passes; ++k) {
            const double dy = k - (passes - 1) / 2.0;
            p.translate(0, dy);
            p.drawPolyline(points.data(), static_cast<int>(points.size()));
            p.translate(0, -dy);
        }
    }
}

// Markers: clipped to the plot's columns, their numbers may use the margins.
void ResponseGraph::DrawMarkers(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const {
    const QFont font = p.font();
    QFont small = font;
    small.setPixelSize(9);
    p.setClipRect(QRect(area.left(), 0, width() - area.left(), area.bottom() + 1));
    for (const Marker& mk : markers_) {
        const QPointF c(area.left() + m.x(mk.frequencyHz), area.top() + m.y(mk.gainDb));
        p.setPen(QPen(mk.selected ? Qt::white : mk.colour, mk.selected ? 2.0 : 1.0));
        p.setBrush(mk.selected ? mk.colour
                               : QColor(mk.colour.red(), mk.colour.green(), mk.colour.blue(), 90));
        p.drawEllipse(c, kMarkerRadius, kMarkerRadius);
        p.setPen(Qt::white);
        p.setFont(small);
        // The number above the marker, kept inside the widget at the ends.
        const double tx = std::clamp(c.x() - 8, 0.0, std::max(0.0, width() - 16.0));
        p.drawText(QRectF(tx, c.y() - 20, 16, 12), Qt::AlignCenter, QString::number(mk.id));
        p.setFont(font);
    }
}

std::optional<int> ResponseGraph::MarkerAt(QPointF pt) const {
    const dsp::GraphMapping m = mapping();
    std::optional<int> best;
    double bestDistance = kMarkerGrab;
    for (std::size_t i = 0; i < markers_.size(); ++i) {
        const QPointF c(m.x(markers_[i].frequencyHz), m.y(markers_[i].gainDb));
        const double d = std::hypot(c.x() - pt.x(), c.y() - pt.y());
        // The selected marker wins a tie with one beneath it.
        if (d < bestDistance || (d <= bestDistance && markers_[i].selected)) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF pt = ToPlot(event->position());
    if (const auto i = MarkerAt(pt)) {
        draggedMarker_ = markers_[static_cast<std::size_t>(*i)].id;
        if (markerPressed) markerPressed(*draggedMarker_, pt.x(), pt.y());
        return;
    }
    plotDrag_ = true;
    if (plotPressed) plotPressed(pt.x(), pt.y());
}

void ResponseGraph::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pt = ToPlot(event->position());
    if (draggedMarker_) {
        if (markerDragged) markerDragged(*draggedMarker_, pt.x(), pt.y());
    } else if (plotDrag_) {
        if (plotDragged) plotDragged(pt.x(), pt.y());
    }
}

void ResponseGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (draggedMarker_) {
        const int id = *draggedMarker_;
        draggedMarker_.reset();
        if (markerReleased) markerReleased(id);
    } else if (plotDrag_) {
        plotDrag_ = false;
        if (plotReleased) plotReleased();
    }
}

}  // namespace zef
