// The link on Windows: a COM port through the communications functions, a Winsock 2 socket for
// the Ethernet controller. Only functions that Windows 2000 exports: the 32-bit program starts
// there, so names are resolved with gethostbyname, not getaddrinfo (Windows XP).
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

#include "backends/prologix/port.h"

namespace prologix {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    return wide;
}

std::string Utf8(const wchar_t* wide, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), size, nullptr, nullptr);
    return text;
}

// The system's words for an error code (Winsock's codes included), or its number.
std::string SystemText(DWORD error) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text;
    if (length > 0 && message != nullptr) text = Utf8(message, static_cast<int>(length));
    if (message != nullptr) LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) text = "error " + std::to_string(error);
    return text;
}

Opened Failed(OpenFailure failure, DWORD error) {
    return {nullptr, failure, SystemText(error), {}};
}

class SerialPort : public Port {
  public:
    explicit SerialPort(HANDLE handle) : handle_(handle) {}
    ~SerialPort() override { CloseHandle(handle_); }

    bool Write(const Bytes& bytes) override {
        size_t sent = 0;
        while (sent < bytes.size()) {
            DWORD written = 0;
            const DWORD size = static_cast<DWORD>(bytes.size() - sent);
            if (!WriteFile(handle_, bytes.data() + sent, size, &written, nullptr)) return false;
            if (written == 0) return false;  // nothing went out within the write time-out
            sent += written;
        }
        return true;
    }

    ReadResult Read(Bytes& into, int waitMs) override {
        if (!WaitAtMost(std::max(waitMs, 0))) return ReadResult::Lost;
        std::uint8_t piece[4096];
        DWORD count = 0;
        // A device that went away (a USB adapter unplugged) fails every read: the driver's
        // ERROR_BAD_COMMAND, ERROR_OPERATION_ABORTED, ERROR_DEVICE_REMOVED, ERROR_GEN_FAILURE
        // and the like. No comm error aborts a read (fAbortOnError is off), so any failure is.
        if (!ReadFile(handle_, piece, sizeof piece, &count, nullptr)) return ReadResult::Lost;
        if (count > 0) {
            into.insert(into.end(), piece, piece + count);
            return ReadResult::Data;
        }
        // Some drivers end the reads of a removed device at once with nothing, without failing;
        // the port's state can no longer be read then.
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status)) return ReadResult::Lost;
        return ReadResult::TimedOut;
    }

  private:
    // A read waits up to waitMs in all, and ends once the bytes have paused for kPauseMs after the
    // first: what has arrived by then is returned. waitMs 0: it returns at once with what is
    // there. (MAXDWORD, MAXDWORD, waitMs), documented to return with the first byte, makes Wine
    // wait the whole waitMs whenever the reply is shorter than the buffer.
    bool WaitAtMost(int waitMs) {
        if (waitMs == timeoutMs_) return true;
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = waitMs == 0 ? MAXDWORD : kPauseMs;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(waitMs);
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
        if (!SetCommTimeouts(handle_, &timeouts)) return false;
        timeoutMs_ = waitMs;
        return true;
    }

    static constexpr DWORD kPauseMs = 5;
    static constexpr DWORD kWriteTimeoutMs = 1000;
    HANDLE handle_;
    int timeoutMs_ = -1;
};

class SocketPort : public Port {
  public:
    explicit SocketPort(SOCKET socket) : socket_(socket) {}
    ~SocketPort() override { closesocket(socket_); }

    bool Write(const Bytes& bytes) override {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const int n = send(socket_, reinterpret_cast<const char*>(bytes.data() + sent),
                               static_cast<int>(bytes.size() - sent), 0);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
                fd_set writable;
                FD_ZERO(&writable);
                FD_SET(socket_, &writable);
                timeval second{1, 0};
                if (select(0, nullptr, &writable, nullptr, &second) != 1) return false;
            } else {
                return false;
            }
        }
        return true;
    }

    ReadResult Read(Bytes& into, int waitMs) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        const int wait = std::max(waitMs, 0);
        timeval limit{wait / 1000, (wait % 1000) * 1000};
        const int ready = select(0, &readable, nullptr, nullptr, &limit);
        if (ready == 0) return ReadResult::TimedOut;
        if (ready == SOCKET_ERROR) return ReadResult::Lost;
        char piece[4096];
        const int n = recv(socket_, piece, sizeof piece, 0);
        if (n > 0) {
            into.insert(into.end(), piece, piece + n);
            return ReadResult::Data;
        }
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return ReadResult::TimedOut;
        // 0 bytes from a readable socket: closed by the other end; an error: reset.
        return ReadResult::Lost;
    }

  private:
    SOCKET socket_;
};

// Winsock is started once and stays for the process.
bool WinsockStarted(int& error) {
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    error = started;
    return started == 0;
}

OpenFailure FailureOfSocket(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return OpenFailure::Refused;
        case WSAHOST_NOT_FOUND:
        case WSANO_DATA:
            return OpenFailure::Absent;
        default:
            return OpenFailure::Other;
    }
}

