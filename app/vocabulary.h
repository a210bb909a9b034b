// Everything the program says to the analyzer, and what it understands of its replies.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/numeric_value.h"

namespace app::command {

inline constexpr std::string_view kDelimiterMode = "DLM0";
inline constexpr std::string_view kTimeConstantQuery = "TMC?";
inline constexpr std::string_view kFrequencyRangeQuery = "DFR?";
inline constexpr std::string_view kBandQuery = "FLT?";
inline constexpr std::string_view kWeightingQuery = "WGT?";
inline constexpr std::string_view kDataQuery = "DOD?";
inline constexpr std::string_view kAddressQuery = "ADR?";
inline constexpr std::string_view kRecallOn = "RCL0";
inline constexpr std::string_view kRecallOff = "RCL9";
// Sent unchanged, zero-padded and without blanks, to end the secondary processing.
inline constexpr std::string_view kSecondaryProcessingEnd = "OPE9,0001,1000";

// "FLT0" for 1/3 octave (oct3), "FLT1" for 1/1 octave (oct1).
std::string BandSetting(int code);
// "WGT0" ... "WGT6": A, C, F, Lv-xy, Lv-z, Lht, Lcom.
std::string WeightingSetting(int code);
// "ADR0," and the address.
std::string SelectAddress(double address);
// "OPE<k>," with the first and last address.
std::string SecondaryProcessing(int k, double first, double last);
// "CLR0," with the first and last address.
std::string Erase(double first, double last);

}  // namespace app::command

namespace app {

// The seven secondary-processing results in the order they are requested and written.
inline constexpr std::array<std::string_view, 7> kStatisticHeaders = {"L5",  "L10", "L50", "L90",
                                                                      "L95", "Leq", "Ave"};

// Display texts for the numeric value of a reply; nothing when the value is no code.
std::optional<std::string> TimeConstantText(double code);
std::optional<std::string> FrequencyRangeText(double code);
std::optional<std::string> BandText(double code);
std::optional<std::string> WeightingText(double code);

// The table's text for a reply, or empty: also for an empty reply, which is no code at all
// (a reply "0" is code 0).
template <typename Decoder>
std::string DecodedReply(Decoder decoder, const std::string& reply) {
    if (reply.empty()) return {};
    return decoder(NumericValue(reply)).value_or("");
}

}  // namespace app
