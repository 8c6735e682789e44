#include "app/calibration_store.h"

#include <filesystem>
#include <sstream>

#include "base/input_file.h"
#include "base/utf8_path.h"
#include "files/binary_io.h"

namespace zef {
namespace {

// A line per card input: a few hundred at most.
constexpr std::size_t kMaxStoreBytes = 1u << 20;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        parts.push_back(line.substr(start, tab - start));
    parts.push_back(line.substr(start));
    return parts;
}

bool Storable(const std::string& field) { return field.find_first_of("\t\r\n") == std::string::npos; }

std::string FileName(const std::string& path) { return Utf8FileName(path); }

}  // namespace

CalibrationStore::CalibrationStore(std::string dataFolder) : folder_(std::move(dataFolder)) {
    if (folder_.empty()) return;
    const FileBytes file = ReadWholeFile(path(), kMaxStoreBytes);
    std::istringstream text(std::string(file.bytes.begin(), file.bytes.end()));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> parts = SplitTabs(line);
        if (parts.size() != 4 || parts[0].empty() || parts[0].find_first_not_of("0123456789") != std::string::npos ||
            parts[0].size() > 6)
            continue;
        CalibrationFiles files{parts[1], parts[2]};
        if (!files.empty()) records_[{parts[3], std::stoi(parts[0])}] = files;
    }
}

std::string CalibrationStore::path() const {
    return Utf8Join(folder_, kCalibrationFileName);
}

CalibrationFiles CalibrationStore::files(const std::string& cardName, int input) const {
    const auto it = records_.find({cardName, input});
    return it == records_.end() ? CalibrationFiles{} : it->second;
}

std::string CalibrationStore::Set(const std::string& cardName, int input, const CalibrationFiles& files) {
    if (folder_.empty()) return "There is no data folder to keep the calibration in.";
    if (input < 0) return "Choose an input of the sound card.";
    if (!Storable(cardName) || !Storable(files.microphone) || !Storable(files.card))
        return "A file or card name with a tab or a line break cannot be kept.";
    measure::Calibration check;
    if (std::string e = LoadCalibration(files, check); !e.empty()) return e;
    const auto before = records_;
    if (files.empty())
        records_.erase({cardName, input});
    else
        records_[{cardName, input}] = files;
    std::string e = Save();
    if (!e.empty()) records_ = before;
    return e;
}

std::string CalibrationStore::Save() const {
    std::string text;
    for (const auto& [key, f] : records_)
        text += std::to_string(key.second) + '\t' + f.microphone + '\t' + f.card + '\t' + key.first + '\n';
    if (!WriteFileAtomic(path(), std::string_view(text))) return "Can't write " + path() + ".";
    return "";
}

std::string LoadCalibration(const CalibrationFiles& files, measure::Calibration& out) {
    measure::Calibration read;
    if (!files.microphone.empty())
        if (std::string e = ReadFrequencyCurve(files.microphone, read.microphone); !e.empty()) return e;
    if (!files.card.empty())
        if (std::string e = ReadFrequencyCurve(files.card, read.card); !e.empty()) return e;
    out = std::move(read);
    return "";
}

std::string KeptCalibration(const std::string& dataFolder, const std::string& cardName, int input,
                            measure::Calibration& out) {
    const CalibrationFiles files = CalibrationStore(dataFolder).files(cardName, input);
    if (std::string e = LoadCalibration(files, out); !e.empty()) return "Calibration: " + e;
    return "";
}

std::string CalibrationCaption(const CalibrationFiles& files) {
    if (files.empty()) return "Not calibrated";
    std::string names;
    for (const std::string* f : {&files.microphone, &files.card})
        if (!f->empty()) names += (names.empty() ? "" : " + ") + FileName(*f);
    return "Calibrated: " + names;
}

}  // namespace zef
