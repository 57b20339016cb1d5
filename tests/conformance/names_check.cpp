// Temporary names, short names, searches, and the calls that fill a buffer
// with a path (given too small a buffer too).
#include <algorithm>
#include <cstring>
#include <vector>

#include "check.h"

namespace conformance {
namespace {

// The name without its number: "KVT" + "#" + extension, so that the chosen
// number does not matter.
std::string Shape(const std::string& path) {
    std::string leaf = path.substr(path.find_last_of('\\') + 1);
    size_t dot = leaf.find('.');
    return leaf.substr(0, 3) + "#" + (dot == std::string::npos ? "" : leaf.substr(dot));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void TempNames() {
    char name[MAX_PATH] = "";
    Mark();
    UINT n = GetTempFileNameA(kWork, "KVT", 0x1234, name);
    ReportCall("GetTempFileNameA given number", n, name);
    Report("GetTempFileNameA given number creates no file", Exists(name) ? "created" : "absent");
    Mark();
    n = GetTempFileNameA(kWork, "KVT", 0xABCD, name);
    ReportCall("GetTempFileNameA given number with hex letters", n, name);
    Mark();
    n = GetTempFileNameA(kWork, "KVT", 0x12345, name);
    ReportCall("GetTempFileNameA number above 16 bits", n, name);
    Mark();
    n = GetTempFileNameA(kWork, "LONGPREFIX", 7, name);
    ReportCall("GetTempFileNameA long prefix", n, name);
    Mark();
    n = GetTempFileNameA(kWork, "", 7, name);
    ReportCall("GetTempFileNameA empty prefix", n, name);
    Mark();
    n = GetTempFileNameA((std::string(kWork) + "\\").c_str(), "KVT", 7, name);
    ReportCall("GetTempFileNameA folder with backslash", n, name);

    char first[MAX_PATH] = "", second[MAX_PATH] = "";
    Mark();
    UINT a = GetTempFileNameA(kWork, "KVT", 0, first);
    std::string error = Err();
    UINT b = GetTempFileNameA(kWork, "KVT", 0, second);
    Report("GetTempFileNameA chosen number",
           Fmt("nonzero=%d err=%s shape=%s", a != 0, error.c_str(), Shape(first).c_str()));
    Report("GetTempFileNameA chosen number creates the file", Exists(first) ? "created" : "absent");
    Report("GetTempFileNameA second name differs", Fmt("%d", a != b && lstrcmpiA(first, second) != 0));
    HANDLE h = CreateFileA(first, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Report("GetTempFileNameA file is empty", Fmt("size=%u", static_cast<unsigned>(GetFileSize(h, nullptr))));
    CloseHandle(h);
    std::string leaf = std::string(first).substr(std::strlen(kWork) + 4);
    Report("GetTempFileNameA returned number matches the name",
           Fmt("%d", lstrcmpiA(Fmt("%X.TMP", a).c_str(), leaf.c_str()) == 0));
    DeleteFileA(first);
    DeleteFileA(second);
    Mark();
    n = GetTempFileNameA(Work("nodir").c_str(), "KVT", 0, name);
    ReportCall("GetTempFileNameA missing folder", n);
    Mark();
    n = GetTempFileNameA(Work("nodir").c_str(), "KVT", 5, name);
    ReportCall("GetTempFileNameA missing folder given number", n, name);
}

void ShortNames() {
    std::string longDir = Work("Long Directory Name");
    CreateDirectoryA(longDir.c_str(), nullptr);
    HANDLE h = CreateFileA((longDir + "\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    char out[MAX_PATH] = "";
    Mark();
    DWORD n = GetShortPathNameA(Work("a.txt").c_str(), out, sizeof out);
    ReportCall("GetShortPathNameA 8.3 name", n, out);
    Mark();
    n = GetShortPathNameA(Work("A.TXT").c_str(), out, sizeof out);
    ReportCall("GetShortPathNameA keeps the given case", n, out);
    Mark();
    n = GetShortPathNameA((longDir + "\\file.txt").c_str(), out, sizeof out);
    ReportCall("GetShortPathNameA long folder name", n, out);
    Mark();
    n = GetShortPathNameA(Work("none.txt").c_str(), out, sizeof out);
    ReportCall("GetShortPathNameA missing", n);
    Mark();
    n = GetShortPathNameA(Work("nodir\\none.txt").c_str(), out, sizeof out);
    ReportCall("GetShortPathNameA missing folder", n);
    std::strcpy(out, "untouched");
    Mark();
    n = GetShortPathNameA(Work("a.txt").c_str(), out, 5);
    ReportCall("GetShortPathNameA short buffer", n, out);
    Mark();
    n = GetShortPathNameA(Work("a.txt").c_str(), nullptr, 0);
    ReportCall("GetShortPathNameA size query", n);
    Mark();
    n = GetShortPathNameA("C:\\", out, sizeof out);
    ReportCall("GetShortPathNameA drive root", n, out);
}

std::string Listing(const std::string& pattern, std::string& error, std::string& alias) {
    WIN32_FIND_DATAA data;
    Mark();
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    error = Err();
    if (h == INVALID_HANDLE_VALUE) return "invalid";
    std::vector<std::string> names;
    do {
        names.push_back(Fmt("%s(0x%X,%u)", data.cFileName, static_cast<unsigned>(data.dwFileAttributes),
                            static_cast<unsigned>(data.nFileSizeLow)));
        if (std::strcmp(data.cFileName, "Long Directory Name") == 0) alias = data.cAlternateFileName + alias;
        if (std::strcmp(data.cFileName, "a.txt") == 0) alias += Fmt("[%s]", data.cAlternateFileName);
    } while (FindNextFileA(h, &data));
    error += "/" + Err();
    FindClose(h);
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
}

void Searches() {
    const char* patterns[] = {"*.txt", "a*", "*", "?.txt", "*.TXT", "Long*", "LONGDI~1", "none*", "c.txt",
                              "nodir\\*", "sub*"};
    for (const char* p : patterns) {
        std::string error, alias;
        std::string list = Listing(Work(p), error, alias);
        Report(Fmt("FindFirstFileA %s", p), list + " err=" + error);
        if (std::strcmp(p, "Long*") == 0) Report(Fmt("FindFirstFileA %s short names", p), "<" + alias + ">");
    }
    WIN32_FIND_DATAA data;
    Mark();
    BOOL ok = FindNextFileA(INVALID_HANDLE_VALUE, &data);
    ReportCall("FindNextFileA invalid handle", ok);
    Mark();
    ok = FindClose(INVALID_HANDLE_VALUE);
    ReportCall("FindClose invalid handle", ok);
}

// A call that fills a buffer with a path: its result with a large buffer, an
// exact one, one character short, and no buffer.
template <typename Call>
void BufferSizes(const std::string& name, Call call) {
    char full[MAX_PATH] = "";
    Mark();
    DWORD length = call(sizeof full, full);
    std::string error = Err();
    Report(name, Fmt("ret=len%+d err=%s ends-with-backslash=%d", static_cast<int>(length - std::strlen(full)),
                     error.c_str(), full[0] && full[std::strlen(full) - 1] == '\\'));
    DWORD need = static_cast<DWORD>(std::strlen(full));
    char buffer[MAX_PATH];
    const DWORD sizes[] = {need + 1, need, need - 1, 1, 0};
    const char* const roles[] = {"exact", "one short", "two short", "of 1", "of 0"};
    for (int i = 0; i < 5; ++i) {
        DWORD size = sizes[i];
        std::memset(buffer, 'x', sizeof buffer);
        Mark();
        DWORD got = call(size, size ? buffer : nullptr);
        std::string e = Err();
        std::string content = !size ? "none"
                              : std::memchr(buffer, 0, size + 1) == nullptr ? "unterminated"
                              : std::strcmp(buffer, full) == 0 ? "full"
                              : buffer[0] == 'x' ? "untouched"
                              : std::strncmp(buffer, full, std::strlen(buffer)) == 0
                                  ? Fmt("prefix%d", static_cast<int>(std::strlen(buffer)))
                                  : "other";
        Report(Fmt("%s buffer %s", name.c_str(), roles[i]),
               Fmt("ret=len%+d err=%s buffer=%s", static_cast<int>(got - need), e.c_str(), content.c_str()));
    }
}

}  // namespace

void CheckFileNames() {
    TempNames();
    ShortNames();
    Searches();
    BufferSizes("GetTempPathA", [](DWORD size, LPSTR buffer) { return GetTempPathA(size, buffer); });
    BufferSizes("GetModuleFileNameA",
                [](DWORD size, LPSTR buffer) { return GetModuleFileNameA(nullptr, buffer, size); });
    BufferSizes("GetWindowsDirectoryA",
                [](DWORD size, LPSTR buffer) { return static_cast<DWORD>(GetWindowsDirectoryA(buffer, size)); });
    BufferSizes("GetSystemDirectoryA",
                [](DWORD size, LPSTR buffer) { return static_cast<DWORD>(GetSystemDirectoryA(buffer, size)); });
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof module);
    Report("GetModuleFileNameA", module);
}

}  // namespace conformance
