#pragma once

#include <cstdint>

namespace ondrel::faulttest {

// Bytes of this process's memory that are resident right now (from /proc/self/statm).
uint64_t ResidentBytes();

constexpr uint64_t kMiB = 1024 * 1024;

} // namespace ondrel::faulttest
