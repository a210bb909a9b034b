// The link on Linux: termios on the tty device, a plain socket for the Ethernet controller.
#include <fcntl.h>
#include <grp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "backends/prologix/port.h"

namespace prologix {

namespace {

class FileDescriptorPort : public Port {
  public:
    FileDescriptorPort(int fd, bool serial) : fd_(fd), serial_(serial) {}
    ~FileDescriptorPort() override { ::close(fd_); }

    bool Write(const Bytes& bytes) override {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n =
                serial_ ? ::write(fd_, bytes.data() + sent, bytes.size() - sent)
                        : ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                pollfd writable{fd_, POLLOUT, 0};
                if (::poll(&writable, 1, 1000) <= 0 || (writable.revents & (POLLERR | POLLHUP))) {
                    return false;
                }
            } else {
                return false;
            }
        }
        return true;
    }

    ReadResult Read(Bytes& into, int waitMs) override {
        pollfd readable{fd_, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&readable, 1, std::max(waitMs, 0));
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) return ReadResult::TimedOut;
        if (ready < 0) return ReadResult::Lost;
        std::uint8_t piece[4096];
        const ssize_t n = ::read(fd_, piece, sizeof piece);
        if (n > 0) {
            into.insert(into.end(), piece, piece + n);
            return ReadResult::Data;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return ReadResult::TimedOut;
        // 0 bytes from a readable socket: closed by the other end. A tty whose device went away
        // (a USB adapter unplugged) reads 0 or fails with EIO.
        return ReadResult::Lost;
    }

  private:
    int fd_;
    bool serial_;
};

OpenFailure FailureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenFailure::Absent;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::Busy;
        case EACCES:
        case EPERM:
            return OpenFailure::Denied;
        case ECONNREFUSED:
            return OpenFailure::Refused;
        default:
            return OpenFailure::Other;
    }
}

Opened Failed(int error) {
    return {nullptr, FailureOf(error), std::strerror(error), {}};
}

bool ProcessHasGroup(gid_t group) {
    if (::getegid() == group) return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, groups.data()) != count) return false;
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

bool UserHasGroup(gid_t group) {
    const passwd* user = ::getpwuid(::getuid());
    if (user == nullptr) return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(static_cast<size_t>(count));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// A port the user may not open: when its group (dialout, on Debian) may, and this program does
// not have that group, the group is the reason; and if the user is in it, only this login began
// before the user was added.
Opened Denied(const std::string& name, int error) {
    Opened opened = Failed(error);
    struct stat device {};
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if (::stat(name.c_str(), &device) != 0 ||
        (device.st_mode & kGroupReadWrite) != kGroupReadWrite || ProcessHasGroup(device.st_gid)) {
        return opened;
    }
    const group* found = ::getgrgid(device.st_gid);
    opened.group = found != nullptr ? found->gr_name : std::to_string(device.st_gid);
    opened.failure =
        UserHasGroup(device.st_gid) ? OpenFailure::GroupNotYetActive : OpenFailure::NotInGroup;
    return opened;
}

bool MakeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return false;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) return false;
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

}  // namespace

Opened OpenSerialPort(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return error == EACCES || error == EPERM ? Denied(name, error) : Failed(error);
    }
    // Another program that follows the convention (a terminal, ModemManager) holds the lock;
    // TIOCEXCL-style exclusivity is not used, so that a hung program's port can still be read.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return Failed(error == EWOULDBLOCK ? EBUSY : error);
    }
    if (!::isatty(fd) || !MakeRaw(fd)) {
        const int error = errno;
        ::close(fd);
        Opened opened = Failed(error);
        opened.failure = OpenFailure::Other;
        opened.systemText = std::string("not a serial port: ") + std::strerror(error);
        return opened;
    }
    return {std::make_unique<FileDescriptorPort>(fd, true), OpenFailure::None, {}, {}};
}

Opened OpenTcpPort(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        error != 0) {
        return {nullptr, OpenFailure::Absent, ::gai_strerror(error), {}};
    }
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ::freeaddrinfo(found);
        return Failed(errno);
    }
    // A connect that hangs (a host that drops the packets) ends after 5 s, as a time-out does.
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    int result = ::connect(fd, found->ai_addr, found->ai_addrlen);
    ::freeaddrinfo(found);
    if (result != 0 && errno == EINPROGRESS) {
        pollfd writable{fd, POLLOUT, 0};
        if (::poll(&writable, 1, 5000) == 1) {
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            errno = error;
            result = error == 0 ? 0 : -1;
        } else {
            errno = ETIMEDOUT;
        }
    }
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        return Failed(error);
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // a command line at once
    return {std::make_unique<FileDescriptorPort>(fd, false), OpenFailure::None, {}, {}};
}

std::vector<ListedPort> SerialPorts() {
    namespace fs = std::filesystem;
    std::vector<ListedPort> ports;
    std::set<fs::path> devices;
    const auto add = [&](const fs::path& path) {
        std::error_code error;
        const fs::path device = fs::canonical(path, error);
        if (error || !devices.insert(device).second) return;
        ports.push_back({path.string(), IsBluetoothDevice(device.string())});
    };
    // By name within a prefix, ttyUSB2 before ttyUSB10.
    const auto byNumber = [](const fs::path& a, const fs::path& b) {
        const std::string x = a.string(), y = b.string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    };
    const auto devicesNamed = [&](const char* prefix) {
        std::vector<fs::path> ttys;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/dev", error)) {
            if (entry.path().filename().string().starts_with(prefix)) ttys.push_back(entry.path());
        }
        std::sort(ttys.begin(), ttys.end(), byNumber);
        for (const auto& path : ttys) add(path);
    };
    devicesNamed("ttyUSB");
    devicesNamed("ttyACM");
    // Links to devices of other names (a serial adapter whose driver names it otherwise).
    std::vector<fs::path> byId;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", error)) {
        byId.push_back(entry.path());
    }
    std::sort(byId.begin(), byId.end());
    for (const auto& path : byId) add(path);
    devicesNamed("rfcomm");
    return ports;
}

}  // namespace prologix
