// What the backends whose interface the user chooses offer besides the contract: the NI-488.2
// backend (a board index) and the VISA backend (an interface, or a LAN gateway's resource). Only
// those two define these functions; a program that lets its user choose links one of them.
#pragma once

#include <cstdint>
#include <string>

namespace lbDef {

// Takes the user's choice for every later open. Empty when it is well formed, otherwise why not,
// in Japanese. The driver is not asked here: a choice it refuses shows when the board is opened.
std::string ChooseInterface(const std::string& choice);

// The interface in use, as the status line names it: "GPIB1", "TCPIP0::192.168.1.20::gpib0".
std::string InterfaceName();

// What the user is told once about the interface in use, or empty.
std::string InterfaceNote();

// A boardStatus this backend left, in its driver's own words.
std::string DriverStatusText(std::int32_t boardStatus);

}  // namespace lbDef
