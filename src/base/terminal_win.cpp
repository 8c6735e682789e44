// The console on Windows: _isatty and the console input mode's echo flag.
#ifdef _WIN32

#include <io.h>

#include <cstdio>
#include <iostream>

#include "base/terminal.h"
#include "base/windows_api.h"

namespace zef::terminal {

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
bool StdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

bool ReadLineUnechoed(const std::string& prompt, std::string& line) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool quiet = input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &saved) != 0;
    if (quiet) SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::cerr << prompt << std::flush;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (quiet) SetConsoleMode(input, saved);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return got;
}

}  // namespace zef::terminal

#endif
