#pragma once
// The response graph: the one plot widget of the editors ("View All Graph",
// the output editor and the wizard views draw with it too). It draws a grid
// on the three-decade frequency axis, the amplitude labels of the zoom and
// shift in use (or a fixed +-30 dB scale), any number of curves, and band
// markers that can be dragged. It keeps its own copy of the curves it shows,
// so a graph stays drawable while its device's response arrays are released.
// Geometry comes from dsp/graph.h, in the widget's own plot area; the widget
// resizes with its window and draws antialiased.

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "dsp/graph.h"
#include "ui/graph_paths.h"

class QLabel;
class QPainter;

namespace zef {

// The plot family's pointer read-out: a small pale label on `plot`, hidden
// until a pointer position is shown.
QLabel* MakePointerReadout(QWidget* plot, const char* objectName);
// Shows `text` on the read-out just above and to the right of `near` (plot
// coordinates), kept inside its plot.
void ShowPointerReadout(QLabel* readout, const QString& text, QPoint near);

class ResponseGraph : public QWidget {
    Q_OBJECT
public:
    enum class Scale { Editor, ViewAll };

    struct Trace {
        dsp::Curve curve{};
        QColor colour;
        double width = 2.0;
    };

    struct Marker {
        int id = 0;  // band number, reported back on a drag
        double frequencyHz = 1000;
        double gainDb = 0;
        QColor colour;
        bool selected = false;
    };

    struct Colours {
        QColor background{16, 20, 28};
        QColor grid{70, 76, 88};
        QColor labels{190, 196, 206};
    };

    explicit ResponseGraph(const dsp::FrequencyGrid& grid, QWidget* parent = nullptr);

    void setScale(Scale scale);
    // Zoom index 0..3 and shift step 0..5 of the editor scale.
    void setView(int zoom, int shiftStep);
    void setColours(const Colours& colours);
    void setPenWidth(double width) { penWidth_ = width; }

    // Replaces the curves (copied).
    void clearTraces();
    void setTrace(std::size_t index, const dsp::Curve& curve, QColor colour);
    void setTraceCount(std::size_t count);
    std::size_t traceCount() const { return traces_.size(); }
    const Trace& trace(std::size_t index) const { return traces_.at(index); }

    // A key drawn in the plot's top-left corner over the curves: a short line
    // of each entry's colour (none when the colour is invalid) and its text.
    struct LegendEntry {
        QString text;
        QColor colour;
    };
    void setLegend(std::vector<LegendEntry> entries);
    const std::vector<LegendEntry>& legend() const { return legend_; }

    void setMarkers(std::vector<Marker> markers);
    const std::vector<Marker>& markers() const { return markers_; }

    // The mapping of the plot area as drawn now.
    dsp::GraphMapping mapping() const;
    QRect plotArea() const;

    // Text shown beside the pointer (empty hides it).
    void showReadout(const QString& text, QPoint near);
    void hideReadout();
    QString readoutText() const;
    bool readoutVisible() const;

    // Pointer events in plot coordinates (x, y from the plot area's corner).
    // A press near a marker starts a marker drag (markerPressed, then
    // markerDragged, markerReleased); any other press is a plot drag.
    std::function<void(int id, double x, double y)> markerPressed;
    std::function<void(int id, double x, double y)> markerDragged;
    std::function<void(int id)> markerReleased;
    std::function<void(double x, double y)> plotPressed;
    std::function<void(double x, double y)> plotDragged;
    std::function<void()> plotReleased;

    // Redraws counted since construction (for tests of what repaints).
    int paints() const { return paints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<int> MarkerAt(QPointF plotPoint) const;
    QPointF ToPlot(QPointF widgetPoint) const;
    // The stages of a paint, in drawing order.
    void DrawGrid(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const;
    void DrawLabels(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const;
    void DrawTraces(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const;
    void DrawMarkers(QPainter& p, const QRect& area, const dsp::GraphMapping& m) const;
    void DrawLegend(QPainter& p, const QRect& area) const;
    // The amplitude label of `row` (0 at the top) for the scale, zoom and shift in use.
    QString AmplitudeLabel(int row) const;

    const dsp::FrequencyGrid& grid_;
    Scale scale_ = Scale::Editor;
    int zoom_ = 0;
    int shift_ = 0;
    double penWidth_ = 2.0;
    Colours colours_;
    PlotMargins margins_;
    std::vector<Trace> traces_;
    std::vector<Marker> markers_;
    std::vector<LegendEntry> legend_;
    QLabel* readout_ = nullptr;
    std::optional<int> draggedMarker_;
    bool plotDrag_ = false;
    int paints_ = 0;
};

}  // namespace zef
