#include "sim_serial_port.h"

#include <QTimer>
#include <algorithm>

#include "serial_line.h"
#include "transport/local_wait.h"

namespace zef::test {

int SimSerialPort::Open(int number, int baud) {
    Close();
    const auto path = ports_.PathOf(number);
    if (!path || baud <= 0) return kTransportFailed;
    line_ = sim_.serialLine(*path);
    if (!line_) return kTransportFailed;
    baud_ = baud;
    return kTransportOk;
}

void SimSerialPort::Close() {
    line_.reset();
    lastWriteSize_ = 0;
}

void SimSerialPort::Write(const Bytes& bytes) {
    if (!line_) return;
    line_->discardInput();
    line_->write(bytes);
    lastWriteSize_ = bytes.size();
}

int SimSerialPort::Read(Bytes& reply, int timeoutMs) {
    if (!line_) return kTransportFailed;
    const std::size_t need = reply.size();
    const auto lineBytes = static_cast<long long>(lastWriteSize_ + need);
    const long long lineMs = (lineBytes * 10 * 1000 + baud_ - 1) / baud_;
    lastWriteSize_ = 0;
    // The line has no signal to wake the wait on: look every millisecond.
    LocalWait wait;
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    look.setInterval(1);
    QObject::connect(&look, &QTimer::timeout, [&wait] { wait.Wake(); });
    look.start();
    const auto line = line_;
    wait.Run(static_cast<int>(std::max(timeoutMs, 0) + lineMs), [&] { return line->available() >= need; });
    if (line->available() < need) return kTransportFailed;
    const std::vector<std::uint8_t> bytes = line->take(need);
    std::copy(bytes.begin(), bytes.end(), reply.begin());
    return kTransportOk;
}

std::string SerialKindName(SerialKind kind) { return kind == SerialKind::Pty ? "Pty" : "InProcess"; }

SerialPort& SimSerialTransport::serial() {
    if (kind_ == SerialKind::Pty) return qt_.serial();
    return line_;
}

void OpenSimSerial(zefsim::Simulator& sim, zefsim::Device& device, const std::string& path, SerialKind kind) {
    if (kind == SerialKind::Pty)
        sim.openSerial(device, path);
    else
        sim.openSerialLine(device, path);
}

}  // namespace zef::test
