#include "pe_writer.h"

#include <cstring>
#include <string>

#include "byte_writer.h"
#include "le_writer.h"
#include "version_resource.h"

namespace mkpe {
namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeOffset = 0x80;
constexpr uint32_t kRtVersion = 16;

uint32_t AlignUp(uint32_t n, uint32_t to) { return (n + to - 1) / to * to; }

// Code for the entry point. A stand-in driver refuses to load
// (STATUS_UNSUCCESSFUL) so that it can never stay in a running system; a
// stand-in program ends at once with exit code 0.
std::vector<uint8_t> EntryCode(const ImagePlan& plan) {
    bool is64 = plan.machine == Machine::Amd64;
    if (plan.kind == Kind::Program) return {0x31, 0xC0, 0xC3};  // xor eax,eax; ret
    if (is64) return {0xB8, 0x01, 0x00, 0x00, 0xC0, 0xC3};   // mov eax,0xC0000001; ret
    return {0xB8, 0x01, 0x00, 0x00, 0xC0, 0xC2, 0x08, 0x00};  // mov eax,0xC0000001; ret 8
}

// The resource section: type RT_VERSION, name 1, language 0x0409, then the
// data entry and the data. `rva` is where the section is loaded.
std::vector<uint8_t> ResourceSection(const std::vector<uint8_t>& version, uint32_t rva) {
    std::vector<uint8_t> out;
    Writer w(out);
    auto directory = [&](uint32_t id, uint32_t target) {
        w.U32(0);  // characteristics
        w.U32(0);  // time stamp
        w.U16(4);  // version 4.0, as resource compilers write it
        w.U16(0);
        w.U16(0);  // named entries
        w.U16(1);  // id entries
        w.U32(id);
        w.U32(target);
    };
    directory(kRtVersion, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(kLanguage, 72);
    uint32_t dataOffset = 88;
    w.U32(rva + dataOffset);
    w.U32(static_cast<uint32_t>(version.size()));
    w.U32(0);  // code page
    w.U32(0);
    w.Bytes(version.data(), version.size());
    return out;
}

}  // namespace

uint32_t PeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + image.size());
}

void WriteDosStub(Writer& w, uint32_t newHeader) {
    static const char kMessage[] = "This program cannot be run in DOS mode.\r\r\n$";
    static const uint8_t kStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    w.At(0);
    w.U16(0x5A4D);
    w.U16(0x90);  // bytes on the last page
    w.U16(3);     // pages
    w.U16(0);     // relocations
    w.U16(4);     // header paragraphs
    w.U16(0);
    w.U16(0xFFFF);
    w.U16(0);
    w.U16(0xB8);  // sp
    w.At(0x18);
    w.U16(0x40);  // relocation table offset: a "new" executable
    w.At(0x3C);
    w.U32(newHeader);
    w.Bytes(kStub, sizeof kStub);
    w.Bytes(kMessage, sizeof kMessage - 1);
}

