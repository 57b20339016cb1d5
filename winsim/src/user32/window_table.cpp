#include <map>

#include "user32/window_object.h"

namespace winsim {
namespace {

struct WindowTable {
    std::map<uintptr_t, std::shared_ptr<Window>> windows;
    std::vector<HWND> topLevel;
    uintptr_t next = 0;
};

WindowTable& Table() {
    static WindowTable table;
    return table;
}

}  // namespace

// Window handles look like the ones Windows hands out (0x000100A2 ...) and
// never collide with kernel handles, which are small multiples of four.
HWND AddWindow(std::shared_ptr<Window> window) {
    WindowTable& t = Table();
    uintptr_t value = 0x00010000 + 0x22 * (++t.next);
    HWND handle = reinterpret_cast<HWND>(value);
    window->handle = handle;
    if (!window->IsChild()) t.topLevel.push_back(handle);
    t.windows[value] = std::move(window);
    return handle;
}

std::shared_ptr<Window> LookupWindow(HWND handle) {
    auto& windows = Table().windows;
    auto it = windows.find(reinterpret_cast<uintptr_t>(handle));
    if (it == windows.end() || it->second->destroyed) return nullptr;
    return it->second;
}

Window* FindWindowRecord(HWND handle) { return LookupWindow(handle).get(); }

void ForgetWindow(HWND handle) {
    WindowTable& t = Table();
    t.windows.erase(reinterpret_cast<uintptr_t>(handle));
    for (auto it = t.topLevel.begin(); it != t.topLevel.end(); ++it) {
        if (*it == handle) {
            t.topLevel.erase(it);
            break;
        }
    }
}

std::vector<HWND> TopLevelWindows() { return Table().topLevel; }

size_t LiveWindowCount() { return Table().windows.size(); }

void ForgetAllWindows() {
    Table().windows.clear();
    Table().topLevel.clear();
}

bool IsDescendant(HWND ancestor, HWND window) {
    const Window* w = FindWindowRecord(window);
    while (w && w->IsChild()) {
        if (w->parent == ancestor) return true;
        w = FindWindowRecord(w->parent);
    }
    return false;
}

Window* WindowOrError(HWND handle) {
    Window* window = FindWindowRecord(handle);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace winsim
