#include "SimServer.h"

#include <asio/post.hpp>

#include <algorithm>
#include <csignal>
#include <iostream>

namespace ondrel::sim {

namespace {
asio::ip::tcp::endpoint ResolveListenAddress(asio::io_context& context, const SimOptions& options)
{
    asio::ip::tcp::resolver resolver(context);
    const auto results = resolver.resolve(options.host, std::to_string(options.port),
                                          asio::ip::resolver_base::passive | asio::ip::resolver_base::numeric_service);
    return results.begin()->endpoint(); // resolve() throws rather than return nothing
}

// How soon listening is tried again when the port cannot be had back after a restart.
constexpr std::chrono::milliseconds kListenRetry(200);
// How long after a firmware update's answer the device drops its connections.
constexpr std::chrono::milliseconds kCloseAfterAnswer(300);
} // namespace

SimServer::SimServer(SimOptions options)
    : scanner(std::move(options))
    , acceptor(ioContext)
    , signals(ioContext, SIGINT, SIGTERM)
    , restartTimer(ioContext)
    , listenEndpoint(ResolveListenAddress(ioContext, scanner.Options()))
{
    Listen();
    // A restart listens on the same port, also when the system picked it.
    listenEndpoint = acceptor.local_endpoint();
}

void SimServer::Listen()
{
    acceptor.open(listenEndpoint.protocol());
    acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor.bind(listenEndpoint);
    acceptor.listen();
}

void SimServer::Run()
{
    signals.async_wait([this](std::error_code ec, int) {
        if (!ec) {
            Stop();
        }
    });
    BeginAccept();
    ioContext.run();
}

void SimServer::Stop()
{
    asio::post(ioContext, [this] {
        stopped = true;
        std::error_code ignored;
        acceptor.close(ignored);
        signals.cancel(ignored);
        restartTimer.cancel();
        CloseSessions();
        ioContext.stop();
    });
}

void SimServer::CloseSessions()
{
    for (auto& weak : sessions) {
        if (auto session = weak.lock()) {
            session->Close();
        }
    }
    sessions.clear();
}

void SimServer::RestartDevice()
{
    if (restarting || stopped) {
        return;
    }
    restarting = true;
    ++acceptGeneration;
    std::error_code ignored;
    acceptor.close(ignored); // connection attempts are refused from now on
    if (scanner.Options().verbose) {
        std::cerr << "restarting for " << scanner.Options().restartMs << " ms" << std::endl;
    }
    // The links close a moment later, so that the answer is out and the client has taken
    // it; the restart time counts from the answer but ends no sooner than that.
    const auto restartTime = std::chrono::milliseconds(scanner.Options().restartMs);
    restartTimer.expires_after(kCloseAfterAnswer);
    restartTimer.async_wait([this, restartTime](std::error_code ec) {
        if (ec) {
            return;
        }
        CloseSessions();
        scanner.Restart();
        nextConnectionId = 0;
        restartTimer.expires_after(std::max(restartTime - kCloseAfterAnswer, std::chrono::milliseconds(0)));
        restartTimer.async_wait([this](std::error_code waitError) {
            if (!waitError) {
                ListenAgain();
            }
        });
    });
}

void SimServer::ListenAgain()
{
    if (stopped) {
        return;
    }
    try {
        Listen();
    } catch (const std::exception& e) {
        std::error_code ignored;
        acceptor.close(ignored);
        std::cerr << "ondrel-sim: cannot listen again yet: " << e.what() << std::endl;
        restartTimer.expires_after(kListenRetry);
        restartTimer.async_wait([this](std::error_code ec) {
            if (!ec) {
                ListenAgain();
            }
        });
        return;
    }
    restarting = false;
    if (scanner.Options().verbose) {
        std::cerr << "restarted" << std::endl;
    }
    BeginAccept();
}

void SimServer::BeginAccept()
{
    acceptor.async_accept([this, generation = acceptGeneration](std::error_code ec, asio::ip::tcp::socket socket) {
        if (generation != acceptGeneration) {
            return; // begun before a restart; the new acceptor has its own
        }
        if (ec) {
            if (acceptor.is_open()) {
                BeginAccept(); // a failed accept (e.g. out of descriptors) must not end the server
            }
            return;
        }
        std::error_code ignored;
        socket.set_option(asio::ip::tcp::no_delay(true), ignored);
        auto session =
            std::make_shared<SimSession>(std::move(socket), scanner, ++nextConnectionId, [this] { RestartDevice(); });
        sessions.erase(std::remove_if(sessions.begin(), sessions.end(), [](const auto& w) { return w.expired(); }),
                       sessions.end());
        sessions.push_back(session);
        session->Start();
        BeginAccept();
    });
}

} // namespace ondrel::sim
