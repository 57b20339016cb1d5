// The registry calls over the machine's hives. A key handle remembers the
// hive and the names of its path; every call brings the hive up to date
// under the registry lock, so that several processes see one registry, and
// every change is in the hive's journal before the call returns.
#include <cstring>
#include <set>

#include "machine/faults.h"
#include "machine/machine_state.h"
#include "machine/registry_journal.h"
#include "machine/registry_store.h"

namespace {

using winsim::Hive;
using winsim::RegKey;
using winsim::RegValue;

struct KeyHandle {
    Hive hive;
    std::vector<std::string> names;
    REGSAM access;
};

std::set<KeyHandle*>& OpenKeys() {
    static std::set<KeyHandle*> keys;
    return keys;
}

constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;

bool Predefined(HKEY key, Hive& hive) {
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(key);
    for (int h = 0; h < winsim::kHiveCount; ++h) {
        if (value == static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000u + static_cast<unsigned>(h)))) {
            hive = static_cast<Hive>(h);
            return true;
        }
    }
    return false;
}

// The hive, path and access behind a handle; false for a handle not open.
bool Describe(HKEY key, KeyHandle& out) {
    Hive hive;
    if (Predefined(key, hive)) {
        out = {hive, {}, KEY_ALL_ACCESS};
        return true;
    }
    KeyHandle* handle = reinterpret_cast<KeyHandle*>(key);
    if (!OpenKeys().count(handle)) return false;
    out = *handle;
    return true;
}

// Machine-wide keys are the administrators' on the NT family.
bool WriteDenied(Hive hive, REGSAM access) {
    const winsim::Profile& p = winsim::Machine();
    return (access & kWriteAccess) && !p.admin && p.platformId == 2 &&
           (hive == winsim::kLocalMachine || hive == winsim::kClassesRoot || hive == winsim::kUsers);
}

HKEY NewHandle(Hive hive, std::vector<std::string> names, REGSAM access) {
    KeyHandle* handle = new KeyHandle{hive, std::move(names), access};
    OpenKeys().insert(handle);
    return reinterpret_cast<HKEY>(handle);
}

struct Located {
    KeyHandle parent;
    std::vector<std::string> names;  // the full path of the named key
};

// Resolves (key, subKey) to a full path. Returns an error code or 0.
LONG Locate(HKEY key, LPCSTR subKey, Located& out) {
    if (!Describe(key, out.parent)) return ERROR_INVALID_HANDLE;
    std::string sub = subKey ? subKey : "";
    if (!sub.empty() && sub[0] == '\\') return ERROR_BAD_PATHNAME;
    std::vector<std::string> names;
    if (!winsim::SplitKeyPath(sub, names)) return ERROR_BAD_PATHNAME;
    for (const std::string& n : names)
        if (n.size() > 255) return ERROR_INVALID_PARAMETER;
    out.names = out.parent.names;
    out.names.insert(out.names.end(), names.begin(), names.end());
    return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, LPCSTR subKey, REGSAM access, bool create, PHKEY result, LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    Located at;
    if (LONG error = Locate(key, subKey, at)) return error;
    if (WriteDenied(at.parent.hive, access | (create ? KEY_CREATE_SUB_KEY : 0))) return ERROR_ACCESS_DENIED;
    winsim::RegistrySession session(winsim::MachineDirectory());
    RegKey* node = session.Walk(at.parent.hive, at.parent.names);
    if (!node) return ERROR_KEY_DELETED;
    bool created = false;
    for (size_t i = at.parent.names.size(); i < at.names.size(); ++i) {
        RegKey* next = node->Find(at.names[i]);
        if (!next) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            std::unique_ptr<RegKey>& slot = node->subkeys[at.names[i]];
            slot = std::make_unique<RegKey>();
            next = slot.get();
            created = true;
        }
        node = next;
    }
    if (created && !session.Record(at.parent.hive, {winsim::RegChange::kCreateKey, at.names, {}}))
        return ERROR_CANTWRITE;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(at.parent.hive, at.names, access);
    return ERROR_SUCCESS;
}

// Runs `work` on the key behind a handle, under the registry lock.
template <typename Work>
LONG WithKey(HKEY key, REGSAM needed, Work work) {
    KeyHandle handle;
    if (!Describe(key, handle)) return ERROR_INVALID_HANDLE;
    if ((handle.access & needed) != needed) return ERROR_ACCESS_DENIED;
    winsim::RegistrySession session(winsim::MachineDirectory());
    RegKey* node = session.Walk(handle.hive, handle.names);
    if (!node) return ERROR_KEY_DELETED;
    return work(session, handle, *node);
}

}  // namespace

