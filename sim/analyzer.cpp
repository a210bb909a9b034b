#include "sim/analyzer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

// Settings the analyzer starts with: 0.125 s, 6.3 to 5 kHz, 1/3 octave, F.
constexpr int kDefaultTimeConstant = 2;
constexpr int kDefaultFrequencyRange = 9;
constexpr int kDefaultBand = 0;
constexpr int kDefaultWeighting = 2;

// A whole number parameter, such as " 12", "-5" or "0001"; nothing for anything else.
std::optional<int> WholeNumber(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c != ' ') digits += c;
    }
    if (!digits.empty() && digits.front() == '+') digits.erase(0, 1);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

std::string Level(double value) {
    char text[16];
    std::snprintf(text, sizeof text, "%+06.1f", value);
    return text;
}

// Three band levels of a record, in dB, deterministic from the address.
double RecordLevel(int address, int band) {
    const double base = 62.0 + 12.0 * std::sin(address * 0.37) + 0.1 * (address % 10);
    return std::round((base - 3.5 * band) * 10.0) / 10.0;
}

}  // namespace

void Analyzer::Reset() {
    timeConstant_ = kDefaultTimeConstant;
    frequencyRange_ = kDefaultFrequencyRange;
    band_ = kDefaultBand;
    weighting_ = kDefaultWeighting;
    selectedAddress_ = 1;
    mode_ = DataMode::Current;
    lastStatistic_ = Level(0);
    memorySize_ = kDefaultMemorySize;
    erased_.assign(static_cast<size_t>(memorySize_) + 1, false);
    pending_.reset();
    commandCount_ = 0;
    ClearOverrides();
}

void Analyzer::SetMemorySize(int size) {
    memorySize_ = std::clamp(size, 1, kLargestMemorySize);
    erased_.assign(static_cast<size_t>(memorySize_) + 1, false);
    selectedAddress_ = std::min(selectedAddress_, memorySize_);
}

void Analyzer::OverrideReply(const std::string& query, std::string bytes) {
    overrides_[query] = std::move(bytes);
}

void Analyzer::MuteQuery(const std::string& query, bool muted) {
    muted_[query] = muted;
}

void Analyzer::ClearOverrides() {
    overrides_.clear();
    muted_.clear();
}

bool Analyzer::Erased(int address) const {
    return address >= 1 && address <= memorySize_ && erased_[static_cast<size_t>(address)];
}

std::string Analyzer::Record(int address) const {
    if (address < 1 || address > memorySize_) return "";
    if (Erased(address)) return "----.-,----.-,----.-";
    return Level(RecordLevel(address, 0)) + "," + Level(RecordLevel(address, 1)) + "," +
           Level(RecordLevel(address, 2));
}

void Analyzer::Write(std::string_view message) {
    // A message may carry several commands, each ended by LF (a CR before it is dropped); the end
    // of the transfer ends the last one. A LF with nothing before it is an empty message, which
    // discards an unread reply as any new message does (a query interrupted).
    const auto lines = Split(message, '\n');
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0')) {
            line.remove_suffix(1);
        }
        const bool endedByLf = i + 1 < lines.size();
        if (!line.empty()) {
            Execute(std::string(line));
        } else if (endedByLf) {
            pending_.reset();
        }
    }
}

std::optional<std::string> Analyzer::Read() {
    auto reply = std::move(pending_);
    pending_.reset();
    return reply;
}

void Analyzer::Answer(const std::string& query, const std::string& text) {
    if (muted_.count(query) && muted_.at(query)) return;
    if (const auto found = overrides_.find(query); found != overrides_.end()) {
        pending_ = found->second;
        return;
    }
    pending_ = text + "\r\n";
}

