// The exchange over TCP against the simulated amplifier: frames as they
// arrive, replies as they are kept, change detection, suppression, and the
// ways a lost link is recovered or given up.

#include <QTimer>

#include "expected_frames.h"
#include "link_fixture.h"

namespace zef::test {
namespace {

using Frame = std::vector<std::uint8_t>;

class TcpExchange : public LinkTest {
protected:
    void SetUp() override { ConnectTcp(); }

    // Once the device has answered an identify, everything sent before it
    // has arrived (TCP keeps the order); identify itself sends no 0x00.
    void Fence() { ASSERT_TRUE(exchange->IdentifyDevice(kSlot).has_value()); }
};

TEST_F(TcpExchange, IdentifyReplyIsDecodedAndItsAddressLearned) {
    EXPECT_EQ(link.deviceAddress[kSlot], 0x11);
    const std::optional<IdentifyReply> r = exchange->IdentifyDevice(kSlot);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->genuine);
    EXPECT_EQ(r->address, 0x11);
    EXPECT_EQ(r->network, 2);  // LAN
    const auto uid = device->uid();
    EXPECT_TRUE(std::equal(uid.begin(), uid.end(), r->uniqueId.begin()));
    EXPECT_EQ(std::string(r->name.begin(), r->name.end()), "Stage Left      ");
    EXPECT_FALSE(r->bootLoader);
}

TEST_F(TcpExchange, FramesRepliesAndOneTrailingZeroPerExchange) {
    std::array<std::uint8_t, 48> name{};
    for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<std::uint8_t>(0xA0 + i);

    struct Case {
        const char* what;
        std::uint8_t command;
        CommandParams p;
        Frame frame;  // as the device must receive it
        std::size_t replyLength;
    };
    const CommandParams gain{2, 0, 0, 0, 0, 0, 0, 0x55};
    const CommandParams read{0x00, 0xF0, 120, 9, 9, 9, 9, 9};  // p4..p8 travel in a 13-byte frame
    const CommandParams write{0x00, 0x05, 48, 1, 2, 3, 4, 5};  // p4..p8 are not sent
    const std::vector<Case> cases = {
        {"gain", 1, gain, CommandFrame(0x11, 1, gain), 13},
        {"read 120", 20, read, CommandFrame(0x11, 20, read), 125},
        {"block write 48", 21, write, BlockWriteFrame(0x11, 0x0005, Frame(name.begin(), name.end())), 13},
        {"status poll", 22, {}, CommandFrame(0x11, 22, {}), 24},
    };

    std::size_t exchanges = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Request request{c.command, c.p, {}};
        if (c.command == 21) request.payload.assign(name.begin(), name.end());
        const ExchangeResult result = exchange->Transact(kSlot, request, Reporting::Tell);
        ASSERT_TRUE(result.replied());
        ++exchanges;
        const auto frames = device->frames();
        ASSERT_EQ(frames.size(), exchanges);
        EXPECT_EQ(frames.back(), c.frame);
        ASSERT_EQ(result.reply().size(), c.replyLength);
        EXPECT_EQ(result.reply()[0], 0xF0);
        EXPECT_EQ(result.reply()[3], c.command);
        EXPECT_EQ(result.reply().back(), 0xF7);
    }
    Fence();
    EXPECT_EQ(device->trailingZeros(), exchanges);
    EXPECT_EQ(device->memory(5, 48), std::vector<std::uint8_t>(name.begin(), name.end()));
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(TcpExchange, ReadMemoryReplyCarriesTheRequestedBytes) {
    std::vector<std::uint8_t> memory(120);
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i * 3 + 1);
    device->setMemory(300, memory);
    const ExchangeResult read = exchange->Transact(kSlot, ReadMemoryRequest(300, 120), Reporting::Tell);
    ASSERT_TRUE(read.replied());
    const auto data = DecodeMemory(read.reply(), 120);
    ASSERT_TRUE(data.has_value());
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), data->begin()));
    // The link is still in step: the next exchange gets its own reply.
    const ExchangeResult mute = exchange->Transact(kSlot, {3, Params({2, 0, 0, 0, 0, 0, 0, 1}), {}}, Reporting::Tell);
    ASSERT_TRUE(mute.replied());
    EXPECT_EQ(mute.reply()[3], 3);
    EXPECT_EQ(mute.reply()[11], 1);
}

struct ChangeCase {
    const char* what;
    int firOutput;  // -1: a settings change from the front panel, -2: no change
    std::uint8_t command;
    bool changed;
    std::uint16_t bits;  // expected deviceChangeBits when changed
};

