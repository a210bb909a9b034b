#include "app/outcome.h"

#include "session/error_codes.h"

namespace app {

std::string SessionCodeText(std::int32_t code) {
    switch (code) {
        case lb::kSuccess:
            return "正常";
        case lb::kOpenFailed:
            return "ボードを開けません";
        case lb::kCloseFailed:
            return "ボードを閉じられません";
        case lb::kOwnAddressNotObtained:
            return "ボードのアドレスを取得できません";
        case lb::kNotOpen:
            return "ボードが開いていません";
        case lb::kTransferFailed:
            return "送受信に失敗しました";
        case lb::kNoAddress:
            return "GPIBアドレスが選択されていません";
        case lb::kTimeout:
            return "タイムアウト（応答なし）";
        default:
            return "不明なエラー";
    }
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
    std::string text(operationName);
    if (failures_ == 0) return text + ": 完了";
    return text + ": 失敗 " + std::to_string(failures_) +
           " 回（最初: " + std::to_string(firstCode_) + " " + SessionCodeText(firstCode_) + "）";
}

}  // namespace app
