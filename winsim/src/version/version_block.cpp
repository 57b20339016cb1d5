#include "version/version_block.h"

#include <algorithm>
#include <cctype>

#include "version_path.h"

namespace winsim {
namespace {

constexpr size_t kHeader = 6;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

char16_t Fold(char16_t c) { return c < 0x80 ? static_cast<char16_t>(std::toupper(c)) : c; }

bool SameKey(const std::u16string& key, const std::string& name) {
    if (key.size() != name.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (Fold(key[i]) != Fold(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

bool IsVersionInfoKey(const std::u16string& key) { return SameKey(key, "VS_VERSION_INFO"); }

}  // namespace

bool ReadVersionBlock(const uint8_t* base, size_t limit, size_t offset, VersionBlock& block, bool cut) {
    if (offset > limit || limit - offset < kHeader) return false;
    const uint8_t* p = base + offset;
    size_t length = U16(p);
    if (length < kHeader || (length > limit - offset && !cut)) return false;
    length = std::min(length, limit - offset);
    block = VersionBlock{};
    block.offset = offset;
    block.end = offset + length;
    block.valueLength = U16(p + 2);
    block.text = U16(p + 4) == 1;
    size_t at = offset + kHeader;
    for (;; at += 2) {
        if (at + 2 > block.end) return false;  // the key runs out of its block
        char16_t c = static_cast<char16_t>(U16(base + at));
        if (c == 0) break;
        block.key += c;
    }
    block.valueOffset = std::min(Align4(at + 2), block.end);
    size_t valueBytes = block.text ? 2u * block.valueLength : block.valueLength;
    // Some resource compilers count text values in bytes; keep what the
    // block really holds.
    block.valueBytes = std::min(valueBytes, block.end - block.valueOffset);
    block.childrenOffset = std::min(Align4(block.valueOffset + valueBytes), block.end);
    return true;
}

namespace {

bool ReadRoot(const uint8_t* base, size_t size, VersionBlock& root, bool cut) {
    if (!ReadVersionBlock(base, size, 0, root, cut) || !IsVersionInfoKey(root.key)) return false;
    // The fixed part is 13 DWORDs when present; a root whose value is cut
    // short is no version resource.
    if (root.valueLength != 0 && (root.valueLength < 52 || root.valueBytes < 52)) return false;
    return true;
}

}  // namespace

bool ReadVersionRoot(const uint8_t* base, size_t size, VersionBlock& root) { return ReadRoot(base, size, root, false); }

bool FindVersionBlock(const uint8_t* base, size_t size, const std::string& path, VersionBlock& found) {
    VersionBlock root;
    if (!ReadRoot(base, size, root, true)) return false;
    return versionpath::FindPath(
        root, path,
        [base](size_t at, size_t limit, VersionBlock& block) { return ReadVersionBlock(base, limit, at, block, false); },
        [](const VersionBlock& block, const std::string& name) { return SameKey(block.key, name); }, found);
}

}  // namespace winsim
