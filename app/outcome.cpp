#include "app/outcome.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "app/interface_choice.h"
#include "app/utf8_text.h"
#include "session/error_codes.h"

namespace app {

namespace {

constexpr std::array kCodeTexts{
    CodeText{lb::kSuccess, "正常"},
    CodeText{lb::kOpenFailed, "ボードを開けません"},
    CodeText{lb::kCloseFailed, "ボードを閉じられません"},
    CodeText{lb::kOwnAddressNotObtained, "ボードのアドレスを取得できません"},
    CodeText{lb::kNotOpen, "ボードが開いていません"},
    CodeText{lb::kTransferFailed, "送受信に失敗しました"},
    CodeText{lb::kNoAddress, "GPIBアドレスが選択されていません"},
    CodeText{lb::kTimeout, "タイムアウト（応答なし）"},
};

constexpr std::array kStatusWords{kStatusRunning,
                                  kStatusDone,
                                  kStatusFailed,
                                  kStatusStopped,
                                  kStatusRefused,
                                  kStatusNotOpened,
                                  kStatusNoAnswer,
                                  kStatusDriverMissing,
                                  kStatusNothingReceived,
                                  kStatusSavedIn,
                                  kStatusKeptIn,
                                  kStatusBoardLost,
                                  kStatusSavedAside,
                                  kStatusEarlierPartialKept,
                                  kStatusBusy,
                                  kStatusSentUnconfirmed};

// The interface a driver library belongs to decides where its board is set up.
enum class Interface { LinuxGpib, Ni488, Visa, MakersBoard, SerialController };

// A backend that binds no library reaches its controller through a serial port or TCP.
Interface InterfaceOf(const std::string& library) {
    if (library.empty()) return Interface::SerialController;
    if (library == "libgpib.so.0") return Interface::LinuxGpib;
    if (library == "gpib-32.dll" || library == "ni4882.dll") return Interface::Ni488;
    if (library == "visa32.dll" || library == "visa64.dll" || library == "libvisa.so") {
        return Interface::Visa;
    }
    return Interface::MakersBoard;
}

constexpr std::string_view kLinuxGpibNotOpened =
    "linux-gpib の設定を確認してください: gpib.conf にボード（minor 0、master yes）が"
    "書かれているか、sudo gpib_config を実行したか、/dev/gpib0 を読み書きできるか"
    "（gpib グループ）。";
constexpr std::string_view kNi488NotOpened =
    "ボードのドライバの設定ユーティリティ（NI MAX など）に GPIB0 が表示されているか"
    "確認してください。";
constexpr std::string_view kVisaNotOpened =
    "VISA の設定ユーティリティ（NI MAX、Keysight Connection Expert など）に GPIB0 が"
    "表示されているか確認してください。";
constexpr std::string_view kMakersBoardNotOpened =
    "ボードのドライバがインストールされ、ボードが認識されているか（デバイス マネージャー）、"
    "ドライバの設定のボード番号が 0 か確認してください。";
constexpr std::string_view kSerialControllerNotOpened =
    "変換器の USB ケーブル（LAN 変換器ではネットワークと電源）、ポート名または IP アドレス、"
    "ほかのプログラム（ターミナルソフトなど）がそのポートを使っていないかを確認してください。"
    "Linux では、使う人が dialout グループに入っているかも確認してください。";
constexpr std::string_view kSerialControllerLost =
    "変換器の USB ケーブル（LAN 変換器ではネットワークと電源）を確認してから、もう一度実行して"
    "ください。";
constexpr std::string_view kAnalyzerSilent =
    "測定器の電源が入っているか、測定器のパネルで設定した GP-IB アドレスが"
    "「対象GPIBアドレス」と同じか、GP-IB ケーブルがつながっているか確認してください。";
constexpr std::string_view kDriverMissingTail = "がインストールされているか確認してください。";
constexpr std::string_view kSentUnconfirmed =
    "変換器はコマンドを送りましたが、測定器が受け取ったかどうかは変換器からはわかりません。"
    "測定器の画面で結果を確認してください。";

constexpr std::array kSetupHints{
    kLinuxGpibNotOpened,        kNi488NotOpened,       kVisaNotOpened, kMakersBoardNotOpened,
    kSerialControllerNotOpened, kSerialControllerLost, kAnalyzerSilent};

// A hint that names board 0, with the interface the user chose in its place: "GPIB0" becomes
// its name, and for linux-gpib "minor 0" and "/dev/gpib0" its board index n ("GPIBn").
std::string WithChosenInterface(std::string_view hint) {
    std::string text(hint);
    const std::string& chosen = CurrentInterface().name;
    if (chosen.empty()) return text;
    const std::string index = chosen.starts_with("GPIB") ? chosen.substr(4) : std::string();
    std::vector<std::pair<std::string, std::string>> replacements{{"GPIB0", chosen}};
    if (!index.empty()) {
        replacements.insert(replacements.end(),
                            {{"minor 0", "minor " + index}, {"/dev/gpib0", "/dev/gpib" + index}});
    }
    for (const auto& [from, to] : replacements) {
        if (const size_t at = text.find(from); at != std::string::npos) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

}  // namespace

std::span<const CodeText> SessionCodeTexts() {
    return kCodeTexts;
}

std::span<const std::string_view> StatusWords() {
    return kStatusWords;
}

std::string SessionCodeText(std::int32_t code) {
    const auto found = std::find_if(kCodeTexts.begin(), kCodeTexts.end(),
                                    [code](const CodeText& entry) { return entry.code == code; });
    return std::string(found != kCodeTexts.end() ? found->text : kUnknownCodeText);
}

std::string StatusText(std::string_view operationName, std::string_view word) {
    return std::string(operationName) + ": " + std::string(word);
}

std::string BusyText(std::string_view operationName) {
    return "実行中の操作が終わるまで「" + std::string(operationName) + "」は実行できません。";
}

std::string SavedInText(const std::filesystem::path& folder) {
    return std::string(kStatusSavedIn) + ": " + PathText(folder);
}

std::string KeptInText(const std::filesystem::path& folder) {
    return std::string(kStatusKeptIn) + ": " + PathText(folder);
}

std::string SavedAsideText(const std::filesystem::path& keptAt) {
    return std::string(kStatusSavedAside) + ": " + PathText(keptAt);
}

std::string DataKeptText(const std::filesystem::path& keptAt, bool earlierFileExists) {
    return "受信したデータは「" + PathText(keptAt.filename()) + "」に保存しました" +
           (earlierFileExists ? "（以前のファイルは変更していません）" : "") +
           "。フォルダー: " + PathText(keptAt.parent_path());
}

std::string EarlierPartialKeptText(const std::filesystem::path& partial,
                                   const std::filesystem::path& keptAs) {
    return "前回の取り込みが途中で終わったファイル「" + PathText(partial.filename()) + "」を「" +
           PathText(keptAs.filename()) +
           "」という名前で残しました。フォルダー: " + PathText(keptAs.parent_path());
}

std::string BusyFileText(const std::filesystem::path& target, const std::string& holder) {
    return "「" + PathText(target.filename()) + "」へは" +
           (holder.empty() ? std::string("ほかのプログラム") : "「" + holder + "」") +
           "が取り込み中です。その取り込みが終わってから、もう一度実行してください。\n" +
           "フォルダー: " + PathText(target.parent_path());
}

std::string FileKeptText(const std::filesystem::path& file) {
    return "受信したデータがないため、ファイル「" + PathText(file.filename()) +
           "」は変更していません（以前のファイルはそのまま、なければ作成していません）。";
}

std::string DriverSourceText(const std::string& library) {
    switch (InterfaceOf(library)) {
        case Interface::LinuxGpib:
            return "linux-gpib";
        case Interface::Ni488:
            return "NI-488.2 互換のGPIBドライバ（ボードメーカーのもの）";
        case Interface::Visa:
            return "VISAライブラリ（NI-VISA、Keysight IO Libraries など）";
        case Interface::MakersBoard:
        case Interface::SerialController:
            break;
    }
    return "ボードのドライバ";
}

std::string DriverMissingHint(const std::string& library) {
    return DriverSourceText(library) + std::string(kDriverMissingTail);
}

std::string BoardNotOpenedHint(const std::string& library) {
    switch (InterfaceOf(library)) {
        case Interface::LinuxGpib:
            return WithChosenInterface(kLinuxGpibNotOpened);
        case Interface::Ni488:
            return WithChosenInterface(kNi488NotOpened);
        case Interface::Visa:
            return WithChosenInterface(kVisaNotOpened);
        case Interface::SerialController:
            return std::string(kSerialControllerNotOpened);
        case Interface::MakersBoard:
            break;
    }
    return std::string(kMakersBoardNotOpened);
}

std::string AnalyzerSilentHint() {
    return std::string(kAnalyzerSilent);
}

std::string BoardLostHint() {
    return std::string(kSerialControllerLost);
}

std::span<const std::string_view> SetupHints() {
    return kSetupHints;
}

void Tally::Note(std::int32_t lastError) {
    if (lastError == lb::kSuccess) return;
    if (failures_ == 0) firstCode_ = lastError;
    ++failures_;
}

std::string Tally::Word() const {
    if (failures_ == 0) return std::string(unconfirmed_ ? kStatusSentUnconfirmed : kStatusDone);
    return std::string(kStatusFailed) + " " + std::to_string(failures_) +
           " 回（最初: " + std::to_string(firstCode_) + "）";
}

std::string Tally::Details() const {
    if (failures_ == 0) return unconfirmed_ ? std::string(kSentUnconfirmed) : std::string();
    std::string details = "失敗したやりとり: " + std::to_string(failures_) +
                          " 回\n最初の失敗: " + std::to_string(firstCode_) + " " +
                          SessionCodeText(firstCode_);
    if (firstCode_ == lb::kTimeout || firstCode_ == lb::kTransferFailed) {
        details += "\n" + AnalyzerSilentHint();
    }
    return details;
}

}  // namespace app
