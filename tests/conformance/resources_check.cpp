// Version resources of real PE files and of a VxD (an LE executable), and
// the program's own string table found by language.
#include <cstring>
#include <vector>

#include "check.h"

namespace conformance {
namespace {

// Two of Wine's own PE files, copied next to the program by compare.sh.
const char* const kPeFiles[] = {"C:\\PE1.DLL", "C:\\PE2.DLL"};

void QueryString(const std::string& file, const std::vector<char>& block, const std::string& sub) {
    LPVOID value = nullptr;
    UINT length = 77;
    Mark();
    BOOL ok = VerQueryValueA(block.data(), sub.c_str(), &value, &length);
    std::string error = Err();
    Report(Fmt("VerQueryValueA %s %s", file.c_str(), sub.c_str()),
           Fmt("ret=%d err=%s length=%u value=%s", ok, error.c_str(), length,
               ok && value ? static_cast<const char*>(value) : ""));
}

void VersionOf(const char* path) {
    std::string file = std::string(path).substr(3);
    DWORD handle = 77;
    Mark();
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ReportCall("GetFileVersionInfoSizeA " + file, size > 0 ? 1 : 0, Fmt("handle=%u", static_cast<unsigned>(handle)));
    if (!size) return;
    std::vector<char> block(size);
    Mark();
    BOOL ok = GetFileVersionInfoA(path, 0, size, block.data());
    ReportCall("GetFileVersionInfoA " + file, ok);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    Mark();
    ok = VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length);
    std::string error = Err();
    if (ok && fixed)
        Report("VerQueryValueA " + file + " root",
               Fmt("ret=%d err=%s length=%u signature=%08X file=%08X.%08X product=%08X.%08X os=%X type=%X", ok,
                   error.c_str(), length, static_cast<unsigned>(fixed->dwSignature),
                   static_cast<unsigned>(fixed->dwFileVersionMS), static_cast<unsigned>(fixed->dwFileVersionLS),
                   static_cast<unsigned>(fixed->dwProductVersionMS), static_cast<unsigned>(fixed->dwProductVersionLS),
                   static_cast<unsigned>(fixed->dwFileOS), static_cast<unsigned>(fixed->dwFileType)));
    else
        Report("VerQueryValueA " + file + " root", Fmt("ret=%d err=%s", ok, error.c_str()));
    WORD* translation = nullptr;
    Mark();
    ok = VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translation), &length);
    error = Err();
    Report("VerQueryValueA " + file + " translation",
           Fmt("ret=%d err=%s length=%u first=%04X%04X", ok, error.c_str(), length,
               ok && length >= 4 ? translation[0] : 0, ok && length >= 4 ? translation[1] : 0));
    std::string table = ok && length >= 4 ? Fmt("%04x%04x", translation[0], translation[1]) : "040904b0";
    for (const char* name : {"FileVersion", "ProductName", "CompanyName", "NoSuchName"})
        QueryString(file, block, "\\StringFileInfo\\" + table + "\\" + name);
    QueryString(file, block, "\\StringFileInfo\\" + table);
    QueryString(file, block, "\\NoSuchBlock");
}

// The LE stand-in VxD (mkpe's HALVIK.VXD), copied next to the program by
// compare.sh: the NT family's version calls read no VxD.
void VxdVersion() {
    const char path[] = "C:\\LE1.VXD";
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    DWORD handle = 77;
    Mark();
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ReportCall("GetFileVersionInfoSizeA LE1.VXD", size > 0 ? 1 : 0, Fmt("handle=%u", static_cast<unsigned>(handle)));
    std::vector<char> block(4096, 0);
    Mark();
    BOOL ok = GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()), block.data());
    ReportCall("GetFileVersionInfoA LE1.VXD", ok);
}

void Versions() {
    for (const char* path : kPeFiles) VersionOf(path);
    VxdVersion();
    HANDLE h = CreateFileA(Work("notpe.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, "MZ this is no program", 21, &put, nullptr);
    CloseHandle(h);
    DWORD handle = 77;
    Mark();
    DWORD size = GetFileVersionInfoSizeA(Work("notpe.exe").c_str(), &handle);
    ReportCall("GetFileVersionInfoSizeA not a PE file", size);
    Mark();
    size = GetFileVersionInfoSizeA(Work("none.dll").c_str(), &handle);
    ReportCall("GetFileVersionInfoSizeA missing file", size);
}

// The text of the one string a block holds, or what went wrong.
std::string BlockText(HRSRC found) {
    HGLOBAL loaded = LoadResource(nullptr, found);
    const WORD* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words) return "(not loaded)";
    DWORD count = SizeofResource(nullptr, found) / 2;
    for (DWORD i = 0; i < count;) {
        WORD length = words[i++];
        if (!length) continue;
        std::string text;
        for (WORD k = 0; k < length && i < count; ++k) text += static_cast<char>(words[i++]);
        return text;
    }
    return "(empty)";
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    *reinterpret_cast<std::string*>(list) += Fmt(" %04X", language);
    return TRUE;
}

void OwnStrings() {
    const WORD languages[] = {0x0000, 0x0400, 0x0800, 0x0409, 0x0407, 0x040C, 0x0809, 0x0009, 0x0C07, 0x0007};
    for (WORD block = 1; block <= 4; ++block) {
        for (WORD language : languages) {
            Mark();
            HRSRC found = FindResourceExA(nullptr, RT_STRING, MAKEINTRESOURCEA(block), language);
            std::string error = Err();
            Report(Fmt("FindResourceExA block %u language %04X", block, language),
                   Fmt("%s err=%s", found ? BlockText(found).c_str() : "null", error.c_str()));
        }
        std::string list;
        Mark();
        BOOL ok = EnumResourceLanguagesA(nullptr, RT_STRING, MAKEINTRESOURCEA(block), CollectLanguage,
                                         reinterpret_cast<LONG_PTR>(&list));
        ReportCall(Fmt("EnumResourceLanguagesA block %u", block), ok, list);
    }
    Mark();
    HRSRC found = FindResourceExA(nullptr, RT_STRING, MAKEINTRESOURCEA(9), 0x0409);
    ReportCall("FindResourceExA missing name", found != nullptr);
    Mark();
    found = FindResourceExA(nullptr, MAKEINTRESOURCEA(77), MAKEINTRESOURCEA(1), 0x0409);
    ReportCall("FindResourceExA missing type", found != nullptr);
}

}  // namespace

void CheckVersionResources() { Versions(); }
void CheckOwnResources() { OwnStrings(); }

}  // namespace conformance
