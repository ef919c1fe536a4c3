// The fault-injection suite's entry: GoogleTest plus the tally of faults survived.
#include "FaultTally.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // SIGPIPE keeps its default on purpose: a write of the client to a vanished device must
    // not be able to end the program.
    ::testing::UnitTest::GetInstance()->listeners().Append(new ondrel::faulttest::FaultTally);
    return RUN_ALL_TESTS();
}
