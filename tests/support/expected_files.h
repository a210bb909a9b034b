// The bytes the downloads must write for the simulated analyzer's records and statistics,
// computed from a fresh analyzer that holds what every stand-in's analyzer holds at reset.
#pragma once

#include <cstdio>
#include <string>

#include "app/numeric_value.h"
#include "sim/analyzer.h"

namespace testing_support {

// The mass memory file for records first..last with the given band and weighting texts.
inline std::string ExpectedMassMemoryFile(int first, int last, const std::string& band = "1/3oct",
                                          const std::string& weighting = "F") {
    sim::Analyzer analyzer;
    std::string bytes;
    for (int address = first; address <= last; ++address) {
        char field[8];
        std::snprintf(field, sizeof field, "%04d", address);
        bytes += std::string(field) + "," + band + "," + weighting + "," +
                 analyzer.Record(address) + "\r\n";
    }
    return bytes;
}

// The secondary processing file for the statistics over first..last.
inline std::string ExpectedSecondaryProcessingFile(int first, int last) {
    sim::Analyzer analyzer;
    std::string values;
    for (int k = 0; k <= 6; ++k) {
        analyzer.Write("OPE" + std::to_string(k) + ", " + std::to_string(first) + ", " +
                       std::to_string(last) + "\r\n");
        analyzer.Write("DOD?\r\n");
        values += (k ? "," : "") + app::NumberText(app::NumericValue(*analyzer.Read()));
    }
    return "L5,L10,L50,L90,L95,Leq,Ave\r\n" + values + "\r\n";
}

}  // namespace testing_support