extern "C" LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access,
                                       LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    DWORD code;
    if (winsim::InjectedFault("RegCreateKeyExA", true, code)) return static_cast<LONG>(code);
    return OpenOrCreate(key, subKey, access, true, result, disposition);
}

extern "C" LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    DWORD code;
    if (winsim::InjectedFault("RegCreateKeyA", true, code)) return static_cast<LONG>(code);
    return OpenOrCreate(key, subKey, KEY_ALL_ACCESS, true, result, nullptr);
}

extern "C" LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    DWORD code;
    if (winsim::InjectedFault("RegOpenKeyExA", false, code)) return static_cast<LONG>(code);
    return OpenOrCreate(key, subKey, access, false, result, nullptr);
}

extern "C" LONG WINAPI RegCloseKey(HKEY key) {
    DWORD code;
    if (winsim::InjectedFault("RegCloseKey", false, code)) return static_cast<LONG>(code);
    Hive hive;
    if (Predefined(key, hive)) return ERROR_SUCCESS;
    KeyHandle* handle = reinterpret_cast<KeyHandle*>(key);
    if (!OpenKeys().erase(handle)) return ERROR_INVALID_HANDLE;
    delete handle;
    return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    DWORD code;
    if (winsim::InjectedFault("RegSetValueExA", true, code)) return static_cast<LONG>(code);
    if (!data && size) return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_SET_VALUE, [&](winsim::RegistrySession& s, const KeyHandle& h, RegKey& node) -> LONG {
        if (WriteDenied(h.hive, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
        RegValue value{name ? name : "", type, std::vector<BYTE>(data, data + size)};
        if (RegValue* old = node.FindValue(value.name)) {
            old->type = value.type;
            old->data = value.data;
        } else {
            node.values.push_back(value);
        }
        return s.Record(h.hive, {winsim::RegChange::kSetValue, h.names, value}) ? ERROR_SUCCESS : ERROR_CANTWRITE;
    });
}

extern "C" LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                                        LPDWORD size) {
    DWORD code;
    if (winsim::InjectedFault("RegQueryValueExA", false, code)) return static_cast<LONG>(code);
    if (data && !size) return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_QUERY_VALUE, [&](winsim::RegistrySession&, const KeyHandle&, RegKey& node) -> LONG {
        RegValue* value = node.FindValue(name ? name : "");
        if (type) *type = value ? value->type : REG_NONE;
        if (!value) return ERROR_FILE_NOT_FOUND;
        DWORD needed = static_cast<DWORD>(value->data.size());
        if (!size) return ERROR_SUCCESS;
        DWORD room = *size;
        *size = needed;
        if (!data) return ERROR_SUCCESS;
        if (room < needed) return ERROR_MORE_DATA;
        if (needed) std::memcpy(data, value->data.data(), needed);
        // A string stored without its terminator gets one when there is room, as on NT.
        bool text = value->type == REG_SZ || value->type == REG_EXPAND_SZ || value->type == REG_MULTI_SZ;
        if (text && needed && data[needed - 1] != 0 && room > needed) {
            data[needed] = 0;
            *size = needed + 1;
        }
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name) {
    DWORD code;
    if (winsim::InjectedFault("RegDeleteValueA", true, code)) return static_cast<LONG>(code);
    return WithKey(key, KEY_SET_VALUE, [&](winsim::RegistrySession& s, const KeyHandle& h, RegKey& node) -> LONG {
        if (WriteDenied(h.hive, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
        std::string wanted = name ? name : "";
        for (size_t i = 0; i < node.values.size(); ++i) {
            if (winsim::EqualNoCase(node.values[i].name, wanted)) {
                node.values.erase(node.values.begin() + static_cast<long>(i));
                RegValue gone{wanted, REG_NONE, {}};
                return s.Record(h.hive, {winsim::RegChange::kDeleteValue, h.names, gone}) ? ERROR_SUCCESS
                                                                                           : ERROR_CANTWRITE;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

// The NT family deletes only keys without subkeys; the Windows 95 family
// deletes the whole subtree.
extern "C" LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    DWORD code;
    if (winsim::InjectedFault("RegDeleteKeyA", true, code)) return static_cast<LONG>(code);
    if (!subKey || !*subKey) return ERROR_BADKEY;
    Located at;
    if (LONG error = Locate(key, subKey, at)) return error;
    if (WriteDenied(at.parent.hive, DELETE)) return ERROR_ACCESS_DENIED;
    winsim::RegistrySession session(winsim::MachineDirectory());
    std::vector<std::string> parentNames(at.names.begin(), at.names.end() - 1);
    RegKey* parent = session.Walk(at.parent.hive, parentNames);
    RegKey* target = parent ? parent->Find(at.names.back()) : nullptr;
    if (!target) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys.empty() && winsim::Machine().platformId == 2) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(at.names.back());
    return session.Record(at.parent.hive, {winsim::RegChange::kDeleteKey, at.names, {}}) ? ERROR_SUCCESS
                                                                                           : ERROR_CANTWRITE;
}

extern "C" LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR,
                                     LPDWORD, PFILETIME) {
    DWORD code;
    if (winsim::InjectedFault("RegEnumKeyExA", false, code)) return static_cast<LONG>(code);
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS,
                   [&](winsim::RegistrySession&, const KeyHandle&, RegKey& node) -> LONG {
                       if (index >= node.subkeys.size()) return ERROR_NO_MORE_ITEMS;
                       auto it = node.subkeys.begin();
                       std::advance(it, index);
                       const std::string& found = it->first;
                       if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
                       std::memcpy(name, found.c_str(), found.size() + 1);
                       *nameSize = static_cast<DWORD>(found.size());
                       return ERROR_SUCCESS;
                   });
}

// Values in the order they were first set, as RegEnumValueA walks them.
extern "C" LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
    DWORD code;
    if (winsim::InjectedFault("RegEnumValueA", false, code)) return static_cast<LONG>(code);
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_QUERY_VALUE, [&](winsim::RegistrySession&, const KeyHandle&, RegKey& node) -> LONG {
        if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
        const RegValue& value = node.values[index];
        if (value.name.size() + 1 > *nameSize) return ERROR_MORE_DATA;
        std::memcpy(name, value.name.c_str(), value.name.size() + 1);
        *nameSize = static_cast<DWORD>(value.name.size());
        if (type) *type = value.type;
        if (dataSize) {
            DWORD room = *dataSize;
            *dataSize = static_cast<DWORD>(value.data.size());
            if (data && room < value.data.size()) return ERROR_MORE_DATA;
            if (data && !value.data.empty()) std::memcpy(data, value.data.data(), value.data.size());
        }
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR, LPDWORD, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                                        LPDWORD, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                                        LPDWORD, PFILETIME) {
    DWORD code;
    if (winsim::InjectedFault("RegQueryInfoKeyA", false, code)) return static_cast<LONG>(code);
    return WithKey(key, KEY_QUERY_VALUE, [&](winsim::RegistrySession&, const KeyHandle&, RegKey& node) -> LONG {
        DWORD longestKey = 0, longestName = 0, longestData = 0;
        for (const auto& [n, sub] : node.subkeys) longestKey = std::max(longestKey, static_cast<DWORD>(n.size()));
        for (const RegValue& v : node.values) {
            longestName = std::max(longestName, static_cast<DWORD>(v.name.size()));
            longestData = std::max(longestData, static_cast<DWORD>(v.data.size()));
        }
        if (subKeys) *subKeys = static_cast<DWORD>(node.subkeys.size());
        if (maxSubKeyLen) *maxSubKeyLen = longestKey;
        if (values) *values = static_cast<DWORD>(node.values.size());
        if (maxValueNameLen) *maxValueNameLen = longestName;
        if (maxValueLen) *maxValueLen = longestData;
        return ERROR_SUCCESS;
    });
}

namespace winsim {

bool ExportRegistry(const std::string& dir, const std::string& key, std::string& text, std::string& error) {
    RegistrySession session(dir);
    text = "REGEDIT4\r\n\r\n";
    if (key.empty()) {
        for (int h = 0; h < kHiveCount; ++h) WriteRegedit(session.Root(static_cast<Hive>(h)), HiveName(static_cast<Hive>(h)), text);
        return true;
    }
    size_t slash = key.find('\\');
    Hive hive;
    std::vector<std::string> names;
    if (!HiveFromName(key.substr(0, slash), hive) ||
        !SplitKeyPath(slash == std::string::npos ? "" : key.substr(slash + 1), names)) {
        error = "not a registry key: " + key;
        return false;
    }
    RegKey* node = session.Walk(hive, names);
    if (!node) {
        error = "no such key: " + key;
        return false;
    }
    std::string path = HiveName(hive);
    for (const std::string& n : names) path += "\\" + n;
    WriteRegedit(*node, path, text);
    return true;
}

}  // namespace winsim
