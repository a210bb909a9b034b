// The Contec board names both talker and listener in every transfer, so its program asks the
// board for its own GPIB address before each one.
#pragma once

#include <cstdint>

namespace lb {

// IEEE 488 multiline messages and the board's own addresses; all zero when the query failed.
struct BusCommandRecord {
    std::uint8_t GTL = 0;  // go to local
    std::uint8_t SDC = 0;  // selected device clear
    std::uint8_t GET = 0;  // group execute trigger
    std::uint8_t LLO = 0;  // local lockout
    std::uint8_t DCL = 0;  // device clear
    std::uint8_t UNL = 0;  // unlisten
    std::uint8_t UNT = 0;  // untalk
    std::uint8_t myAddress = 0;
    std::uint8_t MLA = 0;  // my listen address
    std::uint8_t MTA = 0;  // my talk address
};

// Records 12030 when the board does not report its address (or reports one that is no byte).
BusCommandRecord GetMyAddress();

}  // namespace lb

namespace lbDef {

// Reads the board status register 8, which holds the board's own address.
bool BoardQueryStatus(std::int16_t& value);

}  // namespace lbDef
