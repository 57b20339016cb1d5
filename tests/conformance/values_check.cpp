// Registry values: every type, their sizes, and queries with small and
// missing buffers.
#include <cstring>

#include "check.h"

namespace conformance {
namespace {

const char kKey[] = "Software\\ConformanceTest\\Values";

void ReportSet(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    Mark();
    LONG status = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    Report(Fmt("RegSetValueExA %s", name ? name : "(null)"),
           Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
}

// The value read back with a large buffer, then its size query.
void ReportQuery(HKEY key, const char* name) {
    BYTE data[256];
    std::memset(data, 0xCC, sizeof data);
    DWORD type = 99, size = sizeof data;
    Mark();
    LONG status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    std::string error = Err();
    Report(Fmt("RegQueryValueExA %s", name ? name : "(null)"),
           Fmt("status=%d err=%s type=%u size=%u data=%s", static_cast<int>(status), error.c_str(),
               static_cast<unsigned>(type), static_cast<unsigned>(size),
               Hex(data, status == ERROR_SUCCESS && size <= 40 ? size + 2 : 0).c_str()));
}

void ReportSizes(HKEY key, const char* name, DWORD small) {
    BYTE data[256];
    std::memset(data, 0xCC, sizeof data);
    DWORD type = 99, size = 0;
    Mark();
    LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string error = Err();
    Report(Fmt("RegQueryValueExA %s without buffer", name),
           Fmt("status=%d err=%s type=%u size=%u", static_cast<int>(status), error.c_str(),
               static_cast<unsigned>(type), static_cast<unsigned>(size)));
    DWORD exact = size;
    size = small;
    Mark();
    status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    error = Err();
    Report(Fmt("RegQueryValueExA %s buffer of %u", name, static_cast<unsigned>(small)),
           Fmt("status=%d err=%s size=%u data=%s", static_cast<int>(status), error.c_str(),
               static_cast<unsigned>(size), Hex(data, small + 1).c_str()));
    size = exact;
    Mark();
    status = RegQueryValueExA(key, name, nullptr, nullptr, data, &size);
    error = Err();
    Report(Fmt("RegQueryValueExA %s exact buffer", name),
           Fmt("status=%d err=%s size=%u", static_cast<int>(status), error.c_str(), static_cast<unsigned>(size)));
    Mark();
    status = RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr);
    error = Err();
    Report(Fmt("RegQueryValueExA %s type only", name),
           Fmt("status=%d err=%s type=%u", static_cast<int>(status), error.c_str(), static_cast<unsigned>(type)));
}

}  // namespace

void CheckRegistryValues() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD dword = 0x12345678;
    const BYTE bigEndian[] = {0x12, 0x34, 0x56, 0x78};
    const BYTE binary[] = {0x00, 0xFF, 0x10, 0x80, 0x7F};
    const char multi[] = "first\0second\0";
    const char multiEmpty[] = "\0";
    const char multiBlank[] = "a\0\0b\0";
    ReportSet(key, "sz", REG_SZ, "text", 5);
    ReportSet(key, "szNoNul", REG_SZ, "text", 4);
    ReportSet(key, "szEmpty", REG_SZ, "", 1);
    ReportSet(key, "szZero", REG_SZ, "", 0);
    ReportSet(key, "expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
    ReportSet(key, "binary", REG_BINARY, binary, sizeof binary);
    ReportSet(key, "binaryEmpty", REG_BINARY, binary, 0);
    ReportSet(key, "dword", REG_DWORD, &dword, sizeof dword);
    ReportSet(key, "dwordShort", REG_DWORD, &dword, 2);
    ReportSet(key, "bigEndian", REG_DWORD_BIG_ENDIAN, bigEndian, sizeof bigEndian);
    ReportSet(key, "multi", REG_MULTI_SZ, multi, sizeof multi);
    ReportSet(key, "multiEmpty", REG_MULTI_SZ, multiEmpty, sizeof multiEmpty);
    ReportSet(key, "multiBlank", REG_MULTI_SZ, multiBlank, sizeof multiBlank);
    ReportSet(key, "none", REG_NONE, binary, 3);
    ReportSet(key, "typeless", 0x1234, binary, 2);
    ReportSet(key, nullptr, REG_SZ, "default", 8);
    ReportSet(key, "Mixed Case", REG_SZ, "m", 2);
    const char* names[] = {"sz",         "szNoNul", "szEmpty", "szZero", "expand",     "binary",
                           "binaryEmpty", "dword",   "dwordShort", "bigEndian", "multi", "multiEmpty",
                           "multiBlank", "none",    "typeless", "",       "MIXED CASE", "missing"};
    for (const char* name : names) ReportQuery(key, name);
    ReportQuery(key, nullptr);
    ReportSizes(key, "sz", 2);
    ReportSizes(key, "dword", 3);
    ReportSizes(key, "multi", 6);
    ReportSizes(key, "binary", 0);

    ReportSet(key, "sz", REG_DWORD, &dword, sizeof dword);
    ReportQuery(key, "sz");
    Mark();
    LONG status = RegDeleteValueA(key, "dword");
    Report("RegDeleteValueA", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    Mark();
    status = RegDeleteValueA(key, "dword");
    Report("RegDeleteValueA missing", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    Mark();
    status = RegDeleteValueA(key, "mixed case");
    Report("RegDeleteValueA other case", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    RegCloseKey(key);
}

}  // namespace conformance
