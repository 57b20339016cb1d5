// The LE header and the VxD's version resource; the 16-bit tree is in version16.cpp.
#include "le_image.h"

#include <cstring>
#include <fstream>
#include <memory>

namespace le {
namespace {

constexpr uint16_t kDosMagic = 0x5A4D;  // "MZ"
constexpr uint16_t kLeMagic = 0x454C;   // "LE"
constexpr uint32_t kStandardHeaderSize = 0xAC;
constexpr uint32_t kMaxPages = 0x10000;  // 256 MiB of 4 KiB pages: far beyond any VxD
constexpr uint32_t kMaxObjects = 1024;
constexpr uint16_t kRtVersion = 16;
// A version tree's lengths are 16-bit, so the resource, with its 16-bit
// resource header, never needs more.
constexpr uint32_t kMaxResource = 0x10000 + 64;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

Status Fail(Status status, std::string& why, const char* text) {
    why = text;
    return status;
}

// Within the file: `count` bytes at `offset`.
bool Inside(const Source& file, uint64_t offset, uint64_t count) {
    return offset <= file.size && count <= file.size - offset;
}

}  // namespace

Source FromBuffer(const uint8_t* data, size_t size) {
    Source source;
    source.size = size;
    source.read = [data, size](uint64_t offset, void* out, size_t count) {
        if (offset > size || count > size - offset) return false;
        if (count) std::memcpy(out, data + offset, count);
        return true;
    };
    return source;
}

Source FromBuffer(const std::vector<uint8_t>& bytes) { return FromBuffer(bytes.data(), bytes.size()); }

Status ReadHeader(const Source& file, Header& header, std::string& why) {
    header = Header{};
    uint8_t dos[64];
    if (!file.read || !file.read(0, dos, sizeof dos) || U16(dos) != kDosMagic)
        return Fail(Status::NotLe, why, "the file is not an MZ executable");
    header.offset = U32(dos + 0x3C);
    uint8_t h[kVxdHeaderSize] = {0};
    if (!file.read(header.offset, h, 2) || U16(h) != kLeMagic)
        return Fail(Status::NotLe, why, "the file has no LE header");
    if (!file.read(header.offset, h, kStandardHeaderSize))
        return Fail(Status::Damaged, why, "the LE header is cut short");
    if (h[2] != 0 || h[3] != 0) return Fail(Status::Damaged, why, "the LE header is not little-endian");
    if (U32(h + 4) != 0) return Fail(Status::Damaged, why, "the LE header has an unknown format level");
    header.cpu = U16(h + 8);
    header.os = U16(h + 0x0A);
    if (header.cpu < 1 || header.cpu > 3) return Fail(Status::Damaged, why, "the LE header names no Intel CPU");
    header.moduleFlags = U32(h + 0x10);
    header.pageCount = U32(h + 0x14);
    header.pageSize = U32(h + 0x28);
    header.lastPageSize = U32(h + 0x2C);
    header.objectTable = U32(h + 0x40);
    header.objectCount = U32(h + 0x44);
    header.residentNames = U32(h + 0x58);
    header.entryTable = U32(h + 0x5C);
    header.dataPages = U32(h + 0x80);
    if (header.pageSize == 0 || header.pageSize > 0x10000 || header.lastPageSize > header.pageSize)
        return Fail(Status::Damaged, why, "the LE header has an impossible page size");
    if (header.pageCount > kMaxPages || header.objectCount > kMaxObjects)
        return Fail(Status::Damaged, why, "the LE header has an impossible number of pages or objects");
    if (!Inside(file, static_cast<uint64_t>(header.offset) + header.objectTable, 24ull * header.objectCount))
        return Fail(Status::Damaged, why, "the LE object table lies outside the file");
    uint64_t pagesEnd = static_cast<uint64_t>(header.dataPages) +
                        (header.pageCount ? static_cast<uint64_t>(header.pageCount - 1) * header.pageSize +
                                                header.lastPageSize
                                          : 0);
    if (header.pageCount && (header.dataPages == 0 || pagesEnd > file.size))
        return Fail(Status::Damaged, why, "the LE pages lie outside the file");
    // The loader section starts behind the header; when it starts behind
    // the VxD extension, the header has one.
    header.vxdExtension = header.objectTable >= kVxdHeaderSize && file.read(header.offset, h, kVxdHeaderSize);
    if (header.vxdExtension) {
        header.winresOffset = U32(h + 0xB8);
        header.winresLength = U32(h + 0xBC);
        header.deviceId = U16(h + 0xC0);
        header.ddkVersion = U16(h + 0xC2);
    }
    return Status::Ok;
}

bool IsLeExecutable(const Source& file) {
    Header header;
    std::string why;
    return ReadHeader(file, header, why) == Status::Ok;
}

namespace {

// A host file read on demand; the stream is shared by the copies of the source.
Source FromHostFile(const std::string& path, bool& opened) {
    auto in = std::make_shared<std::ifstream>(path, std::ios::binary);
    Source source;
    opened = static_cast<bool>(*in);
    if (!opened) return source;
    in->seekg(0, std::ios::end);
    std::streamoff end = in->tellg();
    source.size = end > 0 ? static_cast<uint64_t>(end) : 0;
    uint64_t size = source.size;
    source.read = [in, size](uint64_t offset, void* out, size_t count) {
        if (offset > size || count > size - offset) return false;
        in->clear();
        in->seekg(static_cast<std::streamoff>(offset));
        in->read(static_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<size_t>(in->gcount()) == count;
    };
    return source;
}

}  // namespace

bool IsLeExecutable(const std::string& hostPath) {
    bool opened = false;
    Source file = FromHostFile(hostPath, opened);
    return opened && IsLeExecutable(file);
}

Status ReadVersionResource(const Source& file, std::vector<uint8_t>& resource, std::string& why) {
    resource.clear();
    Header header;
    Status status = ReadHeader(file, header, why);
    if (status != Status::Ok) return status;
    if (!header.vxdExtension || header.winresOffset == 0 || header.winresLength == 0)
        return Fail(Status::NoVersion, why, "the VxD has no version resource");
    if (header.winresLength > kMaxResource || !Inside(file, header.winresOffset, header.winresLength))
        return Fail(Status::Damaged, why, "the VxD's version resource lies outside the file");
    std::vector<uint8_t> bytes(header.winresLength);
    if (!file.read(header.winresOffset, bytes.data(), bytes.size()))
        return Fail(Status::Damaged, why, "the VxD's version resource cannot be read");

    // The 16-bit resource header: type and name (each 0xFF and an ordinal,
    // or a NUL-terminated name), flags, and the size of the data.
    size_t at = 0;
    auto name = [&](uint16_t& ordinal, bool& numbered) {
        if (at < bytes.size() && bytes[at] == 0xFF) {
            if (bytes.size() - at < 3) return false;
            ordinal = U16(&bytes[at + 1]);
            numbered = true;
            at += 3;
            return true;
        }
        numbered = false;
        while (at < bytes.size() && bytes[at] != 0) ++at;
        if (at == bytes.size()) return false;
        ++at;
        return true;
    };
    uint16_t type = 0, id = 0;
    bool typeNumbered = false, idNumbered = false;
    if (!name(type, typeNumbered) || !name(id, idNumbered) || bytes.size() - at < 6)
        return Fail(Status::Damaged, why, "the VxD's resource header is cut short");
    if (!typeNumbered || type != kRtVersion)
        return Fail(Status::NoVersion, why, "the VxD's resource is not a version resource");
    uint32_t dataSize = U32(&bytes[at + 2]);
    at += 6;
    if (dataSize == 0 || dataSize > bytes.size() - at)
        return Fail(Status::Damaged, why, "the VxD's version resource has an impossible size");
    Block16 root;
    if (!ReadRoot16(bytes.data() + at, dataSize, root))
        return Fail(Status::Damaged, why, "the VxD's version resource is no VS_VERSION_INFO tree");
    resource.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + root.end));
    return Status::Ok;
}

Status ReadFileVersion(const std::string& hostPath, VersionInfo& info, std::string& why) {
    info = VersionInfo{};
    bool opened = false;
    Source file = FromHostFile(hostPath, opened);
    if (!opened) return Fail(Status::NotLe, why, "the file cannot be read");
    std::vector<uint8_t> resource;
    Status status = ReadVersionResource(file, resource, why);
    if (status != Status::Ok) return status;
    if (!ReadVersionInfo(resource, info))
        return Fail(Status::NoVersion, why, "the VxD's version resource has no VS_FIXEDFILEINFO");
    return Status::Ok;
}

}  // namespace le
