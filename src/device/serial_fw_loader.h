#pragma once
// The firmware loader on a serial port (boot_protocol.h for the wire).
//
// A load:
//   1. the file is read and checked whole (wrong file: code 1, nothing is
//      sent and the port is not opened)
//   2. the port "COM"n is opened at the given baud rate (code 5 if not)
//   3. enter request; an echo that refuses ends the load (code 8); no echo
//      goes on, the device may already run its boot loader
//   4. HELLO: no answer is code 5; the model code must be the file's and
//      the image must fit the flash (code 1)
//   5. ERASE with the file's header, WRITE block by block (1024 bytes each,
//      the last one shorter), VERIFY (the device's CRC must be the file's),
//      RUN
// Every request is sent up to `attempts` times while its reply is missing
// or damaged, or says the request arrived damaged. Out of attempts: code 6
// for a missing reply (code 5 during HELLO), code 7 for damage. A device
// status maps to its code (wrong file 1, protected 2, erase 3, write,
// verify or order 4, not available 8).
//
// A device interrupted part-way stays in its boot loader with its flash
// erased; the next load starts over from the enter request.

#include <memory>
#include <optional>
#include <string>

#include "device/fw_loader.h"
#include "files/sfu_file.h"
#include "transport/transport.h"

namespace zef {

struct FwLoaderTimeouts {
    // Time the device has to answer, on top of the line time of request and
    // reply at the open baud rate (SerialPort::Read adds that).
    int enterMs = 300;
    int helloMs = 300;
    int eraseMs = 10000;
    int writeMs = 1000;
    int verifyMs = 3000;
    int runMs = 1000;
    int attempts = 3;  // per request
};

class SerialFwLoader final : public FwLoader {
public:
    // `port` is the loader's own port object (the program's port is closed
    // while the loader runs).
    explicit SerialFwLoader(std::unique_ptr<SerialPort> port, FwLoaderTimeouts timeouts = {});
    ~SerialFwLoader() override;

    void SetProgressHandler(ProgressHandler handler) override { handler_ = std::move(handler); }
    int Load(const std::string& path, const std::string& portName, int baud) override;

    // n for "COM"n with n in 1..64; nothing for any other name.
    static std::optional<int> PortNumber(const std::string& name);

private:
    // The result of one request: a reply, or the failure code if it never came intact.
    struct Outcome {
        int code = kFwLoaded;
        std::uint8_t status = 0;
        std::uint32_t value = 0;
    };
    int Transfer(const SfuFile& file);
    Outcome Exchange(const std::vector<std::uint8_t>& request, std::uint8_t command, int timeoutMs,
                     std::optional<std::uint32_t> expectedValue = std::nullopt);
    void Progress(const std::string& text, int percent);

    std::unique_ptr<SerialPort> port_;
    FwLoaderTimeouts timeouts_;
    ProgressHandler handler_;
    std::string wrongFile_;  // why the file is wrong (code 1), for the failure's text
};

}  // namespace zef
