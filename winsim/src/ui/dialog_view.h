// What a dialog shows: its caption, and each control with its kind, place,
// state, text and contents. The transcript writes it out; the terminal draws it.
#ifndef WINSIM_DIALOG_VIEW_H
#define WINSIM_DIALOG_VIEW_H

#include <windows.h>

#include <string>
#include <vector>

namespace winsim {

struct ControlView {
    HWND handle = nullptr;
    int id = 0;
    // button, default-button, checkbox, radio, groupbox, static, frame,
    // bitmap, icon, combobox, progress, edit, listbox, scrollbar
    std::string kind;
    DWORD style = 0;
    RECT rect{};  // in the dialog's client area, in pixels
    bool visible = false;
    bool enabled = false;
    bool focused = false;
    std::string text;  // ANSI
    std::string font;  // when it differs from the dialog's font
    std::vector<std::string> items;  // combo box
    int selection = -1;
    int low = 0, high = 0, position = 0;  // progress bar
    std::string image;  // "bitmap 149 120x232", or why there is none
    HANDLE imageHandle = nullptr;
    int checked = 0;
};

struct DialogView {
    HWND handle = nullptr;
    std::string name;
    std::string caption;  // ANSI
    RECT rect{};          // on the screen
    RECT client{};        // size of the client area
    POINT base{8, 16};    // dialog base units
    bool visible = false;
    std::string icon;     // "icon 101"
    std::string font;
    std::vector<ControlView> controls;
};

DialogView DescribeDialog(HWND dialog);

// The transcript's screen block; without positions, the part that tells
// whether anything besides a progress bar changed.
std::string FormatScreen(const DialogView& view, bool withPositions);

// A control's text as drawn: "&&" becomes "&" and a single '&' marks the
// mnemonic, which goes into `mnemonic` (0 when there is none).
std::string DrawnText(const std::string& text, char* mnemonic);

}  // namespace winsim

#endif
