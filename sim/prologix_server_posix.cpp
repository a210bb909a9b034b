#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
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
        // The master cannot tell a slave that was never opened from one that is open; the
        // slave device's openings and closings can be watched.
        server->openWatch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (server->openWatch_ < 0 ||
            ::inotify_add_watch(server->openWatch_, server->where_.c_str(), IN_OPEN | IN_CLOSE) <
                0) {
            return nullptr;  // the destructor closes what was opened
        }
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
    if (openWatch_ >= 0) ::close(openWatch_);
}

bool PrologixServer::Exchange(int fd, bool readable) {
    std::uint8_t piece[4096];
    ssize_t count = 0;
    if (readable) {
        count = ::read(fd, piece, sizeof piece);
        // A pseudo-terminal whose slave was just closed reads EIO: nothing came.
        if (count <= 0 && kind_ == Kind::Tcp) return false;
        if (count < 0) count = 0;
    }
    PrologixController::Bytes answer;
    if (!Turn(piece, static_cast<size_t>(count), answer)) return false;
    for (size_t sent = 0; sent < answer.size();) {
        const ssize_t n = ::write(fd, answer.data() + sent, answer.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
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
            // Without an opener the master reports a hang-up at once: only the watch is waited on.
            pollfd fds[2] = {{openWatch_, POLLIN, 0}, {fd_, POLLIN, 0}};
            ::poll(fds, openers_ > 0 ? 2 : 1, WaitMs());
            if (fds[0].revents & POLLIN) {
                alignas(inotify_event) char events[4096];
                const ssize_t size = ::read(openWatch_, events, sizeof events);
                for (ssize_t at = 0; at < size;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                    if (event->mask & IN_OPEN) {
                        if (openers_++ == 0) Opened();
                    } else if ((event->mask & IN_CLOSE) && openers_ > 0) {
                        --openers_;
                    }
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
            // The controller answers the program that has its port open (another server of the
            // same controller may have it).
            if (openers_ > 0) Exchange(fd_, (fds[1].revents & POLLIN) != 0);
        } else {
            if (unplugged_) {
                // The adapter is off the network: the connection drops.
                if (connection_ >= 0) ::close(connection_);
                connection_ = -1;
                return;
            }
            if (connection_ < 0) {
                if (!Readable(fd_, 20)) continue;
                connection_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection_ >= 0) Opened();
                continue;
            }
            pollfd connection{connection_, POLLIN, 0};
            ::poll(&connection, 1, WaitMs());
            if (!Exchange(connection_, (connection.revents & (POLLIN | POLLHUP)) != 0)) {
                ::close(connection_);
                connection_ = -1;
            }
        }
    }
}

void PrologixServer::Settle() {
    for (int i = 0; i < 1000; ++i) {
        const int fd = kind_ == Kind::PseudoTerminal ? fd_ : connection_;
        if (Idle() && (fd < 0 || !Readable(fd, 0))) {
            Sleep(2);  // a read that has just begun
            if (Idle()) return;
        }
        Sleep(10);
    }
}

}  // namespace sim
