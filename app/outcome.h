// What an operation reports when it ends: done, or how many exchanges failed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace app {

// The one table of what the status line says: each session error code's short Japanese text,
// and the words around an operation's name. The guide explains every one of them.
struct CodeText {
    std::int32_t code;
    std::string_view text;
};
std::span<const CodeText> SessionCodeTexts();
inline constexpr std::string_view kUnknownCodeText = "不明なエラー";

inline constexpr std::string_view kStatusRunning = "実行中…";
inline constexpr std::string_view kStatusDone = "完了";
inline constexpr std::string_view kStatusFailed = "失敗";
inline constexpr std::string_view kStatusStopped = "中止";
inline constexpr std::string_view kStatusRefused = "中止（設定が範囲外）";
inline constexpr std::string_view kStatusSavedIn = "保存先";
std::span<const std::string_view> StatusWords();

// A short Japanese text for a session error code; the one place codes become words.
std::string SessionCodeText(std::int32_t code);

// "<operation>: <word>", as the status line shows it.
std::string StatusText(std::string_view operationName, std::string_view word);
// The refusal of a second operation while one is running.
std::string BusyText(std::string_view operationName);
// What follows a download's outcome: the folder its file went to.
std::string SavedInText(const std::filesystem::path& folder);
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
