#include "user32/message_queue.h"

#include <deque>

#include "machine/faults.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

struct Queue {
    std::deque<MSG> messages;
    bool quit = false;
    int quitCode = 0;
    DWORD clock = 0;
    bool keys[256] = {};
    bool polledInput = false;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

bool Passes(const MSG& m, HWND window, UINT first, UINT last) {
    if (first || last) {
        if (m.message < first || m.message > last) return false;
    }
    return !window || m.hwnd == window || IsDescendant(window, m.hwnd);
}

void TrackKeys(const MSG& m) {
    if (m.message != WM_KEYDOWN && m.message != WM_KEYUP && m.message != WM_SYSKEYDOWN && m.message != WM_SYSKEYUP)
        return;
    TheQueue().keys[m.wParam & 0xFF] = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
}

}  // namespace

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Queue& q = TheQueue();
    MSG m{};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = q.clock += 10;
    q.messages.push_back(m);
}

bool TakeMessage(MSG& out, HWND window, UINT first, UINT last, bool remove) {
    Queue& q = TheQueue();
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (!Passes(*it, window, first, last)) continue;
        out = *it;
        if (remove) {
            q.messages.erase(it);
            TrackKeys(out);
        }
        return true;
    }
    // WM_QUIT comes when nothing else is waiting.
    if (q.quit && !window && (!(first || last) || (first <= WM_QUIT && WM_QUIT <= last))) {
        out = MSG{};
        out.message = WM_QUIT;
        out.wParam = static_cast<WPARAM>(q.quitCode);
        out.time = q.clock;
        if (remove) q.quit = false;
        return true;
    }
    return false;
}

bool QueueEmpty() { return TheQueue().messages.empty() && !TheQueue().quit; }

void ClearQueue() { TheQueue() = Queue{}; }

bool KeyIsDown(int key) { return TheQueue().keys[key & 0xFF]; }

bool& PolledInputThisDrain() { return TheQueue().polledInput; }

}  // namespace winsim

extern "C" BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (winsim::FailsHere("PostMessageA", false)) return FALSE;
    if (hwnd && !winsim::WindowOrError(hwnd)) return FALSE;
    winsim::Post(hwnd, message, wParam, lParam);
    return TRUE;
}

extern "C" void WINAPI PostQuitMessage(int code) {
    winsim::TheQueue().quit = true;
    winsim::TheQueue().quitCode = code;
}

// The character that a key makes, with the shift state of the moment.
extern "C" BOOL WINAPI TranslateMessage(const MSG* m) {
    if (!m || (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN)) return FALSE;
    int key = static_cast<int>(m->wParam);
    bool shift = winsim::KeyIsDown(VK_SHIFT);
    int c = 0;
    if (key >= 'A' && key <= 'Z') c = shift ? key : key - 'A' + 'a';
    else if (key >= '0' && key <= '9') c = key;
    else if (key == VK_SPACE || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_BACK) c = key;
    if (c) winsim::Post(m->hwnd, m->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(c), m->lParam);
    return TRUE;
}

extern "C" LRESULT WINAPI DispatchMessageA(const MSG* m) {
    if (!m || !m->hwnd) return 0;
    if (!winsim::FindWindowRecord(m->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return winsim::Send(m->hwnd, m->message, m->wParam, m->lParam);
}

extern "C" SHORT WINAPI GetKeyState(int key) { return winsim::KeyIsDown(key) ? static_cast<SHORT>(0x8000) : 0; }
