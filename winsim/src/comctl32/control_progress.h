// Progress bars ("msctls_progress32", a common control).
#ifndef WINSIM_CONTROL_PROGRESS_H
#define WINSIM_CONTROL_PROGRESS_H

#include "user32/window_object.h"

namespace winsim {

class ProgressProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;

    int low = 0;
    int high = 100;
    int position = 0;
    int step = 10;

private:
    // Moves the bar (kept inside the range); returns the old position.
    int MoveTo(const Window& window, long long to);
};

}  // namespace winsim

#endif
