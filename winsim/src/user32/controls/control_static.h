// Static controls ("Static"): texts, frames, bitmaps and icons.
#ifndef WINSIM_CONTROL_STATIC_H
#define WINSIM_CONTROL_STATIC_H

#include "user32/window_object.h"

namespace winsim {

class StaticProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;

    HANDLE image = nullptr;
    UINT imageType = IMAGE_BITMAP;
    // The image the control loaded from its title; it goes with the control
    // unless STM_SETIMAGE handed it to the program.
    HANDLE ownImage = nullptr;
    std::string imageProblem;  // why the image named in the template could not be loaded
};

inline DWORD StaticType(DWORD style) { return style & SS_TYPEMASK; }

}  // namespace winsim

#endif
