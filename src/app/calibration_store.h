#pragma once
// The calibration chosen for each sound-card input, kept between runs: for a
// card (by its name, which outlives the card's place in the list) and an
// input index, the microphone's calibration file and the card's own. The
// file "calibrations.cfg" in the data folder holds one line per input:
//
//   <input index> TAB <microphone file> TAB <card file> TAB <card name>
//
// (an empty field: no file of that kind). It is rewritten atomically; a
// malformed line is skipped when read.

#include <map>
#include <string>
#include <utility>

#include "measure/calibration.h"

namespace zef {

inline constexpr const char* kCalibrationFileName = "calibrations.cfg";

struct CalibrationFiles {
    std::string microphone;
    std::string card;

    bool empty() const { return microphone.empty() && card.empty(); }
    bool operator==(const CalibrationFiles&) const = default;
};

class CalibrationStore {
public:
    // Reads the file in `dataFolder` (none, or no folder: nothing kept).
    explicit CalibrationStore(std::string dataFolder);

    // The files kept for the input; both empty when none.
    CalibrationFiles files(const std::string& cardName, int input) const;
    // Keeps `files` for the input (both empty forgets it). Every named file
    // is read first: "" when kept, else the reader's message naming the file
    // and line, or why the store could not be written — and nothing changed.
    std::string Set(const std::string& cardName, int input, const CalibrationFiles& files);

    std::string path() const;

private:
    std::string Save() const;

    std::string folder_;
    std::map<std::pair<std::string, int>, CalibrationFiles> records_;
};

// Reads both files (an empty name: no curve). "" and `out` filled, or the
// reader's message.
std::string LoadCalibration(const CalibrationFiles& files, measure::Calibration& out);

// The calibration kept for a card input of the store in `dataFolder`, read
// from its files: "" and `out` filled (empty when none is kept), or the
// reader's message, prefixed so that the user knows it is the calibration.
std::string KeptCalibration(const std::string& dataFolder, const std::string& cardName, int input,
                            measure::Calibration& out);

// What a window shows of the calibration in use: "Calibrated: mic.txt + card.txt",
// "Calibrated: mic.txt", or "Not calibrated".
std::string CalibrationCaption(const CalibrationFiles& files);

}  // namespace zef
