#include "simulator.h"

#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>
#include <thread>

#include "base/net_socket.h"
#include "links.h"
#include "pty.h"
#include "serial_line.h"

namespace zefsim {
namespace {

using Outgoing = ByteProtocol::Outgoing;

struct TcpEndpoint {
    Device* device = nullptr;
    std::string host;
    std::uint16_t port = 0;
    zef::net::Socket listener;
    zef::net::Socket conn;
    std::unique_ptr<CommandSession> session;
    std::vector<Outgoing> pending;  // replies not yet due
    std::vector<std::uint8_t> unsent;
    unsigned cutSeen = 0;

    void closeConnection() {
        conn.Close();
        session.reset();
        pending.clear();
        unsent.clear();
    }
};

struct SerialEndpoint {
    Device* device = nullptr;
    std::unique_ptr<Pty> pty;          // a device file for other programs, or
    std::shared_ptr<SerialLine> line;  // a line inside the process
    std::string symlinkPath;           // the pty's symlink, or the line's name
    std::unique_ptr<ByteProtocol> command;
    std::unique_ptr<ByteProtocol> boot;
    Clock::time_point inClock{};   // when the last received byte finished arriving
    Clock::time_point outClock{};  // when the last sent byte finished leaving
    std::deque<std::pair<std::uint8_t, Clock::time_point>> outBytes;

    ByteProtocol& protocol() {
        if (device->bootloader()) {
            if (!boot) {
                if (auto factory = device->bootloaderProtocol()) boot = factory(*device);
            }
            if (boot) return *boot;
        } else {
            boot.reset();
        }
        return *command;
    }
};

struct AnnounceTarget {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

}  // namespace

struct Simulator::Impl {
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<Device>> devices;
    std::vector<std::unique_ptr<TcpEndpoint>> tcp;
    std::vector<std::unique_ptr<SerialEndpoint>> serial;
    std::map<const Device*, AnnounceTarget> announce;
    int announceIntervalMs = 0;
    Clock::time_point nextAnnounce{};
    zef::net::Waker waker;
    bool running = false;
    std::thread thread;

    void wake() const { waker.Wake(); }
    void loop();
    void serviceTcp(TcpEndpoint& e, bool listenerReady, bool connReady, Clock::time_point now);
    void serviceSerial(SerialEndpoint& e, bool readable, Clock::time_point now);
    void flushTcp(TcpEndpoint& e, Clock::time_point now);
    void flushSerial(SerialEndpoint& e, Clock::time_point now);
    std::string sourceHost(const Device& d) const;
    void announceLocked(const Device& d) const;
    Clock::time_point nextDeadline(Clock::time_point now) const;
};

Simulator::Simulator() : impl_(std::make_unique<Impl>()) {}

Simulator::~Simulator() {
    stop();
    for (auto& e : impl_->tcp) e->closeConnection();
    for (auto& e : impl_->serial) {
        if (e->line) e->line->setWakeHook(nullptr);
        e->pty.reset();
    }
    for (auto& d : impl_->devices) d->setWakeHook(nullptr);
}

Device& Simulator::addDevice(const DeviceConfig& config) {
    std::lock_guard lock(impl_->mutex);
    DeviceConfig c = config;
    const auto taken = [&](const std::array<std::uint8_t, 6>& uid) {
        return std::any_of(impl_->devices.begin(), impl_->devices.end(),
                           [&](const auto& d) { return d->uid() == uid; });
    };
    if (c.uid == std::array<std::uint8_t, 6>{}) {
        std::uint16_t n = static_cast<std::uint16_t>(impl_->devices.size() + 1);
        do {
            c.uid = {0x02, 0x5A, 0x45, 0x46, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
            ++n;
        } while (taken(c.uid));
    }
    impl_->devices.push_back(std::make_unique<Device>(c));
    Device& d = *impl_->devices.back();
    d.setWakeHook([impl = impl_.get()] { impl->wake(); });
    return d;
}

std::size_t Simulator::deviceCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->devices.size();
}

Device& Simulator::device(std::size_t index) {
    std::lock_guard lock(impl_->mutex);
    return *impl_->devices.at(index);
}

std::uint16_t Simulator::listenTcp(Device& d, const std::string& host, std::uint16_t port, Remote remote) {
    const std::uint32_t address = parseIPv4(host);
    if (remote == Remote::Refused && !isLoopback(address))
        throw std::runtime_error("zefsim listens on loopback addresses (127.x.x.x) only, not " + host +
                                 " (--allow-remote lets it)");
    std::string error;
    zef::net::Socket listener = zef::net::Socket::ListenTcp(address, port, error);
    if (!listener.valid())
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) + ": " + error);
    auto e = std::make_unique<TcpEndpoint>();
    e->device = &d;
    e->host = host == "localhost" ? "127.0.0.1" : host;
    e->port = listener.LocalPort();
    e->listener = std::move(listener);
    e->cutSeen = d.cutGeneration();
    const std::uint16_t bound = e->port;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->tcp.push_back(std::move(e));
    }
    start();
    impl_->wake();
    return bound;
}

