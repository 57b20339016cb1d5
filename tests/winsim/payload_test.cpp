// The payload list that mkpe reads: what it accepts and what it refuses.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "machine_fixture.h"
#include "payload_list.h"

namespace {

TEST(PayloadList, ReadsNamesKindsVersionsAndDescriptions) {
    std::vector<mkpe::ListedImage> images;
    std::string error;
    ASSERT_TRUE(mkpe::ParsePayloadList("# comment\r\n\r\n"
                                       "HALVIK.SYS  driver  7.1.0.189  Filter driver for NT 4.0\r\n"
                                       "variants/none/HALVIK.SYS\tdriver none  No version\n"
                                       "HALVUNIN.EXE program 65535.0.0.1 Uninstaller\n",
                                       images, error))
        << error;
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].path, "HALVIK.SYS");
    EXPECT_EQ(images[0].plan.description, "Filter driver for NT 4.0");
    EXPECT_EQ(images[0].plan.fileVersion.Ms(), 0x00070001u);
    EXPECT_EQ(images[0].plan.fileVersion.Ls(), 0x000000BDu);
    EXPECT_EQ(images[1].plan.fileName, "HALVIK.SYS");
    EXPECT_FALSE(images[1].plan.withVersion);
    EXPECT_EQ(images[2].plan.kind, mkpe::Kind::Program);
    EXPECT_EQ(images[2].plan.productVersion.Text(), "65535.0.0.1");
}

TEST(PayloadList, RefusesLinesItCannotMakeAnImageOf) {
    const struct {
        const char* line;
        const char* says;
    } bad[] = {
        {"HALVIK.SYS driver 7.1.0.189", "no description"},
        {"HALVIK.SYS driver", "expected NAME KIND VERSION"},
        {"HALVIK.SYS sys 7.1.0.189 x", "kind 'sys'"},
        {"HALVIK.SYS driver 7.1.0 x", "version '7.1.0'"},
        {"HALVIK.SYS driver 7.1.0.65536 x", "version '7.1.0.65536'"},
        {"HALVIK.SYS driver 7.1..0 x", "version '7.1..0'"},
        {"../HALVIK.SYS driver 7.1.0.189 x", "not a relative path"},
        {"/tmp/HALVIK.SYS driver 7.1.0.189 x", "not a relative path"},
        {"a\\b.sys driver 7.1.0.189 x", "not a relative path"},
    };
    for (const auto& b : bad) {
        std::vector<mkpe::ListedImage> images;
        std::string error;
        EXPECT_FALSE(mkpe::ParsePayloadList(std::string("# first\n") + b.line + "\n", images, error)) << b.line;
        EXPECT_NE(error.find("line 2: "), std::string::npos) << error;
        EXPECT_NE(error.find(b.says), std::string::npos) << error;
    }
    std::vector<mkpe::ListedImage> images;
    std::string error;
    EXPECT_FALSE(mkpe::ParsePayloadList("# nothing\n", images, error));
    EXPECT_EQ(error, "the list names no file");
    EXPECT_FALSE(mkpe::ParsePayloadList("X.SYS driver 1.0.0.0 " + std::string(256, 'd') + "\n", images, error));
}

using Mkpe = MachineTest;

// The tool's one-image form, read back through the version calls.
TEST_F(Mkpe, WritesOneImageWithTheGivenVersion) {
    std::string out = dir_ + "/wide.sys";
    std::string command = std::string(MKPE_TOOL) + " --out " + out +
                          " --machine amd64 --version 7.0.5.300 --company 'Someone Else'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    DWORD size = GetFileVersionInfoSizeA(out.c_str(), nullptr);
    ASSERT_NE(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(out.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed;
    UINT length;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00070000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0005012Cu);
    char* company;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\CompanyName",
                               reinterpret_cast<void**>(&company), &length));
    EXPECT_STREQ(company, "Someone Else");

    EXPECT_NE(std::system((std::string(MKPE_TOOL) + " --out " + out + " --version 7.1 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((std::string(MKPE_TOOL) + " --list /nonexistent --dir " + dir_ + " 2>/dev/null").c_str()), 0);
}

}  // namespace
