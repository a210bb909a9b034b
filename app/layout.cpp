#include "app/layout.h"

#include <array>

namespace app {

namespace {

using K = ControlKind;
using A = Alignment;

constexpr int kHeadingTop = 120;
constexpr int kDisplayTop = 480;
constexpr int kRowHeight = 255;

constexpr std::array kLayout = {
    // Settings: GPIB.
    ControlLayout{"Frame1", K::Frame, "", "GPIB設定", 120, 960, 3375, 1095, 1},
    ControlLayout{"Label1", K::Label, "Frame1", "対象GPIBアドレス（１～３０）", 120, 360, 2535, 255,
                  3},
    ControlLayout{"GPIBadress", K::TextBox, "Frame1", "5", 2280, 360, 495, 270, 2},
    ControlLayout{"Label9", K::Label, "Frame1", "wait(msec)", 1200, 720, 975, 255, 22},
    ControlLayout{"wait", K::TextBox, "Frame1", "20", 2280, 720, 495, 270, 21},
    // Settings: memory range.
    ControlLayout{"Frame2", K::Frame, "", "取込設定", 120, 2160, 3375, 1095, 5},
    ControlLayout{"Label2", K::Label, "Frame2", "adress", 120, 360, 615, 255, 8},
    ControlLayout{"ad1", K::TextBox, "Frame2", "1", 840, 360, 495, 270, 6},
    ControlLayout{"Label3", K::Label, "Frame2", "～", 1440, 360, 375, 255, 9},
    ControlLayout{"ad2", K::TextBox, "Frame2", "100", 1680, 360, 495, 270, 7},
    // Settings: band type.
    ControlLayout{"Frame7", K::Frame, "", "oct", 120, 3360, 975, 1335, 26},
    ControlLayout{"oct1", K::OptionButton, "Frame7", "1/1", 120, 240, 615, 255, 27},
    ControlLayout{"oct3", K::OptionButton, "Frame7", "1/3", 120, 600, 615, 300, 35, A::Left, false,
                  true},
    // Settings: weighting.
    ControlLayout{"Frame6", K::Frame, "", "重み付け補正", 1200, 3360, 2295, 1335, 25},
    ControlLayout{"A", K::OptionButton, "Frame6", "A", 120, 240, 615, 255, 28},
    ControlLayout{"C", K::OptionButton, "Frame6", "C", 120, 600, 495, 255, 29},
    ControlLayout{"F", K::OptionButton, "Frame6", "F", 120, 960, 495, 255, 30, A::Left, false,
                  true},
    ControlLayout{"Lvxy", K::OptionButton, "Frame6", "Lvxy", 720, 240, 735, 255, 31},
    ControlLayout{"Lvz", K::OptionButton, "Frame6", "Lvz", 720, 600, 735, 255, 32},
    ControlLayout{"Lht", K::OptionButton, "Frame6", "Lht", 1440, 240, 615, 255, 33},
    ControlLayout{"Lcom", K::OptionButton, "Frame6", "Lcom", 1440, 600, 735, 255, 34},
    // The four operations.
    ControlLayout{"run0", K::CommandButton, "", "瞬時値取込", 5640, 1320, 2055, 495, 20},
    ControlLayout{"run1", K::CommandButton, "", "マスメモリデータ取込", 5640, 2280, 2055, 495, 0},
    ControlLayout{"run2", K::CommandButton, "", "2次演算モード", 5640, 3240, 2055, 495, 19},
    ControlLayout{"run3", K::CommandButton, "", "マスメモリーデータ消去", 5640, 4200, 2055, 495, 4},
    // Display row: headings and, under each, a bordered display label.
    ControlLayout{"Label4", K::Label, "", "アドレス/time", 0, kHeadingTop, 1335, kRowHeight, 10,
                  A::Centre},
    ControlLayout{"アドレス", K::Label, "", "", 120, kDisplayTop, 1215, kRowHeight, 11, A::Right,
                  true},
    ControlLayout{"Label5", K::Label, "", "時定数", 1680, kHeadingTop, 615, kRowHeight, 12,
                  A::Centre},
    ControlLayout{"時定数", K::Label, "", "", 1440, kDisplayTop, 1215, kRowHeight, 13, A::Right,
                  true},
    ControlLayout{"Label7", K::Label, "", "範囲", 3000, kHeadingTop, 615, kRowHeight, 14,
                  A::Centre},
    ControlLayout{"範囲", K::Label, "", "", 2760, kDisplayTop, 1215, kRowHeight, 15, A::Centre,
                  true},
    ControlLayout{"Label10", K::Label, "", "表示形式", 4320, kHeadingTop, 1095, kRowHeight, 16},
    ControlLayout{"octoct", K::Label, "", "", 4080, kDisplayTop, 1215, kRowHeight, 17, A::Right,
                  true},
    ControlLayout{"Label6", K::Label, "", "補正", 5760, kHeadingTop, 615, kRowHeight, 18,
                  A::Centre},
    ControlLayout{"補正", K::Label, "", "", 5400, kDisplayTop, 1215, kRowHeight, 23, A::Right,
                  true},
    ControlLayout{"Label8", K::Label, "", "マスデータ(一部)", 7200, kHeadingTop, 1575, kRowHeight,
                  24},
    ControlLayout{"マスデータ", K::Label, "", "", 6720, kDisplayTop, 2295, kRowHeight, 36, A::Left,
                  true},
};

}  // namespace

std::span<const ControlLayout> WindowLayout() {
    return kLayout;
}

const ControlLayout* FindControl(std::string_view name) {
    for (const auto& control : kLayout) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

}  // namespace app
