// kernel32's string calls.
#include <windows.h>

#include <cctype>
#include <cstring>

extern "C" int WINAPI lstrlenA(LPCSTR s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

// Copies at most max - 1 characters and always terminates (when max > 0).
extern "C" LPSTR WINAPI lstrcpynA(LPSTR to, LPCSTR from, int max) {
    if (!to || !from || max <= 0) return to;
    int i = 0;
    for (; i < max - 1 && from[i]; ++i) to[i] = from[i];
    to[i] = '\0';
    return to;
}

extern "C" int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
    if (!a) a = "";
    if (!b) b = "";
    for (;; ++a, ++b) {
        int x = std::toupper(static_cast<unsigned char>(*a)), y = std::toupper(static_cast<unsigned char>(*b));
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}
