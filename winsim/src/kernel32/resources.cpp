// The program's resources. A host program hands winsim its resource table
// (the same bytes the Windows build carries in its resource section); the
// calls look entries up by numeric type and name, and by language the way
// Windows' resource loader falls back.
#include <windows.h>

#include <vector>

#include "machine/faults.h"
#include "winsim/machine.h"
#include "winsim/module_resources.h"

namespace {

const WinsimResourceTable* moduleResources = nullptr;

// Resource handles point at the table entry itself; the data is constant.
const WinsimResource* EntryOf(HRSRC handle) { return reinterpret_cast<const WinsimResource*>(handle); }

bool Numeric(LPCSTR id, unsigned short& value) {
    if (!IS_INTRESOURCE(id)) return false;
    value = static_cast<unsigned short>(reinterpret_cast<ULONG_PTR>(id));
    return true;
}

bool Known(const WinsimResource* entry) {
    return moduleResources && entry >= moduleResources->entries &&
           entry < moduleResources->entries + moduleResources->count;
}

}  // namespace

namespace winsim {
void SetModuleResources(const WinsimResourceTable* table) { moduleResources = table; }
}  // namespace winsim

namespace {

// The languages FindResourceExA tries, in order: the one asked for, its
// primary language with the neutral sublanguage, and the neutral language;
// for a neutral request then the thread's (the user's) language, its primary
// language, the system's language (the same on a winsim machine), US English
// and last whatever language comes first.
std::vector<WORD> CandidateLanguages(WORD language) {
    auto primary = [](WORD id) { return static_cast<WORD>(PRIMARYLANGID(id)); };
    std::vector<WORD> order = {language, primary(language), 0};
    if (primary(language) == LANG_NEUTRAL) {
        WORD user = GetUserDefaultLangID();
        order.insert(order.end(), {user, primary(user), 0x0409});
    }
    return order;
}

}  // namespace

extern "C" HRSRC WINAPI FindResourceExA(HMODULE, LPCSTR type, LPCSTR name, WORD language) {
    if (winsim::FailsHere("FindResourceExA", false)) return nullptr;
    unsigned short t, n;
    if (!moduleResources || !Numeric(type, t) || !Numeric(name, n)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    const WinsimResource* first = nullptr;
    bool typeSeen = false;
    for (unsigned i = 0; i < moduleResources->count; ++i) {
        const WinsimResource& r = moduleResources->entries[i];
        typeSeen = typeSeen || r.type == t;
        if (r.type == t && r.name == n && !first) first = &r;
    }
    if (!first) {
        SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    for (WORD candidate : CandidateLanguages(language)) {
        for (unsigned i = 0; i < moduleResources->count; ++i) {
            const WinsimResource& r = moduleResources->entries[i];
            if (r.type == t && r.name == n && r.language == candidate)
                return reinterpret_cast<HRSRC>(const_cast<WinsimResource*>(&r));
        }
    }
    if (PRIMARYLANGID(language) == LANG_NEUTRAL) return reinterpret_cast<HRSRC>(const_cast<WinsimResource*>(first));
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return nullptr;
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE, HRSRC handle) {
    if (winsim::FailsHere("LoadResource", false)) return nullptr;
    if (!Known(EntryOf(handle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<HGLOBAL>(handle);
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL data) {
    const WinsimResource* entry = reinterpret_cast<const WinsimResource*>(data);
    return Known(entry) ? const_cast<unsigned char*>(entry->data) : nullptr;
}

extern "C" DWORD WINAPI SizeofResource(HMODULE, HRSRC handle) {
    const WinsimResource* entry = EntryOf(handle);
    return Known(entry) ? entry->size : 0;
}

extern "C" BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }

// Languages are reported in the table's order, which is LANGID order.
extern "C" BOOL WINAPI EnumResourceLanguagesA(HMODULE module, LPCSTR type, LPCSTR name, ENUMRESLANGPROCA callback,
                                              LONG_PTR parameter) {
    if (winsim::FailsHere("EnumResourceLanguagesA", false)) return FALSE;
    unsigned short t, n;
    if (!moduleResources || !callback || !Numeric(type, t) || !Numeric(name, n)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    for (unsigned i = 0; i < moduleResources->count; ++i) {
        const WinsimResource& r = moduleResources->entries[i];
        if (r.type == t && r.name == n && !callback(module, type, name, r.language, parameter)) break;
    }
    return TRUE;
}
