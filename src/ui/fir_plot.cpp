#include "ui/fir_plot.h"

#include <QPainter>
#include <cmath>

namespace zef {
namespace {

struct LinearTick {
    double hz;
    const char* text;
};
constexpr LinearTick kLinearTicks[] = {{0, "0"},       {4000, "4k"},   {8000, "8k"},
                                       {12000, "12k"}, {16000, "16k"}, {20000, "20k"}};

}  // namespace

FirPlot::FirPlot(QWidget* parent) : ReadoutPlot({360, 200}, parent) {}

void FirPlot::setData(Data data) {
    data_ = std::move(data);
    hideReadout();
    update();
}

void FirPlot::setColour(QColor colour) {
    colour_ = colour;
    update();
}

QRect FirPlot::plotArea() const { return PlotArea(size(), margins_); }

fir::FirPlotMapping FirPlot::mapping() const {
    const QRect area = plotArea();
    return {static_cast<double>(area.width()), static_cast<double>(area.height()), data_.logarithmic,
            data_.range};
}

QString FirPlot::ValueLabel(double value) const {
    const double magnitude = std::fabs(value);
    if (magnitude >= 1000.0 && std::fmod(magnitude, 1000.0) == 0.0)
        return QString::number(value / 1000.0, 'f', 0) + "k";
    return QString::number(value, 'g', 6);
}

void FirPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colours_.background);
    const QRect area = plotArea();
    const fir::FirPlotMapping m = mapping();
    const QPointF origin = area.topLeft();

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colours_.grid, 1));
    for (double hz : fir::FrequencyLines(data_.logarithmic)) {
        const int x = static_cast<int>(std::lround(origin.x() + m.x(hz)));
        p.drawLine(x, area.top(), x, area.bottom());
    }
    const std::vector<double> values = fir::ValueLines(data_.range);
    for (double v : values) {
        const int y = static_cast<int>(std::lround(origin.y() + m.y(v)));
        p.drawLine(area.left(), y, area.right(), y);
    }
    p.drawRect(area.adjusted(0, 0, -1, -1));

    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(colours_.labels);
    for (double v : values) {
        const double y = origin.y() + m.y(v);
        p.drawText(QRectF(0, y - 7, margins_.left - 4, 14), Qt::AlignRight | Qt::AlignVCenter, ValueLabel(v));
    }
    p.drawText(QRectF(2, 0, margins_.left, 12), Qt::AlignLeft | Qt::AlignTop, data_.range.unit);
    auto tick = [&](double hz, const char* text) {
        const double x = origin.x() + m.x(hz);
        p.drawText(QRectF(x - 14, area.bottom() + 2, 28, margins_.bottom - 2),
                   Qt::AlignHCenter | Qt::AlignTop, text);
    };
    if (data_.logarithmic) {
        for (const FrequencyTick& t : FrequencyTicks()) tick(t.hz, t.text);
    } else {
        for (const LinearTick& t : kLinearTicks) tick(t.hz, t.text);
    }

    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(colour_, 1.0);
    pen.setCosmetic(true);
    p.setPen(pen);
    const auto runs = fir::SeriesPolylines(data_.values, data_.hz, m, data_.magnitude, data_.thresholdDb);
    // Two antialiased hairlines half a pixel either side, as the response graph draws its curves.
    for (const auto& run : runs) {
        const auto points = ColumnReducedPolyline(run, origin);
        if (points.size() < 2) continue;
        for (double dy : {-0.5, 0.5}) {
            p.translate(0, dy);
            p.drawPolyline(points.data(), static_cast<int>(points.size()));
            p.translate(0, -dy);
        }
    }
}

QString FirPlot::ReadoutAt(double x) const {
    if (data_.values.empty() || data_.hz.size() < 2) return {};
    const double hz = mapping().frequencyAt(x);
    const std::size_t k =
        fir::NearestBin(hz, data_.hz[1] - data_.hz[0], std::min(data_.values.size(), data_.hz.size()));
    return QString::fromStdString(fir::FirReadout(data_.view, data_.values[k], data_.hz[k], decimalComma_));
}

QString FirPlot::ReadoutUnder(QPointF widgetPoint) const {
    const QRect area = plotArea();
    return area.contains(widgetPoint.toPoint()) ? ReadoutAt(widgetPoint.x() - area.left()) : QString();
}

}  // namespace zef
