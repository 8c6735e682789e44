#pragma once
// The analyser view: the response graph with the 30 third-octave band levels
// of a microphone drawn over its curves as bars, on their own dBFS scale
// whose 14 labels run down the plot's right edge. The output editor shows it
// over the EQ curves while the analyser runs; the AutoEQ wizard shows the
// measurement's bars under the fitted EQ.
//
// Scale: zoom 0..2 puts the labels 5, 10 or 20 dB apart (10 dB times 0.5, 1
// or 2); the shift moves the top label down in 10 dB steps from 0 dBFS. A bar
// rises from the bottom of the plot to its level and spans its band's
// third-octave edges on the graph's frequency axis.

#include <array>
#include <string>

#include "measure/analyser.h"
#include "ui/response_graph.h"

namespace zef {

inline constexpr int kRtaAxisLabels = 14;
inline constexpr int kRtaZoomLevels = 3;
inline constexpr int kRtaShiftSteps = 10;

struct RtaScale {
    int zoom = 1;   // 0..2
    int shift = 1;  // 0..9: the top label is -10 * shift dBFS

    double dbPerDivision() const;
    double topDb() const;
    // The label values, top to bottom (13 divisions over the plot height).
    std::array<int, kRtaAxisLabels> labels() const;
    // Vertical position of `db` in a plot `height` high (0 = top), clamped to
    // the plot.
    double y(double db, double height) const;
};

// The horizontal extent of band k's bar in a plot mapped by `mapping`.
struct BarSpan {
    double left = 0;
    double right = 0;
};
BarSpan BandBarSpan(const dsp::GraphMapping& mapping, std::size_t band);

class AnalyserView final : public ResponseGraph {
    Q_OBJECT
public:
    explicit AnalyserView(const dsp::FrequencyGrid& grid, QWidget* parent = nullptr);

    void setLevels(const BandSpectrum& levelsDb);
    const BandSpectrum& levels() const { return levels_; }
    void setBarsVisible(bool visible);
    bool barsVisible() const { return barsVisible_; }

    void setRtaScale(RtaScale scale);
    RtaScale rtaScale() const { return scale_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BandSpectrum levels_{};
    RtaScale scale_;
    bool barsVisible_ = true;
};

}  // namespace zef
