#include "transport/qt_transport.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimer>
#include <algorithm>

#include "transport/local_wait.h"

namespace zef {
namespace {

constexpr std::size_t kMaxScanAddresses = 256;

QByteArray ToQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Reads exactly reply.size() bytes that are known to be available.
void TakeBytes(QIODevice& device, Bytes& reply) {
    device.read(reinterpret_cast<char*>(reply.data()), static_cast<qint64>(reply.size()));
}

bool ParseIpv4(const std::string& ip, QHostAddress& out) {
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(ip))) return false;
    if (address.protocol() != QAbstractSocket::IPv4Protocol) return false;
    out = address;
    return true;
}

std::string Ipv4Text(const QHostAddress& address) {
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString().toStdString() : address.toString().toStdString();
}

}  // namespace

// ---- TCP client ------------------------------------------------------------

struct QtTcpClient::ScanRun {
    QObject* context = nullptr;  // parent of the probe sockets and the timer
    std::vector<std::string> addresses;
    std::vector<QTcpSocket*> probes;
    unsigned generation = 0;  // tells a stale timer of an earlier scan from this one
    bool finished = false;
    LocalWait* waiter = nullptr;  // the blocking Scan call waiting for this run
};

QtTcpClient::QtTcpClient() { Init(kTcpConnectionSlots); }

QtTcpClient::~QtTcpClient() {
    if (scan_ && scan_->context) delete scan_->context;
}

int QtTcpClient::Init(int maxConnections) {
    if (maxConnections < 1) return kTransportFailed;
    for (auto& s : sockets_) s->abort();
    sockets_.clear();
    closedByPeer_.assign(static_cast<std::size_t>(maxConnections), false);
    for (int i = 0; i < maxConnections; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QObject::connect(socket.get(), &QAbstractSocket::errorOccurred, socket.get(),
                         [this, i](QAbstractSocket::SocketError error) {
                             if (error == QAbstractSocket::RemoteHostClosedError)
                                 closedByPeer_[static_cast<std::size_t>(i)] = true;
                         });
        sockets_.push_back(std::move(socket));
    }
    return kTransportOk;
}

QTcpSocket* QtTcpClient::socket(int slot) const {
    if (slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()) return nullptr;
    return sockets_[static_cast<std::size_t>(slot)].get();
}

int QtTcpClient::Connect(int slot, const std::string& ip, std::uint16_t port, int timeoutMs) {
    QTcpSocket* s = socket(slot);
    QHostAddress address;
    if (!s || !ParseIpv4(ip, address)) return kTransportFailed;
    s->abort();
    closedByPeer_[static_cast<std::size_t>(slot)] = false;
    s->connectToHost(address, port);
    LocalWait wait;
    wait.WakeOn(s, &QAbstractSocket::stateChanged);
    wait.WakeOn(s, &QAbstractSocket::errorOccurred);
    wait.Run(timeoutMs, [s] {
        return s->state() == QAbstractSocket::ConnectedState ||
               s->state() == QAbstractSocket::UnconnectedState;
    });
    if (s->state() == QAbstractSocket::ConnectedState) {
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return kTransportOk;
    }
    s->abort();
    return kTransportFailed;
}

int QtTcpClient::Send(int slot, const Bytes& bytes) {
    QTcpSocket* s = socket(slot);
    if (!s || s->state() != QAbstractSocket::ConnectedState) return kTransportFailed;
    s->readAll();  // a late reply must not answer this request
    const qint64 written = s->write(ToQt(bytes));
    if (written != static_cast<qint64>(bytes.size())) return kTransportFailed;
    s->flush();
    return kTransportOk;
}