// The number of a name "COM<n>"; names without one sort after all that have one.
std::tuple<bool, unsigned long, std::string> PortOrder(const std::string& name) {
    if ((name.rfind("COM", 0) == 0 || name.rfind("com", 0) == 0) && name.size() > 3 &&
        name.find_first_not_of("0123456789", 3) == std::string::npos && name.size() <= 12) {
        return {false, std::stoul(name.substr(3)), name};
    }
    return {true, 0, name};
}

}  // namespace

Opened OpenSerialPort(const std::string& name) {
    // COM10 and above are reached only through the device namespace; COM1 to COM9 either way.
    const std::string path = name.rfind("\\\\.\\", 0) == 0 ? name : "\\\\.\\" + name;
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                return Failed(OpenFailure::Absent, error);
            case ERROR_ACCESS_DENIED:  // how Windows answers for a COM port another program holds
            case ERROR_SHARING_VIOLATION:
                return Failed(OpenFailure::Busy, error);
            default:
                return Failed(OpenFailure::Other, error);
        }
    }
    DCB settings{};
    settings.DCBlength = sizeof settings;
    bool raw = GetCommState(handle, &settings);
    if (raw) {
        settings.BaudRate = CBR_115200;
        settings.ByteSize = 8;
        settings.Parity = NOPARITY;
        settings.StopBits = ONESTOPBIT;
        settings.fBinary = TRUE;
        settings.fParity = FALSE;
        settings.fOutxCtsFlow = FALSE;
        settings.fOutxDsrFlow = FALSE;
        settings.fDtrControl = DTR_CONTROL_ENABLE;
        settings.fDsrSensitivity = FALSE;
        settings.fOutX = FALSE;
        settings.fInX = FALSE;
        settings.fErrorChar = FALSE;
        settings.fNull = FALSE;
        settings.fRtsControl = RTS_CONTROL_ENABLE;
        settings.fAbortOnError = FALSE;
        raw = SetCommState(handle, &settings);
    }
    if (!raw) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return {nullptr, OpenFailure::Other, "not a serial port: " + SystemText(error), {}};
    }
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return {std::make_unique<SerialPort>(handle), OpenFailure::None, {}, {}};
}

Opened OpenTcpPort(const std::string& host, int port) {
    int error = 0;
    if (!WinsockStarted(error)) return Failed(OpenFailure::Other, static_cast<DWORD>(error));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(host.c_str());
    if (address.sin_addr.s_addr == INADDR_NONE && host != "255.255.255.255") {
        const hostent* found = gethostbyname(host.c_str());
        if (found == nullptr || found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) {
            const int why = found == nullptr ? WSAGetLastError() : WSANO_DATA;
            return {nullptr, OpenFailure::Absent, SystemText(static_cast<DWORD>(why)), {}};
        }
        std::memcpy(&address.sin_addr, found->h_addr_list[0], sizeof address.sin_addr);
    }
    const SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET) {
        error = WSAGetLastError();
        return Failed(FailureOfSocket(error), static_cast<DWORD>(error));
    }
    // A connect that hangs (a host that drops the packets) ends after 5 s, as a time-out does.
    u_long nonBlocking = 1;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    int result = connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    error = result == 0 ? 0 : WSAGetLastError();
    if (result != 0 && error == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(connection, &writable);
        FD_SET(connection, &failed);
        timeval limit{5, 0};
        if (select(0, nullptr, &writable, &failed, &limit) > 0) {
            // A failed connect is reported as an exception, its cause in SO_ERROR.
            int cause = 0;
            int size = sizeof cause;
            getsockopt(connection, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&cause), &size);
            if (FD_ISSET(connection, &failed) && cause == 0) cause = WSAECONNREFUSED;
            error = cause;
        } else {
            error = WSAETIMEDOUT;
        }
        result = error == 0 ? 0 : SOCKET_ERROR;
    }
    if (result != 0) {
        closesocket(connection);
        return Failed(FailureOfSocket(error), static_cast<DWORD>(error));
    }
    const BOOL on = TRUE;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);  // a command line at once
    return {std::make_unique<SocketPort>(connection), OpenFailure::None, {}, {}};
}

std::vector<ListedPort> SerialPorts() {
    std::vector<ListedPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return ports;
    }
    std::set<std::string> seen;
    for (DWORD index = 0;; ++index) {
        // The value's name is the driver's device ("\Device\Serial0"), its data the port's name.
        wchar_t valueName[256];
        DWORD valueNameSize = sizeof valueName / sizeof valueName[0];
        wchar_t data[256] = {};
        DWORD dataSize = sizeof data - sizeof data[0];  // room for an ending the value may lack
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;  // a value too long is no port
        const std::string name = Utf8(data, static_cast<int>(wcsnlen(data, dataSize / 2)));
        const std::string device = Utf8(valueName, static_cast<int>(valueNameSize));
        if (!name.empty() && seen.insert(name).second) {
            ports.push_back({name, IsBluetoothDevice(device)});
        }
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const ListedPort& a, const ListedPort& b) {
        return PortOrder(a.name) < PortOrder(b.name);  // COM2 before COM10
    });
    return ports;
}

}  // namespace prologix
