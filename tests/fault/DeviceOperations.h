#pragma once

// Every operation of the Device as one table: how to run it, the request type it sends and
// how it words a failed response, so that a fault can be injected into each of them alike.

#include "Device.h"
#include "MessageType.h"

#include <functional>
#include <string>
#include <vector>

namespace ondrel::faulttest {

struct DeviceOperation {
    // How the operation turns a failed response into its message.
    enum class Wording {
        NameAndBody,   // qualified name + every body byte
        NameAndString, // qualified name + the body's first text
        StringOnly,    // the body's first text alone
        Fixed,         // one fixed text
    };

    std::string name; // "Start"
    quorvel::tcp::MessageType request;
    Wording wording;
    std::function<quorvel::DeviceError(quorvel::Device&)> run;
    std::string fixedText = {};

    std::string Qualified() const { return "quorvel::Device::" + name; }
    // The message when the device answers with the error flag and `body`.
    std::string TextForErrorBody(const std::vector<uint8_t>& body) const;
    // The message when the client gives up by itself: "server timeout" or
    // "connection not established".
    std::string TextForLocalFailure(const std::string& reason) const;
};

// All twelve request-response operations; UploadFirmware sends `firmwarePath`.
std::vector<DeviceOperation> AllOperations(const std::string& firmwarePath);

} // namespace ondrel::faulttest
