// Stand-in for the Interface Corporation driver library (GPC4304).
//
// Emulates board number 0, the only board present: PciGpibExInitBoard starts it and
// PciGpibExFinishBoard releases it; every other call needs a started board. The configuration
// string must consist of known settings ("/TMO=<digits>", "/SDELIM=<end>", "/RDELIM=<end>",
// separated by single blanks). A transfer names its devices in a list ended by -1; one that
// nobody listens to or answers returns -14 (time-out) at once.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNotStarted = -1;
constexpr std::int32_t kNoSuchBoard = -2;
constexpr std::int32_t kBadArgument = -3;
constexpr std::int32_t kTimeout = -14;
constexpr std::int32_t kEndOfList = -1;
constexpr int kLongestList = 32;

sim::Bench& B() {
    return sim::Bench::Instance();
}

std::int32_t BoardStatus(std::int32_t board) {
    if (board != 0) return kNoSuchBoard;
    return B().initialized ? kOk : kNotStarted;
}

// The addresses of a list up to its end marker; empty when it has none within reach.
std::vector<std::int32_t> Addresses(const std::int32_t* list) {
    std::vector<std::int32_t> addresses;
    for (int i = 0; list != nullptr && i < kLongestList; ++i) {
        if (list[i] == kEndOfList) return addresses;
        addresses.push_back(list[i]);
    }
    return {};
}

std::string LogList(const std::int32_t* list) {
    const auto addresses = Addresses(list);
    return sim::LogIntegers(list, static_cast<long long>(addresses.size()) + 1);
}

bool KnownSetting(std::string_view setting) {
    const auto digitsOnly = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const auto anEnd = [](std::string_view text) {
        return text == "EOI" || text == "CR" || text == "LF" || text == "CRLF";
    };
    if (setting.starts_with("/TMO=")) return digitsOnly(setting.substr(5));
    if (setting.starts_with("/SDELIM=")) return anEnd(setting.substr(8));
    if (setting.starts_with("/RDELIM=")) return anEnd(setting.substr(8));
    return false;
}

bool ValidConfiguration(const char* text) {
    if (text == nullptr) return false;
    std::string_view rest(text);
    for (;;) {
        const size_t blank = rest.find(' ');
        if (!KnownSetting(rest.substr(0, blank))) return false;
        if (blank == std::string_view::npos) return true;
        rest.remove_prefix(blank + 1);
    }
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExFinishBoard(std::int32_t board) {
    if (auto code = B().Enter("PciGpibExFinishBoard", std::to_string(board))) {
        return static_cast<std::int32_t>(*code);
    }
    if (board != 0) return kNoSuchBoard;
    B().initialized = false;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExInitBoard(std::int32_t board,
                                                                std::int32_t mode) {
    if (auto code = B().Enter("PciGpibExInitBoard",
                              sim::LogArguments({std::to_string(board), std::to_string(mode)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (board != 0) return kNoSuchBoard;
    B().initialized = true;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExSetConfig(std::int32_t board,
                                                                const char* configuration) {
    if (auto code =
            B().Enter("PciGpibExSetConfig",
                      sim::LogArguments({std::to_string(board), sim::LogText(configuration)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (const auto status = BoardStatus(board); status != kOk) return status;
    return ValidConfiguration(configuration) ? kOk : kBadArgument;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExSetIfc(std::int32_t board,
                                                             std::int32_t time) {
    if (auto code = B().Enter("PciGpibExSetIfc",
                              sim::LogArguments({std::to_string(board), std::to_string(time)}))) {
        return static_cast<std::int32_t>(*code);
    }
    return BoardStatus(board);
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExSetRen(std::int32_t board) {
    if (auto code = B().Enter("PciGpibExSetRen", std::to_string(board))) {
        return static_cast<std::int32_t>(*code);
    }
    return BoardStatus(board);
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExMastSendData(std::int32_t board,
                                                                   std::int32_t* list,
                                                                   std::int32_t count,
                                                                   const std::uint8_t* data,
                                                                   std::int32_t mode) {
    if (auto code = B().Enter(
            "PciGpibExMastSendData",
            sim::LogArguments({std::to_string(board), LogList(list), std::to_string(count),
                               sim::LogBytes(data, count), std::to_string(mode)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (const auto status = BoardStatus(board); status != kOk) return status;
    const auto addresses = Addresses(list);
    if (addresses.empty()) return kBadArgument;
    for (const auto address : addresses) {
        if (!B().Deliver(address, data, count)) return kTimeout;
    }
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL PciGpibExMastRecvData(std::int32_t board,
                                                                   std::int32_t* list,
                                                                   std::int32_t* count,
                                                                   std::uint8_t* buffer,
                                                                   std::int32_t mode) {
    const std::int32_t capacity = count ? *count : 0;
    if (count) *count = 0;
    if (auto code =
            B().Enter("PciGpibExMastRecvData",
                      sim::LogArguments({std::to_string(board), LogList(list),
                                         std::to_string(capacity), std::to_string(mode)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (const auto status = BoardStatus(board); status != kOk) return status;
    const auto talkers = Addresses(list);
    if (talkers.size() != 1 || count == nullptr) return kBadArgument;
    const auto received = B().Receive(talkers[0], buffer, capacity);
    if (!received) return kTimeout;
    *count = static_cast<std::int32_t>(*received);
    return kOk;
}

}  // extern "C"
