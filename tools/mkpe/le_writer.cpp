#include "le_writer.h"

#include <cctype>
#include <string>

#include "byte_writer.h"
#include "version_resource.h"

namespace mkpe {
namespace {

constexpr uint32_t kLeOffset = 0x80;
constexpr uint32_t kHeaderSize = 0xC4;  // the LE header with the VxD extension
constexpr uint32_t kPageSize = 0x1000;
constexpr uint32_t kDdbSize = 0x50;     // VxD_Desc_Block of the 4.0 DDK
constexpr uint16_t kDdkVersion = 0x0400;
constexpr uint32_t kModuleVxd = 0x00028000;         // module type: virtual device driver
constexpr uint32_t kObjectFlags = 0x0001 | 0x0002 | 0x0004 | 0x0040 | 0x2000;  // RWX, preload, 32-bit
constexpr uint32_t kUndefinedInitOrder = 0x80000000u;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kResourceFlags = 0x0030;  // moveable, pure: what 16-bit rc gives a version resource

// The control procedure: stc; ret. Carry set refuses every control message,
// Sys_Critical_Init and Device_Init among them, so the VxD never loads.
const uint8_t kControlCode[] = {0xF9, 0xC3};

uint32_t AlignUp(uint32_t n, uint32_t to) { return (n + to - 1) / to * to; }

void Name(Writer& w, const std::string& name, uint16_t ordinal) {
    w.U8(static_cast<uint32_t>(name.size()));
    w.Bytes(name.data(), name.size());
    w.U16(ordinal);
}

// The object's one page: the DDB, then the control procedure behind it.
std::vector<uint8_t> ObjectData(const ImagePlan& plan) {
    std::vector<uint8_t> out;
    Writer w(out);
    w.U32(0);  // DDB_Next, filled in by VMM
    w.U16(kDdkVersion);
    w.U16(0);  // DDB_Req_Device_Number: Undefined_Device_ID
    w.U8(plan.fileVersion.parts[0] & 0xFF);
    w.U8(plan.fileVersion.parts[1] & 0xFF);
    w.U16(0);  // DDB_Flags
    std::string device = DeviceName(plan.fileName);
    w.Bytes(device.data(), 8);
    w.U32(kUndefinedInitOrder);
    w.U32(kDdbSize);  // DDB_Control_Proc: the code behind the DDB (fixed up)
    for (int i = 0; i < 8; ++i) w.U32(0);  // API procedures, reference data, service tables
    w.Bytes("verP", 4);  // DDB_Prev: 'Prev' as a little-endian DWORD
    w.U32(kDdbSize);
    w.Bytes("1vsR2vsR3vsR", 12);  // DDB_Reserved1..3: 'Rsv1'..'Rsv3'
    w.Bytes(kControlCode, sizeof kControlCode);
    return out;
}

constexpr uint32_t kControlProcField = 24;  // offset of DDB_Control_Proc in the DDB

}  // namespace

std::string DeviceName(const std::string& fileName) {
    std::string base = fileName.substr(0, fileName.find('.'));
    std::string name;
    for (char c : base) {
        if (name.size() == 8) break;
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    name.resize(8, ' ');
    return name;
}

std::vector<uint8_t> BuildLeImage(const ImagePlan& plan) {
    const std::vector<uint8_t> page = ObjectData(plan);
    const uint32_t pageBytes = static_cast<uint32_t>(page.size());
    const std::string device = DeviceName(plan.fileName);
    std::string module = device.substr(0, device.find(' '));

    std::vector<uint8_t> out;
    Writer w(out);
    WriteDosStub(w, kLeOffset);

    // The loader section, right behind the header; offsets relative to the header.
    const uint32_t objectTable = kHeaderSize;
    const uint32_t pageTable = objectTable + 24;
    const uint32_t resourceTable = pageTable + 4;  // empty: a VxD's version lives elsewhere
    w.At(kLeOffset + objectTable);
    w.U32(pageBytes);  // virtual size
    w.U32(0);          // relocation base
    w.U32(kObjectFlags);
    w.U32(1);  // first page table entry
    w.U32(1);  // pages
    w.U32(0);
    w.U8(0);  // page 1: 24-bit page number, high byte first, and a legal physical page
    w.U16(0x0100);
    w.U8(0);
    const uint32_t residentNames = static_cast<uint32_t>(w.Pos()) - kLeOffset;
    Name(w, module, 0);
    Name(w, module + "_DDB", 1);
    w.U8(0);
    const uint32_t entryTable = static_cast<uint32_t>(w.Pos()) - kLeOffset;
    w.U8(1);   // one entry
    w.U8(3);   // 32-bit entries
    w.U16(1);  // in object 1
    w.U8(3);   // exported, shared data
    w.U32(0);  // the DDB at the start of the object
    w.U8(0);
    const uint32_t loaderEnd = static_cast<uint32_t>(w.Pos()) - kLeOffset;

    // The fixup section: per page where its records start, then the one
    // record that points DDB_Control_Proc at the code.
    const uint32_t fixupPages = loaderEnd;
    w.U32(0);
    w.U32(7);
    const uint32_t fixupRecords = static_cast<uint32_t>(w.Pos()) - kLeOffset;
    w.U8(0x07);  // source: 32-bit offset
    w.U8(0x00);  // target: internal reference, 8-bit object, 16-bit offset
    w.U16(kControlProcField);
    w.U8(1);
    w.U16(kDdbSize);
    const uint32_t imports = static_cast<uint32_t>(w.Pos()) - kLeOffset;  // no imported modules or procedures
    w.U8(0);
    const uint32_t fixupEnd = static_cast<uint32_t>(w.Pos()) - kLeOffset;

    const uint32_t dataPages = AlignUp(static_cast<uint32_t>(w.Pos()), 16);
    w.At(dataPages);
    w.Bytes(page.data(), page.size());

    const uint32_t nonResident = static_cast<uint32_t>(w.Pos());
    std::string description = plan.description.substr(0, 255);
    Name(w, description, 0);
    w.U8(0);
    const uint32_t nonResidentSize = static_cast<uint32_t>(w.Pos()) - nonResident;

    uint32_t winres = 0, winresLength = 0;
    if (plan.withVersion) {
        std::vector<uint8_t> version = BuildVersionResource16(plan);
        winres = AlignUp(static_cast<uint32_t>(w.Pos()), 16);
        w.At(winres);
        w.U8(0xFF);
        w.U16(kRtVersion);
        w.U8(0xFF);
        w.U16(1);
        w.U16(kResourceFlags);
        w.U32(static_cast<uint32_t>(version.size()));
        w.Bytes(version.data(), version.size());
        winresLength = static_cast<uint32_t>(w.Pos()) - winres;
    }

    w.At(kLeOffset);
    w.U16(0x454C);  // "LE"
    w.U8(0);        // little-endian bytes
    w.U8(0);        // and words
    w.U32(0);       // format level
    w.U16(2);       // 80386
    w.U16(4);       // Windows 386
    w.U32(0);       // module version
    w.U32(kModuleVxd);
    w.U32(1);  // pages
    w.U32(0);  // no entry point: VMM finds the DDB through ordinal 1
    w.U32(0);
    w.U32(0);  // no stack
    w.U32(0);
    w.U32(kPageSize);
    w.U32(pageBytes);  // bytes in the last page
    w.U32(fixupEnd - fixupPages);
    w.U32(0);
    w.U32(loaderEnd - objectTable);
    w.U32(0);
    w.U32(objectTable);
    w.U32(1);  // objects
    w.U32(pageTable);
    w.U32(0);  // no iterated pages
    w.U32(resourceTable);
    w.U32(0);
    w.U32(residentNames);
    w.U32(entryTable);
    w.U32(0);  // no module directives
    w.U32(0);
    w.U32(fixupPages);
    w.U32(fixupRecords);
    w.U32(imports);
    w.U32(0);
    w.U32(imports);
    w.U32(0);  // page checksums
    w.U32(dataPages);
    w.U32(1);  // preload pages
    w.U32(nonResident);
    w.U32(nonResidentSize);
    w.U32(0);
    w.U32(0);  // no automatic data object
    w.U32(0);  // no debug information
    w.U32(0);
    w.U32(0);  // instance pages
    w.U32(0);
    w.U32(0);  // heap
    w.At(kLeOffset + 0xB8);
    w.U32(winres);
    w.U32(winresLength);
    w.U16(0);  // device ID: Undefined_Device_ID
    w.U16(kDdkVersion);
    return out;
}

}  // namespace mkpe
