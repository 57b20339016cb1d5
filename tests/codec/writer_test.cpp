// Building and updating archives: the values the writer fixes, the choice of
// method, replacing and deleting entries, and archives behind an executable.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_fixture.h"
#include "cx_format.h"
#include "cx_writer.h"

namespace {

struct Listed {
    std::string name;
    CxEntry entry;
};

class Writer : public CodecTest {
protected:
    int update(const std::string &archive, const std::vector<std::string> &adds, const char *deletePattern = nullptr)
    {
        int result = cxOpenArchive(path(archive).c_str(), 0);
        if (result != 0)
            return result;
        for (const std::string &a : adds)
            if ((result = cxAdd(path(a).c_str())) != 0)
                return result;
        if (deletePattern && (result = cxDelete(deletePattern)) != 0)
            return result;
        result = cxProcess();
        cxCloseArchive();
        return result;
    }

    std::vector<Listed> list(const std::string &archive)
    {
        std::vector<Listed> out;
        CxEntry e;
        memset(&e, 0, sizeof e);
        e.archiveHandle = cxOpenFile(path(archive).c_str(), CX_MODE_READ);
        int r = cxFindFirst(&e);
        while (r == 0) {
            EXPECT_EQ(0, cxTestFile(&e)) << e.name;
            out.push_back({e.name, e});
            r = cxFindNext(&e);
        }
        EXPECT_EQ(CX_ERR_END, r);
        cxCloseFile(e.archiveHandle);
        return out;
    }

    Bytes extractOne(const std::string &archive, const std::string &name)
    {
        EXPECT_EQ(0, cxOpenArchive(path(archive).c_str(), CX_OPEN_READ_ONLY));
        EXPECT_EQ(0, cxExtract(name.c_str(), (dir + "/out/").c_str()));
        EXPECT_EQ(0, cxProcess());
        cxCloseArchive();
        return readFile(dir + "/out/" + name);
    }
};

TEST_F(Writer, NewArchiveHoldsTheFixedValuesAndTheRightMethods)
{
    Bytes text = textBytes(30000);
    writeFile(path("readme.txt"), text);
    writeFile(path("noise.bin"), randomBytes(5000, 8));
    writeFile(path("already.zip"), textBytes(5000));
    writeFile(path("empty.dat"), Bytes{});
    ASSERT_EQ(0, update("new.arq", {"readme.txt", "noise.bin", "already.zip", "empty.dat"}));

    std::vector<Listed> entries = list("new.arq");
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ("README.TXT", entries[0].name);
    for (const Listed &l : entries) {
        EXPECT_EQ(0x31, l.entry.writerVersion);
        EXPECT_EQ(0x12, l.entry.neededVersion);
        EXPECT_EQ(16u, l.entry.host);
        EXPECT_EQ(0u, l.entry.flags);
        EXPECT_EQ(0x8000u, l.entry.mode & 0xF000);
    }
    EXPECT_EQ((uint32_t)CX_METHOD_COMPRESSED, entries[0].entry.method);
    EXPECT_LT(entries[0].entry.compressedSize, text.size() / 2);
    EXPECT_EQ((uint32_t)CX_METHOD_STORED, entries[1].entry.method);     // incompressible
    EXPECT_EQ((uint32_t)CX_METHOD_STORED, entries[2].entry.method);     // packed extension
    EXPECT_EQ(0u, entries[3].entry.uncompressedSize);
    EXPECT_EQ(text, extractOne("new.arq", "README.TXT"));

    // The end record closes the file and repeats the last entry's attribute block.
    Bytes file = readFile(path("new.arq"));
    ASSERT_GE(file.size(), 41u);
    const uint8_t *end = file.data() + file.size() - 41;
    EXPECT_EQ(0, memcmp(end, cxEntrySignature, 4));
    EXPECT_EQ(0u, cxGet16(end + 6));
    EXPECT_EQ(0u, cxGet32(end + 8 + 14));      // uncompressed size of EMPTY.DAT
}

TEST_F(Writer, AddingReplacesAndDeletingRemovesWhileOthersStayByteForByte)
{
    writeFile(path("a.txt"), "first A");
    writeFile(path("b.txt"), textBytes(9000));
    writeFile(path("c.sys"), "driver");
    ASSERT_EQ(0, update("x.arq", {"a.txt", "b.txt", "c.sys"}));
    Bytes before = readFile(path("x.arq"));
    std::vector<Listed> first = list("x.arq");

    writeFile(path("a.txt"), "second A, longer");
    ASSERT_EQ(0, update("x.arq", {"a.txt"}, "*.SYS"));
    std::vector<Listed> second = list("x.arq");
    ASSERT_EQ(2u, second.size());
    EXPECT_EQ("B.TXT", second[0].name);
    EXPECT_EQ("A.TXT", second[1].name);
    EXPECT_EQ(first[1].entry.crc, second[0].entry.crc);
    EXPECT_EQ(std::string("second A, longer"), [&] {
        Bytes b = extractOne("x.arq", "A.TXT");
        return std::string(b.begin(), b.end());
    }());
    // B.TXT's header and data were copied unchanged.
    Bytes after = readFile(path("x.arq"));
    size_t bStart = 8 + 5 + 33 + first[0].entry.compressedSize;
    size_t bLength = 8 + 5 + 33 + first[1].entry.compressedSize;
    EXPECT_EQ(0, memcmp(before.data() + bStart, after.data(), bLength));
    EXPECT_EQ(1, countOf(CX_EV_DELETING));
}

TEST_F(Writer, UpdateRefusedOnReadOnlyArchivesAndMissingFilesReported)
{
    writeFile(path("a.txt"), "a");
    ASSERT_EQ(0, update("x.arq", {"a.txt"}));
    ASSERT_EQ(0, cxOpenArchive(path("x.arq").c_str(), CX_OPEN_READ_ONLY));
    EXPECT_EQ(CX_ERR_ARGUMENT, cxAdd(path("a.txt").c_str()));
    cxCloseArchive();
    Bytes before = readFile(path("x.arq"));
    EXPECT_EQ(CX_ERR_OPEN, update("x.arq", {"missing.txt"}));
    EXPECT_EQ(1, countOf(CX_EV_ADD_FAILED));
    EXPECT_EQ(before, readFile(path("x.arq")));       // the failed update left the archive alone
}

TEST_F(Writer, ArchiveBehindAnExecutableKeepsItsPrefix)
{
    Bytes image = randomBytes(100000, 31);
    for (auto &b : image)
        if (b == 0x67)
            b = 0x68;
    Bytes stub = image;
    Bytes record(CX_ARCHIVE_RECORD_SIZE);
    cxFormatArchiveRecord(1, record.data());
    stub.insert(stub.end(), record.begin(), record.end());
    Bytes archive = storedArchive({{"OLD.TXT", "o"}});
    stub.insert(stub.end(), archive.begin(), archive.end());
    writeFile(path("setup.exe"), stub);
    writeFile(path("new.txt"), "fresh");

    ASSERT_EQ(0, update("setup.exe", {"new.txt"}));
    Bytes updated = readFile(path("setup.exe"));
    ASSERT_GT(updated.size(), image.size() + 12);
    EXPECT_EQ(0, memcmp(updated.data(), stub.data(), image.size() + 12));
    std::vector<Listed> entries = list("setup.exe");
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("NEW.TXT", entries[1].name);
    EXPECT_GT(countOf(CX_EV_PREFIX_PROGRESS), 0);
}

}  // namespace
