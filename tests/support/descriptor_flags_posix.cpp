#include <fcntl.h>

#include "descriptor_flags.h"

namespace zef::test {

bool ClosedOnExec(int fd) { return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

bool NonBlocking(int fd) { return (fcntl(fd, F_GETFL) & O_NONBLOCK) != 0; }

}  // namespace zef::test
