#pragma once

#include "BodyReader.h"
#include "HandScene.h"
#include "Message.h"
#include "OutgoingMessage.h"
#include "RecentFrames.h"
#include "SharedScanner.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ondrel::sim {

// The scanner as one connection sees it: capture mode, the person in front of the
// device, the frames issued, the granted level and the open challenge. Turns each request
// into exactly one response; knows nothing about sockets.
class ScannerResponder {
public:
    ScannerResponder(SharedScanner& shared, uint32_t connectionId);

    // `request` may be taken apart (its body is moved where that saves a copy).
    // A successful firmware update marks its response: the device restarts once it is sent.
    OutgoingMessage Respond(quorvel::tcp::Message& request);

    bool InCaptureMode() const { return captureMode; }
    const std::string& GrantedLevel() const { return grantedLevel; }

private:
    using Message = quorvel::tcp::Message;

    OutgoingMessage StartCaptureMode(const Message& request);
    OutgoingMessage StopCaptureMode(const Message& request);
    OutgoingMessage PlaySound(const Message& request);
    OutgoingMessage Capture(const Message& request);
    OutgoingMessage FinalFrame(const Message& request);
    OutgoingMessage Get(const Message& request);
    OutgoingMessage AuthRequest(const Message& request);
    OutgoingMessage AuthResponse(const Message& request);
    OutgoingMessage UpdateFirmware(const Message& request);

    // The frame a result request names, or an error text in `error`.
    const FrameRecord* IssuedFrame(quorvel::tcp::BodyReader& reader, std::string& error) const;

    static OutgoingMessage Ok(quorvel::tcp::MessageType type);
    static OutgoingMessage Text(quorvel::tcp::MessageType type, const std::string& text);
    static OutgoingMessage Error(quorvel::tcp::MessageType type, const std::string& text);

    SharedScanner& shared;
    uint32_t connectionId;
    HandScene scene;
    RecentFrames frames;
    bool captureMode = false;
    std::string grantedLevel = "GUEST";
    std::optional<std::string> challenge;
};

} // namespace ondrel::sim
