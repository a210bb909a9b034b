// What both systems' ports share: which devices are Bluetooth ones, and where the search finds
// its ports.
#include <algorithm>
#include <cctype>

#include "backends/prologix/port.h"

namespace prologix {

bool IsBluetoothDevice(const std::string& deviceName) {
    std::string lower = deviceName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* mark : {"\\device\\bth", "\\device\\btport", "bluetooth", "/dev/rfcomm"}) {
        if (lower.find(mark) != std::string::npos) return true;
    }
    return false;
}

PortSystem& SerialPortSystem() {
    static PortSystem system;
    return system;
}

}  // namespace prologix
