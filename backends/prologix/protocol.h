// The Prologix controller protocol as the controllers' manuals give it (Prologix GPIB-USB
// Controller User Manual 6.107, Prologix GPIB-ETHERNET Controller User Manual, AR488 command
// reference), apart from any port:
// - A line that starts with "++" is a command to the controller; every other line is data for the
//   addressed device. A line ends with an unescaped LF (or CR).
// - In data, CR, LF, ESC and '+' are sent with ESC before them, so that they reach the device
//   and neither end the line nor start a command (GPIB-USB manual, section "Command line
//   syntax"/escaping).
// - With "++eot_enable 1" and "++eot_char <n>" the controller appends byte n to what it passes
//   on from the bus when it sees EOI; "++read eoi" reads until EOI or its read time-out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/prologix/port.h"

namespace prologix {

inline constexpr std::uint8_t kEscape = 0x1B;

// The byte the controller appends at EOI. The analyzer answers in ASCII, and code page 932 text
// never holds 0xFF either, so it cannot end a reply early. (The manuals allow any value below
// 256.)
inline constexpr std::uint8_t kEndMarker = 0xFF;

// The longest a Prologix waits for each byte of a reply (++read_tmo_ms: 1 to 3000). The AR488
// takes up to 32000.
inline constexpr int kPrologixLongestReadTimeoutMs = 3000;
inline constexpr int kAr488LongestReadTimeoutMs = 32000;

// One data line for the addressed device: bytes with CR, LF, ESC and '+' escaped, then LF.
Bytes DataLine(const Bytes& bytes);

// One command line to the controller: "++" command, then LF.
Bytes CommandLine(std::string_view command);

// Which controller answered "++ver", and how the status line names it.
enum class Family { PrologixUsb, PrologixEthernet, Ar488 };
struct Identity {
    Family family;
    std::string name;  // "Prologix GPIB-USB 6.107", "AR488 0.53.04"
};

// The controller that a "++ver" answer (one line, without its CR LF) comes from, or nothing
// when the answer is from something else. An AR488 can be told to answer "++ver" with any text
// ("++id verstr"), a Prologix's included; "++ver real" gives its own (AR488 manual).
std::optional<Identity> Identify(std::string_view version);

// The longest ++read_tmo_ms a family takes.
int LongestReadTimeoutMs(Family family);

// The commands that put a controller into the mode this program works in, in order, with the
// read time-out it is to have. A Prologix saves each changed setting to its EEPROM while
// "++savecfg" is on, which it is after every power-up: "++savecfg 0" goes first, so its saved
// settings stay as they were. The AR488 takes any "++savecfg" as "save now", so it is never
// sent one.
std::vector<std::string> SetupCommands(Family family, int readTimeoutMs);

// A reply as it arrives from the controller: the bytes before the end marker, held to a
// capacity (the rest is read and dropped, so that it cannot spill into the next reply).
class ReplyCollector {
  public:
    explicit ReplyCollector(std::size_t capacity) : capacity_(capacity) {}
    // Takes bytes as they came; true once the end marker has come (bytes after it are dropped).
    bool Take(const Bytes& bytes);
    bool complete() const { return complete_; }
    const Bytes& reply() const { return reply_; }

  private:
    std::size_t capacity_;
    Bytes reply_;
    bool complete_ = false;
};

}  // namespace prologix
