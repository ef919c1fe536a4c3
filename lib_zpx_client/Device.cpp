#include "Device.h"

#include "BodyReader.h"
#include "DeviceText.h"
#include "InboundWait.h"
#include "OperationGuard.h"

#include <asio/ip/tcp.hpp>

#include <chrono>
#include <cstring>
#include <exception>

namespace quorvel {

namespace {
using Clock = std::chrono::steady_clock;

constexpr auto kConnectTimeout = std::chrono::milliseconds(5000);
constexpr auto kDisconnectPause = std::chrono::milliseconds(100);
// Upper bound of one wait slice; pushes and a closing link wake the waiter earlier.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// Local error messages end in their 4-byte code; the text is what precedes it.
std::string LocalErrorText(const tcp::Message& message)
{
    const std::size_t n = message.body.size() >= 4 ? message.body.size() - 4 : 0;
    return std::string(message.body.begin(), message.body.begin() + static_cast<std::ptrdiff_t>(n));
}
// The system's text follows the user's language; the common case gets a fixed one.
std::string ConnectFailureText(const std::error_code& failure)
{
    if (failure == asio::error::connection_refused) {
        return "connection refused";
    }
    return failure.message();
}
} // namespace

Device::Device() = default;

Device::~Device()
{
    if (connected) {
        Disconnect();
    }
    if (connection) {
        StopLink();
    }
}

DeviceError Device::Connect(const std::string& host, uint16_t port)
{
    if (connectAttempted) {
        return {DeviceError::EXCEPTION,
                "quorvel::Device::Connect(): quorvel error - this device was connected before; use a new Device to "
                "connect again"};
    }
    connectAttempted = true;
    try {
        ioContext.restart();
        asio::ip::tcp::resolver resolver(ioContext);
        auto endpoints = resolver.resolve(host, std::to_string(port));

        connection = std::make_unique<tcp::Connection>(ioContext, asio::ip::tcp::socket(ioContext), inbound);
        connection->StartConnect(endpoints);
        ioThread = std::thread([this] { ioContext.run(); });

        const auto start = Clock::now();
        uint64_t seen = inbound.Wakeups();
        while (true) {
            if (Clock::now() - start >= kConnectTimeout) {
                StopLink(); // a failed attempt leaves no link that Send could use
                return {DeviceError::TIMEOUT, "connecting failed, server timeout"};
            }
            if (!inbound.empty()) {
                break;
            }
            if (const std::error_code failure = connection->ConnectFailure()) {
                StopLink();
                return {DeviceError::CONNECTION_ERROR,
                        "quorvel::Device::Connect(): quorvel error - " + ConnectFailureText(failure)};
            }
            seen = tcp::WaitForInbound(inbound, seen, std::min(start + kConnectTimeout, Clock::now() + kWaitSlice));
        }

        const tcp::OwnedMessage first = inbound.pop_front();
        if (first.msg.header.id == tcp::MessageType::CONNECTED) {
            connected = true;
            handshaken.store(connection.get(), std::memory_order_release);
            return DeviceError::Ok();
        }
        StopLink();
        return {DeviceError::CONNECTION_ERROR,
                "unexpected MessageType " + tcp::MessageTypeToString(first.msg.header.id)};
    } catch (const std::exception& e) {
        StopLink();
        return {DeviceError::EXCEPTION, std::string("quorvel::Device::Connect(): quorvel error - ") + e.what()};
    } catch (...) {
        StopLink();
        return {DeviceError::EXCEPTION, "quorvel::Device::Connect(): quorvel error - unknown exception occured"};
    }
}

DeviceError Device::Disconnect()
{
    return Guarded("quorvel::Device::Disconnect", [&]() -> DeviceError {
        if (connected) {
            StopLink();
            std::this_thread::sleep_for(kDisconnectPause);
            connected = false;
        }
        return DeviceError::Ok();
    });
}

DeviceError Device::Send(const tcp::Message& message)
{
    return SendWithProgress(message, {});
}

DeviceError Device::SendWithProgress(const tcp::Message& message, SendProgress progress)
{
    if (!connection || !connection->IsOpen()) {
        return {DeviceError::CONNECTION_ERROR, "quorvel::Device::Send(): quorvel error - socket not open"};
    }
    // The copy handed to the I/O thread can fail for a large body (a firmware file).
    return Guarded("quorvel::Device::Send", [&]() -> DeviceError {
        connection->Enqueue(message, std::move(progress));
        return DeviceError::Ok();
    });
}

tcp::Message Device::AwaitResponse(int32_t timeoutMs)
{
    try {
        bool local = false;
        return AwaitMessage(timeoutMs, local);
    } catch (...) {
        tcp::Message failed;
        failed.header.error = true;
        return failed;
    }
}

tcp::Message Device::AwaitMessage(int32_t timeoutMs, bool& local)
{
    // Waits on the inbound queue's signal instead of spinning: a push or a closing link
    // wakes the caller at once, and a waiting operation costs no CPU.
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    uint64_t seen = inbound.Wakeups();
    while (true) {
        const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (elapsedMs >= timeoutMs) {
            local = true;
            return MakeErrorResponse(DeviceError::TIMEOUT, "(): quorvel error - server timeout");
        }
        // An answer that came in before the peer closed still counts (a device may restart
        // right behind its answer).
        if (!inbound.empty()) {
            local = false;
            return inbound.pop_front().msg;
        }
        if (!connection || !connection->IsOpen()) {
            Disconnect();
            local = true;
            return MakeErrorResponse(DeviceError::CONNECTION_ERROR, "(): quorvel error - connection not established");
        }
        seen = tcp::WaitForInbound(inbound, seen, std::min(deadline, Clock::now() + kWaitSlice));
    }
}

tcp::Message Device::MakeErrorResponse(uint32_t code, const std::string& text)
{
    tcp::Message message;
    message.header.error = true;
    for (char c : text) {
        message.Append(static_cast<uint8_t>(c));
    }
    message.Append(code);
    return message;
}

void Device::StopLink()
{
    handshaken.store(nullptr, std::memory_order_release);
    if (connection && connection->IsOpen()) {
        connection->Close();
    }
    ioContext.stop();
    if (ioThread.joinable()) {
        ioThread.join();
    }
    // A stopped context may not have run the queued close; with no I/O thread left it is
    // safe to close here.
    if (connection) {
        connection->CloseNow();
        retired.push_back(std::move(connection));
    }
}

DeviceError Device::Request(const tcp::Message& request, const Exchange& exchange, tcp::Message& response)
{
    DeviceError sent = Send(request);
    if (sent.failed()) {
        return sent;
    }
    if (exchange.pauseMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(exchange.pauseMs));
    }
    bool local = false;
    response = AwaitMessage(exchange.timeLimitMs, local);
    return ResultOf(response, local, exchange);
}