std::vector<uint8_t> BuildImage(const ImagePlan& plan) {
    // A Windows 9x VxD is a linear executable.
    if (plan.kind == Kind::Vxd) return BuildLeImage(plan);
    bool is64 = plan.machine == Machine::Amd64;
    std::vector<uint8_t> code = EntryCode(plan);
    const uint32_t textRva = kSectionAlignment, textRaw = kFileAlignment;
    const uint32_t textRawSize = AlignUp(static_cast<uint32_t>(code.size()), kFileAlignment);
    const uint32_t rsrcRva = textRva + AlignUp(static_cast<uint32_t>(code.size()), kSectionAlignment);
    const uint32_t rsrcRaw = textRaw + textRawSize;
    std::vector<uint8_t> rsrc;
    if (plan.withVersion) rsrc = ResourceSection(BuildVersionResource(plan), rsrcRva);
    const uint32_t rsrcSize = static_cast<uint32_t>(rsrc.size());
    const uint32_t rsrcRawSize = AlignUp(rsrcSize, kFileAlignment);
    const uint16_t sectionCount = plan.withVersion ? 2 : 1;
    const uint32_t imageSize = plan.withVersion ? rsrcRva + AlignUp(rsrcSize, kSectionAlignment) : rsrcRva;
    const uint16_t optionalSize = is64 ? 240 : 224;

    std::vector<uint8_t> out;
    Writer w(out);
    WriteDosStub(w, kPeOffset);

    w.At(kPeOffset);
    w.U32(0x00004550);  // "PE\0\0"
    w.U16(is64 ? 0x8664 : 0x014C);
    w.U16(sectionCount);
    w.U32(plan.timestamp);
    w.U32(0);  // symbol table
    w.U32(0);
    w.U16(optionalSize);
    // Executable, line numbers and symbols stripped; 32-bit machine or
    // large-address aware.
    w.U16(is64 ? 0x0022 : 0x010E);

    const size_t optional = w.Pos();
    w.U16(is64 ? 0x20B : 0x10B);
    w.U8(6);  // linker version
    w.U8(0);
    w.U32(textRawSize);
    w.U32(rsrcRawSize);
    w.U32(0);
    w.U32(textRva);  // entry point
    w.U32(textRva);  // base of code
    const bool driver = plan.kind != Kind::Program;
    const uint64_t imageBase = driver ? 0x10000 : is64 ? 0x140000000ull : 0x400000;
    if (is64) {
        w.U64(imageBase);
    } else {
        w.U32(rsrcRva);  // base of data
        w.U32(static_cast<uint32_t>(imageBase));
    }
    w.U32(kSectionAlignment);
    w.U32(kFileAlignment);
    w.U16(4);  // operating system version 4.0: NT 4.0 and Windows 95 load it
    w.U16(0);
    w.U16(static_cast<uint32_t>(plan.fileVersion.parts[0]));  // image version
    w.U16(static_cast<uint32_t>(plan.fileVersion.parts[1]));
    w.U16(4);  // subsystem version 4.0
    w.U16(0);
    w.U32(0);
    w.U32(imageSize);
    w.U32(kFileAlignment);  // size of headers
    const size_t checksumOffset = w.Pos();
    w.U32(0);
    w.U16(driver ? 1 : 2);  // native, or Windows GUI
    w.U16(0);
    if (is64) {
        w.U64(0x100000);
        w.U64(0x1000);
        w.U64(0x100000);
        w.U64(0x1000);
    } else {
        w.U32(0x100000);
        w.U32(0x1000);
        w.U32(0x100000);
        w.U32(0x1000);
    }
    w.U32(0);   // loader flags
    w.U32(16);  // data directories
    for (uint32_t i = 0; i < 16; ++i) {
        bool resources = i == 2 && plan.withVersion;
        w.U32(resources ? rsrcRva : 0);
        w.U32(resources ? rsrcSize : 0);
    }
    w.At(optional + optionalSize);

    auto section = [&](const char* name, uint32_t virtualSize, uint32_t rva, uint32_t rawSize, uint32_t raw,
                       uint32_t characteristics) {
        char field[8] = {0};
        std::memcpy(field, name, std::strlen(name));
        w.Bytes(field, sizeof field);
        w.U32(virtualSize);
        w.U32(rva);
        w.U32(rawSize);
        w.U32(raw);
        w.U32(0);  // relocations
        w.U32(0);  // line numbers
        w.U16(0);
        w.U16(0);
        w.U32(characteristics);
    };
    section(".text", static_cast<uint32_t>(code.size()), textRva, textRawSize, textRaw, 0x60000020);
    if (plan.withVersion) section(".rsrc", rsrcSize, rsrcRva, rsrcRawSize, rsrcRaw, 0x40000040);

    w.At(textRaw);
    w.Bytes(code.data(), code.size());
    w.At(textRaw + textRawSize);
    if (plan.withVersion) {
        w.Bytes(rsrc.data(), rsrc.size());
        w.At(rsrcRaw + rsrcRawSize);
    }
    uint32_t sum = PeChecksum(out, checksumOffset);
    w.At(checksumOffset);
    w.U32(sum);
    return out;
}

}  // namespace mkpe
