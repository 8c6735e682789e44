#include "app/search.h"

#include "app/announcements.h"
#include "app/serial_access.h"
#include "protocol/commands.h"
#include "model/records.h"
#include "transport/local_wait.h"

namespace zef {
namespace {

constexpr std::size_t kMaxResults = kMaxListedDevices;

Bytes CloseFrame(std::uint8_t address) { return BuildCommandFrame(address, Request{cmd::kClose, {}, {}}); }

Bytes IdentifyFrame() { return BuildCommandFrame(0, Request{cmd::kIdentify, {}, {}}); }

bool SameNetworkDevice(const DeviceEntry& a, const DeviceEntry& b) {
    return a.uniqueId == b.uniqueId && a.network == b.network && a.isUsb() == b.isUsb();
}

}  // namespace

std::string SearchingAddressCaption(const std::string& address) {
    return "Searching device [IP:" + address + "], please wait.....";
}

std::string OverwriteUsbQuestion(const std::string& name, const std::string& uniqueId) {
    return "Found USB device named " + name + " with Unique ID " + uniqueId + ".\r\n" +
           "Do you want to overwrite the device already present in the Device List ?";
}

MergeOutcome MergeSearchResults(const std::vector<DeviceEntry>& results, DeviceList& list, Dialogs& dialogs) {
    MergeOutcome outcome;
    Model& model = list.model();
    for (const DeviceEntry& r : results) {
        bool dropped = false;
        for (DeviceSlot s = 1; s <= kMaxListedDevices && !dropped; ++s) {
            DeviceEntry& e = model.entry(s);
            if (!e.inList) continue;
            if (!r.isUsb() && !e.isUsb() && e.uniqueId == r.uniqueId && e.network == r.network) {
                e.ip = r.ip;
                e.name = r.name;
                ++outcome.updated;
                list.RowChanged(s);
                dropped = true;
            } else if (r.isUsb() && e.isUsb()) {
                dropped = true;
                if (e.uniqueId == r.uniqueId) break;
                if (dialogs.Ask(kSearchTitle, OverwriteUsbQuestion(r.name, r.uniqueId),
                                       Buttons::YesNo) == Answer::Yes) {
                    e.ip = r.ip;
                    e.name = r.name;
                    ++outcome.updated;
                    list.RowChanged(s);
                }
            }
        }
        if (dropped) continue;
        const auto slot = list.FirstFreeSlot();
        if (!slot) continue;
        DeviceEntry& e = model.entry(*slot);
        e = r;
        e.inList = true;
        e.online = false;
        list.ResetModel(*slot);
        ++outcome.added;
        list.RowChanged(*slot);
    }
    if (outcome.added == 0 && outcome.updated == 0)
        dialogs.Message(kSearchTitle, kNoNewDevicesText, Icon::Exclamation);
    return outcome;
}

DeviceSearch::DeviceSearch(DeviceList& list, DeviceExchange& exchange, Dialogs& dialogs, SearchSettings settings,
                           SearchHooks hooks)
    : list_(list), exchange_(exchange), dialogs_(dialogs), settings_(settings), hooks_(std::move(hooks)) {
    completion_.setSingleShot(true);
    QObject::connect(&completion_, &QTimer::timeout, [this] { OnCompletionTimer(); });
}

DeviceSearch::~DeviceSearch() {
    completion_.stop();
    if (tcp1_) tcp1_->SetScanResponseHandler({});
}

bool DeviceSearch::Open() {
    results_.clear();
    completed_ = false;
    tcp1_ = exchange_.transport().NewTcpClient();
    if (!tcp1_ || tcp1_->Init(kTcpConnectionSlots) != kTransportOk) {
        dialogs_.Message(kTcpInitTitle, kTcpInitFailedText, Icon::Critical);
        tcp1_.reset();
        return false;
    }
    tcp1_->SetScanResponseHandler(
        [this](const std::vector<std::string>& answered) { OnScanResponse(answered); });
    boxes_ = BoxesFromRange(RangeFromConfig(ReadInitConfig(exchange_.settings().configFolder)));
    return true;
}

std::string DeviceSearch::HostAddress() {
    const auto addresses = exchange_.transport().GetLocalAddresses();
    return addresses.empty() ? std::string(kNoLocalNetwork) : addresses.front();
}

bool DeviceSearch::SelectTcpMode() {
    if (NetworkAvailable(exchange_.transport(), settings_.loopbackIsNetwork)) return true;
    dialogs_.Message(kTcpModeTitle, kNoNetworkSearchText, Icon::Exclamation);
    return false;
}

void DeviceSearch::Caption(const std::string& text) {
    if (hooks_.caption) hooks_.caption(text);
}

void DeviceSearch::AddResult(const DeviceEntry& result) {
    for (DeviceEntry& r : results_) {
        if (SameNetworkDevice(r, result)) {
            r = result;
            return;
        }
    }
    if (results_.size() < kMaxResults) results_.push_back(result);
}

bool DeviceSearch::StartUsb() {
    const Model& model = list_.model();
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model.entry(s);
        if (e.inList && e.isUsb() && e.online) {
            completed_ = true;
            return false;
        }
    }
    SerialPort& port = exchange_.transport().serial();
    const std::optional<IdentifyReply> id = exchange_.FindSerialDevice();
    const bool found = id.has_value();
    if (found) {
        DeviceEntry result = EntryFromIdentify(*id, kInterfaceUsb, "", true);
        result.online = false;
        AddResult(result);
        port.Write(CloseFrame(id->address));
        Bytes answer(kFrameSize);
        port.Read(answer, exchange_.settings().replies.close);
    } else {
        ReportSerialPermission(exchange_, dialogs_);
    }
    port.Close();
    completed_ = true;
    return found;
}

