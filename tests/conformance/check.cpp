#include "check.h"

#include <cstdarg>
#include <cstdio>

namespace conformance {
namespace {
const DWORD kMarker = 0xDEADBEEF;
int count = 0;
}  // namespace

const char kWork[] = "C:\\CONFORM";

void Mark() { SetLastError(kMarker); }

std::string Err() {
    DWORD error = GetLastError();
    return error == kMarker ? "-" : std::to_string(static_cast<unsigned>(error));
}

std::string Fmt(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string Hex(const void* bytes, size_t n) {
    std::string out;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < n; ++i) out += Fmt("%02X", b[i]);
    return out;
}

std::string Work(const char* name) { return std::string(kWork) + "\\" + name; }

void Report(const std::string& name, const std::string& observed) {
    std::printf("%s: %s\n", name.c_str(), observed.c_str());
    ++count;
}

void ReportCall(const std::string& name, long long ret, const std::string& more) {
    std::string error = Err();
    Report(name, Fmt("ret=%lld err=%s", ret, error.c_str()) + (more.empty() ? "" : " " + more));
}

void ReportHandle(const std::string& name, HANDLE handle, const std::string& more) {
    std::string error = Err();
    const char* what = handle == INVALID_HANDLE_VALUE ? "invalid" : handle ? "valid" : "null";
    Report(name, Fmt("%s err=%s", what, error.c_str()) + (more.empty() ? "" : " " + more));
}

int ReportCount() { return count; }

}  // namespace conformance
