#pragma once
// The editor's command line and its data folder.
//
// The program keeps init.cfg, tmpPrj.plt and the data folders "Preset",
// "Project", "FIR", "IR_saved" and "TS" in one folder of its own: the
// per-user application data folder (on Linux ~/.local/share/zef-editor)
// unless --data names another.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/transport.h"

namespace zef {

struct EditorOptions {
    std::string dataFolder;             // empty = the per-user folder
    bool loopbackLan = false;           // the loopback interface counts as a network
    std::uint16_t announcePort = kDefaultAnnouncementPort;  // UDP port of the announcements
    std::uint16_t devicePort = kDefaultDevicePort;          // TCP port of the devices
    std::vector<std::string> serialPaths;  // device paths registered as serial ports, in order
    std::vector<std::string> rigs;      // virtual measurement rigs "HOST:PORT" (loopback), in order
    std::string logFile;                // --log FILE: the traffic log as it happens ("" = none)
    bool help = false;
    bool version = false;  // --version: print the version and quit
};

struct ParsedOptions {
    EditorOptions options;
    std::string error;  // non-empty: the command line was wrong; text for the user
};

// Parses the arguments without the program name.
ParsedOptions ParseEditorOptions(const std::vector<std::string>& args);
std::string EditorUsage();

inline constexpr const char* kDataSubfolders[] = {"Preset", "Project", "FIR", "IR_saved", "TS"};

// The per-user data folder the editor and zefctl share (init.cfg,
// tmpPrj.plt, the data folders): the XDG data home's "zef-editor"
// (~/.local/share/zef-editor). "" when the system has none.
inline constexpr const char* kDataFolderName = "zef-editor";
std::string DefaultDataFolder();

// The folder `option` names, or the per-user folder when it is empty.
// Creates it and its data folders; nullopt when any of them cannot be made.
std::optional<std::string> PrepareDataFolder(const std::string& option);

}  // namespace zef
