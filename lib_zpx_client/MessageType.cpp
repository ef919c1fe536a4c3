#include "MessageType.h"

namespace quorvel::tcp {

std::string MessageTypeToString(MessageType type)
{
    switch (type) {
    case MessageType::NOT_SET:
        return "NOT_SET";
    case MessageType::GET_SERIALNUMBER:
        return "GET_SERIALNUMBER";
    case MessageType::GET_FIRMWARE_VERSION:
        return "GET_FIRMWARE_VERSION";
    case MessageType::GET_NAME:
        return "GET_NAME";
    case MessageType::GET_MANUFACTURER:
        return "GET_MANUFACTURER";
    case MessageType::CONNECTED:
        return "CONNECTED";
    case MessageType::PING:
        return "PING";
    case MessageType::GET:
        return "GET";
    case MessageType::SET:
        return "SET";
    case MessageType::UPDATE_FIRMWARE:
        return "UPDATE_FIRMWARE";
    case MessageType::AUTH_REQUEST:
        return "AUTH_REQUEST";
    case MessageType::AUTH_RESPONSE:
        return "AUTH_RESPONSE";
    case MessageType::RESTART_APP:
        return "RESTART_APP";
    case MessageType::RESTART_DEVICE:
        return "RESTART_DEVICE";
    case MessageType::START_CAPTURE_MODE:
        return "START_CAPTURE_MODE";
    case MessageType::STOP_CAPTURE_MODE:
        return "STOP_CAPTURE_MODE";
    case MessageType::CAPTURE:
        return "CAPTURE";
    case MessageType::GET_FINAL_FRAME:
        return "GET_FINAL_FRAME";
    case MessageType::LED_ON:
        return "LED_ON";
    case MessageType::LED_OFF:
        return "LED_OFF";
    case MessageType::PLAY_SOUND:
        return "PLAY_SOUND";
    }
    return "UNKNOWN";
}

} // namespace quorvel::tcp