int QtTcpClient::Receive(int slot, Bytes& reply, int timeoutMs) {
    QTcpSocket* s = socket(slot);
    if (!s) return kTransportFailed;
    const auto need = static_cast<qint64>(reply.size());
    LocalWait wait;
    wait.WakeOn(s, &QIODevice::readyRead);
    wait.WakeOn(s, &QAbstractSocket::stateChanged);
    wait.Run(timeoutMs, [s, need] {
        return s->bytesAvailable() >= need || s->state() != QAbstractSocket::ConnectedState;
    });
    if (s->bytesAvailable() < need) return kTransportFailed;
    TakeBytes(*s, reply);
    return kTransportOk;
}

void QtTcpClient::Disconnect(int slot) {
    if (QTcpSocket* s = socket(slot)) {
        s->flush();
        s->abort();
    }
}

std::size_t QtTcpClient::Unread(int slot) const {
    const QTcpSocket* s = socket(slot);
    return s ? static_cast<std::size_t>(std::max<qint64>(s->bytesAvailable(), 0)) : 0;
}

bool QtTcpClient::ClosedByPeer(int slot) const {
    return socket(slot) && closedByPeer_[static_cast<std::size_t>(slot)];
}

bool QtTcpClient::IsConnected(int slot) const {
    const QTcpSocket* s = socket(slot);
    return s && s->state() == QAbstractSocket::ConnectedState;
}

std::vector<std::string> QtTcpClient::Scan(const std::vector<std::string>& addresses, std::uint16_t port,
                                           int timeoutMs, bool wait) {
    if (scan_ && !scan_->finished) FinishScan(false);
    const unsigned generation = scan_ ? scan_->generation + 1 : 1;
    scan_ = std::make_unique<ScanRun>();
    ScanRun& run = *scan_;
    run.generation = generation;
    const auto finishThis = [this, generation] {
        if (scan_ && scan_->generation == generation) FinishScan(true);
    };
    run.context = new QObject();
    for (const auto& ip : addresses) {
        if (run.addresses.size() == kMaxScanAddresses) break;
        QHostAddress address;
        if (!ParseIpv4(ip, address)) continue;
        auto* probe = new QTcpSocket(run.context);
        run.addresses.push_back(ip);
        run.probes.push_back(probe);
        QObject::connect(probe, &QAbstractSocket::stateChanged, run.context, [this, finishThis] {
            if (!scan_ || scan_->finished) return;
            const bool allEnded = std::all_of(scan_->probes.begin(), scan_->probes.end(), [](QTcpSocket* p) {
                return p->state() == QAbstractSocket::ConnectedState ||
                       p->state() == QAbstractSocket::UnconnectedState;
            });
            if (allEnded) QTimer::singleShot(0, scan_->context, finishThis);
        });
        probe->connectToHost(address, port);
    }
    QTimer::singleShot(std::max(timeoutMs, 0), run.context, finishThis);
    const std::vector<std::string> probed = run.addresses;
    if (wait) {
        // FinishScan wakes the wait; the margin only bounds it.
        LocalWait done;
        run.waiter = &done;
        const auto ended = [this, generation] {
            return !scan_ || scan_->generation != generation || scan_->finished;
        };
        done.Run(std::max(timeoutMs, 0) + 1000, ended);
        if (scan_ && scan_->generation == generation) scan_->waiter = nullptr;
        if (!ended()) FinishScan(true);
    }
    return probed;
}

void QtTcpClient::FinishScan(bool deliver) {
    if (!scan_ || scan_->finished) return;
    scan_->finished = true;
    std::vector<std::string> answered;
    for (std::size_t i = 0; i < scan_->probes.size(); ++i) {
        QTcpSocket* probe = scan_->probes[i];
        if (probe->state() == QAbstractSocket::ConnectedState) answered.push_back(scan_->addresses[i]);
        QObject::disconnect(probe, nullptr, nullptr, nullptr);
        probe->abort();
    }
    scan_->probes.clear();
    scan_->context->deleteLater();
    scan_->context = nullptr;
    if (scan_->waiter) scan_->waiter->Wake();
    if (deliver && scanHandler_) scanHandler_(answered);
}

// ---- serial port -----------------------------------------------------------

