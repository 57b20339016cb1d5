// Windows as winsim keeps them: one record per window, kept in the process's
// window table under its HWND. What a window does with its messages belongs
// to its class's procedure (a button, a dialog box ...).
#ifndef WINSIM_WINDOW_OBJECT_H
#define WINSIM_WINDOW_OBJECT_H

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace winsim {

struct Window;

// A window class's own window procedure.
class WindowProcedure {
public:
    virtual ~WindowProcedure() = default;
    virtual LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

struct Window {
    HWND handle = nullptr;
    HWND parent = nullptr;  // the parent of a child window, the owner of a top-level one
    std::string className;  // as GetClassNameA spells it
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    HINSTANCE instance = nullptr;
    std::string text;  // in the machine's ANSI code page
    // A title given as a resource ordinal (a static's bitmap or icon).
    std::optional<WORD> titleOrdinal;
    RECT rect{};    // window rectangle: in the parent's client coordinates for a child, else on the screen
    RECT inset{};   // widths of the non-client frame on each side
    HFONT font = nullptr;
    HICON icons[2] = {nullptr, nullptr};  // ICON_SMALL, ICON_BIG
    LONG_PTR userData = 0;
    std::vector<HWND> children;  // in creation order, which is the tab order
    std::unique_ptr<WindowProcedure> procedure;
    bool destroyed = false;

    bool IsChild() const { return (style & WS_CHILD) != 0; }
    template <typename T>
    T* ProcedureAs() const {
        return dynamic_cast<T*>(procedure.get());
    }
};

// Adds a window to the table and gives it its handle.
HWND AddWindow(std::shared_ptr<Window> window);
// The live window behind a handle, or nullptr. A shared pointer keeps the
// record alive while a message is being handled even if the window is
// destroyed meanwhile.
std::shared_ptr<Window> LookupWindow(HWND handle);
// The same, for a quick look that does not outlive the next message sent.
Window* FindWindowRecord(HWND handle);
// Takes a destroyed window out of the table.
void ForgetWindow(HWND handle);
// Every top-level window, oldest first.
std::vector<HWND> TopLevelWindows();
size_t LiveWindowCount();
void ForgetAllWindows();

// Whether `window` lies inside `ancestor` (is its child, grandchild ...).
bool IsDescendant(HWND ancestor, HWND window);

// The live window or nullptr with ERROR_INVALID_WINDOW_HANDLE set.
Window* WindowOrError(HWND handle);

}  // namespace winsim

#endif
