#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resgen {

struct Style {
    std::uint32_t value = 0;
    std::string names;  // as written, "WS_CHILD | SS_LEFT", for the comments of the .rc script
};

struct DialogControl {
    int line;
    std::uint16_t id;                          // 0xFFFF for a control without an id (-1 in the source)
    std::string className;                     // a predefined class (BUTTON, STATIC, ...) or a registered one
    std::optional<std::uint16_t> imageName;    // "#149": the control shows that bitmap or icon resource
    std::u16string text;                       // otherwise its initial text
    std::int16_t x, y, width, height;          // dialog units
    Style style;
};

// A dialog template as its source describes it:
//
//   dialog 100 0 0 358 180                     id, x, y, width, height
//   style WS_POPUP | WS_CAPTION
//   font 8 "MS Sans Serif"                      optional; adds DS_SETFONT to the style
//   control 1004 BUTTON "" 246 160 50 14 WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON
//
// Styles are written out in full: nothing is implied for controls.
struct Dialog {
    std::string file;
    std::uint16_t id = 0;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
    Style style;
    std::uint16_t fontPoints = 0;
    std::u16string fontFace;  // empty: no font line
    std::vector<DialogControl> controls;
};

Dialog ParseDialog(std::string_view source, const std::string& fileName);

} // namespace resgen
