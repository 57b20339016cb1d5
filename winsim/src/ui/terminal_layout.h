// A dialog laid out in terminal cells: each visible control at its place,
// one cell for four dialog units across and eight down (an average
// character), scaled down when the terminal is narrower. Buttons are in
// brackets, the default one in braces; the focused control has a '>' before
// it where that cell is free (and is drawn reversed).
#ifndef WINSIM_TERMINAL_LAYOUT_H
#define WINSIM_TERMINAL_LAYOUT_H

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialog_view.h"

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

// The dialog in at most `maxColumns` columns and `maxRows` rows, squeezed
// (not cut) to fit.
TerminalFrame LayoutDialog(const DialogView& view, int maxColumns, int maxRows = 1 << 20);

struct MessageBoxView {
    std::string caption;  // UTF-8
    std::string text;     // UTF-8
    std::vector<int> buttons;
    int focused = 0;  // index into buttons
};

TerminalFrame LayoutMessageBox(const MessageBoxView& box, int maxColumns);

// The keys, under the dialog: as many lines as `columns` needs.
std::vector<std::string> KeysHelp(int columns);

// The whole screen of `columns` x `rows` cells: the dialog (when there is
// one), the keys under it, and the message box (when there is one) under
// them, or over the dialog when there is no room below.
TerminalFrame ComposeScreen(const DialogView* dialog, const MessageBoxView* box, int columns, int rows);

}  // namespace winsim

#endif
