// Combo boxes ("ComboBox"): a list of strings with one selected. The list
// drops down and closes again at once; only its notifications are simulated.
#ifndef WINSIM_CONTROL_COMBOBOX_H
#define WINSIM_CONTROL_COMBOBOX_H

#include "user32/window_object.h"

namespace winsim {

// Posted by the UI input to a combo box: the user picks item wParam from the
// dropped-down list with the mouse.
constexpr UINT kWmPickItem = 0x03F1;

class ComboBoxProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;

    struct Item {
        std::string text;
        LPARAM data = 0;
    };
    std::vector<Item> items;
    int selection = -1;
    bool dropped = false;
    int droppedHeight = 0;  // of the control with its list dropped down, in pixels
    int itemHeight = 13;

private:
    LRESULT Insert(Window& window, int at, const char* text);
    int Find(int after, const char* text, bool exact) const;
    void Pick(Window& window, int index);
    void MoveBy(Window& window, int to);
    const std::string& ShownText(const Window& window) const;
};

}  // namespace winsim

#endif
