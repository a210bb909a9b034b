// tq58-prologix-sim: the simulated analyzer behind a simulated Prologix controller, served until
// standard input closes or the process is stopped, for the run script and for the Windows
// programs under Wine (whose COM port Wine maps onto the pseudo-terminal).
//   tq58-prologix-sim [--tcp PORT] [--link PATH] [--kind KIND] [--ar488] [--address N]
// Prints where it serves (the pseudo-terminal's device, or 127.0.0.1:PORT) on its first line.
// --link makes PATH a symbolic link to the pseudo-terminal: Wine's dosdevices/com1, say.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "sim/prologix_controller.h"
#include "sim/prologix_server.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void Stop(int) {
    stopping = 1;
}

int Usage() {
    std::cerr << "usage: tq58-prologix-sim [--tcp PORT] [--link PATH] [--kind KIND] [--ar488] "
                 "[--address N]\n"
                 "  KIND: prologix-usb (the default), prologix-ethernet, ar488-uno, ar488-nano\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using Kind = sim::PrologixServer::Kind;
    Kind kind = Kind::PseudoTerminal;
    int tcpPort = 0;
    std::string link;
    sim::ControllerKind controllerKind = sim::ControllerKind::PrologixUsb;
    int address = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--tcp" && hasValue) {
            kind = Kind::Tcp;
            tcpPort = std::atoi(argv[++i]);
        } else if (option == "--link" && hasValue) {
            link = argv[++i];
        } else if (option == "--address" && hasValue) {
            address = std::atoi(argv[++i]);
        } else if (option == "--kind" && hasValue) {
            const auto named = sim::ControllerKindNamed(argv[++i]);
            if (!named) return Usage();
            controllerKind = *named;
        } else if (option == "--ar488") {
            controllerKind = sim::ControllerKind::Ar488Uno;
        } else {
            return Usage();
        }
    }

    sim::Bench& bench = sim::Bench::Instance();
    bench.Reset();
    bench.SetLogging(false);  // it may serve for hours
    bench.SetAnalyzerAddress(address);
    sim::PrologixController controller(bench);
    controller.SetKind(controllerKind);
    const auto server = sim::PrologixServer::Start(kind, controller, tcpPort);
    if (!server) {
        std::perror("tq58-prologix-sim");
        return 1;
    }
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(server->where().c_str(), link.c_str()) != 0) {
            std::perror(link.c_str());
            return 1;
        }
    }
    std::cout << server->where() << std::endl;

    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    // Standard input closing (the script that started it ended) stops it too. It is polled, not
    // read blocking: a signal may reach one of the server's threads, and a read interrupted by
    // one resumes (signal() restarts system calls), so the stop is checked between polls.
    char ignored[256];
    while (!stopping && !server->unplugged()) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 200) <= 0) continue;
        const ssize_t n = ::read(STDIN_FILENO, ignored, sizeof ignored);
        if (n == 0) break;
        if (n < 0 && errno != EINTR && errno != EAGAIN) break;
    }
    if (!link.empty()) ::unlink(link.c_str());
    return 0;
}
