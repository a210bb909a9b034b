#include "sim/prologix_controller.h"

#include <cstdlib>

namespace sim {

namespace {

constexpr std::uint8_t kEscape = 0x1B;

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

void PrologixController::Reset() {
    version_ = kPrologixUsbVersion;
    line_.clear();
    leadingPluses_ = 0;
    escaped_ = false;
    unplugged_ = false;
    eepromWrites_ = 0;
    saveConfig_ = true;
    mode_ = 1;
    address_ = 0;
    autoRead_ = false;
    eoi_ = true;
    eos_ = 0;
    eotEnable_ = false;
    eotChar_ = 0;
    readTimeoutMs_ = 500;
}

PrologixController::Bytes PrologixController::Feed(const std::uint8_t* data, std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count && !unplugged_; ++i) {
        const std::uint8_t byte = data[i];
        if (escaped_) {
            escaped_ = false;
            line_.push_back(byte);
        } else if (byte == kEscape) {
            escaped_ = true;
        } else if (byte == '\r' || byte == '\n') {
            EndLine(out);
        } else {
            if (byte == '+' && line_.size() == static_cast<std::size_t>(leadingPluses_)) {
                ++leadingPluses_;
            }
            line_.push_back(byte);
        }
    }
    return out;
}

void PrologixController::EndLine(Bytes& out) {
    Bytes line;
    line.swap(line_);
    const bool command = leadingPluses_ >= 2;
    leadingPluses_ = 0;
    if (line.empty()) return;  // the LF after a CR, or an empty line: nothing
    if (!command) {
        SendData(line, out);
        return;
    }
    const std::string text(line.begin() + 2, line.end());
    const size_t blank = text.find(' ');
    std::string argument = blank == std::string::npos ? "" : text.substr(blank + 1);
    while (!argument.empty() && argument.back() == ' ') argument.pop_back();
    RunCommand(text.substr(0, blank), argument, out);
}

void PrologixController::SettingChanged() {
    if (saveConfig_ && !ar488()) ++eepromWrites_;
}

void PrologixController::RunCommand(const std::string& name, const std::string& argument,
                                    Bytes& out) {
    const std::optional<long long> failure = bench_.Enter("++" + name, LogText(argument.c_str()));
    if (failure == kUnplug) {
        unplugged_ = true;
        return;
    }
    if (failure == kNoAnswer) return;
    const auto setInt = [&](int& setting, int lowest, int highest) {
        if (!IsNumber(argument)) return;
        const long value = std::strtol(argument.c_str(), nullptr, 10);
        if (value < lowest || value > highest) return;
        setting = static_cast<int>(value);
        SettingChanged();
    };
    const auto setBool = [&](bool& setting) {
        int value = setting ? 1 : 0;
        setInt(value, 0, 1);
        setting = value != 0;
    };
    if (name == "ver") {
        out.insert(out.end(), version_.begin(), version_.end());
        out.insert(out.end(), {'\r', '\n'});
    } else if (name == "addr") {
        setInt(address_, 0, 30);
    } else if (name == "auto") {
        setBool(autoRead_);
    } else if (name == "eoi") {
        setBool(eoi_);
    } else if (name == "eos") {
        setInt(eos_, 0, 3);
    } else if (name == "eot_enable") {
        setBool(eotEnable_);
    } else if (name == "eot_char") {
        setInt(eotChar_, 0, 255);
    } else if (name == "read_tmo_ms") {
        setInt(readTimeoutMs_, 1, 3000);
    } else if (name == "mode") {
        setInt(mode_, 0, 1);
    } else if (name == "savecfg") {
        if (ar488()) {
            ++eepromWrites_;  // the AR488 saves its settings whenever it is told "++savecfg"
        } else if (argument == "0" || argument == "1") {
            saveConfig_ = argument == "1";
            if (saveConfig_) ++eepromWrites_;  // "++savecfg 1" saves everything at once
        }
    } else if (name == "read") {
        ReadFromBus(out, failure == kNeverEnds);
    }
    // "++ifc", "++loc" and the other bus commands have no answer; the log keeps them.
}

std::string PrologixController::Settings() const {
    const auto field = [](const char* name, int value) {
        return std::string(name) + " " + std::to_string(value);
    };
    return field("savecfg", saveConfig_) + ", " + field("mode", mode_) + ", " +
           field("addr", address_) + ", " + field("auto", autoRead_) + ", " + field("eoi", eoi_) +
           ", " + field("eos", eos_) + ", " + field("eot_enable", eotEnable_) + ", " +
           field("eot_char", eotChar_) + ", " + field("read_tmo_ms", readTimeoutMs_);
}

void PrologixController::SendData(const Bytes& data, Bytes& out) {
    const std::optional<long long> failure =
        bench_.Enter("data", LogBytes(data.data(), static_cast<long long>(data.size())));
    if (failure == kUnplug) {
        unplugged_ = true;
        return;
    }
    if (failure == kNoAnswer || mode_ != 1) return;
    Bytes message = data;
    static const Bytes kEnds[] = {{'\r', '\n'}, {'\r'}, {'\n'}, {}};
    message.insert(message.end(), kEnds[eos_].begin(), kEnds[eos_].end());
    bench_.Deliver(address_, message.data(), static_cast<long long>(message.size()));
    if (autoRead_) ReadFromBus(out, false);
}

void PrologixController::ReadFromBus(Bytes& out, bool neverEnds) {
    const std::optional<std::string> reply = bench_.Fetch(address_);
    if (!reply) return;  // nobody talks: the controller's read time-out passes, nothing is sent
    if (neverEnds) {
        out.insert(out.end(), reply->begin(), reply->begin() + reply->size() / 2);
        return;
    }
    out.insert(out.end(), reply->begin(), reply->end());
    // The analyzer ends its reply with EOI on the last byte.
    if (eotEnable_) out.push_back(static_cast<std::uint8_t>(eotChar_));
}

}  // namespace sim
