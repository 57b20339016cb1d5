// wsprintfA's conversions and kernel32's string calls.
#include <cstring>

#include "check.h"

namespace conformance {
namespace {

void Print(const char* name, const char* format, ...) {
    char out[1100];
    std::memset(out, 0, sizeof out);
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(out, format, args);
    va_end(args);
    Report(Fmt("wsprintfA %s", name), Fmt("ret=%d [%s]", n, out));
}

void Formats() {
    Print("%d", "%d|%d|%d", 0, -17, 2147483647);
    Print("%i", "%i", -5);
    Print("%u", "%u|%u", 17u, 4294967295u);
    Print("%lu", "%lu", static_cast<DWORD>(4000000000u));
    Print("%ld", "%ld", static_cast<LONG>(-4000));
    Print("%x", "%x|%X", 0xBEEFu, 0xBEEFu);
    Print("%08lX", "%08lX", static_cast<DWORD>(0x2A));
    Print("%#x", "%#x|%#X", 255u, 255u);
    Print("%5d", "[%5d][%-5d][%05d]", 42, 42, 42);
    Print("%+d", "%+d", 42);
    Print("%s", "%s|%s", "text", "");
    Print("%.2s", "%.2s|%5.2s|%-5s|", "abcdef", "abcdef", "ab");
    Print("%c", "%c%c", 'A', 'z');
    Print("%%", "100%%");
    Print("%hd", "%hd", 70000);
    Print("%lc", "%lc", 'Q');
    Print("%ls", "%ls", u"wide");
    Print("%S", "%S", u"wide");
    Print("%p", "%p", reinterpret_cast<void*>(static_cast<ULONG_PTR>(0x1234)));
    Print("%q", "%q|%d", 3);
    Print("%8.3d", "%8.3d|%.0d|", 7, 0);
    Print("%-08d", "%-08d|", -3);
    char out[32];
    Report("wsprintfA no arguments", Fmt("ret=%d", wsprintfA(out, "plain")));
    Report("wsprintfA result", out);
    Report("wsprintfA varargs", Fmt("ret=%d", wsprintfA(out, "%s=%d", "n", 5)));
    Report("wsprintfA varargs result", out);
}

// Results around the limit: the count returned, the length of the text and
// whether the byte after 1024 characters was written (the NUL of a longer
// result) or left as it was.
void Limit() {
    static char text[1200];
    static char out[1100];
    const int lengths[] = {1022, 1023, 1024, 1025, 1100};
    for (int length : lengths) {
        std::memset(text, 'a', sizeof text);
        text[length < static_cast<int>(sizeof text) ? length : sizeof text - 1] = '\0';
        std::memset(out, 'x', sizeof out);
        int n = wsprintfA(out, "%s", text);
        Report(Fmt("wsprintfA %d characters", length),
               Fmt("ret=%d length=%d byte1024=%s byte1025=%s", n, static_cast<int>(strnlen(out, sizeof out)),
                   out[1024] == 'x' ? "kept" : out[1024] ? "text" : "nul", out[1025] == 'x' ? "kept" : "written"));
    }
    std::memset(text, 'a', sizeof text);
    text[1020] = '\0';
    std::memset(out, 'x', sizeof out);
    int n = wsprintfA(out, "%s%d", text, 123456);
    Report("wsprintfA cut inside a number", Fmt("ret=%d end=%s", n, out + 1018));
}

void Kernel() {
    Mark();
    int n = lstrlenA("hello");
    ReportCall("lstrlenA", n);
    Mark();
    n = lstrlenA(nullptr);
    ReportCall("lstrlenA null", n);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    Mark();
    LPSTR r = lstrcpynA(buffer, "abcdefghij", 5);
    ReportCall("lstrcpynA truncates", r == buffer, Hex(buffer, sizeof buffer));
    std::memset(buffer, 'x', sizeof buffer);
    r = lstrcpynA(buffer, "ab", 5);
    Report("lstrcpynA short source", Hex(buffer, sizeof buffer));
    std::memset(buffer, 'x', sizeof buffer);
    r = lstrcpynA(buffer, "ab", 0);
    Report("lstrcpynA size 0", Hex(buffer, sizeof buffer));
    std::memset(buffer, 'x', sizeof buffer);
    r = lstrcpynA(buffer, "ab", 1);
    Report("lstrcpynA size 1", Hex(buffer, sizeof buffer));
    const char* pairs[][2] = {{"abc", "ABC"}, {"a", "B"}, {"B", "a"}, {"ab", "abc"}, {"", "a"},
                              {"a-b", "ab"}, {"_", "a"}, {"Z", "a"}, {"halvik.sys", "HALVIK.SYS"}, {"1", "a"}};
    for (const auto& p : pairs) {
        int c = lstrcmpiA(p[0], p[1]);
        Report(Fmt("lstrcmpiA %s %s", p[0], p[1]), Fmt("%d", c < 0 ? -1 : c > 0 ? 1 : 0));
    }
}

}  // namespace

void CheckStrings() {
    Formats();
    Limit();
    Kernel();
}

}  // namespace conformance
