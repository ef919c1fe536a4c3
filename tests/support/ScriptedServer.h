#pragma once

// A scripted device server on 127.0.0.1 with a free port: a script per accepted connection,
// each on its own thread, and every received byte recorded. Every wait has a deadline.

#include "Message.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ondrel::testsupport {

using Bytes = std::vector<uint8_t>;

// A message as it travels: the 12 header bytes, then the body.
Bytes WireBytes(const quorvel::tcp::Message& message);
// Splits a received byte stream into whole messages; a trailing partial message is left out.
std::vector<quorvel::tcp::Message> ParseMessages(const Bytes& stream);
// A message with the given type and raw body bytes.
quorvel::tcp::Message MakeMessage(quorvel::tcp::MessageType id, const Bytes& body = {}, bool error = false);

// A step that cannot complete (deadline, client closed, server stopping) ends its script.
struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One accepted connection as seen from a script step. Used on the connection's own thread.
class Peer {
public:
    void SendBytes(const Bytes& bytes);
    void Send(const quorvel::tcp::Message& message) { SendBytes(WireBytes(message)); }
    // Exactly `count` bytes, or StepFailed when the client closes or the step deadline passes.
    Bytes ReadBytes(std::size_t count);
    // One whole message: its header, then as many body bytes as the header announces.
    quorvel::tcp::Message ReadMessage();
    // Orderly close (FIN). Later steps fail.
    void Close();

private:
    friend class ScriptedServer;
    struct State;
    Peer(State& state, std::size_t index, std::chrono::milliseconds stepTimeout)
        : state(state)
        , index(index)
        , stepTimeout(stepTimeout)
    {
    }
    // Records what arrives until the client closes or the server stops.
    void ReadUntilClosed();
    int Fd() const;

    State& state;
    std::size_t index;
    std::chrono::milliseconds stepTimeout;
};

// The steps a connection runs; after the last, the link stays open and is still recorded.
class Script {
public:
    using Step = std::function<void(Peer&)>;

    Script& SendBytes(Bytes bytes);
    Script& Send(quorvel::tcp::Message message) { return SendBytes(WireBytes(message)); }
    Script& SendConnected() { return Send(quorvel::tcp::Message(quorvel::tcp::MessageType::CONNECTED)); }
    // A header alone: announces `announcedSize` body bytes and sends none of them.
    Script& SendHeader(quorvel::tcp::MessageType id, uint32_t announcedSize);
    // A header announcing `announcedSize` bytes, then only `sentPart`, then an orderly close.
    Script& CloseMidBody(quorvel::tcp::MessageType id, uint32_t announcedSize, Bytes sentPart);
    Script& ReadBytes(std::size_t count);
    Script& ReadMessage();
    // Waits for one request, then sends `response`.
    Script& Answer(quorvel::tcp::Message response);
    Script& Close();
    // Any other step.
    Script& Do(Step step);

    const std::vector<Step>& Steps() const { return steps; }

private:
    std::vector<Step> steps;
};

class ScriptedServer {
public:
    // Connections are accepted only while a script waits for them.
    explicit ScriptedServer(std::chrono::milliseconds stepTimeout = std::chrono::seconds(10));
    // Ends every script and joins every thread; the client sees its connection closed.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    uint16_t Port() const { return port; }

    // The script for the next connection to be accepted.
    ScriptedServer& Serve(Script script);
    ScriptedServer& Serve(std::function<void(Peer&)> handler) { return Serve(Script().Do(std::move(handler))); }

    // True once every script given so far has run all its steps (or failed).
    bool WaitFinished(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True once the client has closed connection `index` (seen as end of stream or reset).
    bool WaitPeerClosed(std::size_t index = 0, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    std::size_t Accepted() const;
    // Everything connection `index` has received so far, in order.
    Bytes Received(std::size_t index = 0) const;
    std::vector<quorvel::tcp::Message> ReceivedMessages(std::size_t index = 0) const { return ParseMessages(Received(index)); }
    // One line per step that failed, naming the connection and the reason.
    std::vector<std::string> Failures() const;

private:
    void AcceptLoop();
    void RunConnection(std::size_t index, std::vector<Script::Step> steps);
    template <typename Predicate> bool WaitFor(std::chrono::milliseconds timeout, Predicate predicate) const;

    std::unique_ptr<Peer::State> state;
    std::chrono::milliseconds stepTimeout;
    int listenFd = -1;
    uint16_t port = 0;
    std::thread acceptThread;
};

} // namespace ondrel::testsupport
