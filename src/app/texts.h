#pragma once
// Every text the application layer shows the user — titles, messages,
// questions, captions — exactly as it appears, in one place. The use cases
// and windows name them; nothing else spells them.

#include <string>

namespace zef {

// ---- Confirmations asked in several places ----
// A confirmation: the question, then a line that says what Yes does.
inline std::string SureThat(const char* question, const char* consequence) {
    return std::string(question) + "\n" + consequence;
}
inline constexpr const char* kStoreConsequence = "The running program replaces what the chosen slot holds.";
inline constexpr const char* kExitConsequence = "The program closes and every device is disconnected.";
// What a copy replaces: the groups copied, and what stays (gain and routing of an output).
inline constexpr const char* kOutputCopyConsequence =
    "Copies EQ bands and bypass, FIR, crossovers, delay, polarity, compressor and limiter; gain and routing stay.";
inline constexpr const char* kInputCopyConsequence = "Copies noise gate, channel mode, EQ bands and bypass, gain and mute.";
inline constexpr const char* kEqFlatConsequence = "Every band of this equaliser is set to 0 dB.";
inline constexpr const char* kCloseEditorConsequence = "The editor closes; the device keeps its settings.";
inline constexpr const char* kFirUnstoredConsequence = "The imported FIR is dropped; the device keeps its FIR.";
inline constexpr const char* kEqModeConsequence =
    "The output equalisers are rebuilt for the new mode and the editor closes.";
inline constexpr const char* kSetupCancelConsequence = "The page's changes are dropped; the device is not written.";
// Storing a program, leaving the program, leaving the FIR import unstored.
inline constexpr const char* kSureQuestion = "               Are you sure ? ";
// Switching an output's EQ mode, cancelling the network settings page.
inline constexpr const char* kPlainSureQuestion = "Are you sure?";

// ---- Device announcements ----
inline constexpr const char* kConnectQuestion = "Do you want to connect?";
inline constexpr const char* kCloseAutoEqText =
    "The system must close the AUTOEQ wizard to connect\r\nDo you want to continue?";
inline constexpr const char* kUnreachableText =
    "The device is UNREACHABLE!\r\nPlease check your network settings.";

// ---- The automatic equaliser wizard ----
inline constexpr const char* kAutoEqCaption = "AUTOEQ Wizard";
inline constexpr const char* kAutoEqOutputCaption = "AUTOEQ - Output ";  // + output number
inline constexpr const char* kAutoEqWelcomePage = "Welcome to AUTOEQ Wizard";
inline constexpr const char* kAutoEqCardPage = "Set ASIO Card && Test Mic";
inline constexpr const char* kAutoEqRunPage = "AUTOEQ";
inline constexpr const char* kAutoEqIntro[] = {
    "AUTOEQ Wizard is a tool for correcting the ambient response using a bank of 30 PEQ filters.",
    ("The ambient response can be measured by means of an ASIO audio card; the Wizard will "
     "automatically generate the PEQ filters to compensate the response."),
    "During the measurement and the AUTOEQ computation the system will:",
    "- configure and run the internal pink noise generator ",
    "- keep the unused output channel muted",
    "- keep all PEQ filters Bypassed",
    "- keep all dynamic processes disabled",
};
inline constexpr const char* kExitCaption = "Exit";
inline constexpr const char* kNextCaption = "Next";
inline constexpr const char* kBackCaption = "Back";
inline constexpr const char* kStartCaption = "Start";
inline constexpr const char* kMicInCaption = "MIC IN";
inline constexpr const char* kControlPanelCaption = "Control Panel";
inline constexpr const char* kLevelDbuCaption = "Level [dBu]";
inline constexpr const char* kMicTestCaption = "Mic Test";
inline constexpr const char* kMicTestTitle = "Mic Test";
inline constexpr const char* kMicRangeHint = "It should be in the range [-30, -1] dBFS";
inline constexpr const char* kMeasuringCaption = "Measuring Response ...";
inline constexpr const char* kVerifyCaption = "Verify";
inline constexpr const char* kStopCaption = "Stop";
inline constexpr const char* kApplyCaption = "Apply";
inline constexpr const char* kOverallEqCaption = "Overall EQ";
inline constexpr const char* kMeasureCaption = "Measure";
// The AutoEQ graph's key.
inline constexpr const char* kOverallEqLegend = "Overall EQ: the fitted filters (dB, left scale)";
inline constexpr const char* kMeasureLegend = "Measure: the room as measured (dB, left scale)";
inline constexpr const char* kTargetLegend = "Target: the shape the fit aims at (dB, left scale)";
inline constexpr const char* kBandsLegend = "Bars: microphone level per band (dBFS, right scale)";
inline constexpr const char* kFrequencyLegend = "Frequency in Hz";
inline constexpr const char* kRunProgressFormat = "%d s of %d s";
inline constexpr const char* kAutoEqTitle = "AutoEQ";
inline constexpr const char* kAutoEqLevelTitle = "AUTOEQ";
inline constexpr const char* kInputTooHighText =
    "Mic input level to high. Please decrease the PinkNoise level or the MIC input gain";
inline constexpr const char* kInputTooLowText =
    "Mic input level to low. Please increase the PinkNoise level or the MIC input gain";
inline constexpr const char* kTimeOutText = "Time-Out, Asio card problem";
inline constexpr const char* kCloseAutoEqTitle = "Close AUTOEQ wizard";
inline constexpr const char* kApplyAutoEqQuestion = "Do you want to apply AutoEq filters?";
// Our own additions: a run that cannot start for want of a card or a device.
inline constexpr const char* kChooseCardText = "Please select an ASIO card and its MIC IN input";
// Our own: AutoEQ fits all 30 bands, which play only in the 30-band mode.
inline constexpr const char* kAutoEqNeeds30BandsText =
    "The outputs are in the 10 PEQ + FIR mode, where bands 11 to 30 do not play; AutoEQ fits all "
    "30 bands. Switch the EQ mode to 30 PEQ first.";
inline constexpr const char* kDeviceStateText = "The device did not take the measuring settings";
inline constexpr const char* kApplyFailedText = "The AutoEQ filters could not be sent to the device";
// The band deviation read-outs of the result page: "%s" is dB rms with one decimal.
inline constexpr const char* kMeasuredDeviationFormat = "Deviation: measured %s dB rms";
inline constexpr const char* kVerifiedDeviationFormat = ", now %s dB rms";
inline constexpr const char* kFromCaption = "From";
// Several microphone positions in one AutoEQ run.
inline constexpr const char* kPositionsCaption = "Positions";
inline constexpr const char* kMovePositionFormat =
    "Position %d of %d is measured. Move the microphone to position %d, then press OK to measure there "
    "(Cancel stops the run).";
inline constexpr const char* kPositionProgressFormat = " position %d of %d";
inline constexpr const char* kAwaitingMoveFormat = "Waiting for the microphone at position %d of %d";
// "%d" positions, "%s" dB with one decimal, "%d" the band's centre in Hz.
inline constexpr const char* kSpreadFormat = "Spread over %d positions: largest %s dB at %d Hz";
inline constexpr const char* kToCaption = "To";
inline constexpr const char* kMaxGainCaption = "Max. Gain";

// ---- The real-time analyser ----
inline constexpr const char* kRtaSettingsTitle = "RTA Settings";
inline constexpr const char* kSelectCardCaption = " Select ASIO card";
inline constexpr const char* kEnableRtaCaption = "Enable RTA";
inline constexpr const char* kCancelCaption = "Cancel";
inline constexpr const char* kRtaInfo[] = {
    "During the RTA the system will:",
    " - Keep the internal pink noise generator enabled",
    " - Keep the unused output channel muted",
};
inline constexpr const char* kRtaStartCaption = "Start RTA";
inline constexpr const char* kRtaStopCaption = "Stop RTA";
inline constexpr const char* kNoiseGenCaption = "Noise Gen.";
inline constexpr const char* kMicLevelCaption = "Mic Level";
inline constexpr const char* kZoomAxisCaption = "Zoom Axis dB";
inline constexpr const char* kShiftAxisCaption = "Shift Axis dB";

// ---- Connecting and disconnecting ----
inline constexpr const char* kConnectTitle = "Connect";
inline constexpr const char* kConnectAllTitle = "Connect All Device(s) in the List";
inline constexpr const char* kReadOptionText = "Read current settings from Device";
inline constexpr const char* kLoadOptionText = "Load current settings to Device";
inline constexpr const char* kNoLanText = "LAN or WLAN not found";
inline constexpr const char* kDeviceNotFoundText = "Device not found";
inline constexpr const char* kDevicesNotFoundText = "Device(s) not found";
inline constexpr const char* kFirmwareUpdateTitle = "Firmware Update";
inline constexpr const char* kOldFirmwareText = "Please update the firmware with then release >= v2.0.0";
inline constexpr const char* kDisconnectTitle = "Disconnect";
inline constexpr const char* kDisconnectAllQuestion = "Disconnect all Device(s),\r\nare you sure?";
inline constexpr const char* kCommProblemTitle = "Communication problem";
inline constexpr const char* kBackOnlineTitle = "Device back on-line";
inline constexpr const char* kUsbDisconnectedText = " Device disconnected";
inline constexpr const char* kFwUpdateTitle = "Fw Update";
inline constexpr const char* kConnectDeviceFirstText = "Please connect the device";
inline constexpr const char* kNotConnectedTitle = "Device not connected";
inline constexpr const char* kConnectNowQuestion = "Do you want to connect the device?";
// A USB serial port the system refused; SerialPermissionText puts the device
// file between the text and the advice of the platform it runs on.
inline constexpr const char* kSerialPermissionTitle = "USB Permission";
inline constexpr const char* kSerialPermissionText = "Permission denied on the USB serial port ";
// Linux: the group "dialout" owns USB serial adapters.
inline constexpr const char* kSerialPermissionFixLinux =
    ".\r\nAdd your user to the group \"dialout\" (sudo adduser $USER dialout),\r\n"
    "then log out and log in again.";
// macOS asks no permission for serial ports: a refusal means the adapter's driver.
inline constexpr const char* kSerialPermissionFixMac =
    ".\r\nCheck that the driver of the USB serial adapter is installed and allowed\r\n"
    "(System Settings, Privacy & Security), then plug the amplifier in again.";
// Windows refuses a port that another program holds open, or whose driver is missing.
inline constexpr const char* kSerialPermissionFixWindows =
    ".\r\nThe port is in use by another program, or the driver of the USB serial\r\n"
    "adapter is missing: close the other program or install the driver, then try again.";

// ---- The editors' questions ----
inline constexpr const char* kBridgeTitle = "Bridge Mode";
inline constexpr const char* kBridgeEnableQuestion = "Do you want to enable the Bridge Mode?";
inline constexpr const char* kBridgeDisableQuestion = "Do you want to disable the Bridge Mode?";
inline constexpr const char* kCopyTitle = "Copy";
inline constexpr const char* kCopySameText = "Copy not possible, Source=Destination";
inline constexpr const char* kInputCopyCaption = "Input Copy";
inline constexpr const char* kOutputCopyCaption = "Output Copy";
inline constexpr const char* kInputSourceLabel = "Input Source";
inline constexpr const char* kInputDestinationLabel = "Input Destination";
inline constexpr const char* kOutputSourceLabel = "Output Source";
inline constexpr const char* kOutputDestinationLabel = "Output Destination";

// ---- Firmware update ----
inline constexpr const char* kFwWindowTitle = "Firmware Update";
inline constexpr const char* kFwNoFileLabel = "Search .sfu file";
inline constexpr const char* kFwStatusLabel = "Status:";
inline constexpr const char* kFwFileFilter = "Fw Update(*.Sfu)|*.sfu";
inline constexpr const char* kFwNoFileTitle = "Search File";
inline constexpr const char* kFwNoFileText = "please insert a .sfu file";
inline constexpr const char* kFwLoadedText = "Firmware successfully loaded!";

// ---- The link ----
inline constexpr const char* kCommErrorTitle = "Communication Error";
inline constexpr const char* kCommErrorText = "Connection will be closed.\r\nCommand Timeout Expired.";
inline constexpr const char* kReconnectingCaption = "Reconnecting ...";

// ---- The device list ----
inline constexpr const char* kAddDeviceTitle = "Add Device";
inline constexpr const char* kAddTitle = "Add";
inline constexpr const char* kMaxDevicesText = "Max added device is 32";
inline constexpr const char* kIpNotCorrectText = "IP address not correct";
inline constexpr const char* kUsbAlreadyListedText = "Device with USB already on the list!";
inline constexpr const char* kRemoveTitle = "Remove Device(s)";
inline constexpr const char* kSelectDeviceText = "Please select a device";
inline constexpr const char* kRemoveQuestion = "Remove selected device(s),\r\nare you sure?";
inline constexpr const char* kEditNameTitle = "Edit Device Name";
inline constexpr const char* kNameMissingText = "Please input a name";
inline constexpr const char* kMinCharactersText = "Please input min. 3 characters";

// ---- The main window ----
inline constexpr const char* kExitTitle = "Exit";
inline constexpr const char* kLoadProjectTitle = "Load project";
inline constexpr const char* kNewProjectTitle = "New project";
inline constexpr const char* kSettingsLostQuestion = "All settings not saved will be lost.\r\nDo you want to continue?";
inline constexpr const char* kSaveProjectTitle = "Save project";

// ---- Network settings ----
inline constexpr const char* kApplyTitle = "Apply";
inline constexpr const char* kApplyQuestion =
    "The settings will be applied after reboot the device,\r\ndo you want to continue?";
inline constexpr const char* kBadAddressText = "Please insert a correct IP Address";
inline constexpr const char* kBadMaskText = "Please insert a correct Subnet Mask";
inline constexpr const char* kBadGatewayText = "Please insert a correct Gateway";
inline constexpr const char* kNoSsidText = "Please insert a SSID";
inline constexpr const char* kApKeyText = "Key has to be min 8 digits";
inline constexpr const char* kWlanKeyText = "Key has to be min 1 digits";
inline constexpr const char* kSetupCancelTitle = "Cancel";

// ---- Presets ----
inline constexpr const char* kStoreTitle = "Store Program";
inline constexpr const char* kRecallTitle = "Recall Program";
inline constexpr const char* kOverwriteQuestion = "Overwrite current editing, are you sure ? ";
inline constexpr const char* kPresetEmptyText = "Preset empty";
inline constexpr const char* kEditNamesTitle = "Edit Names";
inline constexpr const char* kInputNameText = "Please input the Name !";
// Shown (information icon) when the name box receives a character outside
// the allowed set; the groups are separated by fullwidth commas (U+FF0C).
inline constexpr const char* kNameSymbolsText =
    "Please use the following symbols: 0 - 9\xEF\xBC\x8C"
    "A - Z\xEF\xBC\x8C"
    "a - z\xEF\xBC\x8C< >\xEF\xBC\x8C()"
    "\xEF\xBC\x8C-_+=... ASCII Chars";

// ---- Search ----
inline constexpr const char* kSearchTitle = "Search Device";
inline constexpr const char* kTcpInitTitle = "ZADUzuRivo";
inline constexpr const char* kTcpInitFailedText = "Wrong TCP initialization!";
inline constexpr const char* kTcpModeTitle = "TCP/IP";
inline constexpr const char* kNoNetworkSearchText = "WLAN or LAN not found";
inline constexpr const char* kSearchingTcpCaption = "Searching device via TCP/IP, please wait.....";
inline constexpr const char* kNoNewDevicesText = "No new device(s) found";

// ---- FIR store ----
inline constexpr const char* kStoreFailedTitle = "Store FIR to Device";  // critical icon
inline constexpr const char* kStoreFailedText = "FIR not updated";

}  // namespace zef
