#include "protocol/announcement.h"

#include "base/cp1252.h"

namespace zef {
namespace {

constexpr std::size_t kNetworkByte = 1;
constexpr std::size_t kTypeByte = 2;
constexpr std::size_t kUidByte = 3;
constexpr std::size_t kUidSize = 6;
constexpr std::size_t kNameByte = 9;
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kChecksumByte = 25;

std::uint8_t TypeCode(std::uint8_t raw) {
    if ((raw >= 1 && raw <= 5) || raw == 255) return raw;
    return 0;
}

}  // namespace

std::string UniqueIdText(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

std::optional<Announcement> ParseAnnouncement(std::span<const std::uint8_t> d) {
    if (d.size() != kAnnouncementSize || d[0] != kAnnouncementMarker) return std::nullopt;
    unsigned sum = 0;
    for (std::size_t i = 0; i < kChecksumByte; ++i) sum += d[i];
    if ((sum & 0xFF) != d[kChecksumByte]) return std::nullopt;
    Announcement a;
    a.network = d[kNetworkByte];
    a.typeCode = TypeCode(d[kTypeByte]);
    a.uniqueId = UniqueIdText(d.subspan(kUidByte, kUidSize));
    std::string_view name(reinterpret_cast<const char*>(&d[kNameByte]), kNameSize);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    a.name = Cp1252ToUtf8(name);
    return a;
}

}  // namespace zef
