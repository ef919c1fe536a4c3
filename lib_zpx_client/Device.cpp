#include "Device.h"

#include "BodyReader.h"
#include "InboundWait.h"

#include <asio/ip/tcp.hpp>

#include <chrono>
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
        return { DeviceError::EXCEPTION,
            "quorvel::Device::Connect(): quorvel error - this device was connected before; use a new Device to connect again" };
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
                return { DeviceError::TIMEOUT, "connecting failed, server timeout" };
            }
            if (!inbound.empty()) {
                break;
            }
            seen = tcp::WaitForInbound(inbound, seen, std::min(start + kConnectTimeout, Clock::now() + kWaitSlice));
        }

        const tcp::OwnedMessage first = inbound.pop_front();
        if (first.msg.header.id == tcp::MessageType::CONNECTED) {
            connected = true;
            return DeviceError::Ok();
        }
        StopLink();
        return { DeviceError::CONNECTION_ERROR, "unexpected MessageType " + tcp::MessageTypeToString(first.msg.header.id) };
    } catch (const std::exception& e) {
        StopLink();
        return { DeviceError::EXCEPTION, std::string("quorvel::Device::Connect(): quorvel error - ") + e.what() };
    } catch (...) {
        StopLink();
        return { DeviceError::EXCEPTION, "quorvel::Device::Connect(): quorvel error - unknown exception occured" };
    }
}

DeviceError Device::Disconnect()
{
    if (connected) {
        StopLink();
        std::this_thread::sleep_for(kDisconnectPause);
        connected = false;
    }
    return DeviceError::Ok();
}

DeviceError Device::Send(const tcp::Message& message)
{
    if (!connection || !connection->IsOpen()) {
        return { DeviceError::CONNECTION_ERROR, "quorvel::Device::Send(): quorvel error - socket not open" };
    }
    try {
        // The copy handed to the I/O thread can fail for a large body (a firmware file).
        connection->Enqueue(message);
    } catch (const std::exception& e) {
        return { DeviceError::EXCEPTION, std::string("quorvel::Device::Send(): quorvel error - ") + e.what() };
    }
    return DeviceError::Ok();
}

tcp::Message Device::AwaitResponse(int32_t timeoutMs)
{
    bool local = false;
    return AwaitMessage(timeoutMs, local);
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
        if (!connection || !connection->IsOpen()) {
            Disconnect();
            local = true;
            return MakeErrorResponse(DeviceError::CONNECTION_ERROR, "(): quorvel error - connection not established");
        }
        if (!inbound.empty()) {
            local = false;
            return inbound.pop_front().msg;
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
    if (!response.header.error) {
        return DeviceError::Ok();
    }

    // The code bytes behind a local error's text never reach a message text.
    std::string text;
    if (local) {
        text = LocalErrorText(response);
    } else if (exchange.errorText == ErrorText::NameAndBody) {
        text.assign(response.body.begin(), response.body.end());
    } else {
        text = tcp::BodyReader(response.body).ReadString().text;
    }

    switch (exchange.errorText) {
    case ErrorText::NameAndBody:
    case ErrorText::NameAndString: return { DeviceError::RESPONSE_ERROR, exchange.name + text };
    case ErrorText::StringOnly: return { DeviceError::RESPONSE_ERROR, text };
    case ErrorText::Fixed: return { DeviceError::RESPONSE_ERROR, exchange.fixedText };
    }
    return { DeviceError::RESPONSE_ERROR, exchange.name + text };
}

} // namespace quorvel
