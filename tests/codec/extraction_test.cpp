// cxOpenArchive / cxExtract / cxProcess: what is written where, in which
// order the callbacks come, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "codec_fixture.h"
#include "compressor.h"
#include "cx_format.h"
#include "cx_tempname.h"
#include "winsim/machine.h"

namespace {

class Extraction : public CodecTest {
protected:
    // Opens the archive read-only, queues one extraction into out/ and runs it.
    int extract(const std::string &archive, const char *pattern = "*.*")
    {
        int result = cxOpenArchive(path(archive).c_str(), CX_OPEN_READ_ONLY);
        if (result != 0)
            return result;
        result = cxExtract(pattern, (dir + "/out/").c_str());
        if (result != 0)
            return result;
        return cxProcess();
    }
    std::string out(const std::string &leaf) const { return dir + "/out/" + leaf; }
};

Bytes compressedEntry(const std::string &name, const Bytes &data, uint32_t mode = 0x81B6)
{
    RawEntry e;
    e.name = name;
    e.data = cxw::compress(data.data(), data.size());
    e.uncompressedSize = (uint32_t)data.size();
    e.method = CX_METHOD_COMPRESSED;
    e.mode = mode;
    return entryBytes(e);
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST_F(Extraction, FullExtractionCallbackSequenceContentsModeAndTime)
{
    Bytes big = textBytes(20000);
    RawEntry stored;
    stored.name = "README.TXT";
    stored.data = {'h', 'i'};
    stored.mode = 0x8124;       // no write bit: the file comes out read-only
    writeFile(path("a.arq"), join({compressedEntry("HALVIK.SYS", big), entryBytes(stored), endRecord()}));
    std::filesystem::create_directories(out(""));

    ASSERT_EQ(0, extract("a.arq"));
    EXPECT_EQ(big, readFile(out("HALVIK.SYS")));
    EXPECT_EQ(Bytes({'h', 'i'}), readFile(out("README.TXT")));
    std::vector<int32_t> expected{CX_EV_ARCHIVE_OPENED, CX_EV_PROCESS_BEGIN,
                                  CX_EV_EXTRACTING, CX_EV_PROGRESS, CX_EV_PROGRESS, CX_EV_PROGRESS, CX_EV_WRITTEN,
                                  CX_EV_EXTRACTING, CX_EV_STORING, CX_EV_WRITTEN,
                                  CX_EV_PROCESS_END};
    EXPECT_EQ(expected, eventCodes());
    EXPECT_EQ(out("HALVIK.SYS"), events[2].name);       // code 44 sees the output path
    EXPECT_EQ(16384, events[5].lVal);                   // progress counts the bytes produced

    struct stat st;
    ASSERT_EQ(0, stat(out("README.TXT").c_str(), &st));
    EXPECT_EQ(1000000000, st.st_mtime);
    EXPECT_EQ(0, st.st_mode & 0222);
    ASSERT_EQ(0, stat(out("HALVIK.SYS").c_str(), &st));
    EXPECT_NE(0, st.st_mode & 0200);
    EXPECT_EQ(0, cxCloseArchive());
    EXPECT_EQ(CX_EV_ARCHIVE_CLOSED, events.back().code);
}

TEST_F(Extraction, CallbackMaySkipEveryEntryOrRenameTheOutput)
{
    writeFile(path("a.arq"), storedArchive({{"ONE.SYS", "1"}, {"TWO.SYS", "2"}}));
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *, int32_t code, int32_t) -> int32_t {
        return code == CX_EV_EXTRACTING ? 1 : 0;
    });
    ASSERT_EQ(0, cxOpenArchive(path("a.arq").c_str(), CX_OPEN_READ_ONLY));
    ASSERT_EQ(0, cxExtract("*.*", ""));
    EXPECT_EQ(0, cxProcess());
    EXPECT_FALSE(fileExists("ONE.SYS"));
    cxCloseArchive();

