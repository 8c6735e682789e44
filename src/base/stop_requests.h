#pragma once
// Requests from outside to end a long-running program (the simulator, the
// remote-control service): Ctrl-C (SIGINT) and SIGTERM (kill, a service
// manager), and on Windows Ctrl-Break (SIGBREAK). Standard C signals only, so
// the same code serves every platform.

namespace zef {

// Installs the handlers. From then on the first request makes
// StopRequested() true for good; the program polls it and ends in order.
void WatchStopRequests();
bool StopRequested();

// Makes writing to a socket or pipe whose other end is gone an error the
// writer sees instead of a signal that ends the process (SIGPIPE, POSIX
// only; Windows has no such signal).
void IgnoreBrokenPipes();

}  // namespace zef
