#pragma once
// The console a command-line program runs in: whether standard input and
// output are a terminal (a person) or a file or pipe (a script), and a line
// typed without being shown. terminal_posix.cpp here, terminal_win.cpp on
// Windows; each compiles to nothing on the other.

#include <string>

namespace zef::terminal {

bool StdinIsTerminal();
bool StdoutIsTerminal();

// Shows the prompt on standard error and reads one line from standard input
// with the terminal's echo off (where standard input is a terminal; a plain
// read otherwise), without its line end. Echo goes off before the prompt is
// shown, so a line typed the moment the prompt appears is never shown either.
// False at the end of input.
bool ReadLineUnechoed(const std::string& prompt, std::string& line);

}  // namespace zef::terminal
