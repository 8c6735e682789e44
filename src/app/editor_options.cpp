#include "app/editor_options.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <charconv>

#include "audio/rig_client.h"

namespace zef {
namespace {

bool ParsePort(const std::string& text, std::uint16_t& port) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

std::string EditorUsage() {
    return "usage: zefedit [OPTIONS]\n"
           "\n"
           "  --data DIR            keep init.cfg, tmpPrj.plt and the data folders in DIR\n"
           "                        (default: the per-user data folder, e.g. ~/.local/share/zef-editor)\n"
           "  --announce-port N     UDP port of the device announcements (default 30303)\n"
           "  --device-port N       TCP port of the devices (default 1001)\n"
           "  --serial PATH         register PATH as a serial port (repeatable; first = port 1)\n"
           "  --rig HOST:PORT       a virtual measurement rig of zefsim as one more sound card\n"
           "                        (repeatable; loopback addresses only)\n"
           "  --loopback-lan        let the loopback interface count as a network\n"
           "  --log FILE            write every frame sent to and received from the devices to FILE;\n"
           "                        at 1 MiB FILE moves to FILE.1 and a new FILE starts (2 MiB at most)\n"
           "  --help                this text\n"
           "  --version             the program's version\n";
}

ParsedOptions ParseEditorOptions(const std::vector<std::string>& args) {
    ParsedOptions r;
    EditorOptions& o = r.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string* {
            if (i + 1 >= args.size()) {
                r.error = a + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--loopback-lan") {
            o.loopbackLan = true;
        } else if (a == "--data" || a == "--serial" || a == "--log") {
            const std::string* v = value();
            if (!v) return r;
            if (v->empty()) {
                r.error = a + " needs a non-empty value";
                return r;
            }
            if (a == "--data")
                o.dataFolder = *v;
            else if (a == "--log")
                o.logFile = *v;
            else
                o.serialPaths.push_back(*v);
        } else if (a == "--rig") {
            const std::string* v = value();
            if (!v) return r;
            audio::RigEndpoint endpoint;
            if (std::string error; !audio::ParseRigEndpoint(*v, endpoint, error)) {
                r.error = "--rig: " + error;
                return r;
            }
            o.rigs.push_back(*v);
        } else if (a == "--announce-port" || a == "--device-port") {
            const std::string* v = value();
            if (!v) return r;
            std::uint16_t& port = a == "--announce-port" ? o.announcePort : o.devicePort;
            if (!ParsePort(*v, port)) {
                r.error = a + " takes a port number 1..65535, not '" + *v + "'";
                return r;
            }
        } else {
            r.error = "unknown option '" + a + "'";
            return r;
        }
    }
    return r;
}

std::string DefaultDataFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? std::string() : (base + "/" + kDataFolderName).toStdString();
}

std::optional<std::string> PrepareDataFolder(const std::string& option) {
    QString folder = QString::fromStdString(option.empty() ? DefaultDataFolder() : option);
    if (folder.isEmpty()) return std::nullopt;
    QDir dir(folder);
    if (!dir.mkpath(".")) return std::nullopt;
    for (const char* sub : kDataSubfolders)
        if (!dir.mkpath(sub)) return std::nullopt;
    return dir.absolutePath().toStdString();
}

}  // namespace zef
