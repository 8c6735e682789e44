#pragma once
// The link diagnostics window with real traffic behind it: two simulated
// amplifiers in this process, polled over loopback TCP, the second one
// dropping a reply and garbling another so that its figures show a recovery.

namespace zef::shots {

class Shooter;

// False when an amplifier did not answer or a file could not be written.
bool RenderLinkShots(Shooter& shot);

}  // namespace zef::shots
