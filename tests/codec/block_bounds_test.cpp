// A block's bounds: a code may not count more lengths than its alphabet
// has symbols, and a block that promised more symbols than the output took
// is corrupt even when every stored byte was used.
#include <gtest/gtest.h>

#include <string>

#include "bit_writer.h"
#include "codec_fixture.h"
#include "cx_decoder.h"
#include "memory_decode.h"

namespace {

// A block head whose three codes each hold a single symbol: count 0, then
// the symbol. Such codes take no bits, so the symbols cost nothing and the
// stored bytes end with the head.
Bytes SingleSymbolBlock(unsigned symbols, unsigned literal)
{
    cxw::BitWriter bits;
    bits.put(symbols, 16);
    bits.put(0, 5);
    bits.put(0, 5);  // pretree
    bits.put(0, 9);
    bits.put(literal, 9);  // every literal/length lookup yields `literal`
    bits.put(0, 4);
    bits.put(0, 4);  // distance
    return bits.finish();
}

// A block of `symbols` times 'A' whose pretree and distance codes send
// `pretreeCount` and `distanceCount` lengths, all 0: every count above the
// alphabet's 19 and 14 symbols is the only fault in it.
Bytes CountedBlock(unsigned symbols, unsigned pretreeCount, unsigned distanceCount)
{
    cxw::BitWriter bits;
    bits.put(symbols, 16);
    bits.put(pretreeCount, 5);
    for (unsigned i = 0; i < pretreeCount; i++) {
        bits.put(0, 3);
        if (i + 1 == 3)
            bits.put(0, 2);  // the run of zeros after the third length
    }
    bits.put(0, 9);
    bits.put('A', 9);
    bits.put(distanceCount, 4);
    for (unsigned i = 0; i < distanceCount; i++)
        bits.put(0, 3);
    return bits.finish();
}

int Decode(const Bytes &stream, size_t size, Bytes &out)
{
    out.assign(size, 0);
    return cxDecodeBuffer(stream.data(), stream.size(), out.data(), size);
}

TEST(BlockBounds, ACodeCountingMoreLengthsThanItsAlphabetIsCorrupt)
{
    Bytes out;
    ASSERT_EQ(0, Decode(CountedBlock(3, 19, 14), 3, out));
    EXPECT_EQ("AAA", std::string(out.begin(), out.end()));
    for (unsigned count = 20; count <= 31; count++)
        EXPECT_EQ(CX_ERR_CORRUPT, Decode(CountedBlock(3, count, 14), 3, out)) << "pretree " << count;
    EXPECT_EQ(CX_ERR_CORRUPT, Decode(CountedBlock(3, 19, 15), 3, out)) << "distance 15";
}

TEST(BlockBounds, AStreamEndingInsideAPromisedBlockIsCorrupt)
{
    const Bytes stream = SingleSymbolBlock(5, 'A');
    Bytes out;
    ASSERT_EQ(0, Decode(stream, 5, out));
    EXPECT_EQ("AAAAA", std::string(out.begin(), out.end()));
    // Fewer symbols than the block holds, though the stored bytes are all used.
    for (size_t size : {1u, 3u, 4u})
        EXPECT_EQ(CX_ERR_CORRUPT, Decode(stream, size, out)) << size;
    // One more than it holds: the next block head would be read from zeros past the end.
    EXPECT_EQ(CX_ERR_CORRUPT, Decode(stream, 6, out));
}

}  // namespace
