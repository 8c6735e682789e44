#include "announcement_datagram.h"

namespace zef::test {

std::vector<std::uint8_t> AnnouncementDatagramOf(std::uint8_t network, std::uint8_t type,
                                                 const std::array<std::uint8_t, 6>& uid, const std::string& name) {
    std::vector<std::uint8_t> d(26, ' ');
    d[0] = 0x21;
    d[1] = network;
    d[2] = type;
    for (std::size_t i = 0; i < 6; ++i) d[3 + i] = uid[i];
    for (std::size_t i = 0; i < name.size() && i < 16; ++i) d[9 + i] = static_cast<std::uint8_t>(name[i]);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 25; ++i) sum += d[i];
    d[25] = static_cast<std::uint8_t>(sum);
    return d;
}

std::vector<std::uint8_t> AnnouncementDatagram(std::uint8_t network, std::uint8_t type, std::uint8_t uidLast,
                                               const std::string& name) {
    return AnnouncementDatagramOf(network, type, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, uidLast}, name);
}

}  // namespace zef::test