    static std::string target;
    target = path("renamed.bin");
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t) -> int32_t {
        if (code == CX_EV_EXTRACTING)
            strcpy(e->name, target.c_str());
        return 0;
    });
    ASSERT_EQ(0, extract("a.arq", "TWO.SYS"));
    EXPECT_EQ(Bytes({'2'}), readFile(target));
}

TEST_F(Extraction, PatternsRetireAndChooseEntries)
{
    // Garbage after HALVINST.INF is never read: the literal pattern is done after its match.
    Bytes archive = storedArchive({{"A.B.SYS", "ab"}, {"HALVINST.INF", "inf"}});
    archive.resize(archive.size() - 41);
    Bytes garbage(100, 0x55);
    archive.insert(archive.end(), garbage.begin(), garbage.end());
    writeFile(path("a.arq"), archive);
    ASSERT_EQ(0, extract("a.arq", "HALVINST.INF"));
    EXPECT_EQ(Bytes({'i', 'n', 'f'}), readFile(out("HALVINST.INF")));
    EXPECT_FALSE(fileExists(out("A.B.SYS")));
    EXPECT_EQ(1, countOf(CX_EV_EXTRACTING));
    cxCloseArchive();
    // With a wildcard the loop runs into the garbage, which must not pass for success.
    EXPECT_EQ(CX_ERR_BAD_HEADER, extract("a.arq", "*.SYS"));
    EXPECT_FALSE(fileExists(out("A.B.SYS")));     // *.SYS stops at the first '.'
}

TEST_F(Extraction, ExistingOutputIsReplacedUnlessTheQueryRefuses)
{
    writeFile(path("a.arq"), storedArchive({{"F.TXT", "new"}}));
    std::filesystem::create_directories(out(""));
    writeFile(out("F.TXT"), "");
    ASSERT_EQ(0, extract("a.arq"));
    EXPECT_EQ(Bytes({'n', 'e', 'w'}), readFile(out("F.TXT")));
    cxCloseArchive();

    writeFile(out("F.TXT"), "old");
    cxSetOption(CX_OPTION_OVERWRITE_QUERY, (intptr_t) + [](CxEntry *, int32_t, int32_t) -> int32_t { return 0; });
    ASSERT_EQ(0, extract("a.arq"));
    EXPECT_EQ(Bytes({'o', 'l', 'd'}), readFile(out("F.TXT")));
}

TEST_F(Extraction, MissingDirectoriesAreCreated)
{
    writeFile(path("a.arq"), storedArchive({{"DEEP.TXT", "x"}}));
    ASSERT_EQ(0, cxOpenArchive(path("a.arq").c_str(), CX_OPEN_READ_ONLY));
    ASSERT_EQ(0, cxExtract("*.*", (dir + "/one/two/three").c_str()));     // the separator is added
    ASSERT_EQ(0, cxProcess());
    EXPECT_EQ(Bytes({'x'}), readFile(dir + "/one/two/three/DEEP.TXT"));
}

TEST_F(Extraction, FailureLeavesNoPartialOutputAndTheOldFileInPlace)
{
    Bytes data = textBytes(50000);
    Bytes entry = compressedEntry("VICTIM.SYS", data);
    entry[entry.size() - 100] ^= 0x10;      // damage inside the stored bytes
    writeFile(path("a.arq"), join({entry, endRecord()}));
    std::filesystem::create_directories(out(""));
    writeFile(out("VICTIM.SYS"), "previous version");

    EXPECT_EQ(CX_ERR_OPEN, extract("a.arq"));
    const std::string previous = "previous version";
    EXPECT_EQ(Bytes(previous.begin(), previous.end()), readFile(out("VICTIM.SYS")));
    std::vector<std::string> left;
    for (const auto &f : std::filesystem::directory_iterator(out("")))
        left.push_back(f.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"VICTIM.SYS"}, left);     // no temporary file stays
    std::vector<int32_t> codes = eventCodes();
    EXPECT_EQ(CX_EV_PROCESS_END, codes.back());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), CX_ERR_CRC) != codes.end() ||
                std::find(codes.begin(), codes.end(), CX_ERR_CORRUPT) != codes.end());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), CX_EV_STOPPED_ON_ERROR) == codes.end());
    EXPECT_EQ(0, countOf(CX_EV_WRITTEN)) << "an entry is called written only after its check";
    // The archive stays open after the failure until it is closed.
    EXPECT_EQ(CX_ERR_ALREADY_OPEN, cxOpenArchive(path("a.arq").c_str(), CX_OPEN_READ_ONLY));
}

