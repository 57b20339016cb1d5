// Turning laid-out lines into what a terminal is sent: the regions' attributes
// (reverse for the focus, dim for disabled controls) and, on terminals with
// 24-bit colour, the dialog's bitmap painted in half blocks.
#ifndef WINSIM_TERMINAL_PAINT_H
#define WINSIM_TERMINAL_PAINT_H

#include <string>

#include "ui/terminal_layout.h"

namespace winsim {

// One line of the frame with its escapes; `row` is its row in the frame.
std::string PaintLine(const TerminalFrame& frame, int row, bool colour);

}  // namespace winsim

#endif
