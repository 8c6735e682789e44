#pragma once
// View state of the editors that outlives their windows: the graph's zoom
// index and shift step, shared by every editor graph, and per device the
// selected page, channel group and band.

#include <array>

#include "base/signal.h"
#include "dsp/graph.h"
#include "model/slots.h"

namespace zef {

class GraphViewState {
public:
    int zoom() const { return zoom_; }
    int shiftStep() const { return shift_; }
    // Clamped to 0..3 and 0..5; listeners hear every change.
    void setZoom(int zoom);
    void setShiftStep(int step);

    Signal<> changed;

private:
    int zoom_ = 0;
    int shift_ = 0;
};

// The channel editor's pages.
enum class EditorPage { Inputs = 0, Outputs = 1, Masking = 2, Device = 3 };

struct EditorSelection {
    EditorPage page = EditorPage::Inputs;
    int group = 0;  // channel group 0..4 whose curves the graph shows
    int band = 0;   // selected band 0..83
};

inline void GraphViewState::setZoom(int zoom) {
    zoom = zoom < 0 ? 0 : (zoom >= dsp::kZoomLevels ? dsp::kZoomLevels - 1 : zoom);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    changed.Emit();
}

inline void GraphViewState::setShiftStep(int step) {
    step = step < 0 ? 0 : (step >= dsp::kShiftSteps ? dsp::kShiftSteps - 1 : step);
    if (step == shift_) return;
    shift_ = step;
    changed.Emit();
}

}  // namespace zef
