// The console on POSIX: isatty and the termios echo flag.
#ifndef _WIN32

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "base/terminal.h"

namespace zef::terminal {

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool ReadLineUnechoed(const std::string& prompt, std::string& line) {
    termios saved{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios noEcho = saved;
        noEcho.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &noEcho);
    }
    std::cerr << prompt << std::flush;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (quiet) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return got;
}

}  // namespace zef::terminal

#endif
