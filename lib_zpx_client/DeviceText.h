#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

// Longest part of a device's text that an error message takes; the rest is cut.
constexpr std::size_t kDeviceTextLimit = 4096;

// A text the device sent, made fit to show to an operator: trailing zero bytes dropped,
// control characters, C1 controls and bytes that are no UTF-8 written as \xNN, and
// everything after kDeviceTextLimit bytes replaced by "… (N bytes cut)". Reads no byte
// past the limit, so a huge body is never copied.
std::string ShowableDeviceText(const uint8_t* data, std::size_t size);

// The message of an operation that failed with `deviceText` as the device's reason: the
// qualified operation name followed by the showable text, or, when the device gave no
// text, a message that says so.
std::string DeviceReasonMessage(const char* operation, const uint8_t* deviceText, std::size_t size);

} // namespace quorvel
