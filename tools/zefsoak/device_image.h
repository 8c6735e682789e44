#pragma once
// What the soak compares: a simulated amplifier's whole state as bytes, and
// the state an operation should leave, computed with the editor's own
// libraries on a copy of the device.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/exchange.h"
#include "model/device_model.h"
#include "simulator.h"

namespace zefsoak {

inline constexpr std::size_t kFirBytes = 2 * 1152;

// Device memory 0..863 (device order), both FIR images and the three preset slots.
struct Image {
    std::vector<std::uint8_t> memory;
    std::vector<std::uint8_t> fir;
    std::array<std::vector<std::uint8_t>, 3> presetSlots;  // preset 624 + FIR 2304, empty if never stored
    bool operator==(const Image&) const = default;
};

Image Capture(const zefsim::Device& device);

// What spoilt requests made a device do (zefsim::Device::alteredRequests): the values
// they wrote, by device address, and the preset slots they overwrote. These are the line's
// doing: a byte may hold such a value, and a slot may hold anything, whatever the
// operation meant (the device tests check that zefctl puts back what it had read).
struct LineChanges {
    std::map<std::uint32_t, std::set<std::uint8_t>> bytes;
    std::set<int> slotsWritten;
    std::size_t acted = 0;     // spoilt requests the device acted on
    std::size_t requests = 0;  // those of them that changed it
};
LineChanges ChangesByTheLine(const std::vector<zefsim::AlteredRequest>& altered);

// The first byte where `actual` is neither `before` nor `target` (nor a value the line
// wrote there), as text; nullopt when every byte is one of them (the partial-write rule).
std::optional<std::string> OutsideEither(const Image& actual, const Image& before, const Image& target,
                                         const LineChanges& line = {});
// The first byte where two images differ (and the line wrote no such value), as text;
// nullopt when equal.
std::optional<std::string> Difference(const Image& actual, const Image& expected, const LineChanges& line = {});

// An exchange that answers memory reads from an image and acknowledges
// everything else without changing it: the editor's parameter writer runs
// against it to compute what they would put into a device.
class ImageExchange final : public zef::Exchange {
public:
    explicit ImageExchange(const Image& image) : image_(image) {}
    zef::ExchangeResult Transact(zef::DeviceSlot slot, const zef::Request& request, zef::Reporting) override;
    zef::LinkState& link() override { return link_; }

private:
    const Image& image_;
    zef::LinkState link_;
};

// A model whose slot 1 was read from `image` the way zefctl reads a device.
struct ReadModel {
    explicit ReadModel(const Image& image);
    zef::Model model;
    ImageExchange exchange;
    zef::DeviceModel& device() { return model.device(1); }
};

// The image a device holds after the slot-1 model of `m` was written to it:
// DS 205..217 (whole load) or not, the preset and both FIRs; the other bytes
// and the preset slots from `base`.
Image Written(const Image& base, const zef::DeviceModel& m, bool deviceState);

}  // namespace zefsoak
