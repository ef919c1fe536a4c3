#pragma once

#include "BodyPool.h"
#include "Message.h"
#include "OwnedMessage.h"
#include "TreadSafeQueue.h"

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace quorvel::tcp {

// Client end of the TCP link: a read cycle that delivers whole messages to the inbound
// queue and a write cycle that sends queued messages in order. Socket, `incoming` and
// `outbound` are touched only on the I/O thread; other threads just post to it.
class Connection {
public:
    Connection(asio::io_context& context, asio::ip::tcp::socket socket, TreadSafeQueue<OwnedMessage>& inbound);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void StartConnect(const asio::ip::tcp::resolver::results_type& endpoints);
    bool IsOpen() const { return open.load(std::memory_order_acquire); }
    // Why the connect of StartConnect failed; empty while it has not failed.
    std::error_code ConnectFailure() const;
    void Close();
    // (body bytes written, body size); see Device::SendProgress.
    using SendProgress = std::function<void(uint64_t sent, uint64_t total)>;
    // With `progress`, the body goes out in parts of kProgressPart bytes, each reported.
    void Enqueue(const Message& message, SendProgress progress = {});

    // Shuts down and closes the socket right here. Only for when no thread runs the
    // I/O context any more (after the Device joined its I/O thread).
    void CloseNow();

    // Hands back the body of a received message that the caller is done with. The next
    // body of at least kFirstBodyChunk bytes is read into it instead of into fresh memory.
    // Any thread; the buffer waits in a locked pool, which unlike a post does not wake the
    // I/O thread.
    void ReuseBody(std::vector<uint8_t> body);
    // Where matrices that adopted a body of this connection return it (see AdoptBody).
    std::weak_ptr<BodyPool> Bodies() const { return bodies; }

    // A large body is received in parts of at least this much: the socket wakes the I/O
    // thread only once that much has arrived, instead of for every few segments.
    static constexpr std::size_t kReceivePart = 1024 * 1024;
    static constexpr std::size_t kProgressPart = 256 * 1024;

private:
    void BeginReadHeader();
    void BeginReadBody();
    void BodyPartRead(std::error_code ec, std::size_t transferred);
    // Sets how many bytes the socket waits for before it reports data, if not set already.
    void SetReceiveLowWater(std::size_t bytes);
    void DeliverInbound();
    void BeginWriteHeader();
    void BeginWriteBody(std::size_t written);
    void FinishWrite();
    void CloseOnIoThread();

    asio::io_context& ioContext;
    asio::ip::tcp::socket socket;
    struct Outgoing {
        Message message;
        SendProgress progress;
    };
    TreadSafeQueue<Outgoing> outbound;
    TreadSafeQueue<OwnedMessage>& inbound;
    Message incoming;
    uint32_t connectionId = 0;

    HeaderBytes readHeader{};
    HeaderBytes writeHeader{};
    std::size_t bodyReceived = 0;
    std::size_t receiveLowWater = 1; // the socket's default
    std::size_t receiveBuffer = 0;   // the socket's receive buffer when the last large body began
    // Bodies handed back, waiting for the next large message.
    std::shared_ptr<BodyPool> bodies = std::make_shared<BodyPool>();
    mutable std::mutex failureMutex;
    std::error_code connectFailure;
    // Mirrors "socket is open" for callers on other threads.
    std::atomic<bool> open{false};
};

} // namespace quorvel::tcp
