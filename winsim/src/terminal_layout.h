// A dialog laid out in terminal cells: each visible control at its place,
// one cell for four dialog units across and eight down (an average
// character), scaled down when the terminal is narrower. The focused control
// has a '>' before it; a default button has double brackets.
#ifndef WINSIM_TERMINAL_LAYOUT_H
#define WINSIM_TERMINAL_LAYOUT_H

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_view.h"

namespace winsim {

// Cells that the terminal draws with an attribute of their own.
struct TerminalRegion {
    enum class Kind { Focus, Disabled, Picture };
    Kind kind = Kind::Focus;
    int row = 0, column = 0, width = 0, height = 1;
    HANDLE image = nullptr;  // Picture: the bitmap to paint there
};

struct TerminalFrame {
    std::vector<std::string> lines;  // UTF-8
    std::vector<TerminalRegion> regions;
};

TerminalFrame LayoutDialog(const DialogView& view, int maxColumns);

struct MessageBoxView {
    std::string caption;  // UTF-8
    std::string text;     // UTF-8
    std::vector<int> buttons;
    int focused = 0;  // index into buttons
};

TerminalFrame LayoutMessageBox(const MessageBoxView& box, int maxColumns);

// "OK", "Cancel", "Yes" ... for an answer's button.
std::string ButtonLabel(int answer);

// The key line under the dialog.
extern const char* const kTerminalKeysHelp;

}  // namespace winsim

#endif
