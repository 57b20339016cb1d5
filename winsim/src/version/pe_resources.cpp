#include "version/pe_resources.h"

#include "version/elf_version.h"
#include "winsim/machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace winsim {
namespace {

constexpr uint16_t kDosMagic = 0x5A4D;      // "MZ"
constexpr uint32_t kPeSignature = 0x4550;   // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectory = 2;  // index in the data directories
constexpr uint32_t kRtVersion = 16;
constexpr uint16_t kMaxSections = 96;       // the loader's own limit
// A version resource beyond this is no version resource: the block lengths
// are 16-bit, so the whole tree fits in 64 KiB.
constexpr uint32_t kMaxVersionSize = 0x10000;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

struct Section {
    uint32_t virtualAddress = 0, virtualSize = 0, rawSize = 0, rawOffset = 0;
};

// The loaded image's addresses (RVAs) mapped back to file offsets.
class AddressMap {
public:
    explicit AddressMap(std::vector<Section> sections) : sections_(std::move(sections)) {}

    // The file offset of `count` bytes at `rva`, all inside one section's
    // raw data; false when they are not backed by the file.
    bool Offset(uint64_t rva, uint32_t count, uint64_t& offset) const {
        if (rva > 0xFFFFFFFFull) return false;
        for (const Section& s : sections_) {
            uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            uint64_t within = rva - s.virtualAddress;
            if (within + count > s.rawSize) return false;
            offset = static_cast<uint64_t>(s.rawOffset) + within;
            return true;
        }
        return false;
    }

private:
    std::vector<Section> sections_;
};

struct Failure {
    DWORD code;
    std::string why;
};

// Walks one level of the resource tree: the entry with `id`, or the first
// entry when `id` is 0. Returns the entry's OffsetToData field.
// The (id, target) pairs of one resource directory.
bool ReadDirectory(const ImageBytes& image, const AddressMap& map, uint32_t treeRva, uint32_t dirOffset,
                   std::vector<std::pair<uint32_t, uint32_t>>& entries, Failure& failure) {
    uint8_t header[16];
    uint64_t at;
    uint64_t directory = static_cast<uint64_t>(treeRva) + dirOffset;
    if (!map.Offset(directory, sizeof header, at) || !image.Read(at, header, sizeof header)) {
        failure = {ERROR_BAD_EXE_FORMAT, "a resource directory lies outside the file"};
        return false;
    }
    uint32_t count = static_cast<uint32_t>(U16(header + 12)) + U16(header + 14);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t entry[8];
        if (!map.Offset(directory + 16 + 8ull * i, sizeof entry, at) || !image.Read(at, entry, sizeof entry)) {
            failure = {ERROR_BAD_EXE_FORMAT, "a resource directory entry lies outside the file"};
            return false;
        }
        entries.emplace_back(U32(entry), U32(entry + 4));
    }
    return true;
}

bool DirectoryEntry(const ImageBytes& image, const AddressMap& map, uint32_t treeRva, uint32_t dirOffset, uint32_t id,
                    uint32_t& target, Failure& failure) {
    std::vector<std::pair<uint32_t, uint32_t>> entries;
    if (!ReadDirectory(image, map, treeRva, dirOffset, entries, failure)) return false;
    for (const auto& [name, where] : entries) {
        if (id == 0 || (!(name & 0x80000000u) && name == id)) {
            target = where;
            return true;
        }
    }
    if (id == kRtVersion) failure = {ERROR_RESOURCE_TYPE_NOT_FOUND, "the image has no version resource"};
    else failure = {ERROR_RESOURCE_NAME_NOT_FOUND, "the version resource directory is empty"};
    return false;
}

// The language entry a neutral lookup takes, as FindResourceA does: the
// neutral one, the user's language, its primary language, US English, and
// otherwise the first.
bool LanguageEntry(const ImageBytes& image, const AddressMap& map, uint32_t treeRva, uint32_t dirOffset,
                   uint32_t& target, Failure& failure) {
    std::vector<std::pair<uint32_t, uint32_t>> entries;
    if (!ReadDirectory(image, map, treeRva, dirOffset, entries, failure)) return false;
    uint32_t user = MachineDir().empty() ? 0x0409 : GetUserDefaultLangID();
    const uint32_t preferred[] = {0, user, user & 0x3FF, 0x0409};
    int bestRank = 5;
    for (const auto& [language, where] : entries) {
        int rank = 4;
        for (int r = 0; r < 4; ++r)
            if (language == preferred[r]) rank = std::min(rank, r);
        if (rank < bestRank) {
            bestRank = rank;
            target = where;
        }
    }
    if (bestRank == 5) failure = {ERROR_RESOURCE_NAME_NOT_FOUND, "the version resource directory is empty"};
    return bestRank < 5;
}

