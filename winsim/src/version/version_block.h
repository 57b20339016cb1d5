// The tree of a 32-bit version resource (VS_VERSIONINFO): blocks of
// wLength, wValueLength, wType, a UTF-16 key, a value and child blocks, each
// on a 4-byte boundary of the resource. Every block is checked against its
// parent's end, so a damaged tree reads as "not found", never past the end.
#ifndef WINSIM_VERSION_BLOCK_H
#define WINSIM_VERSION_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace winsim {

struct VersionBlock {
    size_t offset = 0;       // of the block in the resource
    size_t end = 0;          // offset + wLength, within the parent
    uint16_t valueLength = 0;  // wValueLength: bytes, or UTF-16 units for text
    bool text = false;         // wType 1
    std::u16string key;
    size_t valueOffset = 0;
    size_t valueBytes = 0;     // what of the value lies inside the block
    size_t childrenOffset = 0;
};

// Reads the block at `offset`, which must end by `limit`; with `cut`, a
// block that runs past `limit` is read as ending there (a copy of the
// resource that was cut short keeps what it holds).
bool ReadVersionBlock(const uint8_t* base, size_t limit, size_t offset, VersionBlock& block, bool cut = false);

// The root block, which must be a VS_VERSIONINFO with a VS_FIXEDFILEINFO
// (or none) as its value. `size` bounds the tree.
bool ReadVersionRoot(const uint8_t* base, size_t size, VersionBlock& root);

// Follows a VerQueryValue path ("\StringFileInfo\040904B0\FileVersion"):
// components compare without case, empty components are skipped, and an
// empty path names the root. `size` may cut the tree short.
bool FindVersionBlock(const uint8_t* base, size_t size, const std::string& path, VersionBlock& found);

}  // namespace winsim

#endif
