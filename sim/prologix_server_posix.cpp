#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "sim/prologix_server.h"

namespace sim {

namespace {

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool Readable(int fd, int waitMs) {
    pollfd readable{fd, POLLIN, 0};
    return ::poll(&readable, 1, waitMs) == 1 && (readable.revents & POLLIN) != 0;
}

}  // namespace

std::unique_ptr<PrologixServer> PrologixServer::Start(Kind kind, PrologixController& controller,
                                                      int tcpPort) {
    std::unique_ptr<PrologixServer> server;
    if (kind == Kind::PseudoTerminal) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0) return nullptr;
        if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname(master) == nullptr) {
            ::close(master);
            return nullptr;
        }
        server.reset(new PrologixServer(kind, master, controller));
        server->where_ = ::ptsname(master);
    } else {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener < 0) return nullptr;
        const int on = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(tcpPort));
        socklen_t size = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 1) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ::close(listener);
            return nullptr;
        }
        server.reset(new PrologixServer(kind, listener, controller));
        server->where_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    server->thread_ = std::thread([raw = server.get()] { raw->Serve(); });
    return server;
}

PrologixServer::~PrologixServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (connection_ >= 0) ::close(connection_);
    if (fd_ >= 0) ::close(fd_);
}

bool PrologixServer::Exchange(int fd) {
    busy_ = true;
    std::uint8_t piece[4096];
    const ssize_t count = ::read(fd, piece, sizeof piece);
    if (count <= 0) {
        busy_ = false;
        return false;
    }
    PrologixController::Bytes answer;
    if (!Answer(piece, static_cast<size_t>(count), answer)) return false;
    for (size_t sent = 0; sent < answer.size();) {
        const ssize_t n = ::write(fd, answer.data() + sent, answer.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    busy_ = false;
    return true;
}

void PrologixServer::Serve() {
    while (!stop_) {
        if (kind_ == Kind::PseudoTerminal) {
            if (unplugged_) {
                // The adapter is gone: the program's side sees the device hang up.
                ::close(fd_);
                fd_ = -1;
                return;
            }
            pollfd master{fd_, POLLIN, 0};
            if (::poll(&master, 1, 20) <= 0) continue;
            if ((master.revents & POLLIN) == 0 || !Exchange(fd_)) {
                Sleep(10);  // no program has the slave open
            }
        } else {
            if (connection_ < 0) {
                if (!Readable(fd_, 20)) continue;
                connection_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                continue;
            }
            if (!Readable(connection_, 20)) continue;
            if (!Exchange(connection_)) {
                ::close(connection_);
                connection_ = -1;
                if (unplugged_) return;  // the adapter is off the network
            }
        }
    }
}

void PrologixServer::Settle() {
    for (int i = 0; i < 200; ++i) {
        const int fd = kind_ == Kind::PseudoTerminal ? fd_ : connection_;
        if (!busy_ && (fd < 0 || unplugged_ || !Readable(fd, 0))) {
            Sleep(2);  // a read that has just begun
            if (!busy_) return;
        }
        Sleep(10);
    }
}

}  // namespace sim
