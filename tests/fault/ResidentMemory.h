#pragma once

#include <cstdint>

namespace ondrel::faulttest {

constexpr uint64_t kMiB = 1024 * 1024;

// ThreadSanitizer keeps shadow memory of about four times every byte the program touches,
// so a bound on resident memory is scaled by this in such a build.
#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kResidentScale = 4;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr uint64_t kResidentScale = 4;
#else
constexpr uint64_t kResidentScale = 1;
#endif
#else
constexpr uint64_t kResidentScale = 1;
#endif

} // namespace ondrel::faulttest
