#pragma once
// The measurement plot of the plot widget family: named curves over an x axis
// (time in ms, or frequency on a log axis) against a left y axis and an
// optional right one (phase in degrees), with grid, tick labels and units, a
// legend of the visible curves' names, and a read-out of the value under the
// pointer. Curves are copied; geometry comes from ui/plot_axes.h and
// ui/graph_paths.h. Resizes with its window, draws antialiased.

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/graph_paths.h"
#include "ui/plot_axes.h"
#include "ui/readout_plot.h"

class QFontMetrics;
class QPainter;

namespace zef {

class XyPlot final : public ReadoutPlot {
    Q_OBJECT
public:
    struct Curve {
        QString name;
        std::vector<double> x, y;
        QColor colour;
        bool rightAxis = false;
        bool visible = true;
    };

    explicit XyPlot(QWidget* parent = nullptr);

    void setAxes(const PlotAxis& x, const PlotAxis& left);
    void setRightAxis(const PlotAxis& right);  // shown while a visible curve uses it
    const PlotAxis& xAxis() const { return x_; }
    const PlotAxis& leftAxis() const { return left_; }

    void clearCurves();
    // Adds or replaces the curve of that name.
    void setCurve(const Curve& curve);
    // Every curve on the right axis shown or hidden ("Magn && Phase").
    void setRightCurvesVisible(bool visible);
    const Curve* curve(const QString& name) const;
    // Names of the visible curves, in legend order.
    QStringList legend() const;

    // The read-out the pointer at `widgetPoint` gets ("" outside the plot).
    QString readoutAt(QPointF widgetPoint) const;
    QRect plotArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QString ReadoutUnder(QPointF widgetPoint) const override;

private:
    bool RightAxisInUse() const;
    // The stages of a paint, in drawing order.
    void DrawGrid(QPainter& p, const QRect& area, const QFontMetrics& fm) const;
    void DrawCurves(QPainter& p, const QRect& area) const;
    void DrawLegend(QPainter& p, const QRect& area, const QFontMetrics& fm) const;

    PlotAxis x_{0, 1, false, "ms"};
    PlotAxis left_{-1, 1, false, ""};
    PlotAxis right_{-180, 180, false, "Deg"};
    std::vector<Curve> curves_;
    PlotMargins margins_{44, 8, 44, 18};
};

}  // namespace zef
