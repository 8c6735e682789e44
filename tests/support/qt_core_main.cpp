// The main of the test programs whose code waits in local event loops (the
// transport, the search, the firmware loader): one QCoreApplication for the
// whole program. Death tests re-run the program for the one test, because
// the simulator's threads are running when they fork.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
