// The channel editor's pages built alone, from the editor's context and its
// control host, with no window around them, against a simulated amplifier:
// a refresh shows what the model holds and sends nothing, a quiet host
// refuses a commit, and a commit reaches the device through the writer and
// is reported to the host's listener.
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <memory>

#include "model/memory_map.h"
#include "ui/device_page.h"
#include "ui/editor_control_host.h"
#include "ui/inputs_page.h"
#include "ui/masking_page.h"
#include "ui/outputs_page.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {


class EditorPageTest : public UiTest {
protected:
    void SetUp() override {
        device = &AddSimDevice("Amp");
        StartEditor();
        ListAndConnect(1, hosts[0]);
    }
    // The device's program, and the settings byte of a parameter held
    // there, equal the model's.
    ::testing::AssertionResult DeviceHoldsTheModel(const Parameter& p) {
        const DeviceModel& d = session->model().device(1);
        std::array<std::uint8_t, kPresetSize> expected{};
        EncodePresetToDevice(d.preset, expected);
        if (device->memory(kPresetBaseAddress, kPresetSize) != std::vector<std::uint8_t>(expected.begin(), expected.end()))
            return ::testing::AssertionFailure() << "the program differs";
        const RecordField& field = p.description->field;
        if (field.record == RecordField::Record::Settings &&
            device->memory(static_cast<std::uint32_t>(field.offset), 1)[0] != d.settings[field.offset])
            return ::testing::AssertionFailure() << "settings byte " << field.offset << " differs";
        return ::testing::AssertionSuccess();
    }

    zefsim::Device* device = nullptr;
};

// What the control shows as a value, and the user action that commits a
// value: the text typed into a number box is entered again; an option
// control commits only a change, so the user picks an option other than the
// model's.
double Shown(BoundControl& c) {
    if (auto* n = dynamic_cast<NumberControl*>(&c)) return n->box()->text().toDouble();
    auto& o = dynamic_cast<OptionControl&>(c);
    for (int i = 0;; ++i)
        if (o.option(i)->isChecked()) return i;
}
void CommitShown(BoundControl& c, double modelValue) {
    if (auto* n = dynamic_cast<NumberControl*>(&c)) return n->CommitText();
    auto& o = dynamic_cast<OptionControl&>(c);
    o.option(modelValue == 0 ? 1 : 0)->click();
}

TEST_F(EditorPageTest, APageAloneShowsTheModelAndCommitsThroughTheWriter) {
    const EditorContext context = EditorContextOf(*session, 1);
    EditorControlHost host(context, session->link(), session->reader());
    std::vector<std::string> committed;
    host.committed = [&](const Parameter& p) { committed.push_back(p.name); };
    using Make = std::function<std::unique_ptr<BoundPage>()>;
    struct Case {
        Make make;
        const char* parameter;
        double value;  // put into the model behind the page's back
    };
    const Case cases[] = {
        {[&] { return std::make_unique<InputsPage>(host, context.selection); }, "inL.gain", -6},
        {[&] {
             auto page = std::make_unique<OutputsPage>(host, context.selection);
             page->Rebuild(false);
             return page;
         },
         "out1.hp.freq", 250},
        {[&] { return std::make_unique<MaskingPage>(host); }, "sm.level", -30},
        {[&] { return std::make_unique<DevicePage>(host); }, "device.delayunit", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter);
        const std::unique_ptr<BoundPage> page = c.make();
        BoundControl* control = page->control(c.parameter);
        ASSERT_NE(control, nullptr);
        {
            const EditorControlHost::Filling filling(host);
            page->Refresh();
        }
        ASSERT_NE(Shown(*control), c.value);
        {
            const LinkState::SuppressSends quiet(session->link());
            session->writer().Set(1, control->parameter(), c.value);
        }
        device->clearLog();
        {
            const EditorControlHost::Filling filling(host);
            page->Refresh();
            EXPECT_EQ(Shown(*control), c.value);
            CommitShown(*control, c.value);  // refused: the host is quiet
        }
        EXPECT_TRUE(device->frames().empty());
        EXPECT_TRUE(committed.empty());
        EXPECT_FALSE(DeviceHoldsTheModel(control->parameter()));

        CommitShown(*control, c.value);
        EXPECT_FALSE(device->frames().empty());
        EXPECT_EQ(committed, std::vector<std::string>{c.parameter});
        EXPECT_TRUE(DeviceHoldsTheModel(control->parameter()));
        committed.clear();
    }
}

}  // namespace
}  // namespace zef::test
