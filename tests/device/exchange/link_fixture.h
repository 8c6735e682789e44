#pragma once
// Shared set-up of the link tests: the real exchange and Qt transport against
// an in-process simulated amplifier on 127.0.0.1 and on a pseudo-terminal.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/link_presenter.h"
#include "device/device_exchange.h"
#include "model/device_model.h"
#include "device/link_state.h"
#include "recording_dialogs.h"
#include "sim_link.h"
#include "simulator.h"
#include "temp_folder.h"

namespace zef::test {

// Records what the reconnect window showed and the link flags at that moment.
class RecordingPresenter final : public ReconnectView {
public:
    explicit RecordingPresenter(const LinkState& link) : link_(link) {}
    void Show() override {
        ++shown;
        recoveryWhileShown = link_.recovering();
        idleWhileShown = !link_.exchanging();
    }
    void Close() override { ++closed; }

    int shown = 0;
    int closed = 0;
    bool recoveryWhileShown = false;
    bool idleWhileShown = true;

private:
    const LinkState& link_;
};

// Records messages together with the link state at the moment they appear.
class StateRecordingDialogs final : public RecordingDialogs {
public:
    StateRecordingDialogs(const LinkState& link, const DeviceEntry& watched)
        : link_(link), watched_(watched) {}
    void Message(const std::string& title, const std::string& text, Icon icon) override {
        RecordingDialogs::Message(title, text, icon);
        recoveryAtMessage = link_.recovering();
        idleAtMessage = !link_.exchanging();
        onlineAtMessage = watched_.online;
    }
    bool recoveryAtMessage = false;
    bool idleAtMessage = true;
    bool onlineAtMessage = true;

private:
    const LinkState& link_;
    const DeviceEntry& watched_;
};

inline constexpr DeviceSlot kSlot = 1;

class LinkTest : public ::testing::Test {
protected:
    explicit LinkTest(SerialKind serialKind = SerialKind::Pty);
    ~LinkTest() override;

    // Device in kSlot over TCP on 127.0.0.1, connected and identified.
    void ConnectTcp();
    // Device in kSlot over a pty (or an in-process line, as the fixture was
    // made) registered as serial port 1, identified.
    void ConnectUsb();

    CommandParams Params(std::vector<std::uint8_t> p) const;
    DeviceEntry& entry() { return model.entry(kSlot); }
    SimSlot Slot() { return {sim, *device, *exchange, transport, model, link, kSlot}; }

    TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    std::uint16_t port = 0;
    std::string ptyLink;
    Model model;
    LinkState link;
    SimSerialTransport transport;
    StateRecordingDialogs dialogs{link, model.entry(kSlot)};
    RecordingPresenter presenter{link};
    std::vector<DeviceSlot> indicatorRefreshes;
    std::unique_ptr<DeviceExchange> exchange;
    std::unique_ptr<LinkPresenter> linkPresenter;
    Subscription offline;
};

}  // namespace zef::test
