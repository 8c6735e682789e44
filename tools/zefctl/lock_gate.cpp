#include "lock_gate.h"

#include <iostream>

#include "app/editor_options.h"
#include "app/interface_lock.h"
#include "base/input_file.h"
#include "base/terminal.h"

namespace zefctl {
namespace {

// A password file holds one line; a longer file is no password file.
constexpr std::size_t kMaxPasswordFileBytes = 4096;

std::string PasswordFromFile(const std::string& path) {
    const zef::FileBytes file = zef::ReadWholeFile(path, kMaxPasswordFileBytes);
    if (!file.ok()) Fail("--password-file " + zef::FileProblemLine(path, file.problem));
    std::string text(file.bytes.begin(), file.bytes.end());
    text = text.substr(0, text.find_first_of("\r\n"));
    return text;
}

// Reads one line from the terminal on standard input with echo off.
std::string PasswordFromTerminal(const std::string& prompt) {
    std::string line;
    zef::terminal::ReadLineUnechoed(prompt, line);
    std::cerr << "\n";
    return line;
}

}  // namespace

void CheckUnlocked(const Options& options, const zef::DeviceEntry& device, const std::string& where) {
    const zef::PasswordStore store(zef::DefaultDataFolder());
    if (!store.locked(device.uniqueId)) return;
    const std::string who = where + " (" + device.name + ", " + device.uniqueId + ")";
    if (!store.has(device.uniqueId)) Fail(who + " is locked in the editor. " + store.problem(device.uniqueId));
    std::string password;
    if (options.passwordFile) {
        password = PasswordFromFile(*options.passwordFile);
    } else if (zef::terminal::StdinIsTerminal()) {
        password = PasswordFromTerminal("Password of " + who + ": ");
    } else {
        Fail(who + " is locked in the editor: give its password with --password-file FILE");
    }
    if (!store.Check(device.uniqueId, password)) Fail(who + " is locked in the editor: wrong password");
}

}  // namespace zefctl
