#pragma once
// Everything one run of the editor holds besides its windows: the process-wide
// state, the transport, the exchange, the device list and the announcement
// handling, and the start-up steps that create them. main() makes one; every
// window test makes its own.

#include <cstdint>
#include <memory>
#include <string>

#include "app/announcements.h"
#include "app/app_state.h"
#include "app/connect_actions.h"
#include "app/dialogs.h"
#include "app/edit_history.h"
#include "app/editor_options.h"
#include "app/editor_view_state.h"
#include "app/entry_rules.h"
#include "app/interface_lock.h"
#include "app/link_presenter.h"
#include "app/list_actions.h"
#include "app/measure_session.h"
#include "app/resident_responses.h"
#include "app/search.h"
#include "app/send_coalescer.h"
#include "audio/audio_io.h"
#include "device/connection.h"
#include "device/device_list.h"
#include "device/device_reader.h"
#include "device/device_exchange.h"
#include "device/parameter_writer.h"
#include "device/presets.h"
#include "device/refresh_hooks.h"
#include "dsp/grid.h"
#include "remote/routed_transport.h"
#include "transport/qt_transport.h"

namespace zef {

class RemoteControl;
class ZefdGuard;

class EditorSession {
public:
    // `dataFolder` must exist (PrepareDataFolder); `dialogs` and `reconnect`
    // (the reconnect window; may be null) outlive the session.
    EditorSession(const EditorOptions& options, std::string dataFolder, Dialogs& dialogs,
                  LinkSettings link = {}, ReconnectView* reconnect = nullptr);
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // The start-up work of the main window, in order: the frequency grid, the
    // TCP client (false after "Wrong TCP initialization!": the program ends),
    // the device list from tmpPrj.plt (its on-line flags cleared: nothing is
    // connected yet) and the announcement listener.
    bool Start();

    // Why device announcements are not received ("" while they are): the
    // UDP port could not be bound. Set by Start, also written to stderr.
    const std::string& announcementProblem() const { return announcementProblem_; }

    // The serial port number kept in init.cfg becomes the link's (the device
    // list window reads it when it opens); a missing or bad value keeps the
    // link's own.
    void ReadSerialPortFromConfig();

    // tmpPrj.plt, written atomically. False when it could not be written.
    bool SaveDeviceList();
    std::string projectTempPath() const;
    const std::string& dataFolder() const { return dataFolder_; }
    std::string dataSubfolder(const char* name) const;

    const EditorOptions& options() const { return options_; }
    // The sound cards and the --rig rigs, made on first use (opening the
    // machine's audio takes a moment and is only needed by the measuring
    // windows); nullptr with `error` set when they cannot be had.
    audio::System* audio(std::string& error);
    // The measuring windows' shared choices and the open AutoEQ wizard.
    MeasureSession& measure() { return measure_; }
    AppState& state() { return *state_; }
    Model& model() { return state_->model; }
    LinkState& link() { return state_->link; }
    QtTransport& transport() { return transport_; }
    // The TCP slots that go through a zefd instead of straight to their device.
    remote::RoutedTcpClient& routes() { return routed_.routes(); }
    DeviceExchange& exchange() { return *exchange_; }
    DeviceList& list() { return list_; }
    AnnouncementHandler& announcements() { return announcements_; }
    AnnouncementListener& listener() { return *listener_; }
    Dialogs& dialogs() { return dialogs_; }
    Connection& connection() { return *connection_; }
    ConnectActions& connectActions() { return *connectActions_; }
    ListActions& listActions() { return listActions_; }
    DeviceReader& reader() { return *reader_; }
    RefreshEvents& events() { return events_; }
    const dsp::FrequencyGrid& grid() const { return grid_; }
    bool decimalComma() const { return decimalComma_; }
    void setDecimalComma(bool on) { decimalComma_ = on; }
    // The UDP port the listener is bound to (0 when it is not listening).
    std::uint16_t announcePort() const;

    // The editing objects shared by every editor window: the parameter
    // writer, presets, the response arrays kept for the graphs, the graph
    // view and each device's selection.
    ResidentResponses& responses() { return *responses_; }
    ParameterWriter& writer() { return *writer_; }
    Presets& presets() { return *presets_; }
    GraphViewState& graphView() { return graphView_; }
    EditorSelection& selection(DeviceSlot slot) { return selections_[SlotIndex(slot)]; }
    PasswordStore& passwords() { return *passwords_; }
    // Undo, redo and the A/B states of every device.
    EditHistory& history() { return *history_; }
    // The remote-control service of this run (off until switched on).
    RemoteControl& remoteControl();

private:
    EditorOptions options_;
    std::string dataFolder_;
    Dialogs& dialogs_;
    std::unique_ptr<AppState> state_;
    QtTransport transport_;
    remote::RoutedTransport routed_;
    std::unique_ptr<DeviceExchange> exchange_;
    std::unique_ptr<LinkPresenter> linkPresenter_;
    DeviceList list_;
    AnnouncementHandler announcements_;
    std::unique_ptr<AnnouncementListener> listener_;
    RefreshEvents events_;
    std::unique_ptr<ResidentResponses> responses_;
    std::unique_ptr<DeviceReader> reader_;
    std::unique_ptr<ParameterWriter> writer_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<ConnectActions> connectActions_;
    ListActions listActions_;
    dsp::FrequencyGrid grid_;
    bool decimalComma_ = false;
    std::unique_ptr<Presets> presets_;
    std::unique_ptr<EditHistory> history_;
    GraphViewState graphView_;
    std::array<EditorSelection, kSlotCount> selections_{};
    std::unique_ptr<PasswordStore> passwords_;
    Subscription stateSent_;  // a load-mode connect's send: the history restarts, windows refill
    std::unique_ptr<RemoteControl> remoteControl_;
    std::unique_ptr<ZefdGuard> zefdGuard_;
    std::string announcementProblem_;
    std::unique_ptr<audio::System> audio_;
    MeasureSession measure_;
};

}  // namespace zef
