#pragma once
// The firmware loader seam: puts a firmware file (.sfu, sfu_file.h) into an
// amplifier over its USB serial port. The loader opens the port itself, by
// the name the user sees ("COM" + number), so the program's own serial port
// must be closed first.
//
// Progress and failures arrive through one handler, called on the calling
// thread while Load runs:
//   code 0      progress: a status text (with a leading blank, shown after
//               "Status:") and a percentage 0..100
//   codes 1..8  the reason the load failed (FwLoadCode), reported once,
//               just before Load returns that code; for code 1 the text
//               names the file and what is wrong with it
//               ("PATH: the firmware image is damaged"), else it is empty

#include <functional>
#include <string>

namespace zef {

enum FwLoadCode : int {
    kFwLoaded = 0,     // as a Load result; as an event code: progress
    kFwWrongFile = 1,  // damaged or incomplete file, or made for another model
    kFwProtected = 2,  // the device's flash is write-protected
    kFwEraseFailed = 3,
    kFwWriteFailed = 4,   // a block was not written, or the written image does not verify
    kFwNoDevice = 5,      // the port cannot be opened or nothing answers on it
    kFwTimeout = 6,       // the device stopped answering during the load
    kFwChecksum = 7,      // requests or replies kept arriving damaged
    kFwNotAvailable = 8,  // the device does not offer a firmware update
};

class FwLoader {
public:
    using ProgressHandler = std::function<void(int code, const std::string& text, int percent)>;

    virtual ~FwLoader() = default;

    virtual void SetProgressHandler(ProgressHandler handler) = 0;

    // Loads the firmware file at `path` into the device on port `portName`
    // ("COM" + 1..64) at `baud`. Returns 0 when the device runs the new
    // firmware, otherwise the failure code that was reported. The port is
    // closed again in every case.
    virtual int Load(const std::string& path, const std::string& portName, int baud) = 0;
};

}  // namespace zef
