// The Windows build's resources, compiled by windres from the generated script, must be the
// host table's bytes: one source, the same resources on both builds.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "rc_writer.h"
#include "resource_bytes.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWindres = "x86_64-w64-mingw32-windres";

bool HaveWindres() { return std::system((std::string("command -v ") + kWindres + " >/dev/null 2>&1").c_str()) == 0; }

class Windres : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveWindres())
            GTEST_SKIP() << kWindres << " is not installed";
        char pattern[] = "/tmp/resources_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    std::map<ResourceKey, Bytes> Compile(const fs::path& script)
    {
        const fs::path res = dir_ / "out.res";
        const std::string command = std::string(kWindres) + " -O res '" + script.string() + "' '" + res.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadResFile(res.string());
    }

    fs::path dir_;
};

std::string Describe(const ResourceKey& key)
{
    char text[64];
    std::snprintf(text, sizeof text, "type %u name %u language 0x%04X", std::get<0>(key), std::get<1>(key),
                  std::get<2>(key));
    return text;
}

} // namespace

TEST_F(Windres, CompilesTheScriptIntoTheHostTablesBytes)
{
    const auto windows = Compile(HALVINST_RC_SCRIPT);
    const auto host = HostResources();
    for (const auto& [key, bytes] : host) {
        const auto it = windows.find(key);
        if (it == windows.end()) {
            ADD_FAILURE() << Describe(key) << " is missing from the Windows build";
            continue;
        }
        if (it->second == bytes)
            continue;
        std::size_t at = 0;
        while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at])
            ++at;
        ADD_FAILURE() << Describe(key) << " differs from byte " << at << " (host " << bytes.size()
                      << " bytes, windres " << it->second.size() << ")";
    }
    for (const auto& entry : windows)
        EXPECT_TRUE(host.count(entry.first)) << Describe(entry.first) << " exists only in the Windows build";
}

TEST_F(Windres, ReadsEscapedTextsAsTheyWereWritten)
{
    // Digits and letters right after a \x escape, quotes, backslashes and line breaks.
    const std::u16string text = u"中1a \"quoted\" C:\\dir\nÄb%s ไทย";
    const fs::path script = dir_ / "escapes.rc";
    std::ofstream(script) << "LANGUAGE 9, 1\nSTRINGTABLE\nBEGIN\n  1, " << resgen::RcWideString(text) << "\nEND\n";
    const auto resources = Compile(script);
    const auto block = resources.find({kRtString, 1, 0x0409});
    ASSERT_NE(block, resources.end());
    EXPECT_EQ(DecodeStringBlock(block->second)[1], text);
}
