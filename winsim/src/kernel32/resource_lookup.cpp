// A resource of the program's module for the calls that load their own
// (dialog boxes, bitmaps, icons), found in the languages FindResourceA
// tries: neutral, the user's language, its primary language, US English,
// and then whichever language the module has it in.
#include "kernel32/resource_lookup.h"

#include <vector>

namespace winsim {
namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

}  // namespace

bool FindModuleResource(HINSTANCE module, WORD type, LPCSTR name, ResourceBytes& out) {
    WORD ordinal = 0;
    if (!name || !ResourceOrdinal(name, ordinal)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    LPCSTR typeId = MAKEINTRESOURCEA(type), nameId = MAKEINTRESOURCEA(ordinal);
    LANGID user = GetUserDefaultLangID();
    std::vector<WORD> languages = {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), user,
                                   static_cast<WORD>(MAKELANGID(PRIMARYLANGID(user), SUBLANG_DEFAULT)), 0x0409};
    std::vector<WORD> present;
    EnumResourceLanguagesA(module, typeId, nameId, CollectLanguage, reinterpret_cast<LONG_PTR>(&present));
    if (present.empty()) {
        // It sets the error Windows gives: no such type (1813) or no such name (1814).
        FindResourceExA(module, typeId, nameId, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        return false;
    }
    languages.push_back(present.front());
    for (WORD language : languages) {
        HRSRC found = FindResourceExA(module, typeId, nameId, language);
        if (!found) continue;
        HGLOBAL loaded = LoadResource(module, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return false;
        out.data = static_cast<const uint8_t*>(data);
        out.size = SizeofResource(module, found);
        return true;
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
}

}  // namespace winsim
