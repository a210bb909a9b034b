#include "sim/prologix_controller.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace sim {

namespace {

using Micros = PrologixController::Micros;

constexpr std::uint8_t kEscape = 0x1B;
constexpr Micros kMillisecond = 1000;

// What each device is, as its manual (and, for the pauses, the AR488's source) has it.
struct Traits {
    // Bytes that may wait in its input buffer while it is not reading. The AR488 manual: the
    // Arduino's serial buffer "is only 64 bytes in size" and "can easily overflow with loss of
    // characters"; the Arduino core's ring buffer keeps one of its 64 places free. The Prologix
    // manuals document no such limit: USB and TCP hold back what the controller has not taken.
    std::size_t inputCapacity;
    Micros byteTime;           // one byte on the wire: 10 bits at 115200 baud for the AR488
    Micros bootTime;           // from the port's opening until it reads; 0: no reset on opening
    int longestReadTimeoutMs;  // ++read_tmo_ms: 1-3000 on a Prologix, 1-32000 on an AR488
};

Traits TraitsOf(ControllerKind kind) {
    constexpr std::size_t kHeldBack = std::numeric_limits<std::size_t>::max();
    switch (kind) {
        case ControllerKind::PrologixUsb:
        case ControllerKind::PrologixEthernet:
            return {kHeldBack, 0, 0, 3000};
        case ControllerKind::Ar488Uno:
            // Optiboot waits about 1 s for an upload after a reset before it starts the sketch.
            return {63, 87, 1000 * kMillisecond, 32000};
        case ControllerKind::Ar488Nano:
            // The Nano's older boot loader waits about twice as long.
            return {63, 87, 2000 * kMillisecond, 32000};
    }
    return {kHeldBack, 0, 0, 3000};
}

// "++mode 1" restarts controller mode: the AR488 sends every device to local with REN off for
// 40 ms and ATN with REN for 40 ms more, then settles 200 us and clears the interface. The
// Prologix manuals give no figure: the simulated Prologix pauses as long.
constexpr Micros kModePause = 80 * kMillisecond + 200;
constexpr Micros kIfcPause = 150;  // "++ifc" asserts IFC for 150 microseconds

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::optional<ControllerKind> ControllerKindNamed(const std::string& name) {
    if (name == "prologix-usb") return ControllerKind::PrologixUsb;
    if (name == "prologix-ethernet") return ControllerKind::PrologixEthernet;
    if (name == "ar488-uno") return ControllerKind::Ar488Uno;
    if (name == "ar488-nano") return ControllerKind::Ar488Nano;
    return std::nullopt;
}

bool PrologixController::ar488() const {
    return kind_ == ControllerKind::Ar488Uno || kind_ == ControllerKind::Ar488Nano;
}

void PrologixController::Reset() {
    SetKind(ControllerKind::PrologixUsb);
    unplugged_ = false;
    eepromWrites_ = 0;
    overflowBytes_ = 0;
    analyzerReply_.reset();
    queryReachedAt_ = 0;
    inputFree_ = outputFree_ = clock_ = busyUntil_ = bootUntil_ = 0;
}

void PrologixController::SetKind(ControllerKind kind) {
    kind_ = kind;
    prologixVersion_ =
        kind == ControllerKind::PrologixEthernet ? kPrologixEthernetVersion : kPrologixUsbVersion;
    eeprom_.reset();
    PowerUp();
}

void PrologixController::SetVersion(std::string answer) {
    if (!ar488()) {
        prologixVersion_ = std::move(answer);
        return;
    }
    // Set by its owner with "++id verstr" and saved with "++savecfg" long before.
    config_.versionText = std::move(answer);
    eeprom_ = config_;
}

// The settings the EEPROM holds, or the factory ones; nothing half received or under way.
void PrologixController::PowerUp() {
    if (eeprom_) {
        config_ = *eeprom_;
    } else if (ar488()) {
        // The AR488 manual's "++default": controller mode, address 1, read_tmo_ms 1200.
        config_ = Configuration{true, 1, 1, false, false, 0, false, 0, 1200, {}};
    } else {
        config_ = Configuration{};
    }
    config_.saveConfig = true;  // a Prologix saves changed settings after every power-up
    line_.clear();
    input_.clear();
    output_.clear();
    parsed_.clear();
    leadingPluses_ = 0;
    escaped_ = false;
}

void PrologixController::PortOpened(Micros now) {
    const Traits traits = TraitsOf(kind_);
    if (traits.bootTime == 0) return;
    PowerUp();
    clock_ = std::max(clock_, now);
    inputFree_ = outputFree_ = now;
    busyUntil_ = bootUntil_ = now + traits.bootTime;
}

void PrologixController::Write(const std::uint8_t* data, std::size_t count, Micros now) {
    if (unplugged_) return;
    const Micros byteTime = TraitsOf(kind_).byteTime;
    for (std::size_t i = 0; i < count; ++i) {
        inputFree_ = std::max(inputFree_, now) + byteTime;
        line_.push_back({inputFree_, data[i]});
    }
}

PrologixController::Bytes PrologixController::Run(Micros now) {
    const std::size_t capacity = TraitsOf(kind_).inputCapacity;
    while (!unplugged_) {
        const bool arrives = !line_.empty() && line_.front().at <= now;
        const Micros freeAt = std::max(busyUntil_, clock_);
        if (!input_.empty() && freeAt <= now && (!arrives || freeAt <= line_.front().at)) {
            const std::uint8_t byte = input_.front();
            input_.pop_front();
            Take(byte, freeAt);
            continue;
        }
        if (!arrives) break;
        const Timed next = line_.front();
        line_.pop_front();
        clock_ = std::max(clock_, next.at);
        if (next.at < bootUntil_) continue;  // the boot loader's, lost to the sketch
        if (busyUntil_ > next.at || !input_.empty()) {
            if (input_.size() < capacity) {
                input_.push_back(next.byte);
            } else {
                ++overflowBytes_;
            }
        } else {
            Take(next.byte, next.at);
        }
    }
    Bytes sent;
    while (!output_.empty() && output_.front().at <= now) {
        sent.push_back(output_.front().byte);
        output_.pop_front();
    }
    return sent;
}

bool PrologixController::Idle(Micros now) const {
    return line_.empty() && input_.empty() && output_.empty() && busyUntil_ <= now;
}

void PrologixController::Take(std::uint8_t byte, Micros at) {
    clock_ = std::max(clock_, at);
    if (escaped_) {
        escaped_ = false;
        parsed_.push_back(byte);
    } else if (byte == kEscape) {
        escaped_ = true;
    } else if (byte == '\r' || byte == '\n') {
        EndLine(at);
    } else {
        if (byte == '+' && parsed_.size() == static_cast<std::size_t>(leadingPluses_)) {
            ++leadingPluses_;
        }
        parsed_.push_back(byte);
    }
}

void PrologixController::EndLine(Micros at) {
    Bytes line;
    line.swap(parsed_);
    const bool command = leadingPluses_ >= 2;
    leadingPluses_ = 0;
    if (line.empty()) return;  // the LF after a CR, or an empty line: nothing
    if (!command) {
        SendData(line, at);
        return;
    }
    const std::string text(line.begin() + 2, line.end());
    const size_t blank = text.find(' ');
    std::string argument = blank == std::string::npos ? "" : text.substr(blank + 1);
    while (!argument.empty() && argument.back() == ' ') argument.pop_back();
    RunCommand(text.substr(0, blank), argument, at);
}

void PrologixController::SettingChanged() {
    // A Prologix writes a changed setting to its EEPROM while "++savecfg" is on; the AR488 never
    // does on its own.
    if (ar488() || !config_.saveConfig) return;
    ++eepromWrites_;
    eeprom_ = config_;
}

void PrologixController::Answer(const std::string& text, Micros at) {
    Bytes line(text.begin(), text.end());
    line.insert(line.end(), {'\r', '\n'});
    Emit(line, at);
}

void PrologixController::Emit(const Bytes& bytes, Micros at) {
    const Micros byteTime = TraitsOf(kind_).byteTime;
    for (const std::uint8_t byte : bytes) {
        outputFree_ = std::max(outputFree_, at) + byteTime;
        output_.push_back({outputFree_, byte});
    }
}

void PrologixController::RunCommand(const std::string& name, const std::string& argument,
                                    Micros at) {
    const std::optional<long long> failure = bench_.Enter("++" + name, LogText(argument.c_str()));
    if (failure == kUnplug) {
        unplugged_ = true;
        return;
    }
    if (failure == kNoAnswer) return;
    // The AR488 says so of a command it does not know or a value out of range; the Prologix
    // manuals document no answer for either.
    const auto refuse = [&] {
        if (ar488()) Answer("Unrecognized command", at);
    };
    // A setting: its value without an argument, set with a whole number in range.
    const auto setting = [&](int& value, int lowest, int highest) {
        if (argument.empty()) {
            Answer(std::to_string(value), at);
            return false;
        }
        const long number = IsNumber(argument) ? std::strtol(argument.c_str(), nullptr, 10) : -1;
        if (number < lowest || number > highest) {
            refuse();
            return false;
        }
        value = static_cast<int>(number);
        SettingChanged();
        return true;
    };
    const auto flag = [&](bool& value) {
        int number = value ? 1 : 0;
        if (setting(number, 0, 1)) value = number != 0;
    };
    if (name == "ver") {
        if (!ar488()) {
            Answer(prologixVersion_, at);  // the Prologix takes no argument and ignores one
        } else {
            const bool real = argument.starts_with("real") || config_.versionText.empty();
            Answer(real ? kAr488Version : config_.versionText, at);
        }
    } else if (name == "addr") {
        setting(config_.address, ar488() ? 1 : 0, 30);
    } else if (name == "auto") {
        int mode = config_.autoRead ? 1 : 0;
        if (setting(mode, 0, ar488() ? 3 : 1)) config_.autoRead = mode == 1;
    } else if (name == "eoi") {
        flag(config_.eoi);
    } else if (name == "eos") {
        setting(config_.eos, 0, 3);
    } else if (name == "eot_enable") {
        flag(config_.eotEnable);
    } else if (name == "eot_char") {
        setting(config_.eotChar, 0, 255);
    } else if (name == "read_tmo_ms") {
        setting(config_.readTimeoutMs, 1, TraitsOf(kind_).longestReadTimeoutMs);
    } else if (name == "mode") {
        if (setting(config_.mode, 0, 1)) busyUntil_ = at + kModePause;
    } else if (name == "ifc") {
        busyUntil_ = at + kIfcPause;
    } else if (name == "savecfg" && ar488()) {
        // "issuing the ++savecfg command will update the complete current configuration once",
        // whatever follows it.
        ++eepromWrites_;
        eeprom_ = config_;
    } else if (name == "savecfg") {
        if (argument.empty()) {
            Answer(config_.saveConfig ? "1" : "0", at);
        } else if (argument == "0" || argument == "1") {
            config_.saveConfig = argument == "1";
            if (config_.saveConfig) {
                ++eepromWrites_;  // "++savecfg 1" saves everything at once
                eeprom_ = config_;
            }
        }
    } else if (name == "id" && ar488()) {
        if (argument.starts_with("verstr ")) {
            config_.versionText = argument.substr(7);
        } else if (argument == "verstr") {
            Answer(config_.versionText, at);
        } else {
            refuse();
        }
    } else if (name == "read") {
        ReadFromBus(at, failure);
    } else if (name == "loc" || name == "llo" || name == "clr" || name == "trg") {
        // Bus commands without an answer; the log keeps them.
    } else {
        refuse();
    }
}

std::string PrologixController::Settings() const {
    const auto field = [](const char* name, int value) {
        return std::string(name) + " " + std::to_string(value);
    };
    const Configuration& c = config_;
    return field("savecfg", c.saveConfig) + ", " + field("mode", c.mode) + ", " +
           field("addr", c.address) + ", " + field("auto", c.autoRead) + ", " +
           field("eoi", c.eoi) + ", " + field("eos", c.eos) + ", " +
           field("eot_enable", c.eotEnable) + ", " + field("eot_char", c.eotChar) + ", " +
           field("read_tmo_ms", c.readTimeoutMs);
}

void PrologixController::SendData(const Bytes& data, Micros at) {
    const std::optional<long long> failure =
        bench_.Enter("data", LogBytes(data.data(), static_cast<long long>(data.size())));
    if (failure == kUnplug) {
        unplugged_ = true;
        return;
    }
    if (failure == kNoAnswer || config_.mode != 1) return;
    Bytes message = data;
    static const Bytes kEnds[] = {{'\r', '\n'}, {'\r'}, {'\n'}, {}};
    message.insert(message.end(), kEnds[config_.eos].begin(), kEnds[config_.eos].end());
    // A new message makes the analyzer drop a reply nobody read.
    analyzerReply_.reset();
    if (bench_.Deliver(config_.address, message.data(), static_cast<long long>(message.size()))) {
        queryReachedAt_ = at;
        if (auto reply = bench_.Fetch(config_.address)) analyzerReply_ = {*reply, at};
    }
    if (config_.autoRead) ReadFromBus(at, std::nullopt);
}

// The controller addresses the analyzer to talk and passes on what it says until EOI, waiting at
// most read_tmo_ms for each byte ("the maximum permitted delay for a single character"). It reads
// nothing from the program meanwhile. A read that times out sends no end marker, and a reply
// that was not ready stays with the analyzer for a later read.
void PrologixController::ReadFromBus(Micros at, std::optional<long long> failure) {
    const Micros timeout = config_.readTimeoutMs * kMillisecond;
    if (analyzerReply_ && failure && *failure >= kSlowAnswerMs) {
        analyzerReply_->readyAt = queryReachedAt_ + *failure * kMillisecond;
    }
    if (!analyzerReply_ || analyzerReply_->readyAt > at + timeout) {
        busyUntil_ = at + timeout;
        return;
    }
    const Micros start = std::max(at, analyzerReply_->readyAt);
    const std::string text = std::move(analyzerReply_->text);
    analyzerReply_.reset();
    if (failure == kNeverEnds) {
        Emit(Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(text.size() / 2)),
             start);
        busyUntil_ = std::max(outputFree_, start) + timeout;
        return;
    }
    Bytes reply(text.begin(), text.end());
    // The analyzer ends its reply with EOI on the last byte.
    if (config_.eotEnable) reply.push_back(static_cast<std::uint8_t>(config_.eotChar));
    Emit(reply, start);
    busyUntil_ = std::max(outputFree_, start);
}

}  // namespace sim
