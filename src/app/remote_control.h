#pragma once
// The remote-control service inside the editor ("Settings" → "Remote
// control…"): the same service zefd runs, on the devices this editor holds,
// through the editor's own writer, presets and connection. Its settings are
// the file "remote.conf" in the data folder, in zefd's configuration format
// (man zefd; device lines are not used: the editor serves its list). The
// service is switched on for the program run only, never at start-up.
//
// An edit that arrives remotely refreshes every open window of its device
// (with sends suppressed, as a read-back does); an edit in a window reaches
// remote clients through the stream's change tracking. A device locked with
// the interface lock refuses remote writes.
#include <memory>
#include <string>
#include <vector>

#include "base/signal.h"
#include "remote/remote_config.h"
#include "model/slots.h"

namespace zef::remote {
class RemoteService;
}

namespace zef {

class EditorSession;

inline constexpr const char* kRemoteConfigName = "remote.conf";

class RemoteControl {
public:
    explicit RemoteControl(EditorSession& session);
    ~RemoteControl();

    // remote.conf, or the defaults (loopback, no tokens, no OSC) without it;
    // `problem` says why a file that exists was not used.
    remote::RemoteConfig Load(std::string* problem = nullptr) const;
    // Writes remote.conf atomically; false when it cannot be written.
    bool Save(const remote::RemoteConfig& config) const;
    // Makes a token, keeps its hash in remote.conf and returns the token
    // (shown once: it is kept nowhere); "" when the file cannot be written.
    std::string AddToken(remote::Access access) const;

    // Starts serving with remote.conf's settings; false with `error` set.
    bool Start(std::string& error);
    void Stop();
    bool running() const { return service_ != nullptr; }
    // "Serving HTTP and the stream on 127.0.0.1:8320, OSC on …" or "Off".
    std::string StatusText() const;
    remote::RemoteService* service() { return service_.get(); }
    // The zefd services to ask before a device is connected (remote.conf's
    // "zefd" lines, or the default), without this editor's own service.
    std::vector<remote::ZefdEndpoint> ZefdToAsk() const;

private:
    std::string path() const;
    EditorSession& session_;
    remote::RemoteConfig running_;
    std::unique_ptr<remote::RemoteService> service_;
    Subscription refresh_;
};

}  // namespace zef
