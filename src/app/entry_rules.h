#pragma once
// The commit and drag rules of the editors' value controls, as pure
// functions over a parameter description (model/parameters.h):
//
//  - a typed value is read with the locale's separator, clamped to the
//    parameter's range (never refused) and snapped to what the device can
//    hold: the slider's code for a slider control, whole hertz for a band
//    frequency (half to even) or a crossover frequency (truncated), the Q
//    table, the delay counters, whole numbers for the dynamic filter;
//  - a drag area maps the pointer's vertical position to a slider position;
//  - a band dragged on a graph takes its frequency from the logarithmic x
//    axis and its gain from the y axis, within the band gain range.

#include <optional>
#include <string>
#include <string_view>

#include "dsp/graph.h"
#include "model/parameters.h"

namespace zef {

// The value the device keeps for a typed value: clamped to the range, then snapped.
double SnapEntry(const ParameterDescription& described, double value);

// The text a box shows for a value (the locale's separator; delay with up
// to three decimals).
std::string EntryText(const ParameterDescription& described, double value, bool decimalComma);

// Reads a committed box text: blanks removed, the locale's separator.
// nullopt for an empty or unreadable text (nothing is committed).
std::optional<double> ReadEntry(std::string_view text, bool decimalComma);

// The delay box in its unit: a typed value in metres (or ms) clamped to the
// unit's range and converted to milliseconds.
double DelayEntryMs(double typed, bool metres);
// The delay as the box shows it in the unit.
double DelayInUnit(double ms, bool metres);

// Slider position 1..count for a pointer at `y` in a drag area of `height`
// (position 1 at the top); clamped to the slider's range.
int DragPosition(double y, double height, int count);

// A band dragged on the graph to (x, y).
struct BandDrag {
    double frequencyHz;  // 20..20000, whole hertz
    double gainDb;       // -15..+15, snapped to 0.5 dB
};
BandDrag BandDragAt(const dsp::GraphMapping& mapping, double x, double y);

// "Freq=1000Hz; Gain=3.5dB".
std::string BandDragReadout(const BandDrag& drag, bool decimalComma);

}  // namespace zef
