#include "app/vocabulary.h"

#include <utility>

#include "app/numeric_value.h"

namespace app {

namespace command {

namespace {

std::string WithParameters(std::string prefix, std::initializer_list<double> parameters) {
    bool first = true;
    for (double parameter : parameters) {
        if (!first) prefix += ',';
        prefix += SignedNumberText(parameter);
        first = false;
    }
    return prefix;
}

}  // namespace

std::string BandSetting(int code) {
    return "FLT" + std::to_string(code);
}
std::string WeightingSetting(int code) {
    return "WGT" + std::to_string(code);
}
std::string SelectAddress(double address) {
    return WithParameters("ADR0,", {address});
}
std::string SecondaryProcessing(int k, double first, double last) {
    return WithParameters("OPE" + std::to_string(k) + ",", {first, last});
}
std::string Erase(double first, double last) {
    return WithParameters("CLR0,", {first, last});
}

}  // namespace command

namespace {

using Table = std::initializer_list<std::pair<double, const char*>>;

// The first code equal to the value gives the text.
std::optional<std::string> Decode(Table table, double value) {
    for (const auto& [code, text] : table) {
        if (code == value) return std::string(text);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> TimeConstantText(double code) {
    return Decode({{0, "10ms"}, {1, "35ms"}, {2, "0.125s"}, {3, "0.63s"}, {4, "1s"}, {5, "10s"}},
                  code);
}

std::optional<std::string> FrequencyRangeText(double code) {
    return Decode({{0, "0.8～630Hz"},
                   {3, "1.6～1.25KHz"},
                   {6, "3.15～2.5KHz"},
                   {9, "6.3～5KHz"},
                   {12, "12.5～10KHz"},
                   {15, "25～20KHz"},
                   {18, "50～40KHz"},
                   {21, "100～80KHz"}},
                  code);
}

std::optional<std::string> BandText(double code) {
    return Decode({{0, "1/3oct"}, {1, "1/1oct"}}, code);
}

std::optional<std::string> WeightingText(double code) {
    return Decode(
        {{0, "A"}, {1, "C"}, {2, "F"}, {3, "Lv-xy"}, {4, "Lv-z"}, {5, "Lht"}, {6, "Lcom"}}, code);
}

}  // namespace app