std::string Simulator::openSerial(Device& d, const std::string& symlinkPath) {
    auto e = std::make_unique<SerialEndpoint>();
    e->device = &d;
    e->pty = std::make_unique<Pty>(symlinkPath);
    const std::string slave = e->pty->devicePath();
    e->symlinkPath = symlinkPath;
    e->command = std::make_unique<CommandSession>(d, Link::Serial);
    {
        std::lock_guard lock(impl_->mutex);
        impl_->serial.push_back(std::move(e));
    }
    start();
    impl_->wake();
    return slave;
}

void Simulator::openSerialLine(Device& d, const std::string& name) {
    auto e = std::make_unique<SerialEndpoint>();
    e->device = &d;
    e->symlinkPath = name;
    e->line = std::make_shared<SerialLine>();
    e->line->setWakeHook([impl = impl_.get()] { impl->wake(); });
    e->command = std::make_unique<CommandSession>(d, Link::Serial);
    {
        std::lock_guard lock(impl_->mutex);
        impl_->serial.push_back(std::move(e));
    }
    start();
    impl_->wake();
}

std::shared_ptr<SerialLine> Simulator::serialLine(const std::string& name) const {
    std::lock_guard lock(impl_->mutex);
    // The newest line of that name: an older one stays served but is no longer handed out.
    for (auto it = impl_->serial.rbegin(); it != impl_->serial.rend(); ++it)
        if ((*it)->line && (*it)->symlinkPath == name) return (*it)->line;
    return nullptr;
}

void Simulator::announceTo(Device& d, const std::string& host, std::uint16_t port) {
    const std::uint32_t address = parseIPv4(host);
    if (!isLoopback(address))
        throw std::runtime_error("announcements go to loopback addresses only: " + host);
    std::lock_guard lock(impl_->mutex);
    impl_->announce[&d] = AnnounceTarget{address, port};
}

void Simulator::announceNow(Device& d) {
    std::lock_guard lock(impl_->mutex);
    impl_->announceLocked(d);
}

void Simulator::setAnnounceIntervalMs(int ms) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->announceIntervalMs = std::max(0, ms);
        impl_->nextAnnounce = Clock::now();
    }
    impl_->wake();
}

Simulator::Endpoints Simulator::endpoints(const Device& d) const {
    std::lock_guard lock(impl_->mutex);
    Endpoints out;
    for (const auto& e : impl_->tcp)
        if (e->device == &d) out.tcp.push_back(e->host + ":" + std::to_string(e->port));
    for (const auto& e : impl_->serial)
        if (e->device == &d) out.serial.push_back((e->line ? "in-process" : e->pty->devicePath()) + " -> " + e->symlinkPath);
    if (auto it = impl_->announce.find(&d); it != impl_->announce.end())
        out.announce = zef::net::Ipv4Text(it->second.address) + ":" + std::to_string(it->second.port);
    return out;
}

void Simulator::start() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->running) return;
    impl_->running = true;
    impl_->thread = std::thread([impl = impl_.get()] { impl->loop(); });
}

void Simulator::stop() {
    {
        std::lock_guard lock(impl_->mutex);
        if (!impl_->running) return;
        impl_->running = false;
    }
    impl_->wake();
    impl_->thread.join();
    std::lock_guard lock(impl_->mutex);
    for (auto& e : impl_->tcp) e->closeConnection();
}

// ---- the I/O thread ------------------------------------------------------------------------

std::string Simulator::Impl::sourceHost(const Device& d) const {
    for (const auto& e : tcp)
        if (e->device == &d) return e->host;
    return "127.0.0.1";
}

void Simulator::Impl::announceLocked(const Device& d) const {
    auto it = announce.find(&d);
    if (it == announce.end()) return;
    const auto datagram = d.announcement();
    sendDatagram(sourceHost(d), it->second.address, it->second.port, datagram);
}

Clock::time_point Simulator::Impl::nextDeadline(Clock::time_point now) const {
    Clock::time_point next = now + std::chrono::seconds(1);
    for (const auto& e : tcp)
        for (const auto& o : e->pending) next = std::min(next, o.due);
    for (const auto& e : serial)
        if (!e->outBytes.empty()) next = std::min(next, e->outBytes.front().second);
    if (announceIntervalMs > 0 && !announce.empty()) next = std::min(next, nextAnnounce);
    return next;
}

