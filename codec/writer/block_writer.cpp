#include "block_writer.h"

#include <vector>

#include "huffman_lengths.h"

namespace cxw {

void BlockStats::add(Token t)
{
    literal[t.symbol]++;
    symbols++;
    if (isMatch(t)) {
        unsigned j = distanceSymbol(t.distance);
        distance[j]++;
        extraBits += distanceExtraBits(j);
    }
}

void BlockStats::add(const Token *tokens, size_t count)
{
    for (size_t i = 0; i < count; i++)
        add(tokens[i]);
}

namespace {

// The codes of one block and how their descriptions go out.
struct BlockCodes {
    std::vector<uint8_t> literalLengths, distanceLengths, pretreeLengths;
    std::vector<uint16_t> literalCodes, distanceCodes, pretreeCodes;
    int singleLiteral = -1, singleDistance = -1, singlePretree = -1;   // symbol sent alone, or -1
    std::vector<Token> pretreeSymbols;   // the literal lengths as pretree symbols (extra bits in distance)
    unsigned literalCount = 0, distanceCount = 0, pretreeCount = 0;    // lengths sent
};

int soleSymbol(const uint32_t *freq, size_t symbols)
{
    int sole = -1;
    for (size_t s = 0; s < symbols; s++) {
        if (freq[s]) {
            if (sole >= 0)
                return -1;
            sole = (int)s;
        }
    }
    return sole < 0 ? 0 : sole;
}

unsigned sentCount(const std::vector<uint8_t> &lengths)
{
    unsigned n = (unsigned)lengths.size();
    while (n > 0 && lengths[n - 1] == 0)
        n--;
    return n;
}

// Runs of zero lengths go out as pretree symbols 0 (one), 1 (3-18, 4 bits) and 2 (20-531, 9 bits).
void addZeroRun(std::vector<Token> &out, unsigned run)
{
    while (run > 0) {
        if (run >= 20) {
            unsigned take = run > 531 ? 531 : run;
            out.push_back({2, (uint16_t)(take - 20)});
            run -= take;
        } else if (run >= 3) {
            unsigned take = run > 18 ? 18 : run;
            out.push_back({1, (uint16_t)(take - 3)});
            run -= take;
        } else {
            out.push_back({0, 0});
            run--;
        }
    }
}

BlockCodes makeCodes(const BlockStats &stats)
{
    BlockCodes c;
    c.literalLengths = limitedCodeLengths(stats.literal, kLiteralSymbols);
    c.distanceLengths = limitedCodeLengths(stats.distance, kDistanceSymbols);
    if (sentCount(c.literalLengths) == 0)
        c.singleLiteral = soleSymbol(stats.literal, kLiteralSymbols);
    if (sentCount(c.distanceLengths) == 0)
        c.singleDistance = soleSymbol(stats.distance, kDistanceSymbols);
    c.literalCodes = canonicalCodes(c.literalLengths);
    c.distanceCodes = canonicalCodes(c.distanceLengths);

    uint32_t pretreeFreq[kPretreeSymbols] = {};
    if (c.singleLiteral < 0) {
        c.literalCount = sentCount(c.literalLengths);
        for (unsigned i = 0; i < c.literalCount;) {
            if (c.literalLengths[i] == 0) {
                unsigned run = 0;
                while (i < c.literalCount && c.literalLengths[i] == 0) {
                    run++;
                    i++;
                }
                addZeroRun(c.pretreeSymbols, run);
            } else {
                c.pretreeSymbols.push_back({(uint16_t)(c.literalLengths[i] + 2), 0});
                i++;
            }
        }
        for (Token t : c.pretreeSymbols)
            pretreeFreq[t.symbol]++;
    }
    c.pretreeLengths = limitedCodeLengths(pretreeFreq, kPretreeSymbols);
    if (sentCount(c.pretreeLengths) == 0)
        c.singlePretree = soleSymbol(pretreeFreq, kPretreeSymbols);
    c.pretreeCodes = canonicalCodes(c.pretreeLengths);
    c.pretreeCount = sentCount(c.pretreeLengths);
    c.distanceCount = sentCount(c.distanceLengths);
    return c;
}

void putShortLength(BitWriter &out, unsigned len)
{
    if (len < 7) {
        out.put(len, 3);
    } else {
        out.put(7, 3);
        for (unsigned k = 7; k < len; k++)
            out.put(1, 1);
        out.put(0, 1);
    }
}

void putShortLengths(BitWriter &out, const std::vector<uint8_t> &lengths, unsigned count, int single,
                     unsigned countBits, unsigned special)
{
    if (single >= 0) {
        out.put(0, countBits);
        out.put((unsigned)single, countBits);
        return;
    }
    out.put(count, countBits);
    for (unsigned i = 0; i < count;) {
        putShortLength(out, lengths[i++]);
        if (i == special) {
            unsigned zeros = 0;
            while (zeros < 3 && i + zeros < count && lengths[i + zeros] == 0)
                zeros++;
            out.put(zeros, 2);
            i += zeros;
        }
    }
}

void writeHead(BitWriter &out, const BlockCodes &c, size_t symbols)
{
    out.put((uint32_t)symbols, 16);
    putShortLengths(out, c.pretreeLengths, c.pretreeCount, c.singlePretree, 5, 3);
    if (c.singleLiteral >= 0) {
        out.put(0, 9);
        out.put((unsigned)c.singleLiteral, 9);
    } else {
        out.put(c.literalCount, 9);
        for (Token t : c.pretreeSymbols) {
            out.put(c.pretreeCodes[t.symbol], c.pretreeLengths[t.symbol]);
            if (t.symbol == 1)
                out.put(t.distance, 4);
            else if (t.symbol == 2)
                out.put(t.distance, 9);
        }
    }
    putShortLengths(out, c.distanceLengths, c.distanceCount, c.singleDistance, 4, 0);
}

}  // namespace

uint64_t blockBits(const BlockStats &stats)
{
    BlockCodes c = makeCodes(stats);
    BitWriter head;
    writeHead(head, c, stats.symbols);
    uint64_t bits = head.bitCount() + stats.extraBits;
    for (unsigned s = 0; s < kLiteralSymbols; s++)
        bits += (uint64_t)stats.literal[s] * c.literalLengths[s];
    for (unsigned s = 0; s < kDistanceSymbols; s++)
        bits += (uint64_t)stats.distance[s] * c.distanceLengths[s];
    return bits;
}

void writeBlock(BitWriter &out, const Token *tokens, size_t count)
{
    BlockStats stats;
    stats.add(tokens, count);
    BlockCodes c = makeCodes(stats);
    writeHead(out, c, count);
    for (size_t i = 0; i < count; i++) {
        Token t = tokens[i];
        out.put(c.literalCodes[t.symbol], c.literalLengths[t.symbol]);
        if (isMatch(t)) {
            unsigned j = distanceSymbol(t.distance);
            out.put(c.distanceCodes[j], c.distanceLengths[j]);
            if (j > 1)
                out.put(t.distance - (1u << (j - 1)), j - 1);
        }
    }
}

}  // namespace cxw
