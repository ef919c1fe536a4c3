#include "SimServer.h"

#include <asio/post.hpp>

#include <algorithm>
#include <csignal>

namespace ondrel::sim {

namespace {
asio::ip::tcp::endpoint ResolveListenAddress(asio::io_context& context, const SimOptions& options)
{
    asio::ip::tcp::resolver resolver(context);
    const auto results = resolver.resolve(options.host, std::to_string(options.port),
        asio::ip::resolver_base::passive | asio::ip::resolver_base::numeric_service);
    return results.begin()->endpoint(); // resolve() throws rather than return nothing
}
} // namespace

SimServer::SimServer(SimOptions options)
    : scanner(std::move(options))
    , acceptor(ioContext)
    , signals(ioContext, SIGINT, SIGTERM)
{
    const auto endpoint = ResolveListenAddress(ioContext, scanner.Options());
    acceptor.open(endpoint.protocol());
    acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor.bind(endpoint);
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
        std::error_code ignored;
        acceptor.close(ignored);
        signals.cancel(ignored);
        for (auto& weak : sessions) {
            if (auto session = weak.lock()) {
                session->Close();
            }
        }
        ioContext.stop();
    });
}

void SimServer::BeginAccept()
{
    acceptor.async_accept([this](std::error_code ec, asio::ip::tcp::socket socket) {
        if (ec) {
            if (acceptor.is_open()) {
                BeginAccept(); // a failed accept (e.g. out of descriptors) must not end the server
            }
            return;
        }
        std::error_code ignored;
        socket.set_option(asio::ip::tcp::no_delay(true), ignored);
        auto session = std::make_shared<SimSession>(std::move(socket), scanner, ++nextConnectionId);
        sessions.erase(std::remove_if(sessions.begin(), sessions.end(), [](const auto& w) { return w.expired(); }),
            sessions.end());
        sessions.push_back(session);
        session->Start();
        BeginAccept();
    });
}

} // namespace ondrel::sim
