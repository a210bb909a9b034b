// What both systems' ports share: which devices are Bluetooth ones, and where the search finds
// its ports.
#include <algorithm>

#include "backends/prologix/port.h"

namespace prologix {

bool IsBluetoothDevice(const std::string& deviceName) {
    // ASCII only, without the C library's locale (and its import on Windows).
    std::string lower = deviceName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
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