bool FindVersion(const ImageBytes& image, std::vector<uint8_t>& resource, Failure& failure) {
    uint8_t dos[64];
    if (!image.Read(0, dos, sizeof dos) || U16(dos) != kDosMagic) {
        failure = {ERROR_RESOURCE_DATA_NOT_FOUND, "the file is not an executable image"};
        return false;
    }
    uint32_t peOffset = U32(dos + 0x3C);
    uint8_t pe[24];
    if (!image.Read(peOffset, pe, sizeof pe) || U32(pe) != kPeSignature) {
        // An MZ program without a PE header: a DOS program, which has no resources.
        failure = {ERROR_RESOURCE_DATA_NOT_FOUND, "the file is not a PE image"};
        return false;
    }
    uint16_t sectionCount = U16(pe + 6);
    uint16_t optionalSize = U16(pe + 20);
    uint8_t optional[240] = {0};
    if (optionalSize < 2 || optionalSize > sizeof optional ||
        !image.Read(peOffset + 24ull, optional, optionalSize)) {
        failure = {ERROR_BAD_EXE_FORMAT, "the PE optional header is cut short"};
        return false;
    }
    uint16_t magic = U16(optional);
    size_t countField, directories;
    if (magic == kPe32Magic) {
        countField = 92, directories = 96;
    } else if (magic == kPe32PlusMagic) {
        countField = 108, directories = 112;
    } else {
        failure = {ERROR_BAD_EXE_FORMAT, "the PE optional header has an unknown magic number"};
        return false;
    }
    if (optionalSize < countField + 4) {
        failure = {ERROR_BAD_EXE_FORMAT, "the PE optional header is cut short"};
        return false;
    }
    uint32_t directoryCount = U32(optional + countField);
    size_t resourceField = directories + 8 * kResourceDirectory;
    if (directoryCount <= kResourceDirectory || resourceField + 8 > optionalSize) {
        failure = {ERROR_RESOURCE_DATA_NOT_FOUND, "the image has no resource directory"};
        return false;
    }
    uint32_t treeRva = U32(optional + resourceField);
    uint32_t treeSize = U32(optional + resourceField + 4);
    if (treeRva == 0 || treeSize == 0) {
        failure = {ERROR_RESOURCE_DATA_NOT_FOUND, "the image has no resources"};
        return false;
    }
    if (sectionCount == 0 || sectionCount > kMaxSections) {
        failure = {ERROR_BAD_EXE_FORMAT, "the image has an impossible number of sections"};
        return false;
    }
    std::vector<Section> sections;
    uint64_t table = peOffset + 24ull + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        uint8_t header[40];
        if (!image.Read(table + 40ull * i, header, sizeof header)) {
            failure = {ERROR_BAD_EXE_FORMAT, "the section table is cut short"};
            return false;
        }
        Section s;
        s.virtualSize = U32(header + 8);
        s.virtualAddress = U32(header + 12);
        s.rawSize = U32(header + 16);
        s.rawOffset = U32(header + 20);
        sections.push_back(s);
    }
    AddressMap map(std::move(sections));

    // Three levels: type, name, language. Each of the first two must lead to
    // a further directory, the last to a data entry.
    uint32_t target = 0;
    uint32_t levelOffset = 0;
    const uint32_t wanted[3] = {kRtVersion, 0, 0};
    for (int level = 0; level < 3; ++level) {
        bool found = level < 2 ? DirectoryEntry(image, map, treeRva, levelOffset, wanted[level], target, failure)
                               : LanguageEntry(image, map, treeRva, levelOffset, target, failure);
        if (!found) return false;
        bool isDirectory = (target & 0x80000000u) != 0;
        if (isDirectory != (level < 2)) {
            failure = {ERROR_BAD_EXE_FORMAT, "the resource tree has the wrong depth"};
            return false;
        }
        levelOffset = target & 0x7FFFFFFFu;
    }
    uint8_t data[16];
    uint64_t at;
    if (!map.Offset(static_cast<uint64_t>(treeRva) + levelOffset, sizeof data, at) || !image.Read(at, data, sizeof data)) {
        failure = {ERROR_BAD_EXE_FORMAT, "the version resource's data entry lies outside the file"};
        return false;
    }
    uint32_t dataRva = U32(data), dataSize = U32(data + 4);
    if (dataSize == 0 || dataSize > kMaxVersionSize) {
        failure = {ERROR_INVALID_DATA, "the version resource has an impossible size"};
        return false;
    }
    if (!map.Offset(dataRva, dataSize, at)) {
        failure = {ERROR_BAD_EXE_FORMAT, "the version resource lies outside the file"};
        return false;
    }
    resource.resize(dataSize);
    if (!image.Read(at, resource.data(), dataSize)) {
        failure = {ERROR_BAD_EXE_FORMAT, "the version resource is cut short"};
        return false;
    }
    return true;
}

}  // namespace

bool BufferBytes::Read(uint64_t offset, void* out, size_t count) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    if (count) std::memcpy(out, bytes_.data() + offset, count);
    return true;
}

FileBytes::FileBytes(int fd) : fd_(fd) {
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > 0) size_ = static_cast<uint64_t>(st.st_size);
}

bool FileBytes::Read(uint64_t offset, void* out, size_t count) const {
    if (offset > size_ || count > size_ - offset) return false;
    size_t done = 0;
    while (done < count) {
        ssize_t n = pread(fd_, static_cast<char*>(out) + done, count - done, static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

DWORD ReadVersionResource(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why) {
    Failure failure{ERROR_SUCCESS, ""};
    resource.clear();
    // A host build of one of our programs carries its version resource in an ELF section.
    if (IsElfImage(image)) return ReadElfVersion(image, resource, why);
    if (FindVersion(image, resource, failure)) return ERROR_SUCCESS;
    resource.clear();
    why = failure.why;
    return failure.code;
}

}  // namespace winsim
