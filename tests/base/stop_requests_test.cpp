// Stop requests: a signal after WatchStopRequests is seen by the program's
// loop instead of ending the process.

#include "base/stop_requests.h"

#include <gtest/gtest.h>

#include <csignal>

namespace zef {
namespace {

TEST(StopRequests, AnInterruptOrATerminationIsRecordedNotFatal) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        WatchStopRequests();
        ASSERT_EQ(std::raise(signal), 0);  // would end the test program without the handler
        EXPECT_TRUE(StopRequested());
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace
}  // namespace zef
