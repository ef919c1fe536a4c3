#include "SimSession.h"

#include <asio/read.hpp>
#include <asio/write.hpp>

#include <algorithm>
#include <iostream>
#include <limits>

namespace ondrel::sim {

namespace {
using quorvel::tcp::MessageType;

// --close-mid-body cuts the first response with at least this many body bytes.
constexpr std::size_t kCuttableBody = 2;
} // namespace

SimSession::SimSession(asio::ip::tcp::socket sock, SharedScanner& scanner, uint32_t id, std::function<void()> onRestart)
    : socket(std::move(sock))
    , delayTimer(socket.get_executor())
    , paceTimer(socket.get_executor())
    , restartDevice(std::move(onRestart))
    , shared(scanner)
    , faults(scanner.Faults())
    , connectionId(id)
    , responder(scanner, id)
{
}

void SimSession::Start()
{
    if (shared.Options().verbose) {
        std::cerr << "[" << connectionId << "] connected" << std::endl;
    }
    if (!faults.silent) {
        const auto first = faults.firstType ? static_cast<MessageType>(*faults.firstType) : MessageType::CONNECTED;
        Enqueue(OutgoingMessage(quorvel::tcp::Message(first)));
        if (faults.extraAfterConnect) {
            Enqueue(OutgoingMessage(quorvel::tcp::Message(MessageType::PING, "PING")));
        }
    } else {
        quiet = true;
    }
    BeginReadHeader();
}

void SimSession::Close()
{
    std::error_code ignored;
    delayTimer.cancel();
    paceTimer.cancel();
    if (socket.is_open()) {
        socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket.close(ignored);
    }
}

void SimSession::BeginReadHeader()
{
    asio::async_read(socket, asio::buffer(readHeader), [self = shared_from_this()](std::error_code ec, std::size_t) {
        if (ec) {
            self->Close();
            return;
        }
        self->incoming = quorvel::tcp::Message();
        self->incoming.header = quorvel::tcp::DecodeHeader(self->readHeader.data());
        self->bodyReceived = 0;
        if (self->incoming.header.size == 0) {
            self->HandleRequest();
        } else {
            self->BeginReadBody();
        }
    });
}

void SimSession::BeginReadBody()
{
    std::size_t chunk = 0;
    try {
        chunk = quorvel::tcp::PrepareBodyPart(incoming.body, incoming.header.size, bodyReceived);
    } catch (const std::exception&) {
        Close();
        return;
    }
    asio::async_read(socket, asio::buffer(incoming.body.data() + bodyReceived, chunk),
                     [self = shared_from_this()](std::error_code ec, std::size_t transferred) {
                         if (ec) {
                             self->Close();
                             return;
                         }
                         self->bodyReceived += transferred;
                         if (self->bodyReceived < self->incoming.header.size) {
                             self->BeginReadBody();
                         } else {
                             self->HandleRequest();
                         }
                     });
}

void SimSession::HandleRequest()
{
    ++requestsSeen;
    if (faults.closeAfter && requestsSeen > *faults.closeAfter) {
        // Whatever was answered before still reaches the client.
        closeWhenWritten = true;
        quiet = true;
        if (outbound.empty()) {
            Close();
        }
        return;
    }
    if (const auto quietAfter = faults.QuietAfter(); quietAfter && requestsSeen > *quietAfter) {
        quiet = true;
    }
    if (quiet) {
        BeginReadHeader(); // keep draining what the client sends
        return;
    }
    if (faults.hostile == HostileKind::HugeSize) {
        // Announces 4 GiB and never sends them; nothing after this can be told apart anyway.
        quorvel::tcp::MessageHeader header;
        header.id = incoming.header.id;
        header.size = std::numeric_limits<uint32_t>::max();
        OutgoingMessage announcement;
        announcement.headerBytes = quorvel::tcp::EncodeHeader(header);
        quiet = true;
        Answer(std::move(announcement));
        return;
    }
    if (IsLiveFrameRequest()) {
        // Each frame is due one period after the previous one, or now if the client asked
        // later than that; waiting holds back only this connection.
        using Clock = std::chrono::steady_clock;
        const auto now = Clock::now();
        const auto due = std::max(nextFrameAt, now);
        nextFrameAt = due
            + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / shared.Options().fps));
        if (due > now) {
            paceTimer.expires_at(due);
            paceTimer.async_wait([self = shared_from_this()](std::error_code ec) {
                if (!ec && self->socket.is_open()) {
                    self->Respond();
                }
            });
            return;
        }
    }
    Respond();
}

bool SimSession::IsLiveFrameRequest() const
{
    return shared.Options().fps > 0 && incoming.header.id == MessageType::CAPTURE && responder.InCaptureMode()
        && faults.errorTypes.count(MessageType::CAPTURE) == 0;
}

void SimSession::Respond()
{
    Answer(responder.Respond(incoming));
}

void SimSession::Answer(OutgoingMessage response)
{
    if (faults.delayMs == 0) {
        Enqueue(std::move(response));
        BeginReadHeader();
        return;
    }
    // The next request is read only after this answer is out, so order holds.
    delayTimer.expires_after(std::chrono::milliseconds(faults.delayMs));
    delayTimer.async_wait([self = shared_from_this(), response = std::move(response)](std::error_code ec) mutable {
        if (ec || !self->socket.is_open()) {
            return;
        }
        self->Enqueue(std::move(response));
        self->BeginReadHeader();
    });
}

void SimSession::Enqueue(OutgoingMessage message)
{
    if (message.restartsDevice && restartDevice) {
        // Before the answer can leave, so that whatever the client does next meets the
        // restarting device.
        restartDevice();
    }
    const bool writing = !outbound.empty();
    outbound.push_back(std::move(message));
    if (!writing) {
        BeginWrite();
    }
}

void SimSession::BeginWrite()
{
    const OutgoingMessage& front = outbound.front();
    const std::size_t bodySize = front.BodySize();
    const bool cut = faults.closeMidBody && !bodyCutDone && bodySize >= kCuttableBody;
    if (cut) {
        bodyCutDone = true;
    }
    asio::async_write(socket, front.Buffers(cut ? bodySize / 2 : SIZE_MAX),
                      [self = shared_from_this(), cut](std::error_code ec, std::size_t) {
                          if (ec) {
                              self->Close();
                              return;
                          }
                          self->WriteDone(cut);
                      });
}

void SimSession::WriteDone(bool cutShort)
{
    if (cutShort) {
        outbound.clear();
        Close();
        return;
    }
    outbound.pop_front();
    if (!outbound.empty()) {
        BeginWrite();
    } else if (closeWhenWritten) {
        Close();
    }
}

} // namespace ondrel::sim