bool DeviceSearch::StartTcp(const RangeBoxes& boxes) {
    boxes_ = ValidateRangeBoxes(boxes);
    const auto range = RangeFromBoxes(boxes_);
    if (!range) return false;
    InitConfig config = ReadInitConfig(exchange_.settings().configFolder);
    StoreRange(config, *range);
    WriteInitConfig(exchange_.settings().configFolder, config);
    StartTcpAddresses(SearchAddresses(*range, list_.model()));
    return true;
}

void DeviceSearch::StartTcpAddresses(const std::vector<std::string>& addresses) {
    if (!tcp1_ && !Open()) return;
    Caption(kSearchingTcpCaption);
    running_ = true;
    if (hooks_.controlsEnabled) hooks_.controlsEnabled(false);
    completion_.start(settings_.completionMs);
    tcp1_->Scan(addresses, exchange_.settings().devicePort, settings_.probeTimeoutMs, false);
}

void DeviceSearch::OnCompletionTimer() {
    if (hooks_.controlsEnabled) hooks_.controlsEnabled(true);
    completed_ = true;
    if (!handling_) running_ = false;
}

std::optional<DeviceEntry> DeviceSearch::IdentifyAt(int k, const std::string& address) {
    const ReplyTimeouts& t = exchange_.settings().replies;
    if (tcp1_->IsConnected(k)) tcp1_->Disconnect(k);
    if (tcp1_->Connect(k, address, exchange_.settings().devicePort, settings_.connectTimeoutMs) != kTransportOk)
        return std::nullopt;
    std::optional<DeviceEntry> result;
    Bytes reply(kIdentifyReplySize);
    std::optional<IdentifyReply> id;
    if (tcp1_->Send(k, IdentifyFrame()) == kTransportOk && tcp1_->Receive(k, reply, t.identifyTcp) == kTransportOk)
        id = DecodeIdentify(reply);
    if (id && id->genuine) {
        result = EntryFromIdentify(*id, kInterfaceTcp, address, false);
        Bytes answer(kFrameSize);
        if (tcp1_->Send(k, CloseFrame(id->address)) == kTransportOk &&
            tcp1_->Receive(k, answer, t.close) == kTransportOk)
            tcp1_->Send(k, Bytes{0x00});
    }
    tcp1_->Disconnect(k);
    return result;
}

void DeviceSearch::OnScanResponse(const std::vector<std::string>& answered) {
    handling_ = true;
    const int total = static_cast<int>(answered.size());
    for (int i = 0; i < total; ++i) {
        const std::string& address = answered[static_cast<std::size_t>(i)];
        Caption(SearchingAddressCaption(address));
        if (hooks_.progress) hooks_.progress(i + 1, total);
        if (auto result = IdentifyAt(i % kTcpConnectionSlots, address)) AddResult(*result);
    }
    handling_ = false;
    completion_.stop();
    completed_ = true;
    running_ = false;
    if (hooks_.controlsEnabled) hooks_.controlsEnabled(true);
    if (hooks_.finished) hooks_.finished();
}

bool DeviceSearch::WaitUntilDone(int maxMs) {
    QTimer tick;  // the flags change inside handlers that emit nothing
    tick.start(10);
    LocalWait wait;
    wait.WakeOn(&tick, &QTimer::timeout);
    return wait.Run(maxMs, [this] { return !running_; });
}

MergeOutcome DeviceSearch::Close() {
    completion_.stop();
    if (tcp1_) {
        tcp1_->SetScanResponseHandler({});
        for (int k = 0; k < kTcpConnectionSlots; ++k) tcp1_->Disconnect(k);
    }
    running_ = false;
    if (!completed_) return {};
    completed_ = false;
    auto results = std::move(results_);
    results_.clear();
    return MergeSearchResults(results, list_, dialogs_);
}

}  // namespace zef
