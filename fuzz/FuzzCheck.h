#pragma once

// Helpers shared by the fuzz targets: an invariant check that stops the run with a
// readable reason, and a guard that turns any escaping exception into a finding.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#define FUZZ_CHECK(cond)                                                                                    \
    do {                                                                                                    \
        if (!(cond)) {                                                                                      \
            std::fprintf(stderr, "fuzz invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);         \
            std::abort();                                                                                   \
        }                                                                                                   \
    } while (0)

namespace ondrel::fuzz {

// Bodies below this size must decode without running out of memory.
constexpr std::size_t kSmallBody = 1024 * 1024;

// memcmp that accepts empty ranges, whose pointers may be null.
inline bool SameBytes(const void* a, const void* b, std::size_t n)
{
    return n == 0 || std::memcmp(a, b, n) == 0;
}

// The decoders promise not to throw; an allocation failure is tolerated only for bodies
// large enough that it can be an honest one.
template <typename Fn>
void RunGuarded(std::size_t bodySize, Fn&& fn)
{
    try {
        fn();
    } catch (const std::bad_alloc&) {
        if (bodySize < kSmallBody) {
            std::fprintf(stderr, "fuzz: std::bad_alloc for a body of %zu bytes\n", bodySize);
            std::abort();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz: exception escaped: %s\n", e.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "fuzz: unknown exception escaped\n");
        std::abort();
    }
}

} // namespace ondrel::fuzz
