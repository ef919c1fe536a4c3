#include "Connection.h"

#include <asio/buffer.hpp>
#include <asio/connect.hpp>
#include <asio/post.hpp>
#include <asio/read.hpp>
#include <asio/write.hpp>

#include <algorithm>
#include <iostream>
#include <new>

namespace quorvel::tcp {

Connection::Connection(asio::io_context& context, asio::ip::tcp::socket sock,
                       TreadSafeQueue<OwnedMessage>& inboundQueue)
    : ioContext(context)
    , socket(std::move(sock))
    , inbound(inboundQueue)
{
}

void Connection::StartConnect(const asio::ip::tcp::resolver::results_type& endpoints)
{
    open.store(true, std::memory_order_release);
    asio::async_connect(socket, endpoints, [this](std::error_code ec, const asio::ip::tcp::endpoint&) {
        if (!ec) {
            // Header and body go out as two writes; with Nagle on, the body would wait for
            // the peer's delayed ACK of the header (about 40 ms per request).
            std::error_code ignored;
            socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            // Body parts are taken with a plain receive once the socket reports them; it
            // must not block the I/O thread should the report have been early.
            socket.non_blocking(true, ignored);
            BeginReadHeader();
            return;
        }
        // Nobody listens, or the address cannot be reached: the Device waiting for the
        // handshake learns it at once instead of at its time limit.
        {
            std::lock_guard<std::mutex> lock(failureMutex);
            connectFailure = ec;
        }
        open.store(false, std::memory_order_release);
        inbound.Notify();
    });
}

std::error_code Connection::ConnectFailure() const
{
    std::lock_guard<std::mutex> lock(failureMutex);
    return connectFailure;
}

void Connection::Close()
{
    if (!IsOpen()) {
        return;
    }
    asio::post(ioContext, [this] { CloseOnIoThread(); });
}

void Connection::CloseOnIoThread()
{
    if (!socket.is_open()) {
        open.store(false, std::memory_order_release);
        return;
    }
    std::error_code ignored;
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    open.store(false, std::memory_order_release);
    inbound.Notify(); // a caller waiting for a response sees the closed link at once
}

void Connection::CloseNow()
{
    CloseOnIoThread();
}

void Connection::Enqueue(const Message& message, SendProgress progress)
{
    asio::post(ioContext, [this, message, progress = std::move(progress)]() mutable {
        const bool writing = !outbound.empty();
        outbound.push_back(Outgoing{std::move(message), std::move(progress)});
        if (!writing) {
            BeginWriteHeader();
        }
    });
}

void Connection::SetReceiveLowWater(std::size_t bytes)
{
    // Never more than a quarter of the receive buffer as it stands: asking for more makes the
    // kernel grow the buffer and clamp the window to the low water, which throttles the peer.
    bytes = std::max<std::size_t>(1, std::min(bytes, receiveBuffer / 4));
    if (bytes != receiveLowWater) {
        std::error_code failed;
        socket.set_option(asio::socket_base::receive_low_watermark(static_cast<int>(bytes)), failed);
        receiveLowWater = failed ? 1 : bytes; // without it the socket only reports more often
    }
}

void Connection::BeginReadHeader()
{
    SetReceiveLowWater(1);
    asio::async_read(socket, asio::buffer(readHeader), [this](std::error_code ec, std::size_t) {
        if (ec) {
            CloseOnIoThread();
            return;
        }
        incoming.header = DecodeHeader(readHeader.data());
        incoming.body.clear();
        bodyReceived = 0;
        if (incoming.header.size >= kFirstBodyChunk) {
            // Its old bytes are overwritten before anything reads them; the body is cut to
            // the announced size once complete.
            incoming.body = bodies->Take();
        }
        if (incoming.header.size >= 2 * kFirstBodyChunk) {
            asio::socket_base::receive_buffer_size buffer;
            std::error_code failed;
            socket.get_option(buffer, failed);
            receiveBuffer = failed ? 0 : static_cast<std::size_t>(std::max(buffer.value(), 0));
        }
        if (incoming.header.size > 0) {
            BeginReadBody();
        } else {
            DeliverInbound();
        }
    });
}

void Connection::BeginReadBody()
{
    std::size_t chunk = 0;
    try {
        chunk = PrepareBodyPart(incoming.body, incoming.header.size, bodyReceived);
    } catch (const std::exception&) {
        // No memory for what the peer sends: drop the link, keep the process.
        CloseOnIoThread();
        return;
    }
    // The socket reports a large body only once a good share of this round has arrived: half
    // of it, so that the first half is copied out while the second arrives, and at most a
    // part. A body of several parts is then taken with one receive per report; a smaller one
    // is first read as far as it has come.
    const std::size_t lowWater = chunk >= 2 * kFirstBodyChunk ? std::min(kReceivePart, chunk / 2) : 1;
    SetReceiveLowWater(lowWater);
    if (chunk >= 2 * kReceivePart && receiveLowWater > 1) {
        socket.async_wait(asio::socket_base::wait_read, [this, chunk](std::error_code ec) {
            std::size_t transferred = 0;
            if (!ec) {
                transferred = socket.read_some(asio::buffer(incoming.body.data() + bodyReceived, chunk), ec);
            }
            BodyPartRead(ec == asio::error::would_block ? std::error_code() : ec, transferred);
        });
        return;
    }
    socket.async_read_some(asio::buffer(incoming.body.data() + bodyReceived, chunk),
                           [this](std::error_code ec, std::size_t transferred) { BodyPartRead(ec, transferred); });
}

void Connection::BodyPartRead(std::error_code ec, std::size_t transferred)
{
    if (ec) {
        std::cout << "[" << connectionId << "] Read Body Fail." << std::endl;
        CloseOnIoThread();
        return;
    }
    bodyReceived += transferred;
    if (bodyReceived < incoming.header.size) {
        BeginReadBody();
    } else {
        incoming.body.resize(incoming.header.size); // a reused body may reach further
        DeliverInbound();
    }
}

void Connection::DeliverInbound()
{
    // Nothing observes `incoming` between messages, so the body is moved, not copied.
    inbound.push_back(OwnedMessage{nullptr, std::move(incoming)});
    incoming = Message{};
    BeginReadHeader();
}

void Connection::ReuseBody(std::vector<uint8_t> body)
{
    bodies->Give(std::move(body));
}

void Connection::BeginWriteHeader()
{
    writeHeader = EncodeHeader(outbound.front().message.header);
    asio::async_write(socket, asio::buffer(writeHeader), [this](std::error_code ec, std::size_t) {
        if (ec) {
            CloseOnIoThread();
            return;
        }
        if (!outbound.front().message.body.empty()) {
            BeginWriteBody(0);
            return;
        }
        FinishWrite();
    });
}

void Connection::BeginWriteBody(std::size_t written)
{
    const Outgoing& front = outbound.front();
    const std::size_t total = front.message.body.size();
    const std::size_t part = front.progress ? std::min(kProgressPart, total - written) : total - written;
    asio::async_write(socket, asio::buffer(front.message.body.data() + written, part),
                      [this, written, total](std::error_code ec, std::size_t transferred) {
                          if (ec) {
                              CloseOnIoThread();
                              return;
                          }
                          const std::size_t now = written + transferred;
                          if (now < total) {
                              if (outbound.front().progress) {
                                  outbound.front().progress(now, total);
                              }
                              BeginWriteBody(now);
                              return;
                          }
                          FinishWrite();
                      });
}

void Connection::FinishWrite()
{
    const Outgoing& done = outbound.front();
    if (done.progress) {
        done.progress(done.message.body.size(), done.message.body.size());
    }
    outbound.pop_front();
    if (!outbound.empty()) {
        BeginWriteHeader();
    }
}

} // namespace quorvel::tcp
