// Control commands of the boot loader on the simulator's standard input.

#include <functional>
#include <stdexcept>

#include "bootloader.h"

namespace zefsim {
namespace {

int count(const std::vector<std::string>& words, std::size_t at, const std::string& kind) {
    if (words.size() != at + 1) throw std::runtime_error("bootfault DEVICE " + kind + " takes a count N");
    const std::string& text = words[at];
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("N must be a number 0..999999, not '" + text + "'");
    return std::stoi(text);
}

Device& deviceOf(Simulator& sim, const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("DEVICE must be a number, not '" + text + "'");
    const std::size_t n = std::stoul(text);
    if (n < 1 || n > sim.deviceCount()) throw std::runtime_error("no device " + text + " (see list)");
    return sim.device(n - 1);
}

struct Fault {
    const char* kind;
    bool counted;
    std::function<void(Bootloader&, int)> apply;
};

const std::vector<Fault>& faults() {
    static const std::vector<Fault> table = {
        {"none", false, [](Bootloader& b, int) { b.clearFaults(); }},
        {"wrong-file", false, [](Bootloader& b, int) { b.setWrongFile(true); }},
        {"protected", false, [](Bootloader& b, int) { b.setProtected(true); }},
        {"erase", false, [](Bootloader& b, int) { b.setEraseFails(true); }},
        {"write", true, [](Bootloader& b, int n) { b.failWriteAfter(n); }},
        {"unavailable", false, [](Bootloader& b, int) { b.setUnavailable(true); }},
        {"mute", false, [](Bootloader& b, int) { b.setMute(true); }},
        {"interrupt", true, [](Bootloader& b, int n) { b.interruptAfter(n); }},
        {"checksum", true, [](Bootloader& b, int n) { b.damageRequests(n); }},
        {"noise", true, [](Bootloader& b, int n) { b.damageReplies(n); }},
    };
    return table;
}

}  // namespace

std::optional<std::string> bootloaderControl(Simulator& sim, const std::vector<std::string>& words) {
    if (words.empty() || (words[0] != "bootfault" && words[0] != "bootstatus")) return std::nullopt;
    if (words.size() < 2) throw std::runtime_error(words[0] + " takes a DEVICE");
    Device& d = deviceOf(sim, words[1]);
    auto loader = bootloaderOf(d);
    if (!loader) throw std::runtime_error("device " + words[1] + " has no boot loader");
    if (words[0] == "bootstatus") {
        if (words.size() != 2) throw std::runtime_error("bootstatus takes a DEVICE only");
        return loader->describe();
    }
    if (words.size() < 3) throw std::runtime_error("bootfault takes a DEVICE and a KIND (see help)");
    for (const Fault& f : faults()) {
        if (words[2] != f.kind) continue;
        if (!f.counted && words.size() != 3)
            throw std::runtime_error(std::string(f.kind) + " takes no count");
        f.apply(*loader, f.counted ? count(words, 3, f.kind) : 0);
        return std::string("ok\n");
    }
    throw std::runtime_error("unknown boot-loader fault '" + words[2] + "' (see help)");
}

std::string bootloaderUsage() {
    return R"(Boot loader (firmware update over the serial line; see docs/firmware.md):
  bootstatus DEVICE      mode, flash state and transfer progress
  bootfault DEVICE none          clear every boot-loader fault
  bootfault DEVICE wrong-file    refuse the image header (update ends "Wrong firmware file!")
  bootfault DEVICE protected     flash write-protected ("Device FLASH is protected!")
  bootfault DEVICE erase         erasing fails ("Device FLASH erase failed!")
  bootfault DEVICE write N       writing fails after N blocks ("Device FLASH write failed!")
  bootfault DEVICE unavailable   no update offered ("Firmware update not available.")
  bootfault DEVICE mute          the boot loader answers nothing ("Can't connect device";
                                 a device in normal firmware: use silent DEVICE on)
  bootfault DEVICE interrupt N   stop answering after N blocks until the next attempt
                                 ("Command timeout expired. Please try again.")
  bootfault DEVICE checksum N    the next N requests arrive damaged (3 in a row:
                                 "Command checksum error. Please try again.")
  bootfault DEVICE noise N       the next N replies leave damaged
)";
}

}  // namespace zefsim
