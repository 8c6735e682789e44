#pragma once
// Every page of the FIR wizard with a real run behind it: a simulated
// amplifier and its virtual rig in this process (at full speed), a
// measurement through the rig, a design in the "Magn + Phase" mode, the
// store into the amplifier and the verification; then the EQ target window.
// The wizard keeps its data in a temporary folder of its own.

namespace zef::shots {

class Shooter;

// False when a step of the run failed or a file could not be written.
bool RenderWizardShots(Shooter& shot);

}  // namespace zef::shots
