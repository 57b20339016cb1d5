// CRC-32 and the byte layout of headers and of the archive header record.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"
#include "cx_crc.h"
#include "cx_format.h"

namespace {

TEST(Crc32, MatchesTheStandardCheckValues)
{
    const char *check = "123456789";
    EXPECT_EQ(0xCBF43926u, cxCrc32(reinterpret_cast<const unsigned char *>(check), 9));
    EXPECT_EQ(0u, cxCrc32(nullptr, 0));
    // Piecewise updates give the same register as one pass.
    Bytes data = randomBytes(5000, 4);
    uint32_t reg = cxCrcUpdate(CX_CRC_PRESET, data.data(), 1234);
    reg = cxCrcUpdate(reg, data.data() + 1234, data.size() - 1234);
    EXPECT_EQ(cxCrc32(data.data(), data.size()), ~reg);
}

TEST(Format, AttributeBlockRoundTripsAndNeverWritesAnExtraField)
{
    CxEntry in;
    memset(&in, 0, sizeof in);
    in.mtime = 0x5A5A1234;
    in.mode = 0x81FF;
    in.compressedSize = 70000;
    in.uncompressedSize = 298774;
    in.crc = 0xDEADBEEF;
    in.method = 2;
    in.host = 16;
    in.extraLength = 99;
    unsigned char block[CX_ATTRIBUTE_SIZE];
    cxFormatAttributes(&in, block);
    EXPECT_EQ(0x81, block[5]);
    EXPECT_EQ(0xFF, block[4]);
    EXPECT_EQ(0u, cxGet16(block + 31));
    CxEntry out;
    memset(&out, 0, sizeof out);
    cxParseAttributes(block, &out);
    EXPECT_EQ(in.mtime, out.mtime);
    EXPECT_EQ(in.mode, out.mode);
    EXPECT_EQ(in.compressedSize, out.compressedSize);
    EXPECT_EQ(in.uncompressedSize, out.uncompressedSize);
    EXPECT_EQ(in.crc, out.crc);
    EXPECT_EQ(2u, out.method);
    EXPECT_EQ(16u, out.host);
}

TEST(Format, VersionGateAndNameConversion)
{
    EXPECT_FALSE(cxNeedsNewerCodec(0x12));
    EXPECT_FALSE(cxNeedsNewerCodec(0x31));
    EXPECT_TRUE(cxNeedsNewerCodec(0x32));
    EXPECT_TRUE(cxNeedsNewerCodec(0x40));
    EXPECT_FALSE(cxNeedsNewerCodec(0x2F));

    char name[32] = "dir/file.sys";
    cxPresentName(name, CX_HOST_CODEC);
    EXPECT_STREQ("DIR\\FILE.SYS", name);
    char kept[32] = "dir/file.sys";
    cxPresentName(kept, CX_HOST_KEEP_CASE);
    EXPECT_STREQ("dir\\file.sys", kept);
    cxStoreName(kept);
    EXPECT_STREQ("dir/file.sys", kept);
}

TEST(Format, ArchiveHeaderRecord)
{
    unsigned char record[CX_ARCHIVE_RECORD_SIZE];
    cxFormatArchiveRecord(298774, record);
    const unsigned char expected[] = {0x67, 0x57, 0x04, 0x02, 0x16, 0x8F, 0x04, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(0, memcmp(expected, record, sizeof expected));
}

}  // namespace
