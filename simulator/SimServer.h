#pragma once

#include "SharedScanner.h"
#include "SimOptions.h"
#include "SimSession.h"

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include <cstdint>
#include <memory>
#include <vector>

namespace ondrel::sim {

// Accepts connections and gives each a session; all of it on one I/O thread, so any number
// of clients are served at once without locks. SIGINT and SIGTERM end Run() cleanly.
// After a firmware update the device restarts: every connection is closed, none is taken
// for the restart time, then it serves again as if just started.
class SimServer {
public:
    // Binds and listens at once; throws when the address cannot be used.
    explicit SimServer(SimOptions options);

    asio::ip::tcp::endpoint LocalEndpoint() const { return acceptor.local_endpoint(); }

    // Serves until a stop signal arrives or Stop() is called.
    void Run();
    void Stop();

private:
    void Listen();
    void BeginAccept();
    void CloseSessions();
    void RestartDevice();
    void ListenAgain();

    // Declared first so that it outlives the sessions the I/O context may still hold.
    SharedScanner scanner;
    asio::io_context ioContext;
    asio::ip::tcp::acceptor acceptor;
    asio::signal_set signals;
    asio::steady_timer restartTimer;
    asio::ip::tcp::endpoint listenEndpoint;
    bool restarting = false;
    bool stopped = false;
    uint64_t acceptGeneration = 0; // an accept begun before a restart is stale
    std::vector<std::weak_ptr<SimSession>> sessions;
    uint32_t nextConnectionId = 0;
};

} // namespace ondrel::sim
