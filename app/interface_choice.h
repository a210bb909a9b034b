// The interface a program drives, where its user chooses it (tq58pc-ni488: the board index;
// tq58pc-visa: the VISA interface): the command line first, then the settings file, then the
// default. The interface in use is named in the status line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/outcome.h"

namespace app {

// The value of key in a settings file's text: "key = value" lines, the key in any case, the
// value without the blanks around it (and without double quotes around it). Blank lines, lines
// that start with '#' or ';' and "[section]" lines are skipped; of two lines for a key the
// later counts. Nothing when no line sets the key.
std::optional<std::string> SettingsValue(std::string_view text, std::string_view key);

struct ChosenValue {
    std::string value;
    std::string origin;  // where it came from, in Japanese, for the status line's details
    std::string error;   // why the command line or the settings file cannot be used; or empty
};

// arguments: the command line after the program's name, which may hold "--<key> value" or
// "--<key>=value" and nothing else. settingsFile may be empty or name a file that is not there.
ChosenValue ChooseValue(const std::vector<std::string>& arguments, std::string_view key,
                        std::string_view defaultValue, const std::filesystem::path& settingsFile);

// What a program that lets its user choose the interface hands over: the key and the backend's
// functions (session/chosen_interface.h).
struct InterfaceOption {
    std::string_view key;  // "board": "--board" on the command line, "board =" in the file
    std::string_view defaultValue;
    std::string (*choose)(const std::string&);  // empty when taken, otherwise why not
    std::string (*name)();
    std::string (*note)();
    std::string (*statusText)(std::int32_t);
    // What statusText's words are introduced with; none for a controller reached through a port,
    // whose words are the port's.
    std::string_view statusLabel = "ドライバの応答: ";
};

// Chooses the interface and makes it the one in use. Returns the message the user is shown when
// the choice cannot be used, naming the value and where it came from; the program does not
// start then. Empty when the interface is in use.
std::string TakeInterfaceChoice(const std::vector<std::string>& arguments,
                                const InterfaceOption& option,
                                const std::filesystem::path& settingsFile);

// The interface in use; name is empty in a program whose board the user does not choose.
struct InterfaceInUse {
    std::string name;
    // Where the backend names the interface only once it has found it (the port of a
    // Prologix-protocol controller), the name is asked afresh each time it is used.
    std::string (*nameOf)() = nullptr;
    std::string origin;
    std::string note;  // what the user is told once about it, or empty
    std::string (*statusText)(std::int32_t) = nullptr;
    std::string statusLabel = "ドライバの応答: ";
};
const InterfaceInUse& CurrentInterface();
void SetCurrentInterface(InterfaceInUse inUse);

// "インターフェース: GPIB1"; empty in a program whose board the user does not choose.
std::string InterfaceText();
// An operation's status summary with the interface in use after it: "…: 完了（GPIB1）".
std::string WithInterface(std::string summary);
// Why the board could not be opened, with the interface in use and what its driver said.
std::string BoardNotOpenedText(std::int32_t openCode, std::int32_t driverStatus);

// The status line before the first operation: the interface in use and its note. Empty in a
// program whose board the user does not choose.
Status InterfaceStatus();

}  // namespace app
