// A simulated Prologix-protocol GPIB controller in front of the simulated bench: it takes the
// bytes a program writes to the controller's serial port or socket and gives back what the
// controller would send, when it would send it, as the controllers' manuals describe them
// (Prologix GPIB-USB manual 6.107, Prologix GPIB-ETHERNET manual, AR488 manual and command
// reference). It keeps their limits, because real controllers fail there first: the AR488's
// 64-byte serial input buffer, which loses what overflows; the line's speed; the pauses in which
// a controller reads nothing (a mode change, an interface clear, a read, a boot); the Arduino's
// reset when its port is opened; the Prologix's 3000 ms read time-out; what each does with
// "++savecfg". Its time is the caller's, in microseconds: the server feeds it the real clock,
// a test may feed it any. Command formats and what it answers: sim/README.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/standins/standin_core.h"

namespace sim {

// The devices the simulated controller can be.
enum class ControllerKind {
    PrologixUsb,       // Prologix GPIB-USB: USB holds back what it cannot take yet
    PrologixEthernet,  // Prologix GPIB-ETHERNET: TCP holds back what it cannot take yet
    Ar488Uno,          // AR488 on an Arduino Uno: 115200 baud, no flow control, reset on open
    Ar488Nano,         // the same on a Nano with the older boot loader, which boots longer
};

// The kind a name gives: "prologix-usb", "prologix-ethernet", "ar488-uno", "ar488-nano".
std::optional<ControllerKind> ControllerKindNamed(const std::string& name);

class PrologixController {
  public:
    using Bytes = std::vector<std::uint8_t>;
    using Micros = std::int64_t;  // a moment on the caller's clock

    // The "++ver" answers of the devices it can be.
    static constexpr const char* kPrologixUsbVersion = "Prologix GPIB-USB Controller version 6.107";
    static constexpr const char* kPrologixEthernetVersion =
        "Prologix GPIB-ETHERNET Controller version 01.06.06.00";
    static constexpr const char* kAr488Version = "AR488 GPIB controller, ver. 0.53.04, 12/03/2024";

    // Scripted failures of a call (Bench::FailCall) with these codes: the line is dropped; the
    // controller is unplugged (unplugged() turns true and the rest is dropped); a read passes on
    // half the reply and then nothing.
    static constexpr long long kNoAnswer = 1;
    static constexpr long long kUnplug = 2;
    static constexpr long long kNeverEnds = 3;
    // On "++read", a code of kSlowAnswerMs or more: the analyzer has the reply that read asks for
    // ready only that many milliseconds after the query reached it.
    static constexpr long long kSlowAnswerMs = 1000;

    explicit PrologixController(Bench& bench) : bench_(bench) { Reset(); }

    // Power-up of a Prologix GPIB-USB with its factory settings, nothing under way.
    void Reset();
    // Another device, powered up with its factory settings and a blank EEPROM.
    void SetKind(ControllerKind kind);
    ControllerKind kind() const { return kind_; }
    // What "++ver" answers: a Prologix's version text (anything but a controller's makes it some
    // other device); on an AR488 the text it was told with "++id verstr" and saved, with which
    // it poses as another controller ("++ver real" still tells the truth).
    void SetVersion(std::string answer);

    // A program opened the port. An Arduino restarts (its DTR line is wired to its reset) and
    // hands whatever arrives during its boot to its boot loader.
    void PortOpened(Micros now);
    // Bytes a program wrote at now; they reach the controller at its line's speed.
    void Write(const std::uint8_t* data, std::size_t count, Micros now);
    // Runs the controller up to now; returns what it has sent to the program by then.
    Bytes Run(Micros now);
    // Nothing under way at now: no byte on its way in or out, none waiting, no command running.
    bool Idle(Micros now) const;

    bool unplugged() const { return unplugged_; }
    // How often the settings were written to the EEPROM since the reset.
    int eepromWrites() const { return eepromWrites_; }
    // Bytes lost because they arrived while the input buffer was full.
    long long overflowBytes() const { return overflowBytes_; }
    // The settings as "++" commands would set them: "savecfg 0, mode 1, addr 5, ...".
    std::string Settings() const;

  private:
    struct Configuration {
        bool saveConfig = true;  // a Prologix's "++savecfg"; on at every power-up
        int mode = 1;
        int address = 0;
        bool autoRead = false;
        bool eoi = true;
        int eos = 0;
        bool eotEnable = false;
        int eotChar = 0;
        int readTimeoutMs = 500;
        std::string versionText;  // an AR488's "++id verstr": empty for its own
    };
    struct Timed {
        Micros at;
        std::uint8_t byte;
    };
    // The analyzer's reply that no read has taken yet, and when it has it ready.
    struct AnalyzerReply {
        std::string text;
        Micros readyAt;
    };

    bool ar488() const;
    void PowerUp();
    void Take(std::uint8_t byte, Micros at);
    void EndLine(Micros at);
    void RunCommand(const std::string& name, const std::string& argument, Micros at);
    void SendData(const Bytes& data, Micros at);
    void ReadFromBus(Micros at, std::optional<long long> failure);
    void Answer(const std::string& text, Micros at);
    void Emit(const Bytes& bytes, Micros at);
    void SettingChanged();

    Bench& bench_;
    ControllerKind kind_ = ControllerKind::PrologixUsb;
    std::string prologixVersion_;
    Configuration config_;
    std::optional<Configuration> eeprom_;  // what the EEPROM holds; nothing while it is blank
    std::optional<AnalyzerReply> analyzerReply_;
    Micros queryReachedAt_ = 0;  // when the latest data line reached the analyzer

    std::deque<Timed> line_;          // on the wire towards the controller, with arrival times
    std::deque<std::uint8_t> input_;  // arrived while the controller was not reading
    std::deque<Timed> output_;        // on the wire towards the program
    Micros inputFree_ = 0;            // when the wire in is free for the next byte
    Micros outputFree_ = 0;           // when the wire out is free for the next byte
    Micros clock_ = 0;                // the latest moment the controller has reached
    Micros busyUntil_ = 0;            // it reads nothing before then
    Micros bootUntil_ = 0;            // what arrives before then goes to the boot loader

    Bytes parsed_;
    int leadingPluses_ = 0;  // unescaped '+' at the line's start: two make it a command
    bool escaped_ = false;   // the byte before was an unescaped ESC
    bool unplugged_ = false;
    int eepromWrites_ = 0;
    long long overflowBytes_ = 0;
};

}  // namespace sim
