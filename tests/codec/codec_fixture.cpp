#include "codec_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cx_crc.h"
#include "cx_format.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
}

void writeFile(const std::string &path, const std::string &text)
{
    writeFile(path, Bytes(text.begin(), text.end()));
}

bool fileExists(const std::string &path)
{
    return fs::exists(path);
}

Bytes entryBytes(const RawEntry &e)
{
    Bytes out{0x67, 0x57, 0x04, 0x01, 0x31, e.neededVersion, 0, 0};
    cxPut16(&out[6], (uint32_t)e.name.size());
    out.insert(out.end(), e.name.begin(), e.name.end());
    unsigned char block[CX_ATTRIBUTE_SIZE];
    CxEntry record;
    memset(&record, 0, sizeof record);
    record.mtime = e.mtime;
    record.mode = e.mode;
    record.compressedSize = (uint32_t)e.data.size();
    record.uncompressedSize = e.uncompressedSize ? e.uncompressedSize : (uint32_t)e.data.size();
    record.crc = e.crcOverride >= 0 ? (uint32_t)e.crcOverride : cxCrc32(e.data.data(), e.data.size());
    record.method = e.method;
    record.host = e.host;
    record.flags = e.flags;
    cxFormatAttributes(&record, block);
    cxPut16(block + 31, (uint32_t)e.extra.size());
    out.insert(out.end(), block, block + sizeof block);
    out.insert(out.end(), e.extra.begin(), e.extra.end());
    out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

Bytes endRecord()
{
    Bytes out{0x67, 0x57, 0x04, 0x01, 0x31, 0x12, 0, 0};
    out.resize(out.size() + CX_ATTRIBUTE_SIZE, 0);
    return out;
}

Bytes storedArchive(const std::vector<std::pair<std::string, std::string>> &files)
{
    Bytes out;
    for (const auto &[name, text] : files) {
        RawEntry e;
        e.name = name;
        e.data.assign(text.begin(), text.end());
        Bytes b = entryBytes(e);
        out.insert(out.end(), b.begin(), b.end());
    }
    Bytes end = endRecord();
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

Bytes randomBytes(size_t size, uint32_t seed)
{
    Bytes out(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto &b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = (uint8_t)x;
    }
    return out;
}

Bytes textBytes(size_t size)
{
    static const char *words[] = {"extract ", "archive ", "the ", "entry ", "window ", "of ", "codec\n",
                                  "block ", "Huffman ", "and ", "8192 ", "bytes, ", "installer "};
    Bytes out;
    uint32_t x = 7;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        const char *w = words[(x >> 16) % (sizeof words / sizeof *words)];
        out.insert(out.end(), w, w + strlen(w));
    }
    out.resize(size);
    return out;
}

Bytes executableLike()
{
    const char *candidates[] = {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe",
                                "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/regedit.exe"};
    for (const char *c : candidates)
        if (fs::exists(c))
            return readFile(c);
    // Code-like bytes: short repeats, tables of little-endian offsets, padding.
    Bytes out(200000, 0);
    Bytes noise = randomBytes(out.size(), 99);
    for (size_t i = 0; i < out.size(); i++) {
        if ((i / 4096) % 3 == 2)
            continue;
        out[i] = (i % 16 < 4) ? (uint8_t)(i >> 4) : noise[i] & 0x1F;
    }
    return out;
}

uint32_t cxCrc32Of(const Bytes &bytes)
{
    return cxCrc32(bytes.data(), bytes.size());
}

bool failHeapAllocations(int count)
{
    std::string faults;
    for (int i = 1; i <= count; i++)
        faults += (i > 1 ? ";" : "") + std::string("HeapAlloc:") + std::to_string(i) + ":8";
    std::string error;
    return winsim::SetFaults(faults, error);
}

std::vector<CallbackEvent> events;

int32_t recordEvents(CxEntry *entry, int32_t code, int32_t lVal)
{
    events.push_back({code, lVal, entry->name});
    return 0;
}

std::vector<int32_t> eventCodes()
{
    std::vector<int32_t> codes;
    for (const CallbackEvent &e : events)
        codes.push_back(e.code);
    return codes;
}

long countOf(int32_t code)
{
    long n = 0;
    for (const CallbackEvent &e : events)
        n += e.code == code;
    return n;
}

namespace {

// One simulated machine for the whole run: winsim keeps its bookkeeping there.
class MachineEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        base_ = fs::temp_directory_path() / ("codec-test-" + std::to_string(getpid()));
        fs::remove_all(base_);
        std::string error;
        ASSERT_TRUE(winsim::CreateMachine((base_ / "machine").string(), "winxp", {}, error)) << error;
        ASSERT_TRUE(winsim::UseMachine((base_ / "machine").string(), error)) << error;
    }
    void TearDown() override { fs::remove_all(base_); }

private:
    fs::path base_;
};

const ::testing::Environment *machine = ::testing::AddGlobalTestEnvironment(new MachineEnvironment);

}  // namespace

void CodecTest::SetUp()
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = (fs::temp_directory_path() / ("codec-test-" + std::to_string(getpid())) / "scratch" /
           (std::string(info->test_suite_name()) + "." + info->name()))
              .string();
    fs::create_directories(dir);
    events.clear();
    cxInit();
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)recordEvents);
    cxSetOption(CX_OPTION_OVERWRITE_QUERY, 0);
}

void CodecTest::TearDown()
{
    cxCloseArchive();
    failHeapAllocations(0);
    cxDone();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}
