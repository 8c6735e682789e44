#pragma once
// The device list the editor's windows are shot with: six devices in
// slots 1..6 (on-line and off-line, LAN, WLAN and USB, one in standby, one
// with an alert, one in its boot loader), each with a demonstration program;
// device 1 has its network set up and is the current device.

namespace zef {

class Model;

namespace shots {

void FillDemoDevices(Model& model);

}  // namespace shots
}  // namespace zef
