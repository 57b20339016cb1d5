// Reading linear executables (LE), the format of Windows 3.x/9x virtual
// device drivers (VxDs), without trusting a single offset in them.
//
// A VxD is an MZ program whose e_lfanew points at an "LE" header. Behind the
// standard LE header Windows 9x VxDs have an extension (IMAGE_VXD_HEADER in
// winnt.h) whose e32_winresoff/e32_winreslen fields locate the one resource
// a VxD carries: a version resource stored as a 16-bit resource file entry
// (0xFF, type 16; 0xFF, name 1; flags; size) followed by a 16-bit
// VS_VERSION_INFO tree, whose keys and strings are ANSI and whose blocks
// have no wType field. The LE resource table (e32_rsrctab/e32_rsrccnt) is
// not where Windows looks for it, and a VxD leaves that table empty.
//
// Shared by winsim's version calls and by the release checks; nothing here
// depends on winsim or on the codec.
#ifndef LE_IMAGE_H
#define LE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace le {

// Random access to a file's bytes: `read` copies `count` bytes at `offset`
// and is false when they are not all there.
struct Source {
    uint64_t size = 0;
    std::function<bool(uint64_t offset, void* out, size_t count)> read;
};

// A source over bytes the caller keeps alive for as long as the source is used.
Source FromBuffer(const uint8_t* data, size_t size);
Source FromBuffer(const std::vector<uint8_t>& bytes);

// What the LE header says, as far as these readers need it.
struct Header {
    uint32_t offset = 0;  // of the "LE" signature in the file (e_lfanew)
    uint16_t cpu = 0;     // 1 80286, 2 80386, 3 80486
    uint16_t os = 0;      // 4 for Windows 386 (a VxD)
    uint32_t moduleFlags = 0;
    uint32_t pageCount = 0, pageSize = 0, lastPageSize = 0;
    uint32_t objectTable = 0, objectCount = 0;  // offset relative to the LE header
    uint32_t residentNames = 0, entryTable = 0;  // relative to the LE header
    uint32_t dataPages = 0;                      // file offset of the first page
    bool vxdExtension = false;  // the fields below are present
    uint32_t winresOffset = 0, winresLength = 0;  // file offset and length of the version resource
    uint16_t deviceId = 0, ddkVersion = 0;
};

constexpr uint16_t kOsWindows386 = 4;
constexpr uint32_t kVxdHeaderSize = 0xC4;  // LE header with the VxD extension

enum class Status {
    Ok,
    NotLe,      // not an MZ file with an LE header (a PE, NE or DOS program, or no program)
    NoVersion,  // an LE executable without a version resource
    Damaged,    // an LE executable whose header or resource points outside the file or is malformed
};

// Reads and checks the header; `why` says what is wrong for people.
Status ReadHeader(const Source& file, Header& header, std::string& why);

// True for an MZ file with a sound little-endian LE header for an Intel CPU.
bool IsLeExecutable(const Source& file);
bool IsLeExecutable(const std::string& hostPath);

// The 16-bit VS_VERSION_INFO tree the VxD carries (without the 16-bit
// resource header, cut to the root's own length).
Status ReadVersionResource(const Source& file, std::vector<uint8_t>& resource, std::string& why);

// ---- The 16-bit version tree --------------------------------------------

// A block: wLength, wValueLength, an ANSI key, a value and child blocks,
// each on a 4-byte boundary of the resource. Every block is checked against
// its parent's end.
struct Block16 {
    size_t offset = 0;
    size_t end = 0;
    uint16_t valueLength = 0;  // bytes (text: with its NUL)
    std::string key;
    size_t valueOffset = 0;
    size_t valueBytes = 0;  // what of the value lies inside the block
    size_t childrenOffset = 0;
};

// True when `block` starts a 16-bit tree: its root key "VS_VERSION_INFO"
// is ANSI at offset 4 (a 32-bit tree has wType there and a UTF-16 key at 6).
bool Is16BitTree(const uint8_t* block, size_t size);

bool ReadBlock16(const uint8_t* base, size_t limit, size_t offset, Block16& block, bool cut = false);
// The root VS_VERSION_INFO with a 52-byte VS_FIXEDFILEINFO (or no value).
bool ReadRoot16(const uint8_t* base, size_t size, Block16& root, bool cut = false);
// Follows a VerQueryValue path ("\StringFileInfo\040904E4\FileVersion"):
// components compare without case, empty components are skipped, an empty
// path names the root. `size` may cut the tree short.
bool FindBlock16(const uint8_t* base, size_t size, const std::string& path, Block16& found);

// VS_FIXEDFILEINFO, in the order the structure has.
struct FixedInfo {
    uint32_t signature = 0, structVersion = 0;
    uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    uint32_t flagsMask = 0, flags = 0, os = 0, type = 0, subtype = 0, dateMS = 0, dateLS = 0;
};

// What the release checks want of a VxD's version resource.
struct VersionInfo {
    FixedInfo fixed;
    uint16_t language = 0, codePage = 0;  // the first translation, 0 when none
    std::string fileVersion, productVersion, description, company;  // ANSI, empty when absent
};

constexpr uint32_t kFixedSignature = 0xFEEF04BD;

// Reads the fixed part and the strings of the first translation from a
// 16-bit tree; false when the root has no VS_FIXEDFILEINFO with the right signature.
bool ReadVersionInfo(const std::vector<uint8_t>& resource, VersionInfo& info);

// "A.B.C.D" of a version pair.
std::string VersionText(uint32_t ms, uint32_t ls);

// The whole way from a host file to its version: header, resource, tree.
Status ReadFileVersion(const std::string& hostPath, VersionInfo& info, std::string& why);

}  // namespace le

#endif
