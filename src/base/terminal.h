#pragma once
// The console a command-line program runs in: whether standard input and
// output are a terminal (a person) or a file or pipe (a script), and a line
// typed without being shown. terminal_posix.cpp here, terminal_win.cpp on
// Windows; each compiles to nothing on the other.

#include <string>

namespace zef::terminal {

bool StdinIsTerminal();
bool StdoutIsTerminal();

// Reads one line from standard input with the terminal's echo off while it
// is read (where standard input is a terminal; a plain read otherwise), and
// without its line end. False at the end of input.
bool ReadLineUnechoed(std::string& line);

}  // namespace zef::terminal