TEST_F(Extraction, StoredEntryThatEndsEarlyAndUnknownMethodLeaveNoFile)
{
    RawEntry shortEntry;
    shortEntry.name = "SHORT.BIN";
    shortEntry.data = {1, 2, 3};
    shortEntry.uncompressedSize = 3;
    Bytes bytes = entryBytes(shortEntry);
    bytes.pop_back();      // the archive ends one byte early
    writeFile(path("short.arq"), bytes);
    EXPECT_EQ(CX_ERR_OPEN, extract("short.arq"));
    EXPECT_EQ(1, countOf(CX_ERR_SHORT_READ));
    EXPECT_FALSE(fileExists(out("SHORT.BIN")));
    cxCloseArchive();

    // Even when the callback stops at the news of the method, no empty file takes the name.
    RawEntry odd;
    odd.name = "ODD.BIN";
    odd.data = {1, 2, 3};
    odd.method = 9;
    odd.crcOverride = (int32_t)0xFFFFFFFF;
    writeFile(path("odd.arq"), join({entryBytes(odd), endRecord()}));
    for (bool stop : {false, true}) {
        events.clear();
        static bool stopAtUnknown;
        stopAtUnknown = stop;
        cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t lVal) -> int32_t {
            if (code == CX_EV_UNKNOWN_METHOD && stopAtUnknown)
                e->action = CX_ACTION_STOP;
            return recordEvents(e, code, lVal);
        });
        EXPECT_EQ(CX_ERR_OPEN, extract("odd.arq")) << stop;
        std::vector<int32_t> codes = eventCodes();
        auto unknown = std::find(codes.begin(), codes.end(), CX_EV_UNKNOWN_METHOD);
        ASSERT_NE(codes.end(), unknown);
        EXPECT_EQ(CX_ERR_NOT_SUPPORTED, *(unknown + 1));
        EXPECT_EQ(0, countOf(CX_EV_WRITTEN));
        EXPECT_FALSE(fileExists(out("ODD.BIN"))) << stop;
        cxCloseArchive();
    }
}

TEST_F(Extraction, SizesThatDisagreeWithTheStoredBytesFailTheEntry)
{
    Bytes data = textBytes(20000);
    RawEntry packed;
    packed.name = "PACKED.SYS";
    packed.data = cxw::compress(data.data(), data.size());
    packed.method = CX_METHOD_COMPRESSED;
    for (int64_t delta : {-60, -1, 1, 60}) {
        // The CRC covers the stored bytes, so it matches whatever the size field says.
        packed.uncompressedSize = (uint32_t)((int64_t)data.size() + delta);
        writeFile(path("a.arq"), join({entryBytes(packed), endRecord()}));
        events.clear();
        EXPECT_EQ(CX_ERR_OPEN, extract("a.arq")) << delta;
        EXPECT_EQ(1, countOf(CX_ERR_CORRUPT)) << delta;
        EXPECT_EQ(0, countOf(CX_EV_WRITTEN)) << delta;
        EXPECT_FALSE(fileExists(out("PACKED.SYS"))) << delta;
        cxCloseArchive();
    }

    // A stored entry's stored bytes are the file: a size that differs cannot be right.
    RawEntry stored;
    stored.name = "STORED.BIN";
    stored.data = {1, 2, 3, 4};
    RawEntry next;
    next.name = "NEXT.BIN";
    next.data = {5};
    for (uint32_t size : {3u, 5u}) {
        stored.uncompressedSize = size;
        writeFile(path("s.arq"), join({entryBytes(stored), entryBytes(next), endRecord()}));
        events.clear();
        EXPECT_EQ(CX_ERR_OPEN, extract("s.arq")) << size;
        EXPECT_EQ(1, countOf(CX_ERR_CORRUPT)) << size;
        EXPECT_FALSE(fileExists(out("STORED.BIN"))) << size;
        cxCloseArchive();
    }
}

