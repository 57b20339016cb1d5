// The VxD's version resource: mkpe's LE images as a VxD loader and the
// release checks see them, and winsim's version calls on both families
// (the 95 family reads a VxD's 16-bit resource; the NT family fails with
// last error 0), next to PE images read on both.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "le_image.h"
#include "le_writer.h"
#include "pe_writer.h"
#include "version_fixture.h"
#include "version_resource.h"

namespace {

const std::string kRoot = "C:\\";

std::vector<uint8_t> Vxd(const std::string& version) {
    mkpe::ImagePlan plan;
    plan.kind = mkpe::Kind::Vxd;
    plan.fileName = "HALVIK.VXD";
    plan.description = "Tessera Disc Reader filter driver for Windows 95/98/Me";  // as payload/files.txt has it
    if (version == "none") plan.withVersion = false;
    else EXPECT_TRUE(mkpe::ParseVersion(version, plan.fileVersion));
    plan.productVersion = plan.fileVersion;
    return mkpe::BuildImage(plan);
}

std::vector<uint8_t> Payload(const std::string& name) {
    std::string bytes = ReadHostFile(std::string(PAYLOAD_DIR) + "/" + name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr size_t kLe = 0x80;  // where mkpe puts the LE header

// ---- The image itself, through the shared reader ----------------------------

TEST(LeImage, MkpeWritesAVxdTheLoaderCanFollow) {
    std::vector<uint8_t> image = Vxd("7.1.0.189");
    le::Source file = le::FromBuffer(image);
    le::Header header;
    std::string why;
    ASSERT_EQ(le::ReadHeader(file, header, why), le::Status::Ok) << why;
    EXPECT_EQ(header.offset, kLe);
    EXPECT_EQ(header.os, le::kOsWindows386);
    EXPECT_EQ(header.cpu, 2);
    EXPECT_EQ(header.moduleFlags & 0x38000u, 0x28000u) << "a virtual device driver";
    EXPECT_TRUE(header.vxdExtension);
    EXPECT_EQ(header.ddkVersion, 0x0400);

    // Resident names: the module, then NAME_DDB as ordinal 1.
    size_t names = kLe + header.residentNames;
    ASSERT_EQ(image[names], 6);
    EXPECT_EQ(std::string(image.begin() + names + 1, image.begin() + names + 7), "HALVIK");
    size_t ddbName = names + 9;
    ASSERT_EQ(image[ddbName], 10);
    EXPECT_EQ(std::string(image.begin() + ddbName + 1, image.begin() + ddbName + 11), "HALVIK_DDB");
    EXPECT_EQ(U16(image, ddbName + 11), 1);

    // Entry table: ordinal 1 is a 32-bit entry at offset 0 of object 1.
    size_t entries = kLe + header.entryTable;
    EXPECT_EQ(image[entries], 1);
    EXPECT_EQ(image[entries + 1], 3);
    EXPECT_EQ(U16(image, entries + 2), 1);
    uint32_t ddbOffset = U32(image, entries + 5);

    // The object's page holds the DDB: name, size, and a control procedure
    // (fixed up) that answers with carry set.
    size_t ddb = header.dataPages + ddbOffset;
    EXPECT_EQ(std::string(image.begin() + ddb + 12, image.begin() + ddb + 20), "HALVIK  ");
    EXPECT_EQ(image[ddb + 8], 7) << "major version";
    EXPECT_EQ(U32(image, ddb + 0x40), 0x50u) << "DDB_Size";
    uint32_t control = U32(image, ddb + 24);
    EXPECT_EQ(image[header.dataPages + control], 0xF9) << "stc";
    EXPECT_EQ(image[header.dataPages + control + 1], 0xC3) << "ret";
    size_t fixups = kLe + U32(image, kLe + 0x6C);
    EXPECT_EQ(image[fixups], 0x07) << "a 32-bit offset fixup";
    EXPECT_EQ(U16(image, fixups + 2), 24) << "at DDB_Control_Proc";
    EXPECT_EQ(U16(image, fixups + 5), control);
    EXPECT_EQ(U32(image, kLe + 0x54), 0u) << "the LE resource table stays empty";
}

TEST(LeImage, SharedReaderTellsFormatsApartAndReadsTheVersion) {
    EXPECT_TRUE(le::IsLeExecutable(le::FromBuffer(Vxd("7.2.0.0"))));
    EXPECT_TRUE(le::IsLeExecutable(std::string(PAYLOAD_DIR) + "/HALVIK.VXD"));
    EXPECT_FALSE(le::IsLeExecutable(std::string(PAYLOAD_DIR) + "/HALVIK.SYS")) << "a PE image";
    EXPECT_FALSE(le::IsLeExecutable(std::string(PAYLOAD_DIR) + "/no such file"));
    std::vector<uint8_t> text(300, 'x');
    EXPECT_FALSE(le::IsLeExecutable(le::FromBuffer(text)));

    le::VersionInfo info;
    std::string why;
    ASSERT_EQ(le::ReadFileVersion(std::string(PAYLOAD_DIR) + "/HALVIK.VXD", info, why), le::Status::Ok) << why;
    EXPECT_EQ(le::VersionText(info.fixed.fileVersionMS, info.fixed.fileVersionLS), "7.1.0.189");
    EXPECT_EQ(info.fixed.type, static_cast<uint32_t>(VFT_VXD));
    EXPECT_EQ(info.language, 0x0409);
    EXPECT_EQ(info.codePage, 1252);
    EXPECT_EQ(info.fileVersion, "7.1.0.189");
    EXPECT_EQ(info.productVersion, "7.1.0.189");
    EXPECT_EQ(info.company, "Talven");
    EXPECT_EQ(info.description, "Tessera Disc Reader filter driver for Windows 95/98/Me");
    EXPECT_EQ(le::ReadFileVersion(std::string(PAYLOAD_DIR) + "/variants/none/HALVIK.VXD", info, why),
              le::Status::NoVersion);
    EXPECT_EQ(le::ReadFileVersion(std::string(PAYLOAD_DIR) + "/HALVIK.SYS", info, why), le::Status::NotLe);
}

TEST(LeImage, MkpeWritesTheSameBytesEveryTime) {
    EXPECT_EQ(Vxd("7.1.0.189"), Vxd("7.1.0.189"));
    EXPECT_EQ(Vxd("7.1.0.189"), Payload("HALVIK.VXD"));
    EXPECT_NE(Vxd("7.1.0.189"), Vxd("7.1.0.188"));
}

// Every cut of the file and every damaged offset reads as an error, never
// past the end (ASan watches the reads).
TEST(LeImage, DamagedImagesFailCleanly) {
    std::vector<uint8_t> image = Vxd("7.1.0.189");
    std::vector<uint8_t> resource;
    std::string why;
    for (size_t size = 0; size < image.size(); ++size) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_NE(le::ReadVersionResource(le::FromBuffer(cut), resource, why), le::Status::Ok) << size;
    }
    const size_t fields[] = {0x3C, kLe + 0x14, kLe + 0x28, kLe + 0x2C, kLe + 0x40, kLe + 0x44, kLe + 0x80,
                             kLe + 0xB8, kLe + 0xBC};
    const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF};
    for (size_t field : fields) {
        for (uint32_t value : values) {
            std::vector<uint8_t> bad = image;
            Put32(bad, field, value);
            le::Status status = le::ReadVersionResource(le::FromBuffer(bad), resource, why);
            if (status == le::Status::Ok) {
                EXPECT_EQ(resource.size(), U16(resource, 0)) << field << " " << value;
            }
        }
    }
    // A resource of another type is no version resource.
    std::vector<uint8_t> other = image;
    uint32_t winres = U32(image, kLe + 0xB8);
    other[winres + 1] = 14;  // RT_GROUP_ICON
    EXPECT_EQ(le::ReadVersionResource(le::FromBuffer(other), resource, why), le::Status::NoVersion);
    // A tree whose root is not VS_VERSION_INFO is damaged.
    std::vector<uint8_t> rootless = image;
    rootless[winres + 13 + 4] = 'X';
    EXPECT_EQ(le::ReadVersionResource(le::FromBuffer(rootless), resource, why), le::Status::Damaged);
}

// ---- winsim's version calls on both families --------------------------------

class LeVersion : public VersionInfo {};

TEST_F(LeVersion, TheWindows95FamilyReadsTheVxdsVersion) {
    for (const char* profile : {"win95", "win98", "winme"}) {
        UseFreshMachine(profile);
        std::string path = Place("HALVIK.VXD", Payload("HALVIK.VXD"), kRoot);
        VS_FIXEDFILEINFO fixed;
        Strings strings;
        DWORD error = 0;
        ASSERT_TRUE(Read(path, fixed, strings, error)) << profile << " error " << error;
        EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00070001u);
        EXPECT_EQ(fixed.dwFileVersionLS, 189u);
        EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_VXD));
        EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_DOS_WINDOWS32));
        EXPECT_EQ(strings.company, "Talven");
        EXPECT_EQ(strings.fileVersion, "7.1.0.189");
        EXPECT_EQ(strings.description, "Tessera Disc Reader filter driver for Windows 95/98/Me");
    }
}

