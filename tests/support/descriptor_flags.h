#pragma once
// The flags of a POSIX descriptor that the seams promise to set: not
// inherited by child processes, and never blocking. POSIX only
// (descriptor_flags_posix.cpp); the tests that ask are POSIX-only.

namespace zef::test {

bool ClosedOnExec(int fd);
bool NonBlocking(int fd);

}  // namespace zef::test
