#include "backends/prologix/protocol.h"

#include <algorithm>

namespace prologix {

namespace {

constexpr std::uint8_t kLineEnd = '\n';

bool NeedsEscape(std::uint8_t byte) {
    return byte == '\r' || byte == '\n' || byte == kEscape || byte == '+';
}

// The first run of digits and dots after prefix in text: the version number.
std::string VersionAfter(std::string_view text, std::string_view prefix) {
    const size_t at = text.find(prefix);
    if (at == std::string_view::npos) return {};
    std::string_view rest = text.substr(at + prefix.size());
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const size_t end = rest.find_first_not_of("0123456789.");
    return std::string(rest.substr(0, end));
}

}  // namespace

Bytes DataLine(const Bytes& bytes) {
    Bytes line;
    line.reserve(bytes.size() * 2 + 1);
    for (const std::uint8_t byte : bytes) {
        if (NeedsEscape(byte)) line.push_back(kEscape);
        line.push_back(byte);
    }
    line.push_back(kLineEnd);
    return line;
}

Bytes CommandLine(std::string_view command) {
    const std::string line = "++" + std::string(command) + static_cast<char>(kLineEnd);
    return Bytes(line.begin(), line.end());
}

std::optional<Identity> Identify(std::string_view version) {
    // "Prologix GPIB-USB Controller version 6.107"
    // "Prologix GPIB-ETHERNET Controller version 01.06.06.00"
    // "AR488 GPIB controller, ver. 0.53.04, 12/03/2024" (and its clones, which keep the start)
    const auto named = [&](Family family, std::string name, std::string_view before) {
        const std::string number = VersionAfter(version, before);
        return Identity{family, number.empty() ? name : name + " " + number};
    };
    if (version.starts_with("Prologix GPIB-USB")) {
        return named(Family::PrologixUsb, "Prologix GPIB-USB", "version");
    }
    if (version.starts_with("Prologix GPIB-ETHERNET")) {
        return named(Family::PrologixEthernet, "Prologix GPIB-ETHERNET", "version");
    }
    if (version.starts_with("AR488")) return named(Family::Ar488, "AR488", "ver.");
    return std::nullopt;
}

int LongestReadTimeoutMs(Family family) {
    return family == Family::Ar488 ? kAr488LongestReadTimeoutMs : kPrologixLongestReadTimeoutMs;
}

std::vector<std::string> SetupCommands(Family family, int readTimeoutMs) {
    std::vector<std::string> commands;
    if (family != Family::Ar488) commands.push_back("savecfg 0");
    const std::vector<std::string> common{
        "mode 1",        // controller in charge
        "auto 0",        // no read after each write: the program reads when it wants a reply
        "eoi 1",         // EOI with the last byte sent
        "eos 3",         // nothing appended: the session's message carries its own ending
        "eot_enable 1",  // the end marker after a reply's EOI
        "eot_char " + std::to_string(kEndMarker),
        "read_tmo_ms " + std::to_string(std::min(readTimeoutMs, LongestReadTimeoutMs(family))),
        "ifc",  // the controller takes charge of the bus
    };
    commands.insert(commands.end(), common.begin(), common.end());
    return commands;
}

bool ReplyCollector::Take(const Bytes& bytes) {
    if (complete_) return true;
    const auto end = std::find(bytes.begin(), bytes.end(), kEndMarker);
    const size_t room = capacity_ - std::min(capacity_, reply_.size());
    const size_t take = std::min<size_t>(room, static_cast<size_t>(end - bytes.begin()));
    reply_.insert(reply_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    complete_ = end != bytes.end();
    return complete_;
}

}  // namespace prologix
