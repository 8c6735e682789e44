#pragma once
// Running a program of the build (or any command) from a test, bounded in time.

#include <string>
#include <vector>

namespace zef::test {

struct ProgramRun {
    int exitCode = -1;  // -1: did not start, crashed or timed out
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs `program` with `args` in `workingFolder` ("" = the current one) and
// waits at most `timeoutMs`; `environment` entries "NAME=VALUE" are added.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMs = 60000,
                      const std::string& workingFolder = "",
                      const std::vector<std::string>& environment = {});

// The lines of `text`, without line ends; no empty last line.
std::vector<std::string> Lines(const std::string& text);

}  // namespace zef::test
