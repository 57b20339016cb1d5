// The program's resources. A host program hands winsim its resource table
// (the same bytes the Windows build carries in its resource section); the
// calls look entries up by numeric type, name and exact language.
#include <windows.h>

#include "faults.h"
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

extern "C" HRSRC WINAPI FindResourceExA(HMODULE, LPCSTR type, LPCSTR name, WORD language) {
    if (winsim::FailsHere("FindResourceExA", false)) return nullptr;
    unsigned short t, n;
    if (!moduleResources || !Numeric(type, t) || !Numeric(name, n)) {
        SetLastError(1813 /* ERROR_RESOURCE_TYPE_NOT_FOUND */);
        return nullptr;
    }
    for (unsigned i = 0; i < moduleResources->count; ++i) {
        const WinsimResource& r = moduleResources->entries[i];
        if (r.type == t && r.name == n && r.language == language)
            return reinterpret_cast<HRSRC>(const_cast<WinsimResource*>(&r));
    }
    SetLastError(1815 /* ERROR_RESOURCE_LANG_NOT_FOUND */);
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
        SetLastError(1813 /* ERROR_RESOURCE_TYPE_NOT_FOUND */);
        return FALSE;
    }
    for (unsigned i = 0; i < moduleResources->count; ++i) {
        const WinsimResource& r = moduleResources->entries[i];
        if (r.type == t && r.name == n && !callback(module, type, name, r.language, parameter)) break;
    }
    return TRUE;
}
