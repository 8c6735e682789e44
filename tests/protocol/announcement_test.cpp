// The announcement datagram: what is taken, what is refused, and what each
// byte becomes.

#include "protocol/announcement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "announcement_datagram.h"

namespace zef::test {
namespace {

TEST(AnnouncementDatagram, ParsesOnlyWellFormedDatagrams) {
    const auto good = AnnouncementDatagram(2, 3, 0xAB, " Amp 1");
    ASSERT_EQ(good.size(), 26u);
    auto longer = good;
    longer.push_back(0);
    const std::vector<std::uint8_t> shorter(good.begin(), good.begin() + 25);
    auto badSum = good;
    badSum[25] = static_cast<std::uint8_t>(badSum[25] + 1);
    auto noMarker = good;
    noMarker[0] = 0x22;
    noMarker[25] = static_cast<std::uint8_t>(noMarker[25] + 1);  // checksum still right
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool ok;
    } cases[] = {{"valid", good, true},          {"27 bytes", longer, false},
                 {"25 bytes", shorter, false},   {"checksum off by one", badSum, false},
                 {"no marker", noMarker, false}, {"empty", {}, false}};
    for (const auto& c : cases) EXPECT_EQ(ParseAnnouncement(c.bytes).has_value(), c.ok) << c.what;

    const auto a = *ParseAnnouncement(good);
    EXPECT_EQ(a.network, 2);
    EXPECT_EQ(a.typeCode, 3);
    EXPECT_EQ(a.uniqueId, "0A0B0C0D0EAB");
    EXPECT_EQ(a.name, " Amp 1");  // only trailing blanks go
}

TEST(AnnouncementDatagram, TypeCodes) {
    const struct {
        std::uint8_t raw;
        std::uint8_t code;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 0}, {128, 0}, {254, 0}, {255, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseAnnouncement(AnnouncementDatagram(1, c.raw, 1, "x"))->typeCode, c.code) << +c.raw;
}

TEST(AnnouncementDatagram, NamesAreWindows1252AndUniqueIdsHex) {
    const struct {
        const char* what;
        std::string sent;  // the name bytes as the device sends them
        std::string name;
    } names[] = {
        {"sixteen characters", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"inner blanks stay", "Front  Left", "Front  Left"},
        {"all blanks", "", ""},
        {"e acute and euro", "Caf\xE9 \x80", "Caf\u00E9 \u20AC"},
        {"undefined byte", "A\x81", "A\uFFFD"},
    };
    for (const auto& n : names)
        EXPECT_EQ(ParseAnnouncement(AnnouncementDatagram(2, 1, 1, n.sent))->name, n.name) << n.what;

    const std::vector<std::uint8_t> uid = {0x00, 0x09, 0x0A, 0x7F, 0xF0, 0xFF};
    EXPECT_EQ(UniqueIdText(uid), "00090A7FF0FF");
    EXPECT_EQ(UniqueIdText({}), "");
}

}  // namespace
}  // namespace zef::test
