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

namespace {

// A character's place in the user's sort order, without case: punctuation
// and symbols before digits, digits before letters, other characters last.
int SortWeight(unsigned char c) {
    if (std::isalpha(c)) return 0x300 + std::toupper(c);
    if (std::isdigit(c)) return 0x200 + c;
    if (c < 0x80) return 0x100 + c;
    return 0x400 + c;
}

// The word sort's first level ignores hyphens and apostrophes ("co-op" sorts
// with "coop").
bool Ignored(unsigned char c) { return c == '-' || c == '\''; }

}  // namespace

// As CompareStringA with NORM_IGNORECASE in the user's locale, for the
// characters of 8-bit names: the word sort, then the ignored characters
// decide ("coop" before "co-op").
extern "C" int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b ? b : "");
    size_t i = 0, j = 0, ignoredX = 0, ignoredY = 0;
    for (;;) {
        while (x[i] && Ignored(x[i])) ++i, ++ignoredX;
        while (y[j] && Ignored(y[j])) ++j, ++ignoredY;
        if (!x[i] || !y[j]) break;
        int wx = SortWeight(x[i++]), wy = SortWeight(y[j++]);
        if (wx != wy) return wx < wy ? -1 : 1;
    }
    if (x[i] || y[j]) return x[i] ? 1 : -1;
    if (ignoredX != ignoredY) return ignoredX < ignoredY ? -1 : 1;
    return 0;
}