TEST_F(LeVersion, UpgradeVariantsReadTheirVersionsOnWindows98) {
    UseFreshMachine("win98");
    struct {
        const char* folder;
        DWORD ms, ls;
    } variants[] = {{"7.2.0.0", 0x00070002, 0}, {"7.1.0.188", 0x00070001, 188}, {"7.0.5.300", 0x00070000, 0x0005012C}};
    for (const auto& v : variants) {
        std::string path = Place("HALVIK.VXD", Payload(std::string("variants/") + v.folder + "/HALVIK.VXD"), kRoot);
        VS_FIXEDFILEINFO fixed;
        Strings strings;
        DWORD error = 0;
        ASSERT_TRUE(Read(path, fixed, strings, error)) << v.folder << " error " << error;
        EXPECT_EQ(fixed.dwFileVersionMS, v.ms) << v.folder;
        EXPECT_EQ(fixed.dwFileVersionLS, v.ls) << v.folder;
        EXPECT_EQ(strings.fileVersion, v.folder);
    }
    std::string bare = Place("BARE.VXD", Payload("variants/none/HALVIK.VXD"), kRoot);
    DWORD handle = 5;
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(bare.c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(handle, 0u);
}

// Windows NT's version calls fail for a VxD and leave the last error 0; a
// caller sees a file without version. Win32s reads no VxD either.
TEST_F(LeVersion, TheNtFamilyRefusesAVxdWithLastErrorZero) {
    for (const char* profile : {"nt351", "nt4", "win2000", "winxp", "win7", "win32s"}) {
        UseFreshMachine(profile);
        std::string path = Place("HALVIK.VXD", Payload("HALVIK.VXD"), kRoot);
        DWORD handle = 5;
        SetLastError(1234);
        EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), &handle), 0u) << profile;
        EXPECT_EQ(GetLastError(), 0u) << profile;
        EXPECT_EQ(handle, 0u);
        std::vector<uint8_t> block(4096, 0xCC);
        SetLastError(1234);
        EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) << profile;
        EXPECT_EQ(GetLastError(), 0u) << profile;
        EXPECT_EQ(block[0], 0xCC) << "nothing written";
    }
}

