// One bad reply — garbled, cut short, late, or answering another command —
// during a read, a set and a load, over TCP and the serial line. The link
// recovers from a single bad reply, and never takes a wrong reply for a
// right one: a read fills the model with exactly the device's bytes, a set
// leaves the band it meant, a load leaves the device equal to the model.

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
};

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
        f.device->armFault(c.fault, 3, kLateMs);
        ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
        ExpectSameImage(f.ModelImage(), f.Image());
        EXPECT_TRUE(d.settings == f.Image().settings);
        return;
    }

    ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
    if (c.op == Op::Set) {
        const auto p = FindParameter("out2.eq.17.gain");
        ASSERT_TRUE(p);
        f.device->armFault(c.fault, 0, kLateMs);
        ASSERT_EQ(f.writer->Set(kSlot, *p, 3), kOk);
        const std::size_t band = pi::OutputBand(1, 16);
        EXPECT_EQ(d.preset[band + 4] & 0x7F, 36);  // 3 dB
        ExpectSameImage(f.ModelImage(), f.Image());
        return;
    }

    ChangeModel(d);
    f.device->armFault(c.fault, c.op == Op::LoadWrites ? 7 : kLoadWriteFrames + 4, kLateMs);
    const WriteReport report = LoadWholeDevice(*f.reader, *f.exchange, f.model, kSlot);
    ASSERT_TRUE(report.ok()) << report.Text();
    ExpectSameImage(f.ModelImage(), f.Image());
    EXPECT_EQ(f.Image().settings[ds::kNoiseLevel], 60);
}

std::vector<Case> Cases() {
    const std::pair<const char*, Fault> faults[] = {
        {"Garbled", Fault::Garbage}, {"Short", Fault::Short}, {"Late", Fault::Late}, {"WrongCommand", Fault::WrongCommand}};
    const std::pair<const char*, Op> tcpOps[] = {
        {"Read", Op::Read}, {"Set", Op::Set}, {"LoadWrites", Op::LoadWrites}, {"LoadReadBack", Op::LoadReadBack}};
    const std::pair<const char*, Op> usbOps[] = {{"Read", Op::Read}, {"Set", Op::Set}, {"LoadWrites", Op::LoadWrites}};
    std::vector<Case> cases;
    for (const auto& [fname, fault] : faults) {
        for (const auto& [oname, op] : tcpOps)
            cases.push_back({std::string("Tcp") + oname + fname, LinkKind2::Tcp, op, fault});
        for (const auto& [oname, op] : usbOps)
            cases.push_back({std::string("Usb") + oname + fname, LinkKind2::Usb, op, fault});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Reliability, LinkFaults, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace zef::test