class DeviceChange : public TcpExchange, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(DeviceChange, ReplyAddressByteFlagsChanges) {
    const ChangeCase& c = GetParam();
    link.deviceChangeBits = 0x1234;
    if (c.firOutput >= 0) device->frontPanelFirChange(c.firOutput);
    if (c.firOutput == -1) device->frontPanelWrite(206, 0);
    ASSERT_EQ(exchange->SendCommandFrame(kSlot, c.command, {}), kOk);
    EXPECT_EQ(link.deviceChanged[kSlot], c.changed);
    EXPECT_EQ(link.deviceChangeBits, c.changed || c.command == 15 ? c.bits : 0x1234);
    for (DeviceSlot s = 0; s < kSlotCount; ++s) {
        if (s != kSlot) {
            EXPECT_FALSE(link.deviceChanged[s]) << "slot " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Link, DeviceChange,
                         ::testing::Values(ChangeCase{"fir 1 on a parameter command", 0, 1, true, 0x20},
                                           ChangeCase{"fir 2 on the status poll", 1, 22, true, 0x40},
                                           ChangeCase{"settings change", -1, 1, true, 0x00},
                                           ChangeCase{"fir 1 on the closing command", 0, 15, false, 0x20},
                                           ChangeCase{"nothing changed", -2, 1, false, 0}),
                         [](const auto& info) {
                             std::string n = info.param.what;
                             std::replace(n.begin(), n.end(), ' ', '_');
                             return n;
                         });

TEST_F(TcpExchange, SuppressedOrOfflineSendsNothingAndSucceeds) {
    struct Case {
        const char* what;
        bool online, suppressed, nested, quiet;
        bool sent;
    };
    const std::vector<Case> cases = {
        {"off-line", false, false, false, false, false},
        {"off-line quiet", false, false, false, true, false},
        {"suppressed", true, true, false, false, false},
        {"suppressed quiet", true, true, false, true, false},
        {"nested suppressed", true, false, true, false, false},
        {"nested suppressed, quiet ignores it", true, false, true, true, true},
        {"plain", true, false, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->clearLog();
        entry().online = c.online;
        std::optional<LinkState::SuppressSends> suppressed;
        std::optional<LinkState::SuppressNestedSends> nested;
        if (c.suppressed) suppressed.emplace(link);
        if (c.nested) nested.emplace(link);
        const CommandParams p{2, 0, 0, 0, 0, 0, 0, 9};
        const ExchangeResult r = exchange->Transact(kSlot, {1, p, {}}, c.quiet ? Reporting::Quiet : Reporting::Tell);
        EXPECT_EQ(r.outcome(), c.sent ? Outcome::Replied : Outcome::Skipped);
        EXPECT_EQ(r.status(), kOk) << "a skipped send counts as sent";
        EXPECT_EQ(r.reply().empty(), !c.sent) << "nothing to read from a skipped exchange";
        EXPECT_FALSE(link.exchanging());
        entry().online = true;
        suppressed.reset();
        nested.reset();
        Fence();
        const auto frames = device->frames();
        ASSERT_EQ(frames.size(), c.sent ? 3u : 2u) << "the fence is two identifies";
        EXPECT_EQ(frames.back()[3], 0) << "the fence is the last frame";
        EXPECT_EQ(device->trailingZeros(), c.sent ? 1u : 0u);
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(TcpExchange, IdentifyRetriesOneBadReplyAndRefusesLastingOnes) {
    // One garbled or short reply is a failed identify that is sent again on a
    // new connection; the next two replies agree. Replies that never come
    // fail it, with nothing learned; the change mark is cleared all the same.
    const struct {
        const char* what;
        void (*spoil)(zefsim::Device&);
        bool found;
        std::size_t frames;
    } cases[] = {
        {"garbled once", [](zefsim::Device& d) { d.garbageNextReply(); }, true, 3},
        {"short once", [](zefsim::Device& d) { d.shortNextReply(); }, true, 3},
        {"no replies", [](zefsim::Device& d) { d.dropReplies(2); }, false, 2},
    };
    int retries = 0;
    const Subscription counting = exchange->retrying.Connect([&](DeviceSlot) { ++retries; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->clearLog();
        retries = 0;
        c.spoil(*device);
        link.deviceChanged[kSlot] = true;
        link.deviceAddress[kSlot] = 0x05;
        const std::optional<IdentifyReply> id = exchange->IdentifyDevice(kSlot);
        EXPECT_EQ(id.has_value(), c.found);
        EXPECT_EQ(link.deviceAddress[kSlot], c.found ? 0x11 : 0x05);
        EXPECT_FALSE(link.deviceChanged[kSlot]);
        EXPECT_EQ(retries, 1);
        EXPECT_EQ(device->frames().size(), c.frames);
        EXPECT_EQ(device->frames().front(), Frame({0xF0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7}));
        if (!c.found) {
            ASSERT_EQ(transport.tcp().Connect(kSlot, "127.0.0.1", port, 1000), kTransportOk);
        }
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(TcpExchange, LostRepliesAreRecoveredByTheReconnectWindow) {
    struct Case {
        const char* what;
        int dropped;
        bool cut;
        std::size_t framesSeen;
    };
    const std::vector<Case> cases = {
        {"one reply lost: replayed on the same connection", 1, false, 2},
        {"two replies lost: replayed on a new connection", 2, false, 3},
        {"connection cut: replayed on a new connection", 0, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->clearLog();
        presenter.shown = presenter.closed = 0;
        device->dropReplies(c.dropped);
        if (c.cut) device->cutConnections();
        const CommandParams p{2, 0, 0, 0, 0, 0, 0, 0x40};
        const ExchangeResult r = exchange->Transact(kSlot, {1, p, {}}, Reporting::Tell);
        ASSERT_TRUE(r.replied());
        EXPECT_EQ(presenter.shown, 1);
        EXPECT_EQ(presenter.closed, 1);
        EXPECT_TRUE(presenter.recoveryWhileShown);
        EXPECT_FALSE(presenter.idleWhileShown);
        const auto frames = device->frames();
        ASSERT_GE(frames.size(), c.framesSeen);
        for (const auto& f : frames) EXPECT_EQ(f, CommandFrame(0x11, 1, p));
        EXPECT_EQ(r.reply()[11], 0x40);
        EXPECT_TRUE(entry().online);
        EXPECT_FALSE(link.exchanging());
        EXPECT_FALSE(link.recovering());
        Fence();
        EXPECT_EQ(device->trailingZeros(), 1u) << "one 0x00 after the recovered exchange";
    }
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(indicatorRefreshes.empty());
}

}  // namespace
}  // namespace zef::test
