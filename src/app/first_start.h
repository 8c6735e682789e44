#pragma once
// The per-user data folder. The editor and zefctl share one folder
// (DefaultDataFolder); whichever starts first makes it, and every start puts
// back what is missing of what a user can try at once:
//   TS/SW.wav, TS/ISW.wav   the measurement sweep and its inverse filter
//   FIR/*.txt               example FIR files (measure/example_firs.h)

#include <optional>
#include <string>

namespace zef {

// Writes the first-start files into `folder` (which must exist with its data
// folders). Only missing files are written; a user's own files are never
// touched. "" on success, else a text for the user naming what failed.
std::string SeedDataFolder(const std::string& folder);

struct OpenedDataFolder {
    std::string path;     // absolute
    std::string problem;  // non-empty: seeding failed (the folder is usable)
};

// PrepareDataFolder(option) and the first-start files that are missing
// (a folder made by someone else, or an example the user deleted, gets them).
// nullopt when the folder cannot be made.
std::optional<OpenedDataFolder> OpenDataFolder(const std::string& option);

}  // namespace zef
