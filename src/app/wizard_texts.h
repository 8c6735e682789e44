#pragma once
// The FIR wizard's texts — window and page titles, captions, hints, messages
// and questions — exactly as the user sees them. The wizard's presenters and
// widgets name them; nothing else spells them.

namespace zef::wizard_text {

// ---- Window and navigation ----
inline constexpr const char* kWindowTitle = "FIR Wizard";
inline constexpr const char* kBack = "Back";
inline constexpr const char* kNext = "Next";
inline constexpr const char* kExit = "Exit";
inline constexpr const char* kDone = "Done";

// ---- Page titles ----
inline constexpr const char* kPageWelcome = "Welcome to FIR Wizard";
inline constexpr const char* kPageGeometry = "Measurement geometry";
inline constexpr const char* kPageWiring = "Wiring and levels";
inline constexpr const char* kPageMeasure = "Measure Impulse Response";
inline constexpr const char* kPageView = "View Impulse Response";
inline constexpr const char* kPageCalculate = "Calculate FIR";
inline constexpr const char* kPageCompare = "Compare FIR and Store on DSP";

// ---- Welcome ----
inline constexpr const char* kWelcomeText =
    "This wizard designs a FIR filter that corrects the loudspeaker on this output: it measures "
    "the loudspeaker's impulse response (or opens one saved before), computes the FIR from it and "
    "your target, stores the FIR on the amplifier and measures again to verify the correction.";
inline constexpr const char* kOpenExistingIr = "Open existing IR";
inline constexpr const char* kMeasureIrChoice = "Measure IR";
inline constexpr const char* kConditionsCaption =
    "If you want to proceed with IR measurement please check the following:";
inline constexpr const char* kConditionCard =
    "An ASIO card, a measurement microphone and a (at least) 4m x 5m x 4m room are available";
inline constexpr const char* kConditionFlat =
    "Hp/Lp filters, PEQ and delay are already set on the DSP output channels for a nearly flat  "
    "anechoic frequency response on axis";
inline constexpr const char* kConditionDynamics = "All dynamic processors in the DSP will be turned off";

// ---- Geometry ----
inline constexpr const char* kGeometrySuspended = "P.A. suspended loudspeaker";
inline constexpr const char* kGeometryMonitor = "Ground monitor loudspeaker";
inline constexpr const char* kGeometryOnGround = "P.A. loudspeaker meas. on ground";
inline constexpr const char* kGeometryOk =
    "Ok, measurement geometry is already set up, following one of the three cases above";

// ---- Wiring and levels ----
inline constexpr const char* kAsio = "ASIO";
inline constexpr const char* kLineOut = "LINE OUT";
inline constexpr const char* kMicIn = "MIC IN";
inline constexpr const char* kSelectCard = "Select ASIO Card";
inline constexpr const char* kSelectOutput = "Select output channel";
inline constexpr const char* kSelectInput = "Select input channel";
inline constexpr const char* kControlPanel = "ASIO Control Panel";
inline constexpr const char* kRoomDecay = "Room decay";
inline constexpr const char* kSecondsSuffix = " sec.";
inline constexpr const char* kTest = "Test";
inline constexpr const char* kWiringHint =
    "Select an ASIO card, ASIO Input and Output to enable the \"Test\" button and \"Next\" button";
inline constexpr const char* kTestingMic = "Testing MIC ...";

// ---- Measuring ----
inline constexpr const char* kMeasureHint =
    "Press \"Measure IR\": the sweep plays through the selected output and the microphone records the "
    "loudspeaker. Keep the room quiet until the measurement has finished.";
inline constexpr const char* kMeasureIr = "Measure IR";
inline constexpr const char* kMeasuringIr = "Measuring IR....";
inline constexpr const char* kPositionsCaption = "Positions";
inline constexpr const char* kSweepsCaption = "Sweeps";
inline constexpr const char* kComputingIr = "Computing IR ...";
inline constexpr const char* kPeakLevelNone = "Peak Level = --";
inline constexpr const char* kMicClipping =
    "The input clips. Lower the sound card's output level or the microphone gain, then Test again.";
inline constexpr const char* kPeakLevelPrefix = "Peak Level = ";
inline constexpr const char* kPeakLevelSuffix = " dB";
inline constexpr const char* kSave = "Save";

// ---- Messages of the measurements ----
inline constexpr const char* kTestMicTitle = "Test MIC";
inline constexpr const char* kMeasureIrTitle = "Measure IR";
inline constexpr const char* kTestTitle = "Test";
inline constexpr const char* kVerifyTitle = "Verify";
inline constexpr const char* kSetAllAsioText = "Please set all ASIO parameters";
inline constexpr const char* kCommunicationProblemText = "Communication Problem";
inline constexpr const char* kTimeoutText =
    "Can't complete the measurement, please check your ASIO card settings";

// ---- Files ----
inline constexpr const char* kIrwFilter = "file program (*.Irw)|*.irw";
inline constexpr const char* kWizFilter = "file program (*.Wiz)|*.wiz";
inline constexpr const char* kFirTextFilter = "FIR(*.Txt)|*.txt";
inline constexpr const char* kSaveIrTitle = "Save IR";
inline constexpr const char* kOpenIrTitle = "Open IR";
inline constexpr const char* kSaveWizTitle = "Save Wizard";
inline constexpr const char* kOpenWizTitle = "Open Wizard";
inline constexpr const char* kSaveFirTitle = "Save FIR to PC";
inline constexpr const char* kOpenFirTitle = "Open a FIR to compare";
inline constexpr const char* kFileErrorTitle = " Error";

// ---- Design settings ----
inline constexpr const char* kWindowLength = "Window length";
inline constexpr const char* kMinFrequency = "-- Min. Frequency ----";
inline constexpr const char* kMaxFrequency = "-- Max. Frequency ----";
inline constexpr const char* kSmoothing = "Smoothing";
inline constexpr const char* kSmoothingWidth = "Width";
inline constexpr const char* kSmoothingThreshold = "Threshold";
inline constexpr const char* kPrecision = "Precision";
inline constexpr const char* kLatency = "Latency";
inline constexpr const char* kFirModeCaption = "FIR mode";
inline constexpr const char* kTaps = "Taps";
inline constexpr const char* kMsSuffix = " ms";
inline constexpr const char* kDbSuffix = " dB";
inline constexpr const char* kHz = "Hz";

// ---- Design and store ----
inline constexpr const char* kCalculateFir = "Calculate FIR";
inline constexpr const char* kEqTarget = "EQ Target";
inline constexpr const char* kMagnAndPhase = "Magn && Phase";
inline constexpr const char* kSaveFir = "Save FIR to PC";
inline constexpr const char* kOpenFir = "Open FIR from PC";
inline constexpr const char* kVerify = "Verify";
inline constexpr const char* kStoreFir = "Store FIR to Device";
inline constexpr const char* kSaveWizard = "Save Wizard";
inline constexpr const char* kOpenWizard = "Open Wizard";
inline constexpr const char* kClippingText = "Filter gain has been reduced to avoid clipping";
inline constexpr const char* kStoreTitle = "Store FIR";
inline constexpr const char* kAlreadyStoredQuestion =
    "The current FIR is already stored, do you want to continue?";
inline constexpr const char* kStoreSureQuestion = "            Are you sure?";
inline constexpr const char* kStoreFailedText = "Communication problem, can't store FIR.";
inline constexpr const char* kNoDesignText = "The FIR cannot be designed from this impulse response.";
inline constexpr const char* kNoIrText = "Please measure or open an impulse response first.";

// ---- Curve names ----
inline constexpr const char* kCurveIr = "IR";
inline constexpr const char* kCurveFir = "FIR";
inline constexpr const char* kCurveCombined = "IRxFIR";
inline constexpr const char* kCurveTarget = "Target";
inline constexpr const char* kCurveBefore = "Before Correction";
inline constexpr const char* kCurveAfter = "After Correction";
inline constexpr const char* kCurveCompare = "Compared FIR";

// ---- EQ target window ----
inline constexpr const char* kEqTargetTitle = "EQ Target";
inline constexpr const char* kEqTargetReset = "Reset";
inline constexpr const char* kEqTargetApply = "Apply";
inline constexpr const char* kEqTargetSections = "Use the sections";
inline constexpr const char* kEqTargetTilt = "Tilt (dB/oct)";
inline constexpr const char* kEqTargetColumns[] = {"#", "Type", "Frequency (Hz)", "Q", "Gain (dB)"};
inline constexpr const char* kEqTargetTypes[] = {"Bell",  "High shelf", "Low shelf",  "High-pass", "Low-pass",
                                                 "Notch", "All-pass 1", "All-pass 2", "Off"};

// ---- Closing ----
inline constexpr const char* kExitTitle = "Wizard Exit";
inline constexpr const char* kExitQuestion = "Do you want to store all wizard configurations to PC?";

}  // namespace zef::wizard_text
