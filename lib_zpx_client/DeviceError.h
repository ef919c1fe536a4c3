#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// Result of every Device operation.
struct DeviceError {
    enum Code : uint32_t {
        OK = 0,
        EXCEPTION = 1,
        CONNECTION_ERROR = 2,
        TIMEOUT = 3,
        RESPONSE_ERROR = 5,
    };

    uint32_t code = OK;
    std::string message = "-";

    static DeviceError Ok() { return {}; }
    bool failed() const { return code != OK; }
};

} // namespace quorvel
