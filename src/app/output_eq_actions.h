#pragma once
// The output EQ/FIR editor's use cases that touch files or texts: its
// window title, the FIR frame's captions and the FIR text export.

#include <string>

#include "app/dialogs.h"
#include "model/device_model.h"

namespace zef {

inline constexpr const char* kSaveFirTitle = "Save FIR";
inline constexpr const char* kSaveFirFilter = "FIR (*.txt)|*.txt";
inline constexpr const char* kCantSaveFirTitle = "Error";
inline constexpr const char* kCantSaveFirText = "Can't save FIR file";
inline constexpr const char* kOutputTabCaptions[] = {"Edit Output 1", "Edit Output 2"};
inline constexpr const char* kViewOutputCaption = "View Output Channel";
inline constexpr const char* kEqModeNames[] = {"30 PEQ", "10PEQ + FIR"};

// Device name, " - USB " or " - IP=" + address, then " - Output Filter" (and
// the off-line suffix of model/status_text.h while edited off-line).
std::string OutputEditorTitle(const DeviceEntry& entry);

// "Taps = " + the output's tap count (0..384).
std::string FirTapsCaption(const DeviceModel& device, int output);
// The output's FIR name without its padding blanks.
std::string FirNameCaption(const DeviceModel& device, int output);

// "Save": asks for a .txt file in `firFolder` and writes the output's taps,
// one coefficient per line (CR LF), the tap count's number of lines. A
// cancelled dialog writes nothing; a file that cannot be written says so.
// True when a file was written.
bool SaveFirTextAsked(const DeviceModel& device, int output, Dialogs& dialogs, const std::string& firFolder,
                      bool decimalComma);

}  // namespace zef
