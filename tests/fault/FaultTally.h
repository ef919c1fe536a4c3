#pragma once

// Counts the faults the suite injects and how many the client came through, and prints one
// summary line when the test program ends.

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace ondrel::faulttest {

class FaultTally : public ::testing::EmptyTestEventListener {
public:
    static void Record(bool survived);
    void OnTestProgramEnd(const ::testing::UnitTest& unitTest) override;

private:
    static int tried;
    static int survived;
};

// Number of failed assertions the running test has collected so far.
int FailuresSoFar();

// Runs the checks of one injected fault; it counts as survived when they add no failure.
template <typename Checks>
void InjectFault(const std::string& what, Checks&& checks)
{
    SCOPED_TRACE("fault: " + what);
    const int before = FailuresSoFar();
    std::forward<Checks>(checks)();
    FaultTally::Record(FailuresSoFar() == before);
}

} // namespace ondrel::faulttest