std::string Analyzer::StatisticText(int k, int first, int last) const {
    first = std::max(first, 1);
    last = std::min(last, memorySize_);
    std::vector<double> levels;
    for (int address = first; address <= last; ++address) {
        if (!Erased(address)) levels.push_back(RecordLevel(address, 0));
    }
    if (levels.empty()) return Level(0);
    std::sort(levels.begin(), levels.end());
    // L5 is the level exceeded 5 % of the time, that is the 95th percentile, and so on.
    const auto percentile = [&](double exceeded) {
        const double rank = (1.0 - exceeded / 100.0) * static_cast<double>(levels.size() - 1);
        return levels[static_cast<size_t>(std::lround(rank))];
    };
    double energy = 0;
    double sum = 0;
    for (double level : levels) {
        energy += std::pow(10.0, level / 10.0);
        sum += level;
    }
    const double count = static_cast<double>(levels.size());
    switch (k) {
        case 0:
            return Level(percentile(5));
        case 1:
            return Level(percentile(10));
        case 2:
            return Level(percentile(50));
        case 3:
            return Level(percentile(90));
        case 4:
            return Level(percentile(95));
        case 5:
            return Level(10.0 * std::log10(energy / count));
        default:
            return Level(sum / count);
    }
}

void Analyzer::Execute(const std::string& command) {
    ++commandCount_;
    pending_.reset();  // a new command discards a reply nobody read

    const std::string head = command.substr(0, 4);
    const auto parameters = command.size() > 5 && command[4] == ','
                                ? Split(std::string_view(command).substr(5), ',')
                                : std::vector<std::string_view>{};
    const auto digit = [&](int highest) -> std::optional<int> {
        if (command.size() != 4 || command[3] < '0' || command[3] > '0' + highest) return {};
        return command[3] - '0';
    };

    if (command == "DLM0") return;
    if (command == "TMC?") return Answer(command, std::to_string(timeConstant_));
    if (command == "DFR?") return Answer(command, std::to_string(frequencyRange_));
    if (command == "FLT?") return Answer(command, std::to_string(band_));
    if (command == "WGT?") return Answer(command, std::to_string(weighting_));
    if (command == "ADR?") {
        char text[16];
        std::snprintf(text, sizeof text, "AD%04d", selectedAddress_);
        return Answer(command, text);
    }
    if (command == "DOD?") {
        switch (mode_) {
            case DataMode::Recall:
                return Answer(command, Record(selectedAddress_));
            case DataMode::Statistic:
                return Answer(command, lastStatistic_);
            case DataMode::Current:
                return Answer(command, "+065.0,+061.2,+063.4");
        }
    }
    if (head.rfind("FLT", 0) == 0) {
        if (auto value = digit(1)) band_ = *value;
        return;
    }
    if (head.rfind("WGT", 0) == 0) {
        if (auto value = digit(6)) weighting_ = *value;
        return;
    }
    if (command == "RCL0") {
        mode_ = DataMode::Recall;
        return;
    }
    if (command == "RCL9") {
        mode_ = DataMode::Current;
        return;
    }
    if (head == "ADR0" && parameters.size() == 1) {
        const auto address = WholeNumber(parameters[0]);
        if (address && *address >= 1 && *address <= memorySize_) selectedAddress_ = *address;
        return;
    }
    if (head.rfind("OPE", 0) == 0 && head.size() == 4 && parameters.size() == 2) {
        const int k = head[3] - '0';
        const auto first = WholeNumber(parameters[0]);
        const auto last = WholeNumber(parameters[1]);
        if (k == 9) {
            mode_ = DataMode::Current;
        } else if (k >= 0 && k <= 6 && first && last) {
            lastStatistic_ = StatisticText(k, *first, *last);
            mode_ = DataMode::Statistic;
        }
        return;
    }
    if (head == "CLR0" && parameters.size() == 2) {
        const auto first = WholeNumber(parameters[0]);
        const auto last = WholeNumber(parameters[1]);
        if (!first || !last) return;
        for (int address = std::max(*first, 1); address <= std::min(*last, memorySize_);
             ++address) {
            erased_[static_cast<size_t>(address)] = true;
        }
        return;
    }
    // Anything else is not understood: no answer, so the next read times out.
}

}  // namespace sim
