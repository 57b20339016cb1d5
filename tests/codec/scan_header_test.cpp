// Finding the first entry behind an executable image, and reading headers.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"
#include "cx_format.h"

namespace {

class ScanHeader : public CodecTest {
protected:
    // Opens the bytes as a file and runs cxFindFirst; the record stays for more calls.
    int findFirst(const Bytes &bytes)
    {
        writeFile(path("a.bin"), bytes);
        handle = cxOpenFile(path("a.bin").c_str(), CX_MODE_READ);
        EXPECT_GE(handle, 0);
        memset(&entry, 0, sizeof entry);
        entry.archiveHandle = handle;
        entry.outputHandle = -1;
        return cxFindFirst(&entry);
    }
    void TearDown() override
    {
        if (handle >= 0)
            cxCloseFile(handle);
        CodecTest::TearDown();
    }
    int handle = -1;
    CxEntry entry;
};

Bytes withPrefix(size_t prefix, const Bytes &archive)
{
    Bytes out = randomBytes(prefix, 77);
    for (size_t i = 0; i + 1 < out.size(); i++)
        if (out[i] == 0x67)
            out[i] = 0x66;     // no accidental signature start in the filler
    out.insert(out.end(), archive.begin(), archive.end());
    return out;
}

TEST_F(ScanHeader, ExecutableImageThenArchiveRecordThenEntries)
{
    Bytes payload(CX_ARCHIVE_RECORD_SIZE);
    cxFormatArchiveRecord(11, payload.data());
    Bytes archive = storedArchive({{"HALVIK.SYS", "hello"}, {"HALVIK.VXD", "world!"}});
    payload.insert(payload.end(), archive.begin(), archive.end());
    ASSERT_EQ(0, findFirst(withPrefix(258048, payload)));
    EXPECT_STREQ("HALVIK.SYS", entry.name);
    EXPECT_EQ(0, cxTestFile(&entry));
    ASSERT_EQ(0, cxFindNext(&entry));
    EXPECT_STREQ("HALVIK.VXD", entry.name);
    EXPECT_EQ(CX_ERR_END, cxFindNext(&entry));
    // The scan reported progress once per chunk it passed.
    EXPECT_GE(countOf(CX_EV_SCAN_PROGRESS), 40);
}

TEST_F(ScanHeader, ScanStopsAfterFourHundredThousandBytes)
{
    Bytes archive = storedArchive({{"A", "x"}});
    // 66 chunks of 6144 bytes pass 400,000: a signature in the 66th is found, one in the 67th is not.
    EXPECT_EQ(0, findFirst(withPrefix(65 * 6144 + 100, archive)));
    cxCloseFile(handle);
    EXPECT_EQ(CX_ERR_BAD_HEADER, findFirst(withPrefix(66 * 6144 + 100, archive)));
}

TEST_F(ScanHeader, SignatureSplitAcrossChunksAndRepeatedFirstByte)
{
    Bytes archive = storedArchive({{"SPLIT.TXT", "abc"}});
    ASSERT_EQ(0, findFirst(withPrefix(6144 - 2, archive)));
    EXPECT_STREQ("SPLIT.TXT", entry.name);
    cxCloseFile(handle);
    Bytes doubled{0x67};
    doubled.insert(doubled.end(), archive.begin(), archive.end());
    ASSERT_EQ(0, findFirst(doubled));
    EXPECT_STREQ("SPLIT.TXT", entry.name);
}

TEST_F(ScanHeader, EmptyFileAndFileWithoutArchive)
{
    EXPECT_EQ(CX_ERR_NOT_FOUND, findFirst({}));
    cxCloseFile(handle);
    EXPECT_EQ(CX_ERR_BAD_HEADER, findFirst(textBytes(1000)));
}

TEST_F(ScanHeader, AbortFromTheScanCallback)
{
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t) -> int32_t {
        if (code == CX_EV_SCAN_PROGRESS)
            e->action = CX_ACTION_STOP;
        return 0;
    });
    EXPECT_EQ(CX_ERR_ABORTED, findFirst(withPrefix(20000, storedArchive({{"A", "x"}}))));
}

TEST_F(ScanHeader, NeededVersionGate)
{
    for (uint8_t version : {0x12, 0x31, 0x32}) {
        RawEntry e;
        e.name = "V.TXT";
        e.data = {1, 2, 3};
        e.neededVersion = version;
        Bytes archive = entryBytes(e);
        Bytes end = endRecord();
        archive.insert(archive.end(), end.begin(), end.end());
        EXPECT_EQ(version == 0x32 ? CX_ERR_VERSION : 0, findFirst(archive)) << std::hex << (int)version;
        cxCloseFile(handle);
        handle = -1;
    }
}

TEST_F(ScanHeader, NamesLongNamesExtraFieldsAndTruncation)
{
    RawEntry lower;
    lower.name = "dir/file.sys";
    lower.data = {9};
    lower.extra = {1, 2, 3, 4, 5};
    RawEntry keep = lower;
    keep.host = CX_HOST_KEEP_CASE;
    Bytes archive = entryBytes(lower);
    Bytes second = entryBytes(keep);
    archive.insert(archive.end(), second.begin(), second.end());
    ASSERT_EQ(0, findFirst(archive));
    EXPECT_STREQ("DIR\\FILE.SYS", entry.name);
    EXPECT_EQ(0, cxTestFile(&entry));     // the extra field was skipped: data lines up
    ASSERT_EQ(0, cxFindNext(&entry));
    EXPECT_STREQ("dir\\file.sys", entry.name);
    // The archive ends without an end record: the next header is missing.
    EXPECT_EQ(CX_ERR_BAD_HEADER, cxFindNext(&entry));
    cxCloseFile(handle);

    Bytes tooLong = entryBytes(lower);
    cxPut16(&tooLong[6], 255);
    EXPECT_EQ(CX_ERR_BAD_HEADER, findFirst(tooLong));
    EXPECT_EQ(0, entry.nameLength);
    cxCloseFile(handle);

    Bytes truncated = entryBytes(lower);
    truncated.resize(8 + lower.name.size() + 20);
    EXPECT_EQ(CX_ERR_BAD_HEADER, findFirst(truncated));
}

}  // namespace
