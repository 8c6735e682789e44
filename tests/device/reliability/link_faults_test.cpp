// One bad reply — garbled, cut short, late, answering another command, or
// one bit or byte of it spoilt — or one spoilt request, during a read, a
// confirmed set and a load, over TCP and the serial line. The link recovers
// from a single fault, and never takes a wrong reply for a right one: a read
// fills the model with exactly the device's bytes, a set leaves the band it
// meant, a load leaves the device equal to the model, and whatever a spoilt
// request did elsewhere is found and undone.

#include <gtest/gtest.h>

#include "device/verified_writes.h"
#include "fault_fixture.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/parameters.h"

namespace zef::test {
namespace {

using Fault = zefsim::Device::ArmedFault;
enum class Op { Read, Set, LoadWrites, LoadReadBack };

struct Case {
    std::string name;
    LinkKind2 link;
    Op op;
    Fault fault;
    int shift = 0;  // frames after the usual one the fault strikes
};

bool Spoils(Fault f) {
    return f == Fault::FlipReplyBit || f == Fault::ReplyByte || f == Fault::FlipRequestBit || f == Fault::RequestByte;
}
bool SpoilsRequest(Fault f) { return f == Fault::FlipRequestBit || f == Fault::RequestByte; }

// The whole device equals the model, settings included.
void ExpectDeviceIsModel(FaultFixture& f) {
    ExpectSameImage(f.ModelImage(), f.Image());
    EXPECT_TRUE(f.model.device(kSlot).settings == f.Image().settings);
}

// Longer than any reply time-out of the fast link settings.
constexpr int kLateMs = 2500;
// Frames of a whole load before its read-back starts: the device state, 13
// preset blocks, 2 x 24 FIR blocks and command 25.
constexpr int kLoadWriteFrames = 1 + 13 + 48 + 1;

// The model a project would bring: other gains, a band, a FIR.
void ChangeModel(DeviceModel& d) {
    d.preset[pi::OutputGain(0)] = 100;
    d.preset[pi::OutputBand(1, 3)] = 2;  // LoShQ
    d.preset.setBe16(pi::OutputBand(1, 3) + 1, 315);
    d.firTaps[0][5] = 0x100000;
    d.settings[ds::kNoiseLevel] = 60;
    LoadEditorValues(d);
}

class LinkFaults : public ::testing::TestWithParam<Case> {};

TEST_P(LinkFaults, NeverSucceedWithWrongData) {
    const Case& c = GetParam();
    FaultFixture f(c.link);
    DeviceModel& d = f.model.device(kSlot);

    if (c.op == Op::Read) {
        f.device->armFault(c.fault, 3 + c.shift, kLateMs);
        ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
        ExpectSameImage(f.ModelImage(), f.Image());
        EXPECT_TRUE(d.settings == f.Image().settings);
        return;
    }

    ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
    if (c.op == Op::Set) {
        const auto p = FindParameter("out2.eq.17.gain");
        ASSERT_TRUE(p);
        f.device->armFault(c.fault, c.shift, kLateMs);
        ASSERT_EQ(f.writer->Set(kSlot, *p, 3), kOk);
        const Confirmation confirmed = f.writer->Confirm(kSlot);
        ASSERT_TRUE(confirmed.report.ok()) << confirmed.report.Text();
        const std::size_t band = pi::OutputBand(1, 16);
        EXPECT_EQ(d.preset[band + 4] & 0x7F, 36);  // 3 dB
        ExpectDeviceIsModel(f);
        return;
    }

    ChangeModel(d);
    f.device->armFault(c.fault, (c.op == Op::LoadWrites ? 7 : kLoadWriteFrames + 4) + c.shift, kLateMs);
    const WriteReport report = LoadWholeDevice(*f.reader, *f.exchange, f.model, kSlot);
    ASSERT_TRUE(report.ok()) << report.Text();
    const WriteReport settled = SettleWithModel(*f.exchange, f.model, kSlot, WholeMemory(), true);
    ASSERT_TRUE(settled.ok()) << settled.Text();
    ExpectDeviceIsModel(f);
    EXPECT_EQ(f.Image().settings[ds::kNoiseLevel], 60);
}

std::vector<Case> Cases() {
    const std::pair<const char*, Fault> faults[] = {
        {"Garbled", Fault::Garbage},          {"Short", Fault::Short},
        {"Late", Fault::Late},                {"WrongCommand", Fault::WrongCommand},
        {"ReplyBit", Fault::FlipReplyBit},    {"ReplyByte", Fault::ReplyByte},
        {"RequestBit", Fault::FlipRequestBit}, {"RequestByte", Fault::RequestByte}};
    const std::pair<const char*, Op> tcpOps[] = {
        {"Read", Op::Read}, {"Set", Op::Set}, {"LoadWrites", Op::LoadWrites}, {"LoadReadBack", Op::LoadReadBack}};
    const std::pair<const char*, Op> usbOps[] = {{"Read", Op::Read}, {"Set", Op::Set}, {"LoadWrites", Op::LoadWrites}};
    std::vector<Case> cases;
    const auto add = [&](const std::string& name, LinkKind2 link, Op op, Fault fault) {
        // A spoilt request may make the device do anything before it is read: that is the
        // line's doing, not the reader's (the soak allows for it).
        if (op == Op::Read && SpoilsRequest(fault)) return;
        // Bit errors strike at several frames: the command and its read-back, or the next blocks.
        const int shifts = Spoils(fault) && link == LinkKind2::Tcp ? (op == Op::Set ? 2 : 4) : 1;
        for (int shift = 0; shift < shifts; ++shift)
            cases.push_back({name + (shift ? "Then" + std::to_string(shift) : ""), link, op, fault, shift});
    };
    for (const auto& [fname, fault] : faults) {
        for (const auto& [oname, op] : tcpOps) add(std::string("Tcp") + oname + fname, LinkKind2::Tcp, op, fault);
        for (const auto& [oname, op] : usbOps) {
            if (Spoils(fault) && op != Op::Set) continue;  // the serial line is slow: the set covers it
            add(std::string("Usb") + oname + fname, LinkKind2::Usb, op, fault);
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Reliability, LinkFaults, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace zef::test
