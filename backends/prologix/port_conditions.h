// What became of a port that gave no controller, and how the user is told: one sentence for the
// port the user chose, one short reason per port after a search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backends/prologix/port.h"

namespace prologix {

// The conditions beyond OpenFailure's values; together they are the session's boardStatus after
// a failed open, so their values are fixed.
enum Condition : std::int32_t {
    kNotAController = 6,    // the port answered "++ver" with something else
    kNoVersion = 7,         // the port answered nothing to "++ver"
    kNoneFound = 8,         // no serial port answered like a controller
    kLost = 9,              // the port went away while it was in use
    kBluetoothSkipped = 13  // a search does not open Bluetooth ports
};

struct PortVerdict {
    std::string port;
    std::int32_t condition = 0;  // an OpenFailure or a Condition
    std::string systemText;      // the system's words for an open that failed
    std::string answer;          // kNotAController: what it answered
    std::string group;           // OpenFailure::NotInGroup, GroupNotYetActive: the port's group
};

// The sentence for one port: "ポート「COM3」は他のプログラムが使用中です（…）".
std::string VerdictText(const PortVerdict& verdict);

// A search that found nothing, with each port's reason after it.
std::string NoneFoundText(const std::vector<PortVerdict>& verdicts);

}  // namespace prologix
