// What an operation reports when it ends, and what the user is asked to check when it fails.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace app {

// The status line after an operation: one short sentence that fits the window, the details
// a pointer's rest away (the line's tooltip), and after a download the folder its file is in.
struct Status {
    Status() = default;
    Status(std::string summaryText, std::string detailsText = {})
        : summary(std::move(summaryText)), details(std::move(detailsText)) {}

    std::string summary;
    std::string details;
    std::string folderLine;  // "保存先: ..." or that the earlier file was kept; may be empty
    std::filesystem::path folder;  // the folder that line names, for opening it
};

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
inline constexpr std::string_view kStatusNotOpened = "中止（ボードを開けません）";
inline constexpr std::string_view kStatusNoAnswer = "中止（測定器が応答しません）";
inline constexpr std::string_view kStatusDriverMissing = "中止（ドライバがありません）";
inline constexpr std::string_view kStatusBoardLost = "中止（変換器との接続が切れました）";
inline constexpr std::string_view kStatusNothingReceived = "受信なし（ファイルは以前のまま）";
// A board that cannot see the bus handshake (a Prologix-protocol controller) sent everything, but
// the analyzer answered nothing in the operation, so nothing shows that it took the commands.
inline constexpr std::string_view kStatusSentUnconfirmed =
    "送信済み（測定器の応答は確認できません）";
inline constexpr std::string_view kStatusSavedIn = "保存先";
inline constexpr std::string_view kStatusKeptIn = "ファイルは以前のまま";
inline constexpr std::string_view kStatusSavedAside = "別名で保存";
inline constexpr std::string_view kStatusEarlierPartialKept = "前回の途中のファイルあり";
inline constexpr std::string_view kStatusBusy = "中止（ほかのプログラムが取り込み中）";
std::span<const std::string_view> StatusWords();

// A short Japanese text for a session error code; the one place codes become words.
std::string SessionCodeText(std::int32_t code);

// "<operation>: <word>", as the status line shows it.
std::string StatusText(std::string_view operationName, std::string_view word);
// The refusal of a second operation while one is running.
std::string BusyText(std::string_view operationName);
// The folder line of a download: where its file is, or that the earlier file there was kept.
std::string SavedInText(const std::filesystem::path& folder);
std::string KeptInText(const std::filesystem::path& folder);
// The folder line of a download whose data was kept beside the target: the file and its folder.
std::string SavedAsideText(const std::filesystem::path& keptAt);
// The sentence that says a download left the earlier file as it was.
std::string FileKeptText(const std::filesystem::path& file);
// Where the received data is when it did not take the target's place.
std::string DataKeptText(const std::filesystem::path& keptAt, bool earlierFileExists);
// That a crashed run's partial file was found and kept under another name.
std::string EarlierPartialKeptText(const std::filesystem::path& partial,
                                   const std::filesystem::path& keptAs);
// The refusal of a download into a file that another run is writing.
std::string BusyFileText(const std::filesystem::path& target, const std::string& holder);
// Where the user gets a driver library that cannot be loaded, in words: the software that
// installs it.
std::string DriverSourceText(const std::string& library);

// What to check, in Japanese, for the driver library the program binds: the driver missing,
// the board not opened, the analyzer not answering.
std::string DriverMissingHint(const std::string& library);
std::string BoardNotOpenedHint(const std::string& library);
std::string AnalyzerSilentHint();
// What to check when a USB or LAN adapter went away in the middle of an operation.
std::string BoardLostHint();
// Every hint text, for the guide's table.
std::span<const std::string_view> SetupHints();

// Counts the failed session calls of one operation as they happen: a successful close clears
// the session's own codes, so they cannot be read afterwards.
class Tally {
  public:
    // Call after every session call with lastError as that call left it.
    void Note(std::int32_t lastError);
    // The operation ran to its end, but nothing shows that the analyzer took what was sent.
    void NoteUnconfirmed() { unconfirmed_ = true; }

    int failures() const { return failures_; }
    std::int32_t firstCode() const { return firstCode_; }

    // "完了", "送信済み（…）" or "失敗 n 回（最初: code）": short enough for the status line.
    std::string Word() const;
    // The counts with the first code's text and what to check for it, or what an unconfirmed
    // send means; empty when none failed.
    std::string Details() const;

  private:
    int failures_ = 0;
    std::int32_t firstCode_ = 0;
    bool unconfirmed_ = false;
};

}  // namespace app
