// Delimited string transfer. Text is UTF-8 inside the program and code page 932 on the bus.
#pragma once

#include <string>
#include <string_view>

namespace lb {

// Sends command with the session's delimiter appended. An empty command sends and records
// nothing.
void SendString(std::string_view command);

// One reply, with every trailing NUL, CR and LF removed; empty when the receive was refused
// or failed.
std::string ReceiveString();

}  // namespace lb
