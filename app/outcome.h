// What an operation reports when it ends: done, or how many exchanges failed.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// A short Japanese text for a session error code; the one place codes become words.
std::string SessionCodeText(std::int32_t code);

// Where the user gets a driver library that cannot be loaded, in words: the software that
// installs it.
std::string DriverSourceText(const std::string& library);

// Counts the failed session calls of one operation as they happen: a successful close clears
// the session's own codes, so they cannot be read afterwards.
class Tally {
  public:
    // Call after every session call with lastError as that call left it.
    void Note(std::int32_t lastError);

    int failures() const { return failures_; }
    std::int32_t firstCode() const { return firstCode_; }

    // "完了", or the number of failures with the first code and its text.
    std::string Summary(std::string_view operationName) const;

  private:
    int failures_ = 0;
    std::int32_t firstCode_ = 0;
};

}  // namespace app
