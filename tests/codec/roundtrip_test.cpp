// The compressor's output decodes to the input byte for byte, over data of
// every kind and over the sizes where windows, requests and blocks change.
#include <gtest/gtest.h>

#include "codec_fixture.h"
#include "compressor.h"
#include "memory_decode.h"

namespace {

void expectRoundTrip(const Bytes &data, const char *what)
{
    Bytes stream = cxw::compress(data.data(), data.size());
    Bytes back(data.size());
    ASSERT_EQ(0, cxDecodeBuffer(stream.data(), stream.size(), back.data(), back.size())) << what;
    EXPECT_TRUE(back == data) << what << ": " << data.size() << " bytes";
}

TEST(RoundTrip, SmallAndDegenerateInputs)
{
    expectRoundTrip({}, "empty");
    expectRoundTrip({0x42}, "one byte");
    expectRoundTrip({1, 2}, "two bytes");
    expectRoundTrip(Bytes(3, 7), "shortest match");
    expectRoundTrip(Bytes(100000, 0), "run of zeros");
    Bytes two(50000);
    for (size_t i = 0; i < two.size(); i++)
        two[i] = (uint8_t)(i % 2 ? 0xAA : 0x55);
    expectRoundTrip(two, "period two");
}

TEST(RoundTrip, TextRandomAndExecutables)
{
    expectRoundTrip(textBytes(300000), "text");
    expectRoundTrip(randomBytes(70000, 1), "random");
    expectRoundTrip(executableLike(), "executable");
}

TEST(RoundTrip, SizesAroundTheWindowAndTheRequests)
{
    for (size_t size : {8191u, 8192u, 8193u, 16383u, 16384u, 16385u, 24577u}) {
        Bytes data = textBytes(size);
        Bytes noise = randomBytes(size, (uint32_t)size);
        for (size_t i = 0; i < size; i += 97)
            data[i] = noise[i];
        expectRoundTrip(data, "around 8192");
    }
}

TEST(RoundTrip, MatchesAtTheExtremeDistances)
{
    // A random 8192-byte block repeated: every match reaches exactly 8192 back.
    Bytes block = randomBytes(8192, 11);
    Bytes data;
    for (int i = 0; i < 4; i++)
        data.insert(data.end(), block.begin(), block.end());
    expectRoundTrip(data, "distance 8192");
    // One byte further back is out of reach; the data still comes back.
    Bytes wide = randomBytes(8193, 12);
    Bytes twice = wide;
    twice.insert(twice.end(), wide.begin(), wide.end());
    expectRoundTrip(twice, "distance 8193");
    // Distance 1 runs that straddle every request boundary.
    Bytes runs = randomBytes(40000, 13);
    for (size_t at = 8000; at + 500 < runs.size(); at += 8192)
        std::fill(runs.begin() + at, runs.begin() + at + 500, runs[at]);
    expectRoundTrip(runs, "runs across requests");
}

TEST(RoundTrip, BlocksAroundTheSymbolLimit)
{
    // Random bytes parse almost wholly into literals, so the token count is the
    // byte count: blocks of 65535 symbols and one past it.
    for (size_t size : {65534u, 65535u, 65536u, 131071u, 131072u}) {
        Bytes data = randomBytes(size, (uint32_t)size);
        data[size / 2] = data[size / 2 - 1];
        expectRoundTrip(data, "symbol limit");
    }
    // Alternating character forces block splits within one input.
    Bytes mixed = textBytes(150000);
    Bytes noise = randomBytes(150000, 21);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    Bytes zeros(70000, 0);
    mixed.insert(mixed.end(), zeros.begin(), zeros.end());
    expectRoundTrip(mixed, "mixed blocks");
}

TEST(RoundTrip, CompressesWhatIsCompressible)
{
    Bytes text = textBytes(200000);
    EXPECT_LT(cxw::compress(text.data(), text.size()).size(), text.size() / 3);
    Bytes zeros(100000, 0);
    EXPECT_LT(cxw::compress(zeros.data(), zeros.size()).size(), 1000u);
}

}  // namespace
