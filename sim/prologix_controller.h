// A simulated Prologix-protocol GPIB controller in front of the simulated bench: it takes the
// bytes a program writes to the controller's serial port or socket and gives back what the
// controller would send, as the Prologix GPIB-USB manual 6.107 and the AR488 command reference
// describe it. Command formats and what it answers: sim/README.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/standins/standin_core.h"

namespace sim {

class PrologixController {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // The "++ver" answers of the controllers it can be.
    static constexpr const char* kPrologixUsbVersion = "Prologix GPIB-USB Controller version 6.107";
    static constexpr const char* kAr488Version = "AR488 GPIB controller, ver. 0.51.29, 12/03/2024";

    explicit PrologixController(Bench& bench) : bench_(bench) { Reset(); }

    // Power-up: a Prologix GPIB-USB with its factory settings, nothing half-received.
    void Reset();

    // Bytes from the program; returns what the controller sends back. Calls are logged on the
    // bench as "++addr(5)", "data([41 42 0D 0A])"; a scripted failure of a call (FailCall) with
    // code kNoAnswer drops it, kUnplug unplugs the controller (unplugged() turns true and the
    // rest is dropped), kNeverEnds makes a read pass on half the reply and then nothing.
    Bytes Feed(const std::uint8_t* data, std::size_t count);

    static constexpr long long kNoAnswer = 1;
    static constexpr long long kUnplug = 2;
    static constexpr long long kNeverEnds = 3;

    bool unplugged() const { return unplugged_; }
    // What "++ver" answers; anything but a controller's answer makes it some other device.
    void SetVersion(std::string answer) { version_ = std::move(answer); }
    // How often the settings were written to the EEPROM since the reset.
    int eepromWrites() const { return eepromWrites_; }
    // The settings as "++" commands would set them: "mode 1, addr 5, auto 0, ...".
    std::string Settings() const;

  private:
    void EndLine(Bytes& out);
    void RunCommand(const std::string& name, const std::string& argument, Bytes& out);
    void SendData(const Bytes& data, Bytes& out);
    void ReadFromBus(Bytes& out, bool neverEnds);
    void SettingChanged();
    bool ar488() const { return version_.starts_with("AR488"); }

    Bench& bench_;
    std::string version_;
    Bytes line_;
    int leadingPluses_ = 0;  // unescaped '+' at the line's start: two make it a command
    bool escaped_ = false;   // the byte before was an unescaped ESC
    bool unplugged_ = false;
    int eepromWrites_ = 0;
    // The settings, with a Prologix's power-up values.
    bool saveConfig_ = true;
    int mode_ = 1;
    int address_ = 0;
    bool autoRead_ = false;
    bool eoi_ = true;
    int eos_ = 0;
    bool eotEnable_ = false;
    int eotChar_ = 0;
    int readTimeoutMs_ = 500;
};

}  // namespace sim
