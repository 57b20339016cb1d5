// The version resource of a host program: the raw VS_VERSIONINFO bytes in
// the ELF section WINSIM_VERSION_SECTION (resgen puts them there), so that
// GetFileVersionInfoA works on a host build as it does on its PE twin.
#include "version/elf_version.h"

#include <algorithm>
#include <cstring>

#include "winsim/module_resources.h"

namespace winsim {
namespace {

constexpr uint64_t kMaxVersionSize = 0x10000;  // 16-bit block lengths
constexpr uint32_t kMaxSectionCount = 0xFF00;

uint64_t Le(const uint8_t* p, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

struct Layout {
    int word;  // 4 (ELF32) or 8 (ELF64)
    uint64_t shoff;
    uint32_t shentsize, shnum, shstrndx;
};

bool ReadLayout(const ImageBytes& image, Layout& layout) {
    uint8_t header[64];
    if (!image.Read(0, header, 52) || std::memcmp(header, "\x7F" "ELF", 4) != 0 || header[5] != 1) return false;
    layout.word = header[4] == 2 ? 8 : 4;
    if (layout.word == 8 && !image.Read(0, header, 64)) return false;
    const uint8_t* rest = header + (layout.word == 8 ? 0x28 : 0x20);
    layout.shoff = Le(rest, layout.word);
    rest += layout.word + 4 + 2 + 2 + 2;  // shoff, flags, ehsize, phentsize, phnum
    layout.shentsize = static_cast<uint32_t>(Le(rest, 2));
    layout.shnum = static_cast<uint32_t>(Le(rest + 2, 2));
    layout.shstrndx = static_cast<uint32_t>(Le(rest + 4, 2));
    return layout.shnum > 0 && layout.shnum < kMaxSectionCount && layout.shstrndx < layout.shnum &&
           layout.shentsize >= static_cast<uint32_t>(layout.word == 8 ? 64 : 40);
}

// A section's name offset, file offset and size.
bool ReadSection(const ImageBytes& image, const Layout& layout, uint32_t index, uint32_t& name, uint64_t& offset,
                 uint64_t& size) {
    uint8_t entry[64];
    if (!image.Read(layout.shoff + static_cast<uint64_t>(index) * layout.shentsize, entry, layout.word == 8 ? 64 : 40))
        return false;
    name = static_cast<uint32_t>(Le(entry, 4));
    const uint8_t* at = entry + (layout.word == 8 ? 0x18 : 0x10);
    offset = Le(at, layout.word);
    size = Le(at + layout.word, layout.word);
    return true;
}

}  // namespace

bool IsElfImage(const ImageBytes& image) {
    uint8_t magic[4];
    return image.Read(0, magic, 4) && std::memcmp(magic, "\x7F" "ELF", 4) == 0;
}

DWORD ReadElfVersion(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why) {
    Layout layout;
    if (!ReadLayout(image, layout)) {
        why = "the ELF header or its section table is damaged";
        return ERROR_BAD_EXE_FORMAT;
    }
    uint32_t unused;
    uint64_t namesAt, namesSize;
    if (!ReadSection(image, layout, layout.shstrndx, unused, namesAt, namesSize)) {
        why = "the section names lie outside the file";
        return ERROR_BAD_EXE_FORMAT;
    }
    const char wanted[] = WINSIM_VERSION_SECTION;
    for (uint32_t i = 0; i < layout.shnum; ++i) {
        uint32_t name;
        uint64_t offset, size;
        char found[sizeof wanted] = {};
        if (!ReadSection(image, layout, i, name, offset, size)) break;
        if (name >= namesSize || !image.Read(namesAt + name, found, std::min<uint64_t>(sizeof wanted, namesSize - name)))
            continue;
        if (std::memcmp(found, wanted, sizeof wanted) != 0) continue;
        if (size == 0 || size > kMaxVersionSize) {
            why = "the version section has an impossible size";
            return ERROR_INVALID_DATA;
        }
        resource.resize(size);
        if (!image.Read(offset, resource.data(), size)) {
            why = "the version section lies outside the file";
            return ERROR_BAD_EXE_FORMAT;
        }
        return ERROR_SUCCESS;
    }
    why = "the program has no version section";
    return ERROR_RESOURCE_TYPE_NOT_FOUND;
}

}  // namespace winsim