TEST_F(Extraction, AnOutputPathTooLongIsRefusedNotCut)
{
    writeFile(path("a.arq"), storedArchive({{"LONGNAME.TXT", "x"}}));
    std::string deep = dir + "/" + std::string(CX_MAX_OUTPUT_PATH - dir.size() - 10, 'd');
    ASSERT_EQ(0, cxOpenArchive(path("a.arq").c_str(), CX_OPEN_READ_ONLY));
    ASSERT_EQ(0, cxExtract("*.*", deep.c_str()));
    EXPECT_EQ(CX_ERR_OPEN, cxProcess());
    EXPECT_EQ(1, countOf(CX_ERR_ARGUMENT));
    EXPECT_EQ(0, countOf(CX_EV_EXTRACTING)) << "the cut name is never offered";
    EXPECT_FALSE(std::filesystem::exists(deep));
    cxCloseArchive();

    // A callback that fills the whole name leaves no room for its end either.
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t lVal) -> int32_t {
        int32_t result = recordEvents(e, code, lVal);
        if (code == CX_EV_EXTRACTING)
            memset(e->name, 'n', sizeof e->name);
        return result;
    });
    events.clear();
    EXPECT_EQ(CX_ERR_OPEN, extract("a.arq"));
    EXPECT_EQ(1, countOf(CX_ERR_ARGUMENT));
}

TEST_F(Extraction, AnOutputThatCannotBeCreatedIsReported)
{
    // A folder under the temporary file's name: the name is free for reading,
    // yet no file can be created under it.
    writeFile(path("a.arq"), storedArchive({{"T.TXT", "t"}}));
    std::filesystem::create_directories(out(""));
    unsigned number = cxTempCounter();
    for (unsigned n = number + 1; n <= number + 3; n++) {
        char name[16];
        std::snprintf(name, sizeof name, "CX%05u.$$$", n);
        std::filesystem::create_directories(out(name));
    }
    EXPECT_EQ(CX_ERR_OPEN, extract("a.arq"));
    EXPECT_EQ(1, countOf(CX_ERR_NO_TEMP));
    EXPECT_FALSE(fileExists(out("T.TXT")));
}

TEST_F(Extraction, AnOutputWhoseTimeCannotBeSetFailsTheEntry)
{
    // The time stamp decides later runs' comparisons: a file with the wrong
    // one is not the entry, and no output is left under its name.
    writeFile(path("a.arq"), storedArchive({{"T.TXT", "t"}}));
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("SetFileTime:1:5", error)) << error;
    EXPECT_EQ(CX_ERR_OPEN, extract("a.arq"));
    winsim::SetFaults("", error);
    EXPECT_EQ(1, countOf(CX_ERR_SET_TIME));
    EXPECT_FALSE(fileExists(out("T.TXT")));
}

TEST_F(Extraction, AFileThatCannotEnterTheTableIsNeverCreated)
{
    // Created first and refused after, the file would stay behind unnamed
    // (and after a fault, held open where no clean-up can close it).
    ASSERT_TRUE(failHeapAllocations(1));
    EXPECT_EQ(CX_ERR_NO_MEMORY, cxOpenFile(path("NEW.BIN").c_str(), CX_MODE_WRITE | CX_MODE_CREATE));
    failHeapAllocations(0);
    EXPECT_FALSE(fileExists(path("NEW.BIN")));
}

TEST_F(Extraction, SizesThatWouldSeekBackwardsEndTheArchive)
{
    // A flagged entry is skipped by its size; 0xFFFFFFC0 is "64 bytes back" in
    // 32-bit arithmetic and would bring the same header round forever.
    RawEntry loop;
    loop.name = "LOOP.BIN";
    loop.data = {1};
    loop.flags = CX_FLAG_NOT_EXTRACTABLE;
    Bytes bytes = entryBytes(loop);
    cxPut32(&bytes[8 + loop.name.size() + 10], 0xFFFFFFC0u);
    writeFile(path("loop.arq"), join({bytes, endRecord()}));
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t) -> int32_t {
        if (code == CX_EV_FLAGGED)
            e->flags = 0;      // let it through to the extraction, which skips by the size
        return 0;
    });
    EXPECT_NE(0, extract("loop.arq"));
}

