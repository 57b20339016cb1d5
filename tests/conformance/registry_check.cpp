// Registry keys: creation, opening, deletion, enumeration and key facts.
#include "check.h"

namespace conformance {
namespace {

const char kRoot[] = "Software\\ConformanceTest";

void ReportCreate(const std::string& name, HKEY parent, const char* sub) {
    HKEY key = nullptr;
    DWORD disposition = 77;
    Mark();
    LONG status = RegCreateKeyExA(parent, sub, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition);
    Report(name, Fmt("status=%d err=%s disposition=%u key=%s", static_cast<int>(status), Err().c_str(),
                     static_cast<unsigned>(disposition), key ? "set" : "null"));
    if (key) RegCloseKey(key);
}

void ReportOpen(const std::string& name, HKEY parent, const char* sub) {
    HKEY key = nullptr;
    Mark();
    LONG status = RegOpenKeyExA(parent, sub, 0, KEY_READ, &key);
    Report(name, Fmt("status=%d err=%s key=%s", static_cast<int>(status), Err().c_str(), key ? "set" : "null"));
    if (key) RegCloseKey(key);
}

void Enumerate(HKEY key) {
    for (DWORD i = 0; i < 5; ++i) {
        char name[64] = "";
        DWORD size = sizeof name;
        Mark();
        LONG status = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        Report(Fmt("RegEnumKeyExA index %u", static_cast<unsigned>(i)),
               Fmt("status=%d err=%s name=%s size=%u", static_cast<int>(status), Err().c_str(),
                   status == ERROR_SUCCESS ? name : "", static_cast<unsigned>(size)));
    }
    char small[4] = "";
    DWORD size = sizeof small;
    Mark();
    LONG status = RegEnumKeyExA(key, 0, small, &size, nullptr, nullptr, nullptr, nullptr);
    Report("RegEnumKeyExA short buffer", Fmt("status=%d err=%s size=%u", static_cast<int>(status), Err().c_str(),
                                             static_cast<unsigned>(size)));
    DWORD subKeys = 99, maxSub = 99, values = 99, maxName = 99, maxValue = 99;
    Mark();
    status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxValue,
                              nullptr, nullptr);
    Report("RegQueryInfoKeyA", Fmt("status=%d err=%s subkeys=%u maxsubkey=%u values=%u maxname=%u maxvalue=%u",
                                   static_cast<int>(status), Err().c_str(), static_cast<unsigned>(subKeys),
                                   static_cast<unsigned>(maxSub), static_cast<unsigned>(values),
                                   static_cast<unsigned>(maxName), static_cast<unsigned>(maxValue)));
}

}  // namespace

void CheckRegistry() {
    std::string root = kRoot;
    ReportCreate("RegCreateKeyExA new key", HKEY_CURRENT_USER, kRoot);
    ReportCreate("RegCreateKeyExA existing key", HKEY_CURRENT_USER, kRoot);
    ReportCreate("RegCreateKeyExA existing key other case", HKEY_CURRENT_USER, "SOFTWARE\\conformancetest");
    ReportCreate("RegCreateKeyExA several levels", HKEY_CURRENT_USER, (root + "\\Beta\\Inner\\Deep").c_str());
    ReportCreate("RegCreateKeyExA trailing backslash", HKEY_CURRENT_USER, (root + "\\Alpha\\").c_str());
    ReportCreate("RegCreateKeyExA HKLM", HKEY_LOCAL_MACHINE, kRoot);
    HKEY key = nullptr;
    Mark();
    LONG status = RegCreateKeyA(HKEY_CURRENT_USER, (root + "\\gamma").c_str(), &key);
    Report("RegCreateKeyA", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    RegCloseKey(key);

    ReportOpen("RegOpenKeyExA existing", HKEY_CURRENT_USER, kRoot);
    ReportOpen("RegOpenKeyExA other case", HKEY_CURRENT_USER, "software\\CONFORMANCETEST\\beta");
    ReportOpen("RegOpenKeyExA missing", HKEY_CURRENT_USER, "Software\\ConformanceTest\\Missing");
    ReportOpen("RegOpenKeyExA missing parent", HKEY_CURRENT_USER, "Software\\ConformanceTest\\No\\Such");
    ReportOpen("RegOpenKeyExA leading backslash", HKEY_CURRENT_USER, "\\Software\\ConformanceTest");

    key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, kRoot, 0, KEY_ALL_ACCESS, &key);
    Enumerate(key);

    Mark();
    status = RegDeleteKeyA(key, "Beta");
    Report("RegDeleteKeyA key with subkeys", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    ReportOpen("RegDeleteKeyA key with subkeys leaves it", key, "Beta\\Inner");
    Mark();
    status = RegDeleteKeyA(key, "Beta\\Inner\\Deep");
    Report("RegDeleteKeyA leaf by path", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    Mark();
    status = RegDeleteKeyA(key, "Missing");
    Report("RegDeleteKeyA missing", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    Mark();
    status = RegDeleteKeyA(key, "GAMMA");
    Report("RegDeleteKeyA other case", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    RegCloseKey(key);

    HKEY opened = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, (root + "\\Alpha").c_str(), 0, KEY_ALL_ACCESS, &opened);
    RegDeleteKeyA(HKEY_CURRENT_USER, (root + "\\Alpha").c_str());
    DWORD value = 1;
    Mark();
    status = RegSetValueExA(opened, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
    Report("RegSetValueExA on a deleted key", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    RegCloseKey(opened);

    RegOpenKeyExA(HKEY_CURRENT_USER, kRoot, 0, KEY_READ, &opened);
    Mark();
    status = RegSetValueExA(opened, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
    Report("RegSetValueExA on a key opened for reading",
           Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
    RegCloseKey(opened);
    Mark();
    status = RegCloseKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)));
    Report("RegCloseKey invalid", Fmt("status=%d err=%s", static_cast<int>(status), Err().c_str()));
}

}  // namespace conformance
