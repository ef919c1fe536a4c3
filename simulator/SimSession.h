#pragma once

#include "Message.h"
#include "OutgoingMessage.h"
#include "ScannerResponder.h"
#include "SharedScanner.h"

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace ondrel::sim {

// One client connection: greets, reads requests one after another, has the responder
// answer each one and writes the answers in order. Live frames leave at the scanner's
// frame rate, on a schedule of their own per connection. The link-level fault options
// live here; everything the scanner itself does is the responder's.
class SimSession : public std::enable_shared_from_this<SimSession> {
public:
    // `restartDevice` is called when a response that restarts the device is queued.
    SimSession(asio::ip::tcp::socket socket, SharedScanner& shared, uint32_t connectionId,
               std::function<void()> restartDevice);

    void Start();
    // Closes the socket; pending handlers end with an error and let the session go.
    void Close();

private:
    void BeginReadHeader();
    void BeginReadBody();
    void HandleRequest();
    bool IsLiveFrameRequest() const;
    void Respond();
    void Answer(OutgoingMessage response);
    void Enqueue(OutgoingMessage message);
    void BeginWrite();
    void WriteDone(bool cutShort);

    asio::ip::tcp::socket socket;
    asio::steady_timer delayTimer;
    asio::steady_timer paceTimer;
    std::chrono::steady_clock::time_point nextFrameAt{};
    std::function<void()> restartDevice;
    SharedScanner& shared;
    const FaultOptions& faults;
    uint32_t connectionId;
    ScannerResponder responder;

    quorvel::tcp::HeaderBytes readHeader{};
    quorvel::tcp::Message incoming;
    std::size_t bodyReceived = 0;

    std::deque<OutgoingMessage> outbound;
    uint32_t requestsSeen = 0;
    bool quiet = false; // reads on, answers nothing more
    bool closeWhenWritten = false;
    bool bodyCutDone = false; // --close-mid-body strikes once
};

} // namespace ondrel::sim
