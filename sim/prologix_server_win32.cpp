// The simulated controller on Windows: a loopback TCP port served by a thread of its own. A
// serial port would need a virtual COM port driver; the Ethernet adapter's link needs nothing.
#include <winsock2.h>
// winsock2.h before windows.h
#include <windows.h>

#include "sim/prologix_server.h"

namespace sim {

namespace {

bool Readable(SOCKET socket, int waitMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{waitMs / 1000, (waitMs % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

}  // namespace

std::unique_ptr<PrologixServer> PrologixServer::Start(Kind kind, PrologixController& controller,
                                                      int tcpPort) {
    if (kind == Kind::PseudoTerminal) return nullptr;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        WSACleanup();
        return nullptr;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(tcpPort));
    int size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        closesocket(listener);
        WSACleanup();
        return nullptr;
    }
    std::unique_ptr<PrologixServer> server(new PrologixServer(kind, listener, controller));
    server->where_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    server->thread_ = CreateThread(nullptr, 0, ServeThread, server.get(), 0, nullptr);
    if (server->thread_ == nullptr) return nullptr;  // the destructor closes the socket
    return server;
}

PrologixServer::~PrologixServer() {
    stop_ = true;
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (connection_ != kNoDescriptor) closesocket(connection_);
    if (fd_ != kNoDescriptor) closesocket(fd_);
    WSACleanup();
}

bool PrologixServer::Exchange(Descriptor fd, bool readable) {
    char piece[4096];
    int count = 0;
    if (readable) {
        count = recv(fd, piece, sizeof piece, 0);
        if (count <= 0) return false;  // closed by the program, or reset
    }
    PrologixController::Bytes answer;
    if (!Turn(reinterpret_cast<const std::uint8_t*>(piece), static_cast<size_t>(count), answer)) {
        return false;
    }
    for (size_t sent = 0; sent < answer.size();) {
        const int n = send(fd, reinterpret_cast<const char*>(answer.data() + sent),
                           static_cast<int>(answer.size() - sent), 0);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void PrologixServer::Serve() {
    while (!stop_) {
        if (unplugged_) {
            // The adapter is off the network: the connection drops.
            if (connection_ != kNoDescriptor) closesocket(connection_);
            connection_ = kNoDescriptor;
            return;
        }
        if (connection_ == kNoDescriptor) {
            if (!Readable(fd_, 20)) continue;
            const SOCKET accepted = accept(fd_, nullptr, nullptr);
            if (accepted != INVALID_SOCKET) {
                connection_ = accepted;
                Opened();
            }
            continue;
        }
        const bool readable = Readable(connection_, WaitMs());
        if (!Exchange(connection_, readable)) {
            closesocket(connection_);
            connection_ = kNoDescriptor;
        }
    }
}

void PrologixServer::Settle() {
    for (int i = 0; i < 1000; ++i) {
        const Descriptor connection = connection_;
        if (Idle() && (connection == kNoDescriptor || unplugged_ || !Readable(connection, 0))) {
            ::Sleep(2);  // a read that has just begun
            if (Idle()) return;
        }
        ::Sleep(10);
    }
}

DWORD WINAPI PrologixServer::ServeThread(void* server) {
    static_cast<PrologixServer*>(server)->Serve();
    return 0;
}

}  // namespace sim
