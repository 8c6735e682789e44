#pragma once
// The channel editor's use cases that ask the user or touch files: flatten
// an equaliser, close the editor, load and save preset files, load the
// default program. The windows call these; every question and message goes
// through the dialogs seam.

#include <string>

#include "app/dialogs.h"
#include "device/device_reader.h"
#include "device/parameter_writer.h"
#include "app/texts.h"
#include "files/file_texts.h"

namespace zef {

inline constexpr const char* kEqFlatTitle = "EQ Flat";
inline constexpr const char* kCloseEditorTitle = "Close edit window";
inline constexpr const char* kPresetFolderName = "Preset";
inline constexpr const char* kSavePresetTitle = "Save preset file";
inline constexpr const char* kLoadPresetTitle = "Load preset file";
inline constexpr const char* kCantSavePresetTitle = "Error";
inline constexpr const char* kCantSavePresetText = "Can't save preset file";
inline constexpr const char* kDefaultProgramTitle = "Set Default Program";
// A program that was refused before sending or did not read back as written;
// the report's one line follows.
inline constexpr const char* kProgramNotLoadedText = "The program was not loaded to the device: ";
inline constexpr const char* kDefaultProgramQuestion =
    "Load the default program (flat, nothing routed but L to 1 and R to 2) into the device?";
inline constexpr const char* kDelayWarningTitle = "Warning";
inline constexpr const char* kDelayIncorrectText = "  Incorrect value";

// "               Are you sure ? " ("EQ Flat"); Yes sets every band of the
// group (0..4) to 0 dB, sends each band, repeats it on the linked partner
// and re-sums the group. False when declined. With `bandCount` >= 0 only
// the group's first bandCount bands are flattened (an output in the 10-band
// + FIR mode keeps its other twenty as they are).
bool FlattenEq(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, int group, int bandCount = -1);

// "               Are you sure ? " ("Close edit window"); true = close.
bool ConfirmCloseEditor(Dialogs& dialogs);

struct PresetFileOutcome {
    bool done = false;
    std::string status;  // the editor's new status text when done
};

// Asks for a file in `presetFolder` and writes the device's program.
PresetFileOutcome SavePresetFileAsked(const Model& model, DeviceSlot device, Dialogs& dialogs,
                                      const std::string& presetFolder);

// Asks for a file, checks it (a rejected file changes nothing and says why),
// puts it into the device's records, sends the program and both
// FIRs to a connected device, reloads the editor values and refreshes the
// windows with sends suppressed.
PresetFileOutcome LoadPresetFileAsked(Model& model, DeviceSlot device, Exchange& exchange, DeviceReader& reader,
                                      ResponseObserver& responses, Dialogs& dialogs,
                                      const std::string& presetFolder);

// "Set Default Program": after the question, the device's running
// program becomes the neutral default (its name kept), is sent with both
// FIRs, and the windows are refreshed.
bool LoadDefaultProgram(Model& model, DeviceSlot device, Exchange& exchange, DeviceReader& reader,
                        ResponseObserver& responses, Dialogs& dialogs);

}  // namespace zef
