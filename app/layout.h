// The window's layout: one table that every window implementation builds itself from.
// Positions are twips (15 to a pixel), relative to the client area of the container.
#pragma once

#include <span>
#include <string_view>

namespace app {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr std::string_view kWindowCaption = "TQ58→PC(GPIB)";
inline constexpr int kClientWidthTwips = 9225;
inline constexpr int kClientHeightTwips = 4785;

enum class ControlKind { Frame, Label, TextBox, OptionButton, CommandButton };
enum class Alignment { Left, Centre, Right };

struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    std::string_view container;  // empty: the window
    std::string_view text;       // caption, or a text box's default text
    int left, top, width, height;
    int tabIndex;
    Alignment alignment = Alignment::Left;
    bool border = false;    // display labels have a single-line border
    bool selected = false;  // option buttons selected at start
};

// Every control, containers before their contents.
std::span<const ControlLayout> WindowLayout();

const ControlLayout* FindControl(std::string_view name);

}  // namespace app
