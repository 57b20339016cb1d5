// Shared set-up of the codec tests: a simulated machine for the Win32 calls,
// a scratch directory per test, archives built byte by byte, and a recorder
// for the codec's callbacks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cx.h"

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string &path);
void writeFile(const std::string &path, const Bytes &bytes);
void writeFile(const std::string &path, const std::string &text);
bool fileExists(const std::string &path);

// Entry description for hand-built archives.
struct RawEntry {
    std::string name;
    Bytes data;                 // stored bytes
    uint32_t uncompressedSize = 0;
    uint32_t method = CX_METHOD_STORED;
    uint32_t host = CX_HOST_CODEC;
    uint32_t flags = 0;
    uint32_t mode = 0x81B6;
    uint32_t mtime = 1000000000;
    uint8_t neededVersion = 0x12;
    int32_t crcOverride = -1;   // -1: the CRC-32 of data
    Bytes extra;
};
Bytes entryBytes(const RawEntry &entry);
Bytes endRecord();
// Stored entries of the given names and texts followed by the end record.
Bytes storedArchive(const std::vector<std::pair<std::string, std::string>> &files);

// Deterministic test data.
Bytes randomBytes(size_t size, uint32_t seed);
Bytes textBytes(size_t size);
Bytes executableLike();   // a real PE file of the machine when there is one, else generated

uint32_t cxCrc32Of(const Bytes &bytes);
// Makes the first count HeapAlloc calls from now on fail (0 clears); false if winsim refused.
bool failHeapAllocations(int count);

// Records callback codes (and a copy of the record's name at each).
struct CallbackEvent {
    int32_t code;
    int32_t lVal;
    std::string name;
};
extern std::vector<CallbackEvent> events;
int32_t recordEvents(CxEntry *entry, int32_t code, int32_t lVal);
std::vector<int32_t> eventCodes();
long countOf(int32_t code);

class CodecTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string &leaf) const { return dir + "/" + leaf; }
    std::string dir;
};
