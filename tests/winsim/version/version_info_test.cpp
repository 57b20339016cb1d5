// Version resources of PE images: the generated payload, images mkpe builds
// on the spot (32- and 64-bit), a real 64-bit DLL, and damaged images. The
// VxD's (an LE executable) are in le_version_test.cpp.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "machine_fixture.h"
#include "pe_writer.h"
#include "version/pe_resources.h"
#include "version_fixture.h"
#include "version_resource.h"

namespace {

std::vector<uint8_t> Image(const std::string& version, mkpe::Machine machine = mkpe::Machine::I386) {
    mkpe::ImagePlan plan;
    plan.machine = machine;
    if (version == "none") plan.withVersion = false;
    else EXPECT_TRUE(mkpe::ParseVersion(version, plan.fileVersion));
    plan.productVersion = plan.fileVersion;
    return mkpe::BuildImage(plan);
}

// Where the version resource lies inside an image mkpe built.
size_t ResourceOffset(const std::vector<uint8_t>& image, const mkpe::ImagePlan& plan) {
    std::vector<uint8_t> resource = mkpe::BuildVersionResource(plan);
    auto at = std::search(image.begin(), image.end(), resource.begin(), resource.end());
    EXPECT_NE(at, image.end());
    return static_cast<size_t>(at - image.begin());
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    Put16(bytes, at, static_cast<uint16_t>(v));
    Put16(bytes, at + 2, static_cast<uint16_t>(v >> 16));
}

TEST_F(VersionInfo, PayloadFilesCarryTheReleaseVersionAndStrings) {
    const char* names[] = {"HALVIK.SYS", "HALVIK2K.SYS", "HALVUNIN.EXE"};
    for (const char* name : names) {
        std::string path = kDrivers + name;
        ASSERT_TRUE(CopyFileA((std::string(PAYLOAD_DIR) + "/" + name).c_str(), path.c_str(), FALSE)) << name;
        VS_FIXEDFILEINFO fixed;
        Strings strings;
        DWORD error;
        ASSERT_TRUE(Read(path, fixed, strings, error)) << name << " error " << error;
        EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00070001u) << name;
        EXPECT_EQ(fixed.dwFileVersionLS, 0x000000BDu) << name;
        EXPECT_EQ(strings.company, "Talven");
        EXPECT_EQ(strings.fileVersion, "7.1.0.189");
        EXPECT_NE(strings.description.find("Tessera Disc Reader"), std::string::npos) << strings.description;
    }
    // Each file says what it is.
    VS_FIXEDFILEINFO fixed;
    Strings strings;
    DWORD error;
    ASSERT_TRUE(Read(kDrivers + "HALVUNIN.EXE", fixed, strings, error));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    ASSERT_TRUE(Read(kDrivers + "HALVIK2K.SYS", fixed, strings, error));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DRV));
    EXPECT_EQ(fixed.dwFileSubtype, static_cast<DWORD>(VFT2_DRV_SYSTEM));
    EXPECT_EQ(strings.description, "Tessera Disc Reader filter driver for Windows 2000/XP");
}

