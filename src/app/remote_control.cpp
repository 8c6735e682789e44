#include "remote_control.h"

#include <filesystem>

#include "app/editor_session.h"
#include "base/atomic_file.h"
#include "base/utf8_path.h"
#include "remote/remote_service.h"

namespace zef {

RemoteControl::RemoteControl(EditorSession& session) : session_(session) {}

RemoteControl::~RemoteControl() { Stop(); }

std::string RemoteControl::path() const {
    return Utf8Join(session_.dataFolder(), kRemoteConfigName);
}

remote::RemoteConfig RemoteControl::Load(std::string* problem) const {
    const std::optional<remote::ConfigResult> r = remote::ReadConfigFile(path());
    if (!r) return {};
    if (r->config) return *r->config;
    if (problem) *problem = path() + ": " + r->errors.front();
    return {};
}

bool RemoteControl::Save(const remote::RemoteConfig& config) const {
    const std::string text = remote::ConfigText(config);
    // Only hashes are kept, but what may reach the amplifiers is nobody else's business.
    AtomicFile file(path(), 0600);
    return file.Open() &&
           file.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}) && file.Commit();
}

std::string RemoteControl::AddToken(remote::Access access) const {
    remote::RemoteConfig config = Load();
    const std::string token = remote::NewToken();
    config.tokens.push_back({remote::HashToken(token), access});
    return Save(config) ? token : std::string();
}

bool RemoteControl::Start(std::string& error) {
    Stop();
    std::string problem;
    const remote::RemoteConfig config = Load(&problem);
    if (!problem.empty()) {
        error = problem;
        return false;
    }
    remote::DeviceStack stack{session_.model(), session_.exchange(), session_.writer(), session_.presets(),
                              session_.connection(), session_.events(), session_.reader(),
                              [this](DeviceSlot slot) {
                                  const std::string& uid = session_.model().entry(slot).uniqueId;
                                  return !uid.empty() && session_.passwords().locked(uid);
                              }};
    auto service = std::make_unique<remote::RemoteService>(std::move(stack), remote::SettingsOf(config));
    if (!service->Start(error)) return false;
    refresh_ = service->devices().wrote.Connect([this](DeviceSlot slot) { session_.reader().RefreshWindows(slot); });
    running_ = config;
    service_ = std::move(service);
    return true;
}

void RemoteControl::Stop() {
    refresh_.Reset();
    service_.reset();
}

std::vector<remote::ZefdEndpoint> RemoteControl::ZefdToAsk() const {
    std::vector<remote::ZefdEndpoint> endpoints = remote::ZefdEndpoints(Load());
    if (service_)
        std::erase_if(endpoints, [this](const remote::ZefdEndpoint& e) {
            return e.port == service_->port() && e.host == running_.listenHost;
        });
    return endpoints;
}

std::string RemoteControl::StatusText() const {
    if (!service_) return "Off";
    std::string text = "Serving HTTP and the stream on " + running_.listenHost + ":" + std::to_string(service_->port());
    if (service_->oscPort() != 0) text += ", OSC on " + running_.oscHost + ":" + std::to_string(service_->oscPort());
    text += running_.tokens.empty() ? " (no tokens: loopback only)"
                                    : " (" + std::to_string(running_.tokens.size()) + " tokens)";
    return text;
}

}  // namespace zef
