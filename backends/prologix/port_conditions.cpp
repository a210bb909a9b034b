#include "backends/prologix/port_conditions.h"

namespace prologix {

namespace {

// systemWords: the system's own words in brackets, where they add to the reason.
std::string Sentence(const PortVerdict& verdict, bool systemWords) {
    const std::string port = "ポート「" + verdict.port + "」";
    const std::string system =
        !systemWords || verdict.systemText.empty() ? "" : "（" + verdict.systemText + "）";
    // The serial ports' group: dialout on Debian and the systems made from it.
    const std::string group = verdict.group.empty() ? "dialout" : verdict.group;
    switch (verdict.condition) {
        case static_cast<std::int32_t>(OpenFailure::Absent):
            return port + "がありません" + system;
        case static_cast<std::int32_t>(OpenFailure::Busy):
            return port + "は他のプログラムが使用中です" + system;
        case static_cast<std::int32_t>(OpenFailure::Denied):
            return port + "を開く権限がありません" + system;
        case static_cast<std::int32_t>(OpenFailure::NotInGroup):
            return port + "を開く権限がありません（" + group + " グループに入っていません）";
        case static_cast<std::int32_t>(OpenFailure::GroupNotYetActive):
            return port + "を開く権限がありません（" + group +
                   " グループに入ったあと、ログインし直していません）";
        case static_cast<std::int32_t>(OpenFailure::Refused):
            return port + "に接続できません" + system;
        case static_cast<std::int32_t>(OpenFailure::Other):
            // The system's words are all there is to say of it.
            return port + "を開けません" +
                   (verdict.systemText.empty() ? "" : "（" + verdict.systemText + "）");
        case static_cast<std::int32_t>(OpenFailure::Hung):
            return port + "は開くのに時間がかかりすぎます";
        case kNotAController:
            return port + "は GPIB 変換器ではありません（++ver への応答: 「" + verdict.answer +
                   "」）";
        case kNoVersion:
            return port + "は ++ver に応答しません";
        case kLost:
            return "GPIB 変換器との接続が切れました";
        case kBluetoothSkipped:
            return port + "は Bluetooth のポートのため調べていません";
        case kNoneFound:
            return "++ver に応答する GPIB 変換器がどのシリアルポートにも見つかりません";
        default:
            return "状態 " + std::to_string(verdict.condition);
    }
}

}  // namespace

std::string VerdictText(const PortVerdict& verdict) {
    return Sentence(verdict, true);
}

std::string NoneFoundText(const std::vector<PortVerdict>& verdicts) {
    std::string text = Sentence({{}, kNoneFound, {}, {}, {}}, false);
    for (size_t i = 0; i < verdicts.size(); ++i) {
        text += (i == 0 ? "（" : "、") + Sentence(verdicts[i], false);
    }
    return verdicts.empty() ? text : text + "）";
}

}  // namespace prologix