void Simulator::Impl::loop() {
    std::unique_lock lock(mutex);
    while (running) {
        const auto now = Clock::now();
        std::vector<zef::net::PollItem> fds{{waker.handle()}};
        for (const auto& e : tcp) {
            fds.push_back({e->listener.handle()});
            fds.push_back({e->conn.handle(), true, !e->unsent.empty()});  // kNoHandle is skipped
        }
        for (const auto& e : serial) fds.push_back({e->pty ? e->pty->handle() : zef::net::kNoHandle});
        const bool lineWritten =
            std::any_of(serial.begin(), serial.end(), [](const auto& e) { return e->line && e->line->hasWritten(); });
        const auto wait = std::max(nextDeadline(now) - now, Clock::duration::zero());
        const std::size_t tcpCount = tcp.size(), serialCount = serial.size();

        lock.unlock();
        if (!lineWritten) zef::net::Poll(fds, wait);
        lock.lock();
        if (!running) break;

        if (fds[0].readable) waker.Drain();
        const auto t = Clock::now();
        for (std::size_t i = 0; i < tcpCount; ++i)
            serviceTcp(*tcp[i], fds[1 + 2 * i].readable, fds[2 + 2 * i].readable, t);
        for (std::size_t i = 0; i < serialCount; ++i)
            serviceSerial(*serial[i], fds[1 + 2 * tcpCount + i].readable, t);
        const auto after = Clock::now();
        for (auto& e : tcp) flushTcp(*e, after);
        for (auto& e : serial) flushSerial(*e, after);
        if (announceIntervalMs > 0 && after >= nextAnnounce) {
            for (const auto& d : devices) announceLocked(*d);
            nextAnnounce = after + std::chrono::milliseconds(announceIntervalMs);
        }
    }
}

void Simulator::Impl::serviceTcp(TcpEndpoint& e, bool listenerReady, bool connReady, Clock::time_point now) {
    const unsigned generation = e.device->cutGeneration();
    if (generation != e.cutSeen) {
        e.cutSeen = generation;
        e.closeConnection();
        connReady = false;
    }
    if (listenerReady) {
        if (zef::net::Socket conn = e.listener.Accept(); conn.valid()) {
            e.closeConnection();  // a new connection replaces the old one
            e.conn = std::move(conn);
            e.session = std::make_unique<CommandSession>(*e.device, Link::Network);
            connReady = false;
        }
    }
    if (!e.conn.valid() || !connReady) return;
    std::uint8_t buf[4096];
    const zef::net::IoResult got = e.conn.Receive(buf);
    if (got.status == zef::net::IoStatus::kClosed || got.status == zef::net::IoStatus::kFailed) {
        e.closeConnection();
        return;
    }
    for (std::size_t i = 0; i < got.bytes; ++i) e.session->receive(buf[i], now, e.pending);
}

void Simulator::Impl::flushTcp(TcpEndpoint& e, Clock::time_point now) {
    if (!e.conn.valid()) return;
    std::stable_sort(e.pending.begin(), e.pending.end(),
                     [](const Outgoing& a, const Outgoing& b) { return a.due < b.due; });
    auto it = e.pending.begin();
    for (; it != e.pending.end() && it->due <= now; ++it)
        e.unsent.insert(e.unsent.end(), it->bytes.begin(), it->bytes.end());
    e.pending.erase(e.pending.begin(), it);
    if (e.unsent.empty()) return;
    const zef::net::IoResult sent = e.conn.Send(e.unsent);
    if (sent.status == zef::net::IoStatus::kOk) {
        e.unsent.erase(e.unsent.begin(), e.unsent.begin() + static_cast<std::ptrdiff_t>(sent.bytes));
    } else if (sent.status != zef::net::IoStatus::kWouldBlock) {
        e.closeConnection();
    }
}

void Simulator::Impl::serviceSerial(SerialEndpoint& e, bool readable, Clock::time_point now) {
    std::vector<std::uint8_t> in;
    if (e.line) {
        in = e.line->takeWritten();
    } else if (readable && e.pty) {
        std::uint8_t buf[4096];
        in.assign(buf, buf + e.pty->Read(buf));
    }
    std::vector<Outgoing> out;
    for (const std::uint8_t byte : in) {
        // A byte counts as received only once its own wire time has passed.
        e.inClock = std::max(e.inClock, now) + kSerialByteTime;
        e.protocol().receive(byte, e.inClock, out);
    }
    for (const Outgoing& o : out) {
        for (std::uint8_t b : o.bytes) {
            e.outClock = std::max(e.outClock, o.due) + kSerialByteTime;
            e.outBytes.emplace_back(b, e.outClock);
        }
    }
}

void Simulator::Impl::flushSerial(SerialEndpoint& e, Clock::time_point now) {
    std::vector<std::uint8_t> ready;
    while (!e.outBytes.empty() && e.outBytes.front().second <= now) {
        ready.push_back(e.outBytes.front().first);
        e.outBytes.pop_front();
    }
    if (ready.empty()) return;
    if (e.line) {
        e.line->deliver(ready);
        return;
    }
    if (e.pty) e.pty->Write(ready);
}

}  // namespace zefsim
