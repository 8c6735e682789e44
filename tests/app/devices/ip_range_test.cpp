// The search range boxes and the address list of a range.
#include "device/ip_range.h"

#include <gtest/gtest.h>

namespace zef::test {
namespace {

TEST(RangeBoxes, ValidationRules) {
    const struct {
        const char* what;
        RangeBoxes in;
        RangeBoxes out;
    } cases[] = {
        {"valid range kept",
         {"192", "168", "0", "10", "192", "168", "0", "20"},
         {"192", "168", "0", "10", "192", "168", "0", "20"}},
        {"first octet below 1",
         {"0", "1", "2", "3", "", "", "", "9"},
         {"1", "1", "2", "3", "1", "1", "2", "9"}},
        {"first octet above 223",
         {"224", "1", "2", "3", "", "", "", "9"},
         {"223", "1", "2", "3", "223", "1", "2", "9"}},
        {"second octet above 255",
         {"10", "300", "2", "3", "", "", "", "9"},
         {"10", "255", "2", "3", "10", "255", "2", "9"}},
        {"last octet limits",
         {"10", "0", "0", "255", "", "", "", "0"},
         {"10", "0", "0", "254", "10", "0", "0", "254"}},
        {"last octet zero",
         {"10", "0", "0", "0", "", "", "", "7"},
         {"10", "0", "0", "1", "10", "0", "0", "7"}},
        {"non-numeric cleared", {"1x", "2", "a", "4", "", "", "", "-5"}, {"", "2", "", "4", "", "2", "", ""}},
        {"leading zeros",
         {"010", "001", "00", "007", "", "", "", "010"},
         {"10", "1", "0", "7", "10", "1", "0", "10"}},
        {"end below start",
         {"10", "0", "0", "40", "", "", "", "2"},
         {"10", "0", "0", "40", "10", "0", "0", "40"}},
        {"end boxes mirror start",
         {"127", "0", "0", "2", "99", "99", "99", "40"},
         {"127", "0", "0", "2", "127", "0", "0", "40"}},
        {"empty stays empty", {"", "", "", "", "", "", "", ""}, {"", "", "", "", "", "", "", ""}},
        {"huge numbers clamp",
         {"99999999999", "1", "1", "1", "", "", "", "1"},
         {"223", "1", "1", "1", "223", "1", "1", "1"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ValidateRangeBoxes(c.in), c.out) << c.what;
}

TEST(RangeBoxes, RangeFromBoxesNeedsEveryBox) {
    EXPECT_EQ(RangeFromBoxes({"127", "0", "0", "2", "127", "0", "0", "40"}),
              (IpRange{{127, 0, 0, 2}, {127, 0, 0, 40}}));
    EXPECT_FALSE(RangeFromBoxes({"127", "0", "", "2", "127", "0", "0", "40"}));
    EXPECT_FALSE(RangeFromBoxes({"127", "0", "0", "2", "127", "0", "0", "x"}));
}

TEST(RangeBoxes, ConfigRoundTripAndZeroConfig) {
    InitConfig config;
    StoreRange(config, {{127, 0, 0, 2}, {127, 0, 0, 40}});
    EXPECT_EQ(config.rangeStart, (std::array<std::int16_t, 4>{127, 0, 0, 2}));
    EXPECT_EQ(config.rangeEnd, (std::array<std::int16_t, 4>{127, 0, 0, 40}));
    EXPECT_EQ(RangeFromConfig(config), (IpRange{{127, 0, 0, 2}, {127, 0, 0, 40}}));
    // A missing init.cfg gives zeros, which the box rules turn into a usable range.
    EXPECT_EQ(BoxesFromRange(RangeFromConfig(InitConfig{})),
              (RangeBoxes{"1", "0", "0", "1", "1", "0", "0", "1"}));
}

TEST(RangeBoxes, DottedAddressParsing) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"127.0.0.2", true}, {"127.255.255.255", true}, {"127.0.0", false},    {"127.0.0.256", false},
        {"127..0.1", false}, {"a.b.c.d", false},        {"127.0.0.1.", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(ParseDottedAddress(c.text).has_value(), c.ok) << c.text;
    EXPECT_EQ(DottedAddress(*ParseDottedAddress("127.0.0.040")), "127.0.0.40");
}

TEST(RangeBoxes, SearchAddressesSkipOnlineListedEntries) {
    Model model;
    auto list = [&](DeviceSlot s, const std::string& ip, bool online) {
        model.entry(s).inList = true;
        model.entry(s).ip = ip;
        model.entry(s).online = online;
    };
    list(1, "127.0.0.3", true);
    list(2, "127.0.0.4", false);
    list(3, "127.0.0.9", true);  // outside the range
    const auto addresses = SearchAddresses({{127, 0, 0, 2}, {127, 0, 0, 5}}, model);
    EXPECT_EQ(addresses, (std::vector<std::string>{"127.0.0.2", "127.0.0.4", "127.0.0.5"}));
    EXPECT_EQ(SearchAddresses({{10, 0, 0, 1}, {10, 0, 0, 254}}, Model{}).size(), 254u);
    EXPECT_TRUE(SearchAddresses({{10, 0, 0, 9}, {10, 0, 0, 8}}, Model{}).empty());
}

}  // namespace
}  // namespace zef::test
