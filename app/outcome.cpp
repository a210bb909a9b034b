#include "app/outcome.h"

#include <algorithm>
#include <array>

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

constexpr std::array kStatusWords{kStatusRunning, kStatusDone,    kStatusFailed,
                                  kStatusStopped, kStatusRefused, kStatusSavedIn};

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
    const auto text = folder.u8string();
    return "　" + std::string(kStatusSavedIn) + ": " + std::string(text.begin(), text.end());
}

std::string DriverSourceText(const std::string& library) {
    if (library == "libgpib.so.0") return "linux-gpib";
    if (library == "gpib-32.dll" || library == "ni4882.dll") {
        return "NI-488.2 互換のGPIBドライバ（ボードメーカーのもの）";
    }
    if (library == "visa32.dll" || library == "visa64.dll" || library == "libvisa.so") {
        return "VISAライブラリ（NI-VISA、Keysight IO Libraries など）";
    }
    return "ボードのドライバ";
}

void Tally::Note(std::int32_t lastError) {
    if (lastError == lb::kSuccess) return;
    if (failures_ == 0) firstCode_ = lastError;
    ++failures_;
}

std::string Tally::Summary(std::string_view operationName) const {
    if (failures_ == 0) return StatusText(operationName, kStatusDone);
    return StatusText(operationName, kStatusFailed) + " " + std::to_string(failures_) +
           " 回（最初: " + std::to_string(firstCode_) + " " + SessionCodeText(firstCode_) + "）";
}

}  // namespace app
