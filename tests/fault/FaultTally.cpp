#include "FaultTally.h"

#include <cstdio>

namespace ondrel::faulttest {

int FaultTally::tried = 0;
int FaultTally::survived = 0;

void FaultTally::Record(bool cameThrough)
{
    ++tried;
    if (cameThrough) {
        ++survived;
    }
}

void FaultTally::OnTestProgramEnd(const ::testing::UnitTest&)
{
    if (tried > 0) {
        std::printf("fault injection: %d tried, %d survived\n", tried, survived);
        std::fflush(stdout);
    }
}

int FailuresSoFar()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) {
        return 0;
    }
    const ::testing::TestResult* result = info->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i) {
        if (result->GetTestPartResult(i).failed()) {
            ++failed;
        }
    }
    return failed;
}

} // namespace ondrel::faulttest
