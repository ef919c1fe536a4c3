// ondrel-sim: a simulated scanner for development, tests and benchmarks.
#include "SimOptions.h"
#include "SimServer.h"

#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ondrel::sim::ParseOutcome parsed = ondrel::sim::ParseOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "ondrel-sim: " << parsed.error << " (see --help)" << std::endl;
        return 2;
    }
    if (parsed.showHelp) {
        std::cout << ondrel::sim::HelpText();
        return 0;
    }
    if (parsed.showVersion) {
        std::cout << ondrel::sim::VersionText() << std::endl;
        return 0;
    }
    // A client that disappears mid-write must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        ondrel::sim::SimServer server(parsed.options);
        const auto endpoint = server.LocalEndpoint();
        // Tests and scripts wait for this line to learn the port.
        std::cout << "listening on " << endpoint.address().to_string() << ":" << endpoint.port() << std::endl;
        server.Run();
    } catch (const std::exception& e) {
        std::cerr << "ondrel-sim: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
