#pragma once
// The plot of the FIR views (magnitude, phase, group delay): a member of the
// response graph's family. Same plot area, colours, column-reduced
// polylines and read-out label as ResponseGraph, on an axis of its own: a
// value range per view and a logarithmic (20 Hz..20 kHz) or linear
// (0..20 kHz) frequency axis. Geometry comes from dsp/fir_views.h.
//
// Segments of a gated series (phase, group delay) are drawn only where the
// magnitude at both ends reaches the threshold. Moving the pointer over the
// plot shows the value of the series at the frequency under it.

#include <QColor>
#include <QWidget>
#include <vector>

#include "dsp/fir_views.h"
#include "ui/graph_paths.h"
#include "ui/readout_plot.h"
#include "ui/response_graph.h"

namespace zef {

class FirPlot final : public ReadoutPlot {
    Q_OBJECT
public:
    explicit FirPlot(QWidget* parent = nullptr);

    struct Data {
        fir::FirView view = fir::FirView::Magnitude;
        std::vector<double> values;     // one per bin
        std::vector<double> hz;         // bin frequencies
        std::vector<double> magnitude;  // the gate (empty: ungated)
        double thresholdDb = fir::kThresholdLowDb;
        fir::ValueRange range;
        bool logarithmic = true;
    };
    // Copies the series and repaints.
    void setData(Data data);
    const Data& data() const { return data_; }
    void setColour(QColor colour);
    void setDecimalComma(bool on) { decimalComma_ = on; }

    fir::FirPlotMapping mapping() const;
    QRect plotArea() const;

    // The read-out for the pointer at `x` (plot coordinates); empty without data.
    QString ReadoutAt(double x) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QString ReadoutUnder(QPointF widgetPoint) const override;

private:
    QString ValueLabel(double value) const;

    Data data_;
    QColor colour_{255, 0, 255};
    ResponseGraph::Colours colours_;
    PlotMargins margins_{52, 6, 14, 16};
    bool decimalComma_ = false;
};

}  // namespace zef
