#pragma once
// Serial ports for tests where no pseudo-terminal exists: port n reaches the simulated device
// whose in-process serial line was opened under the path the port map gives n, paced at
// 9600 baud by the simulator as a pseudo-terminal is. A transport that is the Qt one in
// everything but the serial port lets the same test run over either kind of line.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "simulator.h"
#include "transport/qt_transport.h"
#include "transport/transport.h"

namespace zefsim {
class SerialLine;
}

namespace zef::test {

class SimSerialPort final : public SerialPort {
public:
    SimSerialPort(const SerialPortMap& ports, const zefsim::Simulator& sim) : ports_(ports), sim_(sim) {}

    // Fails for a number the map does not know and for a path no line was opened under.
    int Open(int number, int baud) override;
    void Close() override;
    bool IsOpen() const override { return line_ != nullptr; }
    void Write(const Bytes& bytes) override;
    // Waits with the event loop running, allowing the line time as the Qt port does.
    int Read(Bytes& reply, int timeoutMs) override;

private:
    const SerialPortMap& ports_;
    const zefsim::Simulator& sim_;
    std::shared_ptr<zefsim::SerialLine> line_;
    int baud_ = kSerialBaudRate;
    std::size_t lastWriteSize_ = 0;
};

// How a test's serial port reaches the simulated device.
enum class SerialKind { Pty, InProcess };
std::string SerialKindName(SerialKind kind);

// The Qt transport, with its own serial port (device files, pseudo-terminals) or a
// SimSerialPort on the same port map.
class SimSerialTransport final : public Transport {
public:
    SimSerialTransport(SerialPortMap ports, const zefsim::Simulator& sim, SerialKind kind)
        : qt_(std::move(ports)), line_(qt_.serialPorts(), sim), kind_(kind) {}

    TcpClient& tcp() override { return qt_.tcp(); }
    SerialPort& serial() override;
    SerialPortMap& serialPorts() override { return qt_.serialPorts(); }
    std::unique_ptr<TcpClient> NewTcpClient() override { return qt_.NewTcpClient(); }
    std::unique_ptr<AnnouncementListener> NewAnnouncementListener() override { return qt_.NewAnnouncementListener(); }
    std::vector<std::string> GetLocalAddresses() override { return qt_.GetLocalAddresses(); }
    void Pause(int ms) override { qt_.Pause(ms); }
    SerialKind kind() const { return kind_; }

private:
    QtTransport qt_;
    SimSerialPort line_;
    SerialKind kind_;
};

// Opens the device's serial link under `path`: a pseudo-terminal with a symlink at `path`,
// or an in-process line of that name.
void OpenSimSerial(zefsim::Simulator& sim, zefsim::Device& device, const std::string& path, SerialKind kind);

}  // namespace zef::test
