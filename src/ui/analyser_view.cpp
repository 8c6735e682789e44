#include "ui/analyser_view.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace zef {

double RtaScale::dbPerDivision() const {
    static constexpr double kSteps[kRtaZoomLevels] = {5.0, 10.0, 20.0};
    return kSteps[std::clamp(zoom, 0, kRtaZoomLevels - 1)];
}

double RtaScale::topDb() const { return -10.0 * std::clamp(shift, 0, kRtaShiftSteps - 1); }

std::array<int, kRtaAxisLabels> RtaScale::labels() const {
    std::array<int, kRtaAxisLabels> out{};
    for (int i = 0; i < kRtaAxisLabels; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<int>(std::lround(topDb() - i * dbPerDivision()));
    return out;
}

double RtaScale::y(double db, double height) const {
    const double span = (kRtaAxisLabels - 1) * dbPerDivision();
    const double t = (topDb() - db) / span;
    return std::clamp(t, 0.0, 1.0) * height;
}

BarSpan BandBarSpan(const dsp::GraphMapping& mapping, std::size_t band) {
    // The exact third-octave centre (the nominal one rounds): neighbours share an edge.
    const double k = static_cast<double>(std::min(band, kAnalyserBandCount - 1));
    const double fc = 1000.0 * std::pow(2.0, (k - 16.0) / 3.0);
    const double edge = std::pow(2.0, 1.0 / 6.0);
    BarSpan s{mapping.x(fc / edge), mapping.x(fc * edge)};
    s.left = std::clamp(s.left, 0.0, mapping.width);
    s.right = std::clamp(s.right, 0.0, mapping.width);
    return s;
}

AnalyserView::AnalyserView(const dsp::FrequencyGrid& grid, QWidget* parent) : ResponseGraph(grid, parent) {
    levels_.fill(-100.0);
}

void AnalyserView::setLevels(const BandSpectrum& levelsDb) {
    levels_ = levelsDb;
    update();
}

void AnalyserView::setBarsVisible(bool visible) {
    barsVisible_ = visible;
    update();
}

void AnalyserView::setRtaScale(RtaScale scale) {
    scale_ = scale;
    update();
}

void AnalyserView::paintEvent(QPaintEvent* event) {
    ResponseGraph::paintEvent(event);
    if (!barsVisible_) return;
    const QRect area = plotArea();
    const dsp::GraphMapping m = mapping();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(area.topLeft());
    const double h = area.height();
    const QColor fill(64, 200, 170, 120);
    const QColor edge(64, 200, 170, 220);
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        const BarSpan s = BandBarSpan(m, b);
        const double top = scale_.y(levels_[b], h);
        const QRectF bar(QPointF(s.left + 1, top), QPointF(s.right - 1, h));
        if (bar.width() <= 0 || bar.height() <= 0) continue;
        p.fillRect(bar, fill);
        p.setPen(QPen(edge, 1));
        p.drawLine(bar.topLeft(), bar.topRight());
    }
    // The bars' scale down the right edge, inside the plot.
    p.setPen(QColor(120, 230, 200));
    QFont f = p.font();
    f.setPointSizeF(7.0);
    p.setFont(f);
    const auto labels = scale_.labels();
    for (int i = 0; i < kRtaAxisLabels; ++i) {
        const double y = std::clamp(h * i / (kRtaAxisLabels - 1), 7.0, h - 7.0);
        const QRectF box(area.width() - 40, y - 7, 37, 14);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(labels[static_cast<std::size_t>(i)]));
    }
}

}  // namespace zef
