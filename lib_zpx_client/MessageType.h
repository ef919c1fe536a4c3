#pragma once

#include <cstdint>
#include <string>

namespace quorvel::tcp {

// Message types of the device server protocol; the numbers are fixed by the device.
enum class MessageType : uint32_t {
    NOT_SET = 0,
    GET_SERIALNUMBER = 1,
    GET_FIRMWARE_VERSION = 2,
    GET_NAME = 3,
    GET_MANUFACTURER = 4,
    CONNECTED = 5,
    PING = 6,
    GET = 10,
    SET = 11,
    UPDATE_FIRMWARE = 16,
    AUTH_REQUEST = 32,
    AUTH_RESPONSE = 33,
    RESTART_APP = 64,
    RESTART_DEVICE = 65,
    START_CAPTURE_MODE = 100,
    STOP_CAPTURE_MODE = 101,
    CAPTURE = 128,
    GET_FINAL_FRAME = 129,
    LED_ON = 400,
    LED_OFF = 401,
    PLAY_SOUND = 402,
};

// The type's name, or "UNKNOWN" for a value that has none.
std::string MessageTypeToString(MessageType type);

} // namespace quorvel::tcp
