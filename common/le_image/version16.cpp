// The 16-bit VS_VERSION_INFO tree: what 16-bit resource compilers write and
// what a VxD carries. Blocks are wLength, wValueLength, an ANSI key, the
// value, the children; key end, value and children on 4-byte boundaries.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "le_image.h"
#include "version_path.h"

namespace le {
namespace {

constexpr size_t kHeader = 4;
constexpr size_t kFixedSize = 52;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

bool SameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if ((x < 0x80 ? std::toupper(x) : x) != (y < 0x80 ? std::toupper(y) : y)) return false;
    }
    return true;
}

const char kRootKey[] = "VS_VERSION_INFO";

}  // namespace

bool Is16BitTree(const uint8_t* block, size_t size) {
    const size_t keyBytes = sizeof kRootKey;  // with its NUL
    if (!block || size < kHeader + keyBytes) return false;
    for (size_t i = 0; i < keyBytes; ++i)
        if (block[kHeader + i] != static_cast<uint8_t>(kRootKey[i])) return false;
    return true;
}

bool ReadBlock16(const uint8_t* base, size_t limit, size_t offset, Block16& block, bool cut) {
    if (offset > limit || limit - offset < kHeader) return false;
    const uint8_t* p = base + offset;
    size_t length = U16(p);
    if (length < kHeader || (length > limit - offset && !cut)) return false;
    length = std::min(length, limit - offset);
    block = Block16{};
    block.offset = offset;
    block.end = offset + length;
    block.valueLength = U16(p + 2);
    size_t at = offset + kHeader;
    for (;; ++at) {
        if (at >= block.end) return false;  // the key runs out of its block
        if (base[at] == 0) break;
        block.key += static_cast<char>(base[at]);
    }
    block.valueOffset = std::min(Align4(at + 1), block.end);
    block.valueBytes = std::min<size_t>(block.valueLength, block.end - block.valueOffset);
    block.childrenOffset = std::min(Align4(block.valueOffset + block.valueLength), block.end);
    return true;
}

bool ReadRoot16(const uint8_t* base, size_t size, Block16& root, bool cut) {
    if (!ReadBlock16(base, size, 0, root, cut) || !SameKey(root.key, kRootKey)) return false;
    // The fixed part is 13 DWORDs when present; a root whose value is cut
    // short is no version resource.
    if (root.valueLength != 0 && (root.valueLength < kFixedSize || root.valueBytes < kFixedSize)) return false;
    return true;
}

bool FindBlock16(const uint8_t* base, size_t size, const std::string& path, Block16& found) {
    Block16 root;
    if (!ReadRoot16(base, size, root, true)) return false;
    return versionpath::FindPath(
        root, path,
        [base](size_t at, size_t limit, Block16& block) { return ReadBlock16(base, limit, at, block, false); },
        [](const Block16& block, const std::string& name) { return SameKey(block.key, name); }, found);
}

namespace {

std::string Text(const std::vector<uint8_t>& resource, const std::string& path) {
    Block16 block;
    if (!FindBlock16(resource.data(), resource.size(), path, block)) return {};
    std::string text;
    for (size_t i = block.valueOffset; i < block.valueOffset + block.valueBytes && resource[i]; ++i)
        text += static_cast<char>(resource[i]);
    return text;
}

}  // namespace

bool ReadVersionInfo(const std::vector<uint8_t>& resource, VersionInfo& info) {
    info = VersionInfo{};
    Block16 root;
    if (!ReadRoot16(resource.data(), resource.size(), root) || root.valueBytes < kFixedSize) return false;
    const uint8_t* f = resource.data() + root.valueOffset;
    uint32_t* fields[] = {&info.fixed.signature,       &info.fixed.structVersion,    &info.fixed.fileVersionMS,
                          &info.fixed.fileVersionLS,   &info.fixed.productVersionMS, &info.fixed.productVersionLS,
                          &info.fixed.flagsMask,       &info.fixed.flags,            &info.fixed.os,
                          &info.fixed.type,            &info.fixed.subtype,          &info.fixed.dateMS,
                          &info.fixed.dateLS};
    for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) *fields[i] = U32(f + 4 * i);
    if (info.fixed.signature != kFixedSignature) return false;
    Block16 translation;
    if (FindBlock16(resource.data(), resource.size(), "\\VarFileInfo\\Translation", translation) &&
        translation.valueBytes >= 4) {
        info.language = U16(resource.data() + translation.valueOffset);
        info.codePage = U16(resource.data() + translation.valueOffset + 2);
        char table[32];
        std::snprintf(table, sizeof table, "\\StringFileInfo\\%04X%04X\\", info.language, info.codePage);
        info.fileVersion = Text(resource, std::string(table) + "FileVersion");
        info.productVersion = Text(resource, std::string(table) + "ProductVersion");
        info.description = Text(resource, std::string(table) + "FileDescription");
        info.company = Text(resource, std::string(table) + "CompanyName");
    }
    return true;
}

std::string VersionText(uint32_t ms, uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
           std::to_string(ls & 0xFFFF);
}

}  // namespace le
