#pragma once
// The interface lock as zefctl honours it. A device locked in the editor's
// per-user data folder (app/interface_lock.h; --config does not move it) is
// written to only by a run that gives its password: read from
// --password-file FILE, or typed at the terminal with echo off when there is
// one. A password is never taken from the command line itself.

#include <string>

#include "cli.h"
#include "model/device_entry.h"

namespace zefctl {

// Does nothing when `device` (identified, its unique ID known) is not locked;
// otherwise asks for the password and throws CliError unless it is the
// device's. `where` names the device in messages ("127.0.0.2:1001").
void CheckUnlocked(const Options& options, const zef::DeviceEntry& device, const std::string& where);

}  // namespace zefctl
