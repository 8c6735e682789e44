#pragma once
// What the measuring windows (the automatic equaliser, the real-time
// analyser) share for the whole run of the editor: the sound card and input
// chosen, the generator level, the band range and gain limit of the last fit,
// and which automatic-equaliser wizard is open (announcements ask differently
// while one is, and close it before connecting).

#include <functional>
#include <string>

namespace zef {

namespace wizard {
// A sound card and its two channels, as indices into the device manager's
// lists; -1 = not chosen.
struct CardSelection {
    int device = -1;
    int output = -1;
    int input = -1;
    bool complete() const { return device >= 0 && output >= 0 && input >= 0; }
};
}  // namespace wizard

// The level shape AutoEQ aims at: flat, a tilt in dB per octave through
// 1 kHz, or a curve file ("frequency dB" lines).
struct MeasureTarget {
    enum class Kind { Flat, Tilt, File };
    Kind kind = Kind::Flat;
    double tiltDbPerOctave = -1.0;
    std::string file;
};

inline constexpr int kMaxMicPositions = 8;  // microphone positions one run can average

struct MeasureSettings {
    int card = -1;   // index into the input device manager's list; -1 = none
    int input = -1;  // input of that card; -1 = none
    std::string cardName;  // the chosen card's name: its calibration is kept by name
    // Generator level code v while measuring: heard as v - 80 dBu (0..80).
    int noiseLevel = 76;
    bool rtaEnabled = false;
    // The analyser's scale, the same in every window and every time it shows:
    // zoom 0..2 (labels 5, 10 or 20 dB apart), shift 0..9 (top label -10 x shift dBFS).
    int rtaZoom = 1;
    int rtaShift = 1;
    int minBand = 0;     // 0..29
    int maxBand = 29;    // 0..29
    int gainChoice = 5;  // "+/- 1dB" .. "+/- 6dB" = 0..5
    int positions = 1;   // microphone positions of an AutoEQ run, 1..kMaxMicPositions
    MeasureTarget target;
    // The FIR wizard's card, line output and microphone input, chosen last
    // in any device's wizard: the next opening starts from them.
    wizard::CardSelection firWizardCards;
};

class MeasureSession {
public:
    MeasureSettings& settings() { return settings_; }

    // The open automatic-equaliser wizard registers how to close it (one at a
    // time; a second registration replaces the first) and unregisters with
    // the token it got.
    int RegisterAutoEq(std::function<void()> close) {
        closeAutoEq_ = std::move(close);
        return ++autoEqToken_;
    }
    void UnregisterAutoEq(int token) {
        if (token == autoEqToken_) closeAutoEq_ = nullptr;
    }
    bool autoEqOpen() const { return static_cast<bool>(closeAutoEq_); }
    // Closes the open wizard (which restores its device); nothing when none.
    void CloseAutoEq() {
        if (auto close = closeAutoEq_) close();
    }

private:
    MeasureSettings settings_;
    std::function<void()> closeAutoEq_;
    int autoEqToken_ = 0;
};

}  // namespace zef
