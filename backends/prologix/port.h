// The byte link to a Prologix-protocol GPIB controller: a serial port (the USB adapters' virtual
// COM port) or a TCP connection (the Ethernet adapter, port 1234). The controller protocol above
// it is the same for both. One implementation per system: port_posix.cpp, port_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace prologix {

using Bytes = std::vector<std::uint8_t>;

// Why a port could not be opened. Kept in the session's boardStatus, so its values are fixed; the
// backend's own conditions take 6 to 9.
enum class OpenFailure : std::int32_t {
    None = 0,
    Absent = 1,   // no such port (or no such host)
    Busy = 2,     // another program holds it
    Denied = 3,   // the user may not open it
    Refused = 4,  // nothing accepts connections at that host and TCP port
    Other = 5,    // any other failure of the system; systemText says which
    // Linux: the port belongs to a group (dialout) the user is not in; or the user was added to it
    // but this login began before, so the program does not have it yet.
    NotInGroup = 10,
    GroupNotYetActive = 11,
    Hung = 12,  // the open did not return in time (a Bluetooth port connecting, a driver stuck)
};

enum class ReadResult {
    Data,      // at least one byte was appended
    TimedOut,  // nothing came within the wait
    Lost,      // the port is gone: unplugged, or the connection closed
};

class Port {
  public:
    virtual ~Port() = default;
    // Writes all of bytes; false when the port is gone.
    virtual bool Write(const Bytes& bytes) = 0;
    // Appends what arrives to into, waiting at most waitMs for the first byte.
    virtual ReadResult Read(Bytes& into, int waitMs) = 0;
};

struct Opened {
    std::unique_ptr<Port> port;  // null when the open failed
    OpenFailure failure = OpenFailure::None;
    std::string systemText;  // the system's own words for the failure, for the details
    std::string group;       // NotInGroup, GroupNotYetActive: the port's group ("dialout")
};

// A serial port by the name its system gives it: "COM3" on Windows, "/dev/ttyUSB0" on Linux.
// Raw 8N1 at 115200 baud (the AR488's rate; the Prologix and other USB adapters ignore it), no
// flow control.
Opened OpenSerialPort(const std::string& name);

// A TCP connection to host (a name or an IPv4 address) at port.
Opened OpenTcpPort(const std::string& host, int port);

// A serial port the system lists.
struct ListedPort {
    std::string name;
    // A Bluetooth serial port: its open may wait many seconds for a paired device to answer.
    bool bluetooth = false;
};

// The system's serial ports that such a controller can be behind, in the order they are tried:
// Windows lists the serial device map's COM ports; Linux /dev/ttyUSB*, /dev/ttyACM*, the links in
// /dev/serial/by-id to any other device (a device counts once, under its own name), then
// /dev/rfcomm* (Bluetooth).
std::vector<ListedPort> SerialPorts();

// Whether a serial device is a Bluetooth one, by the name its driver gives it: Windows' serial
// device map names the Bluetooth stacks' ports "\Device\BthModem0", "\Device\BtPort1" and the
// like; Linux names them /dev/rfcomm<n>.
bool IsBluetoothDevice(const std::string& deviceName);

// Where the search finds and opens serial ports: the system, unless a test put stand-ins there.
struct PortSystem {
    std::function<std::vector<ListedPort>()> list = SerialPorts;
    std::function<Opened(const std::string&)> open = OpenSerialPort;
};
PortSystem& SerialPortSystem();

}  // namespace prologix
