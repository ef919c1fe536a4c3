#include "ResidentMemory.h"

#include <unistd.h>

#include <fstream>

namespace ondrel::faulttest {

uint64_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    uint64_t totalPages = 0;
    uint64_t residentPages = 0;
    statm >> totalPages >> residentPages;
    return residentPages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace ondrel::faulttest
