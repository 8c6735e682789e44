// A test-only aid for driving the editor with real X input: when the environment names a file
// in ZEF_GEOMETRY_DUMP, the editor rewrites it four times a second with the screen rectangle
// of every visible window, named widget and item-view cell, so that a script finds what to
// click without guessing pixel positions. Off (and costing nothing) when the variable is unset.
#pragma once

namespace zef {

// Starts the periodic dump when ZEF_GEOMETRY_DUMP is set; call once the QApplication exists.
void StartGeometryDumpFromEnvironment();

}  // namespace zef