// A PE image reads the same on both families.
TEST_F(LeVersion, PeImagesReadOnBothFamilies) {
    for (const char* profile : {"win95", "win98", "winme", "nt4", "winxp"}) {
        UseFreshMachine(profile);
        for (const char* variant : {"HALVIK.SYS", "variants/7.2.0.0/HALVIK.SYS"}) {
            std::string path = Place("HALVIK.SYS", Payload(variant), kRoot);
            VS_FIXEDFILEINFO fixed;
            Strings strings;
            DWORD error = 0;
            ASSERT_TRUE(Read(path, fixed, strings, error)) << profile << " " << variant << " error " << error;
            EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DRV));
            EXPECT_EQ(strings.fileVersion, variant[0] == 'v' ? "7.2.0.0" : "7.1.0.189");
        }
        std::string bare = Place("BARE.SYS", Payload("variants/none/HALVIK.SYS"), kRoot);
        EXPECT_EQ(GetFileVersionInfoSizeA(bare.c_str(), nullptr), 0u) << profile;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND)) << profile;
    }
}

// The 16-bit block is the resource alone; queries point into it, text and
// binary alike, and find only what a block given too small holds.
TEST_F(LeVersion, QueriesOfTheSixteenBitBlock) {
    UseFreshMachine("win98");
    std::string path = Place("HALVIK.VXD", Payload("HALVIK.VXD"), kRoot);
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    std::vector<uint8_t> resource;
    std::string why;
    ASSERT_EQ(le::ReadVersionResource(le::FromBuffer(Payload("HALVIK.VXD")), resource, why), le::Status::Ok);
    ASSERT_EQ(size, resource.size());
    std::vector<uint8_t> block(size + 16, 0xCC);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    EXPECT_TRUE(std::equal(resource.begin(), resource.end(), block.begin()));
    EXPECT_EQ(block[size], 0xCC) << "nothing written behind the block";

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const WORD* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\stringfileinfo\\040904e4\\ProductName", &value, &length));
    EXPECT_EQ(std::string(static_cast<const char*>(value)), "Tessera Disc Reader");
    EXPECT_EQ(length, std::strlen("Tessera Disc Reader") + 1);
    EXPECT_GE(static_cast<uint8_t*>(value), block.data());
    EXPECT_LT(static_cast<uint8_t*>(value), block.data() + size) << "in place, no copy";
    SetLastError(0);
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\Comments", &value, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(length, 0u);

    // A block of 120 bytes holds the fixed part but not the strings.
    std::vector<uint8_t> small(120, 0);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(small.size()), small.data()));
    ASSERT_TRUE(VerQueryValueA(small.data(), "\\", &value, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_FALSE(VerQueryValueA(small.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));
}

TEST_F(LeVersion, DamagedVxdsFailWithWindowsErrors) {
    UseFreshMachine("win98");
    std::vector<uint8_t> image = Vxd("7.1.0.189");
    std::vector<uint8_t> outside = image;
    Put32(outside, kLe + 0xB8, 0x7FFFFFF0);  // the version resource beyond the end
    std::string path = Place("OUT.VXD", outside, kRoot);
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    std::vector<uint8_t> cut(image.begin(), image.begin() + 0x100);  // the header, then nothing
    path = Place("CUT.VXD", cut, kRoot);
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

}  // namespace