TEST_F(VersionInfo, VariantsForTheUpgradeTestsHaveTheirVersions) {
    struct {
        const char* folder;
        DWORD ms, ls;
    } variants[] = {{"7.2.0.0", 0x00070002, 0}, {"7.1.0.188", 0x00070001, 188}, {"7.0.5.300", 0x00070000, 0x0005012C}};
    for (const auto& v : variants) {
        std::string path = kDrivers + "Halvik.sys";
        ASSERT_TRUE(CopyFileA((std::string(PAYLOAD_DIR) + "/variants/" + v.folder + "/HALVIK.SYS").c_str(),
                              path.c_str(), FALSE));
        VS_FIXEDFILEINFO fixed;
        Strings strings;
        DWORD error;
        ASSERT_TRUE(Read(path, fixed, strings, error)) << v.folder;
        EXPECT_EQ(fixed.dwFileVersionMS, v.ms) << v.folder;
        EXPECT_EQ(fixed.dwFileVersionLS, v.ls) << v.folder;
        EXPECT_EQ(strings.fileVersion, v.folder);
    }
    std::string bare = kDrivers + "bare.sys";
    ASSERT_TRUE(CopyFileA((std::string(PAYLOAD_DIR) + "/variants/none/HALVIK.SYS").c_str(), bare.c_str(), FALSE));
    DWORD handle = 5;
    EXPECT_EQ(GetFileVersionInfoSizeA(bare.c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    EXPECT_EQ(handle, 0u);
}

TEST_F(VersionInfo, SixtyFourBitImagesReadAsThirtyTwoBitOnes) {
    std::string path = Place("wide.sys", Image("7.2.0.0", mkpe::Machine::Amd64));
    VS_FIXEDFILEINFO fixed;
    Strings strings;
    DWORD error;
    ASSERT_TRUE(Read(path, fixed, strings, error)) << error;
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00070002u);
    EXPECT_EQ(strings.fileVersion, "7.2.0.0");
}

TEST_F(VersionInfo, RealSixtyFourBitDllFromWine) {
    const std::string dll = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/version.dll";
    if (!HostFileExists(dll)) GTEST_SKIP() << "wine64 is not installed";
    VS_FIXEDFILEINFO fixed;
    Strings strings;
    DWORD error;
    // A host path: winsim reads it where it is.
    ASSERT_TRUE(Read(dll, fixed, strings, error)) << error;
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_NE(fixed.dwFileVersionMS, 0u);
    EXPECT_EQ(strings.company, "Microsoft Corporation");
    char expected[64];
    std::snprintf(expected, sizeof expected, "%u.%u.%u.%u", fixed.dwFileVersionMS >> 16, fixed.dwFileVersionMS & 0xFFFF,
                  fixed.dwFileVersionLS >> 16, fixed.dwFileVersionLS & 0xFFFF);
    EXPECT_EQ(strings.fileVersion, expected);
}

TEST_F(VersionInfo, QueryPathsFollowWindowsRules) {
    std::string path = Place("q.sys", Image("7.1.0.189"));
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    // Twice the resource and the signature, as Windows sizes it.
    uint16_t wLength = static_cast<uint16_t>(block[0] | block[1] << 8);
    EXPECT_EQ(size, 2u * wLength + 4);
    EXPECT_EQ(std::memcmp(block.data() + wLength, "FE2X", 4), 0);

    void* value;
    UINT length;
    EXPECT_TRUE(VerQueryValueA(block.data(), "", &value, &length));
    EXPECT_EQ(length, 52u);
    char* text;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\\\stringfileinfo\\040904B0\\FILEVERSION\\",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "7.1.0.189");
    EXPECT_EQ(length, 10u);
    // The ANSI copy lies in the room behind the resource, never in it.
    EXPECT_GE(reinterpret_cast<uint8_t*>(text), block.data() + wLength + 4);
    EXPECT_LE(reinterpret_cast<uint8_t*>(text) + length, block.data() + block.size());

    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\Nope", &value, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\04070000\\FileVersion", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), nullptr, &value, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(VersionInfo, TextValuesComeBackInTheAnsiCodePage) {
    mkpe::ImagePlan plan;
    plan.company = "Talven \xC2\xA9 \xE2\x82\xAC \xE4\xB8\xAD";  // (c), euro sign, a CJK character
    std::string path = Place("ansi.sys", mkpe::BuildImage(plan));
    VS_FIXEDFILEINFO fixed;
    Strings strings;
    DWORD error;
    ASSERT_TRUE(Read(path, fixed, strings, error));
    EXPECT_EQ(strings.company, "Talven \xA9 \x80 ?");
}

TEST_F(VersionInfo, ABlockGivenTooSmallAnswersOnlyWhatItHolds) {
    std::string path = Place("small.sys", Image("7.1.0.189"));
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 100u);
    // Room for the fixed part but not for the strings or the ANSI copies.
    std::vector<uint8_t> block(100);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    void* value;
    UINT length;
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));

    // The whole resource but no room for ANSI copies.
    uint16_t wLength = static_cast<uint16_t>(size / 2 - 2);
    block.assign(wLength, 0);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, wLength, block.data()));
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &value, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(VersionInfo, FilesThatAreNoImagesFailWithWindowsErrors) {
    struct {
        const char* name;
        std::string bytes;
        DWORD error;
    } cases[] = {
        {"text.txt", "hello world", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"empty.sys", "", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"dos.exe", "MZ" + std::string(62, '\0'), ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& c : cases) {
        std::string path = Place(c.name, std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    EXPECT_EQ(GetFileVersionInfoSizeA((kDrivers + "missing.sys").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileVersionInfoSizeA("C:\\NoDir\\missing.sys", nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    char block[64];
    EXPECT_FALSE(GetFileVersionInfoA((kDrivers + "missing.sys").c_str(), 0, sizeof block, block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(VersionInfo, EveryTruncationFailsCleanly) {
    std::vector<uint8_t> image = Image("7.1.0.189");
    mkpe::ImagePlan plan;
    size_t resourceEnd = ResourceOffset(image, plan) + mkpe::BuildVersionResource(plan).size();
    // Cut at every length up to the end of the resource: none may yield the
    // resource, and none may read past what is there (the sanitizer build
    // watches the reads).
    for (size_t length = 0; length < resourceEnd; ++length) {
        winsim::BufferBytes bytes(std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(length)));
        std::vector<uint8_t> resource;
        std::string why;
        DWORD error = winsim::ReadVersionResource(bytes, resource, why);
        EXPECT_TRUE(error == ERROR_RESOURCE_DATA_NOT_FOUND || error == ERROR_BAD_EXE_FORMAT)
            << "cut at " << length << ": error " << error << " " << why;
        EXPECT_TRUE(resource.empty());
    }
    // The same through the calls, at the edges of each part of the image.
    for (size_t length : {size_t(0x3F), size_t(0x97), size_t(0x1C7), size_t(0x400), resourceEnd - 1}) {
        std::string path = Place("cut.sys", std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(length)));
        EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u) << "cut at " << length;
    }
    std::string whole = Place("whole.sys", std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(resourceEnd)));
    EXPECT_NE(GetFileVersionInfoSizeA(whole.c_str(), nullptr), 0u);
}

// A host program keeps its version resource in an ELF section: the carried
// uninstaller reads like its PE twin; every cut of it fails cleanly.
TEST_F(VersionInfo, HostProgramsCarryItInAnElfSection) {
    std::string program = ReadHostFile(std::string(PAYLOAD_DIR) + "/HALVUNIN.EXE");
    ASSERT_EQ(program.compare(0, 4, "\x7F" "ELF"), 0);
    std::vector<uint8_t> image(program.begin(), program.end());
    std::vector<uint8_t> resource;
    std::string why;
    ASSERT_EQ(winsim::ReadVersionResource(winsim::BufferBytes(image), resource, why), static_cast<DWORD>(ERROR_SUCCESS))
        << why;
    for (size_t length : {size_t(3), size_t(40), size_t(63), image.size() / 2, image.size() - 1}) {
        winsim::BufferBytes cut(std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(length)));
        std::vector<uint8_t> none;
        DWORD error = winsim::ReadVersionResource(cut, none, why);
        EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS)) << "cut at " << length;
        EXPECT_TRUE(none.empty() || error == ERROR_SUCCESS);
    }
}

TEST_F(VersionInfo, DamagedHeadersAndTreesFailCleanly) {
    const std::vector<uint8_t> good = Image("7.1.0.189");
    mkpe::ImagePlan plan;
    const size_t resource = ResourceOffset(good, plan);
    const size_t pe = 0x80, optional = pe + 24, sections = optional + 224;
    const size_t rsrcHeader = sections + 40, rsrcRaw = 0x400;
    struct Damage {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
        DWORD error;
    };
    const Damage damages[] = {
        {"e_lfanew past the end", [](auto& b) { Put32(b, 0x3C, 0x7FFFFFF0); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"no PE signature", [&](auto& b) { b[pe] = 'X'; }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"optional header magic", [&](auto& b) { Put16(b, optional, 0x999); }, ERROR_BAD_EXE_FORMAT},
        {"optional header too small", [&](auto& b) { Put16(b, pe + 20, 40); }, ERROR_BAD_EXE_FORMAT},
        {"optional header too large", [&](auto& b) { Put16(b, pe + 20, 0xFFFF); }, ERROR_BAD_EXE_FORMAT},
        {"no sections", [&](auto& b) { Put16(b, pe + 6, 0); }, ERROR_BAD_EXE_FORMAT},
        {"too many sections", [&](auto& b) { Put16(b, pe + 6, 0xFFFF); }, ERROR_BAD_EXE_FORMAT},
        {"no resource directory", [&](auto& b) { Put32(b, optional + 96 + 16, 0); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"resource directory outside every section", [&](auto& b) { Put32(b, optional + 96 + 16, 0x90000); },
         ERROR_BAD_EXE_FORMAT},
        {"resource section data past the end", [&](auto& b) { Put32(b, rsrcHeader + 20, 0x7FFFF000); },
         ERROR_BAD_EXE_FORMAT},
        {"no RT_VERSION", [&](auto& b) { Put32(b, rsrcRaw + 16, 3); }, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"huge entry count", [&](auto& b) { Put16(b, rsrcRaw + 14, 0xFFFF); Put32(b, rsrcRaw + 16, 3); },
         ERROR_BAD_EXE_FORMAT},
        {"subdirectory outside the section", [&](auto& b) { Put32(b, rsrcRaw + 20, 0xFFFFFFF0); },
         ERROR_BAD_EXE_FORMAT},
        {"leaf where a directory belongs", [&](auto& b) { Put32(b, rsrcRaw + 20, 72); }, ERROR_BAD_EXE_FORMAT},
        {"data entry size beyond 64 KiB", [&](auto& b) { Put32(b, rsrcRaw + 76, 0x7FFFFFFF); },
         ERROR_INVALID_DATA},
        {"data entry address outside the file", [&](auto& b) { Put32(b, rsrcRaw + 72, 0x00FF0000); },
         ERROR_BAD_EXE_FORMAT},
        {"root block longer than the resource", [&](auto& b) { Put16(b, resource, 0xFFF0); }, ERROR_INVALID_DATA},
        {"root block shorter than its header", [&](auto& b) { Put16(b, resource, 4); }, ERROR_INVALID_DATA},
        {"root key not VS_VERSION_INFO", [&](auto& b) { b[resource + 6] = 'X'; }, ERROR_INVALID_DATA},
        {"fixed part cut short", [&](auto& b) { Put16(b, resource + 2, 20); }, ERROR_INVALID_DATA},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = good;
        d.apply(bytes);
        std::string path = Place("bad.sys", bytes);
        EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u) << d.what;
        EXPECT_EQ(GetLastError(), d.error) << d.what;
    }
}

TEST_F(VersionInfo, DamagedChildBlocksReadAsMissing) {
    std::vector<uint8_t> image = Image("7.1.0.189");
    mkpe::ImagePlan plan;
    size_t resource = ResourceOffset(image, plan);
    // The first child of the root (StringFileInfo) follows the 92-byte
    // header, key and fixed part; make it claim more than its parent has,
    // then zero length, which must not loop.
    const size_t child = resource + 92;
    for (uint16_t bogus : {uint16_t(0xF000), uint16_t(0), uint16_t(3)}) {
        std::vector<uint8_t> bytes = image;
        Put16(bytes, child, bogus);
        std::string path = Place("child.sys", bytes);
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        ASSERT_NE(size, 0u);
        std::vector<uint8_t> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
        void* value;
        UINT length;
        EXPECT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
        EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &value, &length));
    }
}

TEST_F(VersionInfo, FileOpenWithoutSharingCannotBeRead) {
    std::string path = Place("busy.sys", Image("7.1.0.189"));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(h);
    EXPECT_NE(GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
}

TEST_F(VersionInfo, ImagesCarryAValidChecksum) {
    for (auto machine : {mkpe::Machine::I386, mkpe::Machine::Amd64}) {
        std::vector<uint8_t> image = Image("7.1.0.189", machine);
        const size_t field = 0x80 + 24 + 64;
        uint32_t stored = image[field] | image[field + 1] << 8 | image[field + 2] << 16 |
                          static_cast<uint32_t>(image[field + 3]) << 24;
        EXPECT_NE(stored, 0u);
        EXPECT_EQ(stored, mkpe::PeChecksum(image, field));
        image[0x300] ^= 1;  // any change shows
        EXPECT_NE(stored, mkpe::PeChecksum(image, field));
    }
}

}  // namespace