DeviceError Device::ResultOf(const tcp::Message& response, bool local, const Exchange& exchange)
{
    if (!response.header.error) {
        return DeviceError::Ok();
    }
    if (exchange.errorText == ErrorText::Fixed) {
        return {DeviceError::RESPONSE_ERROR, exchange.fixedText};
    }
    // The code bytes behind a local error's text never reach a message text; a local text
    // is our own and shown as it is.
    if (local) {
        const std::string text = LocalErrorText(response);
        return {DeviceError::RESPONSE_ERROR, exchange.errorText == ErrorText::StringOnly ? text : exchange.name + text};
    }

    // Only the device's text is taken (the whole body, or up to its first zero byte), and
    // only as much of it as a message shows.
    const uint8_t* data = response.body.data();
    std::size_t size = response.body.size();
    if (exchange.errorText != ErrorText::NameAndBody && size > 0) {
        if (const void* zero = std::memchr(data, 0, size)) {
            size = static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - data);
        }
    }
    if (exchange.errorText == ErrorText::StringOnly) {
        std::string text = ShowableDeviceText(data, size);
        return {DeviceError::RESPONSE_ERROR,
                text.empty() ? DeviceReasonMessage(exchange.name, data, 0) : std::move(text)};
    }
    return {DeviceError::RESPONSE_ERROR, DeviceReasonMessage(exchange.name, data, size)};
}

bool Device::LinkOpen() const
{
    const tcp::Connection* link = handshaken.load(std::memory_order_acquire);
    return link != nullptr && link->IsOpen();
}

} // namespace quorvel
