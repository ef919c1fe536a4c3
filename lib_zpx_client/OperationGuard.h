#pragma once

#include "DeviceError.h"

#include <exception>
#include <string>

namespace quorvel {

// The EXCEPTION result of `operation`. Never throws: when even the message cannot be built
// (no memory left), the result carries the code alone.
inline DeviceError ExceptionResult(const char* operation, const char* what) noexcept
{
    try {
        return {DeviceError::EXCEPTION,
                std::string(operation) + "(): quorvel error - "
                    + (what != nullptr ? what : "unknown exception occured")};
    } catch (...) {
        DeviceError bare;
        bare.code = DeviceError::EXCEPTION;
        return bare;
    }
}

// Runs one device operation so that nothing it throws (an allocation failure above all)
// reaches its caller.
template <typename Operation> DeviceError Guarded(const char* operation, Operation&& run) noexcept
{
    try {
        return run();
    } catch (const std::exception& e) {
        return ExceptionResult(operation, e.what());
    } catch (...) {
        return ExceptionResult(operation, nullptr);
    }
}

} // namespace quorvel
