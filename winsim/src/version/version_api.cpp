// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA.
//
// The block handed to the caller is laid out as Windows lays it out for a
// 32-bit resource: the resource itself (wLength bytes), the signature
// "FE2X", then as much room again, where VerQueryValueA puts the ANSI copy
// of a text value at the value's own offset. So the size asked for is
// twice the resource plus 4.
//
// A VxD (an LE executable) carries a 16-bit resource: ANSI already, so its
// block is the resource alone and queries point into it. The Windows 95
// family reads it; the NT family's version calls fail for a VxD and leave
// the last error 0 (Microsoft's KB Q201685), and so does Win32s.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>

#include "kernel32/files/file_object.h"
#include "kernel32/files/sharing.h"
#include "kernel32/locale/codepage.h"
#include "le_image.h"
#include "machine/faults.h"
#include "version/le_version.h"
#include "version/pe_resources.h"
#include "version/version_block.h"
#include "winsim/machine.h"

namespace {

constexpr char kSignature[4] = {'F', 'E', '2', 'X'};

// The blocks GetFileVersionInfoA filled, with the size the caller gave, so
// that a query never reads or writes past a block that was given too small.
// A block not listed here (a copy the caller made) is trusted as Windows
// trusts it: by its own wLength.
struct FilledBlocks {
    std::mutex lock;
    std::map<const void*, DWORD> sizes;
};

FilledBlocks& Filled() {
    static FilledBlocks blocks;
    return blocks;
}

bool KnownSize(const void* block, DWORD& size) {
    FilledBlocks& f = Filled();
    std::lock_guard<std::mutex> guard(f.lock);
    auto it = f.sizes.find(block);
    if (it == f.sizes.end()) return false;
    size = it->second;
    return true;
}

// Reads the version resource of `path`; on failure sets the last error.
// `narrow` tells a 16-bit resource (a VxD's) from a 32-bit one.
bool LoadResource(LPCSTR path, std::vector<uint8_t>& resource, bool& narrow) {
    narrow = false;
    winsim::ResolvedPath file;
    if (!winsim::ResolveExisting(path, file)) return false;
    struct stat st;
    if (stat(file.host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    unsigned long shareId = 0;
    if (!winsim::RegisterOpen(file.host, GENERIC_READ, FILE_SHARE_READ, shareId)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    int fd = open(file.host.c_str(), O_RDONLY | O_CLOEXEC);
    DWORD error = ERROR_ACCESS_DENIED;
    bool refused = false;
    if (fd >= 0) {
        std::string why;
        winsim::FileBytes bytes(fd);
        narrow = winsim::IsLeImage(bytes);
        if (narrow && winsim::CurrentProfile().platformId != 1) refused = true;
        else if (narrow) error = winsim::ReadLeVersion(bytes, resource, why);
        else error = winsim::ReadVersionResource(bytes, resource, why);
        close(fd);
    }
    winsim::UnregisterOpen(shareId);
    if (refused) {
        resource.clear();
        SetLastError(ERROR_SUCCESS);
        return false;
    }
    if (narrow) {
        // The reader has checked the tree and cut it to the root's length.
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return false;
        }
        return true;
    }
    winsim::VersionBlock root;
    if (error == ERROR_SUCCESS && !winsim::ReadVersionRoot(resource.data(), resource.size(), root))
        error = ERROR_INVALID_DATA;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return false;
    }
    resource.resize(root.end);  // padding behind the tree is not part of it
    return true;
}

uint16_t RootLength(const void* block) {
    const uint8_t* p = static_cast<const uint8_t*>(block);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A query of a 16-bit block: every value, text or not, is returned where it
// lies, with its wValueLength (bytes; a text's NUL counted).
BOOL QueryNarrow(const uint8_t* base, size_t treeSize, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    le::Block16 found;
    if (!le::FindBlock16(base, treeSize, subBlock, found) || (found.offset == 0 && found.valueBytes == 0)) {
        if (length) *length = 0;
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *buffer = const_cast<uint8_t*>(base + found.valueOffset);
    if (length) *length = static_cast<UINT>(found.valueBytes);
    return TRUE;
}

}  // namespace

extern "C" DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    if (handle) *handle = 0;
    if (winsim::FailsHere("GetFileVersionInfoSizeA", false)) return 0;
    std::vector<uint8_t> resource;
    bool narrow = false;
    if (!LoadResource(path, resource, narrow)) return 0;
    SetLastError(ERROR_SUCCESS);
    if (narrow) return static_cast<DWORD>(resource.size());
    return static_cast<DWORD>(resource.size() * 2 + sizeof kSignature);
}

// A block smaller than the resource receives its beginning, as on Windows;
// queries then find only what lies inside it.
extern "C" BOOL WINAPI GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID data) {
    if (winsim::FailsHere("GetFileVersionInfoA", false)) return FALSE;
    if (!data || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<uint8_t> resource;
    bool narrow = false;
    if (!LoadResource(path, resource, narrow)) return FALSE;
    size_t copied = std::min<size_t>(size, resource.size());
    std::memcpy(data, resource.data(), copied);
    if (!narrow && size >= resource.size() + sizeof kSignature)
        std::memcpy(static_cast<uint8_t*>(data) + resource.size(), kSignature, sizeof kSignature);
    {
        FilledBlocks& f = Filled();
        std::lock_guard<std::mutex> guard(f.lock);
        f.sizes[data] = size;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (winsim::FailsHere("VerQueryValueA", false)) return FALSE;
    if (!block || !subBlock || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD capacity = 0;
    bool known = KnownSize(block, capacity);
    size_t treeSize = known && capacity < 2 ? 0 : RootLength(block);
    if (known) treeSize = std::min<size_t>(treeSize, capacity);
    const uint8_t* base = static_cast<const uint8_t*>(block);
    if (le::Is16BitTree(base, treeSize)) return QueryNarrow(base, treeSize, subBlock, buffer, length);
    winsim::VersionBlock found;
    if (!winsim::FindVersionBlock(base, treeSize, subBlock, found) || (found.offset == 0 && found.valueBytes == 0)) {
        if (length) *length = 0;
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (!found.text) {
        *buffer = const_cast<uint8_t*>(base + found.valueOffset);
        if (length) *length = static_cast<UINT>(found.valueBytes);
        return TRUE;
    }
    std::u16string text;
    for (size_t at = found.valueOffset; at + 2 <= found.valueOffset + found.valueBytes; at += 2) {
        char16_t c = static_cast<char16_t>(base[at] | base[at + 1] << 8);
        if (c == 0) break;
        text += c;
    }
    std::string ansi = winsim::AnsiFromUtf16(text);
    if (length) *length = found.valueLength == 0 ? 0 : static_cast<UINT>(ansi.size() + 1);
    if (ansi.empty()) {
        static char empty[1] = {0};
        *buffer = empty;
        return TRUE;
    }
    // The ANSI copy goes into the room behind the resource, at the value's
    // own offset: an ANSI string never needs more bytes than its UTF-16 form.
    size_t rootLength = RootLength(block);
    size_t place = rootLength + sizeof kSignature + found.valueOffset;
    if (known && place + ansi.size() + 1 > capacity) {
        if (length) *length = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    char* out = reinterpret_cast<char*>(const_cast<uint8_t*>(base)) + place;
    std::memcpy(out, ansi.c_str(), ansi.size() + 1);
    *buffer = out;
    return TRUE;
}
