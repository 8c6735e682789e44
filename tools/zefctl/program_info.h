#pragma once
// The questions zefctl answers about itself, each given as its only argument:
//   --version           "zefctl <version>" (git describe of the build)
//   --list-commands     one line per sub-command: its name, or for commands
//                       with words of their own ("fir import", "preset
//                       save") the name and one such word per line
//   --list-options      the options sub-commands take beyond the global ones
//   --list-parameters   every parameter name, one per line
// The lists feed the shell completion, which is generated from them at
// build time so that it never drifts from the program.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli.h"

namespace zefctl {

// The exit code when `args` is one of the questions above (answered on
// `out`), nullopt otherwise.
std::optional<int> AnswerProgramInfo(const SubCommandTable& table, const std::vector<std::string>& args,
                                     std::ostream& out);

// The lines of --list-commands and --list-options, in table order without repeats.
std::vector<std::string> CompletionCommands(const SubCommandTable& table);
std::vector<std::string> CompletionOptions(const SubCommandTable& table);

}  // namespace zefctl
