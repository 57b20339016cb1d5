// Where windows are: frames, client areas and screen positions. The frame
// sizes are those of Windows' classic look at 96 dots per inch.
#ifndef WINSIM_WINDOW_GEOMETRY_H
#define WINSIM_WINDOW_GEOMETRY_H

#include "user32/window_object.h"

namespace winsim {

constexpr int kCaptionHeight = 19;  // SM_CYCAPTION, with the line under the caption
constexpr int kDialogFrame = 3;     // SM_CXDLGFRAME
constexpr int kBorder = 1;          // SM_CXBORDER
constexpr int kSizingFrame = 4;     // SM_CXFRAME
constexpr int kEdge = 2;            // SM_CXEDGE

// The widths of the non-client parts that a window of these styles has.
RECT FrameInset(DWORD style, DWORD exStyle);
// The screen position of the window's client area.
POINT ClientOrigin(const Window& window);
// The window rectangle on the screen.
RECT ScreenRect(const Window& window);

}  // namespace winsim

#endif
