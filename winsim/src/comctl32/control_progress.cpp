#include "comctl32/control_progress.h"

#include <commctrl.h>

#include "ui/ui_transcript.h"
#include "user32/window_messages.h"

namespace winsim {

int ProgressProcedure::MoveTo(const Window& window, long long to) {
    int old = position;
    if (to < low) to = low;
    if (to > high) to = high;
    position = static_cast<int>(to);
    if (position != old) TranscriptLine("progress " + std::to_string(window.id) + " " + std::to_string(position));
    return old;
}

LRESULT ProgressProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case PBM_SETRANGE:
        case PBM_SETRANGE32: {
            LRESULT previous = MAKELONG(low, high);
            if (message == PBM_SETRANGE) {
                low = LOWORD(lParam);
                high = HIWORD(lParam);
            } else {
                low = static_cast<int>(wParam);
                high = static_cast<int>(lParam);
            }
            MoveTo(window, position);
            return previous;
        }
        case PBM_GETRANGE: {
            if (PBRANGE* range = reinterpret_cast<PBRANGE*>(lParam)) *range = PBRANGE{low, high};
            return wParam ? low : high;
        }
        case PBM_SETPOS:
            return MoveTo(window, static_cast<int>(wParam));
        case PBM_GETPOS:
            return position;
        case PBM_DELTAPOS:
            return MoveTo(window, static_cast<long long>(position) + static_cast<int>(wParam));
        case PBM_SETSTEP: {
            int previous = step;
            step = static_cast<int>(wParam);
            return previous;
        }
        case PBM_STEPIT: {
            // Past the end the bar starts over from the beginning.
            long long to = static_cast<long long>(position) + step;
            if (to > high) to = low;
            return MoveTo(window, to);
        }
        case PBM_SETBARCOLOR:
        case PBM_SETBKCOLOR:
            return static_cast<LRESULT>(0xFF000000);  // CLR_DEFAULT: the colours were the system's
        case WM_SYSCOLORCHANGE:
            return 0;
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace winsim
