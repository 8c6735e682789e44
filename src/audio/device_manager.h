#pragma once
// The sound-card lists the measurement windows show: driver names, whether a
// device can be opened at 48000 Hz, its channel counts and names, and its
// control panel. One manager serves the FIR wizard; a second one, listing
// inputs only, serves the analyser and the automatic equaliser. Device and
// channel numbers are 0-based indices into the lists reported here.

#include <string>
#include <vector>

namespace zef {

inline constexpr int kMeasurementSampleRate = 48000;

class AudioDeviceManager {
public:
    virtual ~AudioDeviceManager() = default;

    virtual std::vector<std::string> DriverNames() = 0;
    // Whether the device can be opened for measurement (at 48000 Hz).
    virtual bool IsUsable(int device) = 0;
    virtual int InputCount(int device) = 0;
    virtual int OutputCount(int device) = 0;
    virtual std::vector<std::string> InputNames(int device) = 0;
    virtual std::vector<std::string> OutputNames(int device) = 0;
    // Opens the driver's own settings panel, where the driver has one.
    virtual void OpenControlPanel(int device) = 0;
};

}  // namespace zef
