#include "compressor.h"

#include "bit_writer.h"
#include "block_splitter.h"
#include "block_writer.h"
#include "lz_parser.h"

namespace cxw {

namespace {

BlockStats statsOf(const std::vector<Token> &tokens)
{
    BlockStats stats;
    stats.add(tokens.data(), tokens.size());
    return stats;
}

size_t bytesCovered(const Token *tokens, size_t count)
{
    size_t bytes = 0;
    for (size_t i = 0; i < count; i++)
        bytes += isMatch(tokens[i]) ? matchLength(tokens[i]) : 1;
    return bytes;
}

uint64_t encodedBits(const std::vector<Token> &tokens)
{
    uint64_t bits = 0;
    for (size_t at = 0; at < tokens.size(); at += kMaxBlockSymbols) {
        size_t count = tokens.size() - at < kMaxBlockSymbols ? tokens.size() - at : kMaxBlockSymbols;
        BlockStats stats;
        stats.add(tokens.data() + at, count);
        bits += blockBits(stats);
    }
    return bits;
}

// The tokens cut where separate codes pay off.
std::vector<std::vector<Token>> cutBlocks(const std::vector<Token> &tokens)
{
    std::vector<size_t> starts = splitBlocks(tokens);
    starts.push_back(tokens.size());
    std::vector<std::vector<Token>> blocks;
    for (size_t b = 0; b + 1 < starts.size(); b++)
        blocks.emplace_back(tokens.begin() + starts[b], tokens.begin() + starts[b + 1]);
    return blocks;
}

void progressThunk(void *context, size_t done)
{
    const Progress &progress = *static_cast<const Progress *>(context);
    if (progress)
        progress(done / 2);     // finding matches is about half of the work
}

}  // namespace

std::vector<uint8_t> compress(const uint8_t *data, size_t size, const CompressOptions &options,
                              const Progress &progress)
{
    if (size == 0)
        return {};
    MatchTable table = findAllMatches(data, size, options.maxChain, options.niceLength, progressThunk,
                                      const_cast<Progress *>(&progress));

    std::vector<Token> tokens = lazyParse(data, 0, size, table);
    for (unsigned pass = 0; pass < options.passes; pass++)
        tokens = optimalParse(data, 0, size, table, pricesFrom(statsOf(tokens)));

    // Each block is parsed again with prices of its own, since code and data
    // sections of an executable favour different symbols; further rounds
    // split the improved parse anew and parse its blocks again.
    std::vector<std::vector<Token>> blocks = cutBlocks(tokens);
    for (unsigned round = 0; round < options.blockRounds; round++) {
        size_t bytePos = 0;
        for (std::vector<Token> &block : blocks) {
            size_t bytes = bytesCovered(block.data(), block.size());
            std::vector<Token> local =
                optimalParse(data, bytePos, bytePos + bytes, table, pricesFrom(statsOf(block)));
            if (encodedBits(local) < encodedBits(block))
                block.swap(local);
            bytePos += bytes;
            if (progress)
                progress(size / 2 + (size / 2) * round / options.blockRounds +
                         bytePos / 2 / options.blockRounds);
        }
        if (round + 1 < options.blockRounds) {
            tokens.clear();
            for (const std::vector<Token> &block : blocks)
                tokens.insert(tokens.end(), block.begin(), block.end());
            blocks = cutBlocks(tokens);
        }
    }
    BitWriter out;
    for (const std::vector<Token> &block : blocks) {
        for (size_t at = 0; at < block.size(); at += kMaxBlockSymbols) {
            size_t count = block.size() - at < kMaxBlockSymbols ? block.size() - at : kMaxBlockSymbols;
            writeBlock(out, block.data() + at, count);
        }
    }
    if (progress)
        progress(size);
    return out.finish();
}

CompressOptions levelOptions(unsigned level)
{
    // maxChain, niceLength, passes, blockRounds
    static const CompressOptions levels[] = {
        {8, 32, 0, 0},        // 1: the lazy parse
        {16, 32, 1, 0},       // 2: one cost-driven parse
        {64, 128, 1, 1},      // 3
        {256, 192, 2, 1},     // 4
        {1024, 256, 3, 3},    // 5: every option the parser has
    };
    if (level < kFastestLevel)
        level = kFastestLevel;
    if (level > kBestLevel)
        level = kBestLevel;
    return levels[level - kFastestLevel];
}

}  // namespace cxw
