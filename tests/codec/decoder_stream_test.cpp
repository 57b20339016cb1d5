// Hand-built method 2 streams for the corners of the decoder: single-symbol
// codes, codes longer than the lookup tables, every distance symbol, and
// corrupt heads that must stop the entry without touching memory outside the
// tables.
#include <gtest/gtest.h>

#include <cstring>

#include "bit_writer.h"
#include "codec_fixture.h"
#include "compressor.h"
#include "cx_crc.h"
#include "cx_decoder.h"
#include "huffman_lengths.h"
#include "memory_decode.h"

namespace {

struct Stream {
    cxw::BitWriter bits;

    void put(uint32_t value, unsigned count) { bits.put(value, count); }
    void shortLength(unsigned len)
    {
        if (len < 7) {
            put(len, 3);
        } else {
            put(7, 3);
            for (unsigned k = 7; k < len; k++)
                put(1, 1);
            put(0, 1);
        }
    }
    // A code of one symbol: count 0, then the symbol.
    void single(unsigned symbol, unsigned countBits)
    {
        put(0, countBits);
        put(symbol, countBits);
    }
    Bytes finish() { return bits.finish(); }
};

int decode(const Bytes &stream, size_t size, Bytes &out)
{
    out.assign(size, 0);
    return cxDecodeBuffer(stream.data(), stream.size(), out.data(), size);
}

// Sends literal/length lengths through a pretree in which every symbol used
// gets length 5 (a complete code needs 32 of them; an incomplete one is allowed).
void literalLengthsViaFlatPretree(Stream &s, const std::vector<uint8_t> &lengths)
{
    // pretree: symbols 3..18 stand for lengths 1..16, symbol 0 for one zero.
    s.put(19, 5);
    for (unsigned i = 0; i < 19;) {
        s.shortLength(5);
        i++;
        if (i == 3) {
            s.put(0, 2);
        }
    }
    std::vector<uint8_t> pre(19, 5);
    std::vector<uint16_t> codes = cxw::canonicalCodes(pre);
    s.put((uint32_t)lengths.size(), 9);
    for (uint8_t len : lengths) {
        unsigned c = len == 0 ? 0 : len + 2u;
        s.put(codes[c], 5);
    }
}

TEST(DecoderStream, CountsOfZeroGiveSingleSymbolCodesThatTakeNoBits)
{
    Stream s;
    s.put(3, 16);          // block of 3 symbols
    s.single(0, 5);        // pretree
    s.single('A', 9);      // every literal/length lookup yields 'A'
    s.single(0, 4);        // distance
    s.put(2, 16);          // the next head follows at once: nothing was consumed
    s.single(0, 5);
    s.single('B', 9);
    s.single(0, 4);
    Bytes out;
    ASSERT_EQ(0, decode(s.finish(), 5, out));
    EXPECT_EQ("AAABB", std::string(out.begin(), out.end()));
}

TEST(DecoderStream, SingleMatchSymbolWithDistanceZeroRepeatsThePreviousByte)
{
    Stream s;
    s.put(1, 16);
    s.single(0, 5);
    s.single('x', 9);
    s.single(0, 4);
    s.put(2, 16);
    s.single(0, 5);
    s.single(256 + 10 - 3, 9);     // matches of length 10
    s.single(0, 4);                // distance symbol 0: one byte back
    Bytes out;
    ASSERT_EQ(0, decode(s.finish(), 21, out));
    EXPECT_EQ(std::string(21, 'x'), std::string(out.begin(), out.end()));
}

TEST(DecoderStream, EveryDistanceSymbolAndCodesLongerThanTheTables)
{
    // Literals 0-255 at 9 bits and length 3 (symbol 256) at 2 bits; distance
    // lengths 1..13,13 so that symbols 12 and 13 need the tree below the 8-bit table.
    std::vector<uint8_t> literal(257, 9);
    literal[256] = 2;
    std::vector<uint8_t> distance{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13};
    std::vector<uint16_t> literalCodes = cxw::canonicalCodes(literal);
    std::vector<uint16_t> distanceCodes = cxw::canonicalCodes(distance);

    Bytes history = randomBytes(8192, 5);
    Bytes expected = history;
    Stream s;
    s.put(8192 + 14, 16);
    literalLengthsViaFlatPretree(s, literal);
    s.put(14, 4);
    for (uint8_t len : distance)
        s.shortLength(len);
    for (uint8_t b : history)
        s.put(literalCodes[b], 9);
    for (unsigned j = 0; j < 14; j++) {
        // The largest distance of each symbol: 0, 1, 3, 7, ... 8191.
        unsigned d = j == 0 ? 0 : (1u << j) - 1;
        s.put(literalCodes[256], 2);
        s.put(distanceCodes[j], distance[j]);
        if (j > 1)
            s.put(d - (1u << (j - 1)), j - 1);
        for (int k = 0; k < 3; k++)
            expected.push_back(expected[expected.size() - d - 1]);
    }
    Bytes out;
    ASSERT_EQ(0, decode(s.finish(), expected.size(), out));
    EXPECT_EQ(expected, out);
}

TEST(DecoderStream, LiteralCodesOfSixteenBitsWalkTheTree)
{
    // Lengths 1, 2, ... 15, 16, 16: a complete code whose tail lies below the 12-bit table.
    std::vector<uint8_t> literal(17);
    for (unsigned i = 0; i < 16; i++)
        literal[i] = (uint8_t)(i + 1);
    literal[16] = 16;
    std::vector<uint16_t> codes = cxw::canonicalCodes(literal);
    Stream s;
    s.put(34, 16);
    literalLengthsViaFlatPretree(s, literal);
    s.single(0, 4);
    Bytes expected;
    for (unsigned round = 0; round < 2; round++)
        for (unsigned sym = 0; sym < 17; sym++) {
            unsigned symbol = round ? 16 - sym : sym;
            s.put(codes[symbol], literal[symbol]);
            expected.push_back((uint8_t)symbol);
        }
    Bytes out;
    ASSERT_EQ(0, decode(s.finish(), expected.size(), out));
    EXPECT_EQ(expected, out);
}

// Heads that break the code's bounds.
Bytes corruptHead(int which)
{
    Stream s;
    s.put(100, 16);
    switch (which) {
    case 0:                    // pretree count above 19
        s.put(20, 5);
        break;
    case 1:                    // a short length above 16: 7 and ten more ones
        s.put(4, 5);
        s.put(7, 3);
        s.put(0x3FF, 10);
        s.put(0, 1);
        break;
    case 2:                    // three pretree symbols of length 1: oversubscribed
        s.put(3, 5);
        s.shortLength(1);
        s.shortLength(1);
        s.shortLength(1);
        s.put(0, 2);
        break;
    case 3:                    // single pretree symbol outside the alphabet
        s.single(19, 5);
        break;
    case 4:                    // literal count above 510
        s.single(0, 5);
        s.put(511, 9);
        break;
    case 5:                    // a zero run of 531 passes the end of the 510 lengths
        s.single(2, 5);
        s.put(500, 9);
        s.put(511, 9);
        break;
    case 6:                    // single literal/length symbol outside the alphabet
        s.single(0, 5);
        s.single(510, 9);
        break;
    case 7:                    // distance count above 14
        s.single(0, 5);
        s.single('a', 9);
        s.put(15, 4);
        break;
    case 8:                    // single distance symbol outside the alphabet
        s.single(0, 5);
        s.single('a', 9);
        s.single(14, 4);
        break;
    default: {                 // a block of no symbols
        Stream empty;
        empty.put(0, 16);
        return empty.finish();
    }
    }
    return s.finish();
}

TEST(DecoderStream, CorruptHeadsStopTheEntry)
{
    for (int which = 0; which <= 9; which++) {
        Bytes out;
        EXPECT_EQ(CX_ERR_CORRUPT, decode(corruptHead(which), 8192, out)) << "case " << which;
    }
}

TEST(DecoderStream, GarbageNeverReadsOutsideTheTables)
{
    // Under the sanitizers this is the point: any outcome but a wild access is fine.
    for (uint32_t seed = 1; seed <= 300; seed++) {
        Bytes stream = randomBytes(64 + seed % 700, seed);
        Bytes out;
        int result = decode(stream, 20000, out);
        EXPECT_TRUE(result == 0 || result == CX_ERR_CORRUPT);
    }
}

TEST(DecoderStream, CrcCoversTheBytesTakenInOnly)
{
    Bytes stream = randomBytes(10, 3);
    // An entry of size 0 takes in the first four bytes and no more; the bytes
    // it leaves unread make it a damaged entry all the same.
    uint32_t crc = 0;
    Bytes none;
    EXPECT_EQ(CX_ERR_CORRUPT, cxDecodeBuffer(stream.data(), stream.size(), none.data(), 0, &crc));
    EXPECT_EQ(cxCrc32(stream.data(), 4), crc);
    // A stream shorter than that: what there is, the rest reads as zeros.
    EXPECT_EQ(CX_ERR_CORRUPT, cxDecodeBuffer(stream.data(), 2, none.data(), 0, &crc));
    EXPECT_EQ(cxCrc32(stream.data(), 2), crc);
    // Nothing stored for nothing to produce is the one sound empty stream.
    EXPECT_EQ(0, cxDecodeBuffer(stream.data(), 0, none.data(), 0, &crc));
}

// A block of "ab" followed by one match of length 3 from `distance` bytes back.
Bytes matchStream(unsigned distanceSymbol, unsigned extraBits, unsigned extra)
{
    std::vector<uint8_t> literal(257, 0);
    literal['a'] = 2;
    literal['b'] = 2;
    literal[256] = 1;
    std::vector<uint16_t> codes = cxw::canonicalCodes(literal);
    Stream s;
    s.put(3, 16);
    literalLengthsViaFlatPretree(s, literal);
    s.single(distanceSymbol, 4);
    s.put(codes['a'], 2);
    s.put(codes['b'], 2);
    s.put(codes[256], 1);
    s.put(extra, extraBits);
    return s.finish();
}

TEST(DecoderStream, AMatchReachingBeforeTheFirstByteIsCorrupt)
{
    Bytes out;
    // Distance symbol 1 copies from two bytes back: "ab" then "aba".
    ASSERT_EQ(0, decode(matchStream(1, 0, 0), 5, out));
    EXPECT_EQ("ababa", std::string(out.begin(), out.end()));
    // Symbol 2 with extra bit 0 reaches three bytes back, one before the entry's start;
    // the window there holds whatever an earlier entry or the heap left.
    EXPECT_EQ(CX_ERR_CORRUPT, decode(matchStream(2, 1, 0), 5, out));
    EXPECT_EQ(CX_ERR_CORRUPT, decode(matchStream(13, 12, 4095), 5, out));
}

TEST(DecoderStream, TheOutputMustEndWhereTheStreamEnds)
{
    Bytes data = textBytes(30000);
    Bytes stream = cxw::compress(data.data(), data.size());
    Bytes out;
    ASSERT_EQ(0, decode(stream, data.size(), out));
    // Shorter: symbols or a match left over; longer: bits taken from beyond the stored bytes.
    for (long delta : {-300L, -1L, 1L, 300L})
        EXPECT_EQ(CX_ERR_CORRUPT, decode(stream, data.size() + delta, out)) << delta;
    // A stored byte nobody reads is as wrong as one that is missing.
    Bytes padded = stream;
    padded.push_back(0);
    EXPECT_EQ(CX_ERR_CORRUPT, decode(padded, data.size(), out));
    Bytes cut(stream.begin(), stream.end() - 1);
    EXPECT_EQ(CX_ERR_CORRUPT, decode(cut, data.size(), out));
}

TEST(DecoderStream, AZeroRunEndingExactlyAtTheEndOfTheAlphabetDecodes)
{
    // Lengths: symbols 0 and 1 get 1 bit, then one run of 508 zeros closes the 510.
    Stream s;
    s.put(4, 16);
    s.put(19, 5);
    for (unsigned i = 0; i < 19;) {
        s.shortLength(5);
        if (++i == 3)
            s.put(0, 2);
    }
    std::vector<uint16_t> pre = cxw::canonicalCodes(std::vector<uint8_t>(19, 5));
    s.put(510, 9);
    s.put(pre[3], 5);
    s.put(pre[3], 5);
    s.put(pre[2], 5);
    s.put(508 - 20, 9);
    s.single(0, 4);
    s.put(0b0110, 4);
    Bytes out;
    ASSERT_EQ(0, decode(s.finish(), 4, out));
    EXPECT_EQ(Bytes({0, 1, 1, 0}), out);
}

}  // namespace
