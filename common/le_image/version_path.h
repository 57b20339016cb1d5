// Looking a path ("\StringFileInfo\040904E4\FileVersion") up in a version
// resource's tree of blocks. The walk is the same for the 32-bit blocks of a PE
// file and the 16-bit ones of a VxD: each part of the path names a child of the
// block before it, keys compare without regard to ASCII case, and children
// follow one another on 4-byte boundaries inside their parent. Empty parts
// (a leading, doubled or trailing backslash) are passed over.
#pragma once

#include <cstddef>
#include <string>

namespace versionpath {

inline size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// Block has childrenOffset and end (offsets into the resource);
// readChild(offset, limit, block) reads the block at offset that must end by
// limit; sameKey(block, name) compares the block's key with a part of the path.
template <class Block, class ReadChild, class SameKey>
bool FindPath(const Block& root, const std::string& path, ReadChild readChild, SameKey sameKey, Block& found) {
    Block current = root;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('\\', start);
        if (slash == std::string::npos) slash = path.size();
        std::string name = path.substr(start, slash - start);
        start = slash + 1;
        if (name.empty()) continue;
        bool matched = false;
        size_t child = current.childrenOffset;
        Block candidate;
        while (child < current.end && readChild(child, current.end, candidate)) {
            if (sameKey(candidate, name)) {
                matched = true;
                break;
            }
            child = Align4(candidate.end);
        }
        if (!matched) return false;
        current = candidate;
    }
    found = current;
    return true;
}

}  // namespace versionpath
