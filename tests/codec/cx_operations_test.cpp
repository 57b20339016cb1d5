// Result codes of the cx operations outside of extraction itself.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"

namespace {

using CxOperations = CodecTest;

TEST_F(CxOperations, FileTable)
{
    EXPECT_EQ(CX_ERR_ARGUMENT, cxOpenFile(nullptr, CX_MODE_READ));
    writeFile(path("f"), "data");
    EXPECT_EQ(CX_ERR_ARGUMENT, cxOpenFile(path("f").c_str(), 0));
    EXPECT_EQ(CX_ERR_OPEN, cxOpenFile(path("missing").c_str(), CX_MODE_READ));
    std::vector<int> handles;
    for (int i = 0; i < 20; i++) {
        int h = cxOpenFile(path("f").c_str(), CX_MODE_READ);
        ASSERT_EQ(i, h);
        handles.push_back(h);
    }
    EXPECT_EQ(CX_ERR_TABLE_FULL, cxOpenFile(path("f").c_str(), CX_MODE_READ));
    for (int h : handles)
        EXPECT_EQ(0, cxCloseFile(h));
    EXPECT_EQ(CX_ERR_HANDLE, cxCloseFile(handles[0]));
    EXPECT_EQ(CX_ERR_HANDLE, cxCloseFile(20));
    EXPECT_EQ(CX_ERR_HANDLE, cxCloseFile(-1));
    // Mode 10 creates (and truncates), mode 7 appends.
    int h = cxOpenFile(path("f").c_str(), CX_MODE_CREATE | CX_MODE_WRITE);
    ASSERT_GE(h, 0);
    cxCloseFile(h);
    EXPECT_TRUE(readFile(path("f")).empty());
}

TEST_F(CxOperations, OptionsAndTempPath)
{
    EXPECT_EQ(CX_ERR_NOT_SUPPORTED, cxSetTempPath(dir.c_str()));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxSetOption(102, 0));
    EXPECT_EQ(0, cxSetOption(CX_OPTION_OVERWRITE_QUERY, 0));
}

TEST_F(CxOperations, EnumerationCodes)
{
    writeFile(path("a.arq"), storedArchive({{"ONE", "1"}}));
    CxEntry e;
    memset(&e, 0, sizeof e);
    e.archiveHandle = -1;
    EXPECT_EQ(CX_ERR_HANDLE, cxFindFirst(&e));
    EXPECT_EQ(CX_ERR_HANDLE, cxTestFile(&e));
    e.archiveHandle = cxOpenFile(path("a.arq").c_str(), CX_MODE_READ);
    ASSERT_EQ(0, cxFindFirst(&e));
    EXPECT_EQ(CX_ERR_END, cxFindNext(&e));
    EXPECT_EQ(0, e.nameLength);
    EXPECT_EQ(CX_ERR_END, cxTestFile(&e));
    cxCloseFile(e.archiveHandle);
}

TEST_F(CxOperations, TestFindsDamageAndReportsTheComputedCrc)
{
    Bytes archive = storedArchive({{"GOOD", "good data"}, {"BAD", "bad data"}});
    writeFile(path("a.arq"), archive);
    archive[archive.size() - 33 - 8 - 1] ^= 0x01;     // last data byte of BAD
    writeFile(path("b.arq"), archive);
    CxEntry e;
    memset(&e, 0, sizeof e);
    e.archiveHandle = cxOpenFile(path("b.arq").c_str(), CX_MODE_READ);
    ASSERT_EQ(0, cxFindFirst(&e));
    EXPECT_EQ(0, cxTestFile(&e));
    ASSERT_EQ(0, cxFindNext(&e));
    events.clear();
    EXPECT_EQ(CX_ERR_CRC, cxTestFile(&e));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(CX_EV_TEST_DONE, events.back().code);
    Bytes damaged(archive.end() - 33 - 8 - 8, archive.end() - 33 - 8);
    EXPECT_EQ(cxCrc32Of(damaged), (uint32_t)events.back().lVal);
    EXPECT_EQ(CX_EV_TEST_PROGRESS, events.front().code);
    // The test restored the position: enumeration goes on.
    EXPECT_EQ(CX_ERR_END, cxFindNext(&e));
    cxCloseFile(e.archiveHandle);
}

TEST_F(CxOperations, TestWithoutMemoryAndWithAShortArchive)
{
    writeFile(path("a.arq"), storedArchive({{"ONE", "some bytes"}}));
    CxEntry e;
    memset(&e, 0, sizeof e);
    e.archiveHandle = cxOpenFile(path("a.arq").c_str(), CX_MODE_READ);
    ASSERT_EQ(0, cxFindFirst(&e));
    ASSERT_TRUE(failHeapAllocations(5));       // 8192 down to 512: all refused
    EXPECT_EQ(CX_ERR_NO_MEMORY, cxTestFile(&e));
    ASSERT_TRUE(failHeapAllocations(4));       // 512 bytes still serve
    EXPECT_EQ(0, cxTestFile(&e));
    failHeapAllocations(0);
    e.compressedSize = 100000;
    EXPECT_EQ(CX_ERR_SHORT_READ, cxTestFile(&e));
    cxCloseFile(e.archiveHandle);
}

TEST_F(CxOperations, ArchiveStateCodes)
{
    EXPECT_EQ(CX_ERR_NOT_FOUND, cxExtract("*.*", ""));
    EXPECT_EQ(CX_ERR_NOT_FOUND, cxProcess());
    EXPECT_EQ(CX_ERR_ARGUMENT, cxOpenArchive(nullptr, CX_OPEN_READ_ONLY));
    // A name without extension is opened with ".arq".
    writeFile(path("DATA.arq"), storedArchive({{"ONE", "1"}}));
    ASSERT_EQ(0, cxOpenArchive(path("DATA").c_str(), CX_OPEN_READ_ONLY));
    EXPECT_EQ(CX_ERR_ALREADY_OPEN, cxOpenArchive(path("DATA").c_str(), CX_OPEN_READ_ONLY));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxExtract(nullptr, ""));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxExtract("*.*", nullptr));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxExtract("[AB", ""));
    EXPECT_EQ(0, cxExtract("NOTHING", ""));
    EXPECT_EQ(0, cxProcess());
    // A finished cxProcess leaves the archive closed for further work.
    EXPECT_EQ(CX_ERR_NOT_FOUND, cxExtract("*.*", ""));
    EXPECT_EQ(CX_ERR_NOT_FOUND, cxProcess());
    EXPECT_EQ(0, cxCloseArchive());
    EXPECT_EQ(CX_ERR_HANDLE, cxOpenArchive(path("MISSING.ARQ").c_str(), CX_OPEN_READ_ONLY));
    // Other names are scanned at open: one without an archive is refused.
    writeFile(path("plain.exe"), textBytes(5000));
    EXPECT_EQ(CX_ERR_NOT_FOUND, cxOpenArchive(path("plain.exe").c_str(), CX_OPEN_READ_ONLY));
    // ".ARQ" names are not scanned, so the open succeeds whatever the file holds.
    writeFile(path("plain.ARQ"), textBytes(5000));
    EXPECT_EQ(0, cxOpenArchive(path("plain.ARQ").c_str(), CX_OPEN_READ_ONLY));
}

}  // namespace