int QtSerialPort::Open(int number, int baud) {
    Close();
    const auto path = ports_.PathOf(number);
    if (!path || baud <= 0) return kTransportFailed;
    port_.setPortName(QString::fromStdString(*path));
    if (!port_.open(QIODevice::ReadWrite))
        return port_.error() == QSerialPort::PermissionError ? kTransportPermissionDenied : kTransportFailed;
    const bool configured = port_.setBaudRate(baud) && port_.setDataBits(QSerialPort::Data8) &&
                            port_.setParity(QSerialPort::NoParity) &&
                            port_.setStopBits(QSerialPort::OneStop) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port_.close();
        return kTransportFailed;
    }
    baud_ = baud;
    lastWriteSize_ = 0;
    return kTransportOk;
}

void QtSerialPort::Close() {
    if (port_.isOpen()) port_.close();
    lastWriteSize_ = 0;
}

void QtSerialPort::Write(const Bytes& bytes) {
    if (!port_.isOpen()) return;
    port_.readAll();
    port_.clear(QSerialPort::Input);
    port_.write(ToQt(bytes));
    port_.flush();
    lastWriteSize_ = bytes.size();
}

int QtSerialPort::Read(Bytes& reply, int timeoutMs) {
    if (!port_.isOpen()) return kTransportFailed;
    const auto need = static_cast<qint64>(reply.size());
    const auto lineBytes = static_cast<long long>(lastWriteSize_ + reply.size());
    const long long lineMs = (lineBytes * 10 * 1000 + baud_ - 1) / baud_;
    lastWriteSize_ = 0;
    LocalWait wait;
    wait.WakeOn(&port_, &QIODevice::readyRead);
    wait.WakeOn(&port_, &QSerialPort::errorOccurred);
    wait.Run(static_cast<int>(std::max(timeoutMs, 0) + lineMs), [this, need] {
        return port_.bytesAvailable() >= need || !port_.isOpen() ||
               port_.error() == QSerialPort::ResourceError;
    });
    if (port_.bytesAvailable() < need) return kTransportFailed;
    TakeBytes(port_, reply);
    return kTransportOk;
}

// ---- announcement listener -------------------------------------------------

QtAnnouncementListener::QtAnnouncementListener() {
    QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { Drain(); });
}

int QtAnnouncementListener::Listen(const std::string& host, std::uint16_t port) {
    Stop();
    QHostAddress address(QHostAddress::AnyIPv4);
    if (!host.empty() && !ParseIpv4(host, address)) return kTransportFailed;
    return socket_.bind(address, port) ? kTransportOk : kTransportFailed;
}

void QtAnnouncementListener::Stop() {
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.close();
}

bool QtAnnouncementListener::IsListening() const { return socket_.state() == QAbstractSocket::BoundState; }

std::uint16_t QtAnnouncementListener::LocalPort() const { return IsListening() ? socket_.localPort() : 0; }

void QtAnnouncementListener::Drain() {
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        if (!datagram.isValid() || !handler_) continue;
        const QByteArray data = datagram.data();
        Bytes bytes(data.begin(), data.end());
        handler_(Ipv4Text(datagram.senderAddress()), bytes, 0);
    }
}

// ---- transport ---------------------------------------------------------------

QtTransport::QtTransport(SerialPortMap ports) : ports_(std::move(ports)), serial_(ports_) {}

std::unique_ptr<TcpClient> QtTransport::NewTcpClient() { return std::make_unique<QtTcpClient>(); }

std::unique_ptr<AnnouncementListener> QtTransport::NewAnnouncementListener() {
    return std::make_unique<QtAnnouncementListener>();
}

std::vector<std::string> QtTransport::GetLocalAddresses() {
    std::vector<std::string> addresses;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback())
                addresses.push_back(ip.toString().toStdString());
        }
    }
    addresses.push_back("127.0.0.1");
    return addresses;
}

void QtTransport::Pause(int ms) { LocalWait::Pause(ms); }

}  // namespace zef
