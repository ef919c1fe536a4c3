#pragma once

// One injected fault: its checks run under a trace naming it, so that a failure says which
// fault the client did not come through. SIGPIPE keeps its default in this suite on purpose:
// a write of the client to a vanished device must not be able to end the program.

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace ondrel::faulttest {

template <typename Checks>
void InjectFault(const std::string& what, Checks&& checks)
{
    SCOPED_TRACE("fault: " + what);
    std::forward<Checks>(checks)();
}

} // namespace ondrel::faulttest