TEST_F(Extraction, FlaggedEntriesAreSkippedUnlessTheCallbackClearsTheFlag)
{
    RawEntry flagged;
    flagged.name = "LOCKED.BIN";
    flagged.data = {7};
    flagged.flags = CX_FLAG_NOT_EXTRACTABLE;
    RawEntry plain;
    plain.name = "PLAIN.BIN";
    plain.data = {8};
    writeFile(path("a.arq"), join({entryBytes(flagged), entryBytes(plain), endRecord()}));
    ASSERT_EQ(0, extract("a.arq"));
    EXPECT_FALSE(fileExists(out("LOCKED.BIN")));
    EXPECT_EQ(Bytes({8}), readFile(out("PLAIN.BIN")));
    std::vector<int32_t> codes = eventCodes();
    auto flag = std::find(codes.begin(), codes.end(), CX_EV_FLAGGED);
    ASSERT_NE(codes.end(), flag);
    EXPECT_EQ(CX_ERR_NOT_EXTRACTABLE, *(flag + 1));
    cxCloseArchive();

    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t) + [](CxEntry *e, int32_t code, int32_t) -> int32_t {
        if (code == CX_EV_FLAGGED)
            e->flags &= ~(uint32_t)CX_FLAG_NOT_EXTRACTABLE;
        return 0;
    });
    ASSERT_EQ(0, extract("a.arq"));
    EXPECT_EQ(Bytes({7}), readFile(out("LOCKED.BIN")));
}

TEST_F(Extraction, NotEnoughFreeSpaceOnTheOutputDrive)
{
    // Drive C of the machine gets 100 free bytes for this test.
    std::string machine = winsim::MachineDir();
    std::string ini = machine + "/machine.ini";
    Bytes saved = readFile(ini);
    std::string text(saved.begin(), saved.end());
    size_t at = text.find("drive.C=fixed ");
    ASSERT_NE(std::string::npos, at);
    size_t end = text.find(' ', at + 14);
    writeFile(ini, text.substr(0, at + 14) + "100" + text.substr(end));
    std::string error;
    ASSERT_TRUE(winsim::UseMachine(machine, error)) << error;

    writeFile(path("a.arq"), storedArchive({{"BIG.BIN", std::string(1000, 'b')}}));
    ASSERT_EQ(0, cxOpenArchive(path("a.arq").c_str(), CX_OPEN_READ_ONLY));
    ASSERT_EQ(0, cxExtract("*.*", "C:\\OUT"));
    EXPECT_EQ(CX_ERR_OPEN, cxProcess());
    auto full = std::find_if(events.begin(), events.end(), [](const CallbackEvent &e) { return e.code == CX_ERR_NO_SPACE; });
    ASSERT_NE(events.end(), full);
    EXPECT_EQ(2, full->lVal);       // drive C
    EXPECT_FALSE(fileExists(machine + "/c/OUT/BIG.BIN"));

    // Exactly the entry's size free is enough.
    writeFile(ini, text.substr(0, at + 14) + "8192" + text.substr(end));
    ASSERT_TRUE(winsim::UseMachine(machine, error)) << error;
    writeFile(path("b.arq"), storedArchive({{"FITS.BIN", std::string(8192, 'f')}}));
    ASSERT_EQ(0, cxCloseArchive());
    ASSERT_EQ(0, cxOpenArchive(path("b.arq").c_str(), CX_OPEN_READ_ONLY));
    ASSERT_EQ(0, cxExtract("*.*", "C:\\OUT"));
    EXPECT_EQ(0, cxProcess());
    EXPECT_TRUE(fileExists(machine + "/c/OUT/FITS.BIN"));

    writeFile(ini, saved);
    ASSERT_TRUE(winsim::UseMachine(machine, error)) << error;
}

}  // namespace
