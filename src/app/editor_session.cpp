#include "app/editor_session.h"

#include "app/remote_control.h"
#include "app/zefd_guard.h"

#include <cstdio>
#include <filesystem>

#include "app/search.h"
#include "audio/audio_system.h"
#include "base/utf8_path.h"
#include "device/fir_store.h"
#include "dsp/response_calculator.h"
#include "files/file_texts.h"
#include "files/init_config.h"
#include "files/project_file.h"

namespace zef {
namespace {

SerialPortMap PortsFor(const EditorOptions& options) {
    SerialPortMap ports;
    for (const auto& path : options.serialPaths) ports.Register(path);
    return ports;
}

LinkSettings WithOptions(LinkSettings link, const EditorOptions& options, const std::string& folder) {
    link.devicePort = options.devicePort;
    link.configFolder = folder;
    return link;
}

}  // namespace

EditorSession::EditorSession(const EditorOptions& options, std::string dataFolder, Dialogs& dialogs,
                             LinkSettings link, ReconnectView* reconnect)
    : options_(options),
      dataFolder_(std::move(dataFolder)),
      dialogs_(dialogs),
      state_(std::make_unique<AppState>()),
      transport_(PortsFor(options)),
      routed_(transport_),
      exchange_(std::make_unique<DeviceExchange>(state_->model, state_->link, routed_,
                                      WithOptions(link, options, dataFolder_))),
      linkPresenter_(std::make_unique<LinkPresenter>(*exchange_, dialogs_, reconnect)),
      list_(state_->model),
      announcements_(list_, state_->link, dialogs_),
      listener_(transport_.NewAnnouncementListener()),
      responses_(std::make_unique<ResidentResponses>(state_->responses, state_->model)),
      reader_(std::make_unique<DeviceReader>(state_->model, *exchange_, events_, *responses_)),
      writer_(std::make_unique<ParameterWriter>(state_->model, *exchange_, *responses_,
                                                fir::MakeFirWriter(*exchange_, state_->model, &state_->responses))),
      connection_(std::make_unique<Connection>(list_, *exchange_, *reader_, ConnectSettings{options.loopbackLan, 200})),
      connectActions_(std::make_unique<ConnectActions>(*connection_, dialogs_, *writer_)),
      listActions_(list_, dialogs_),
      grid_(dsp::FrequencyGrid::Nominal()),
      presets_(std::make_unique<Presets>(state_->model, *exchange_, *reader_, events_)),
      history_(std::make_unique<EditHistory>(*writer_, events_,
                                             [this](DeviceSlot slot) { reader_->RefreshWindows(slot); })),
      passwords_(std::make_unique<PasswordStore>(dataFolder_)),
      stateSent_(connectActions_->stateSent.Connect([this](DeviceSlot slot) {
          // The device holds the model now: the history starts from here.
          events_.memoryReread.Emit(slot);
          reader_->RefreshWindows(slot);
      })),
      zefdGuard_(std::make_unique<ZefdGuard>(state_->model, routed_.routes(), dialogs_,
                                             [this] { return remoteControl().ZefdToAsk(); })) {
    connectActions_->beforeConnect = [this](DeviceSlot slot) { return zefdGuard_->BeforeConnect(slot); };
}

EditorSession::~EditorSession() {
    if (remoteControl_) remoteControl_->Stop();
    listener_->Stop();
    transport_.serial().Close();
    for (int s = 0; s < kTcpConnectionSlots; ++s) routed_.tcp().Disconnect(s);
}

RemoteControl& EditorSession::remoteControl() {
    if (!remoteControl_) remoteControl_ = std::make_unique<RemoteControl>(*this);
    return *remoteControl_;
}

std::string EditorSession::projectTempPath() const {
    return Utf8Join(dataFolder_, kDeviceListFileName);
}

std::string EditorSession::dataSubfolder(const char* name) const {
    return Utf8Join(dataFolder_, name);
}

audio::System* EditorSession::audio(std::string& error) {
    if (!audio_) audio_ = audio::MakeAudioSystem({options_.rigs, true}, error);
    return audio_.get();
}

bool EditorSession::Start() {
    dsp::FftwResponseCalculator calculator;
    dsp::FillFrequencyGrid(calculator, grid_);

    if (routed_.tcp().Init(kTcpConnectionSlots) != kTransportOk) {
        dialogs_.Message(kTcpInitTitle, kTcpInitFailedText, Icon::Critical);
        return false;
    }

    const LoadProjectResult loaded = LoadProject(projectTempPath(), model());
    if (loaded.ok) {
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            model().entry(s).online = false;
            model().entry(s).editorOpen = false;
        }
    } else if (loaded.errorCode != kErrorFileNotFound) {
        const FileMessage m = LoadProjectErrorMessage(loaded, projectTempPath());
        dialogs_.Message(m.title, m.text, Icon::Exclamation);
    }

    listener_->SetHandler([this](const std::string& ip, const Bytes& datagram, std::uint8_t kind) {
        announcements_.Handle(ip, datagram, kind);
    });
    if (listener_->Listen("", options_.announcePort) != kTransportOk) {
        // The editor works on without announcements; the user is told why
        // devices do not offer themselves.
        announcementProblem_ = "Device announcements are not received: UDP port " +
                               std::to_string(options_.announcePort) + " is in use by another program.";
        std::fprintf(stderr, "zefedit: %s\n", announcementProblem_.c_str());
    }
    return true;
}

void EditorSession::ReadSerialPortFromConfig() {
    const InitConfig config = ReadInitConfig(dataFolder_);
    if (config.serialPortNumber >= 1 && config.serialPortNumber <= kSerialPortCount)
        link().serialPortNumber = config.serialPortNumber;
}

bool EditorSession::SaveDeviceList() { return SaveProject(projectTempPath(), model()); }

std::uint16_t EditorSession::announcePort() const {
    return listener_->IsListening() ? listener_->LocalPort() : 0;
}

}  // namespace zef
