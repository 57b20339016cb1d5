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

namespace {

uint64_t blocksBits(const std::vector<std::vector<Token>> &blocks)
{
    uint64_t bits = 0;
    for (const std::vector<Token> &block : blocks)
        bits += encodedBits(block);
    return bits;
}

// The blocks of the smallest parse this level's own steps find: every step's
// result is measured in exact bits and kept only when it is smaller, so that
// more steps never give a larger stream.
std::vector<std::vector<Token>> parseBlocks(const uint8_t *data, size_t size, const CompressOptions &options,
                                            const Progress &progress)
{
    MatchTable table = findAllMatches(data, size, options.maxChain, options.niceLength, progressThunk,
                                      const_cast<Progress *>(&progress));

    // The lazy parse goes out in blocks of the most symbols a block holds:
    // level 1 is the fast level, and weighing split points costs it more
    // than finding its matches.
    std::vector<Token> tokens = lazyParse(data, 0, size, table);
    std::vector<std::vector<Token>> best{tokens};
    uint64_t bestBits = blocksBits(best);
    auto consider = [&](std::vector<std::vector<Token>> &candidate) {
        uint64_t bits = blocksBits(candidate);
        if (bits < bestBits) {
            bestBits = bits;
            best.swap(candidate);
        }
    };
    for (unsigned pass = 0; pass < options.passes; pass++) {
        tokens = optimalParse(data, 0, size, table, pricesFrom(statsOf(tokens)));
        std::vector<std::vector<Token>> blocks = cutBlocks(tokens);
        consider(blocks);
    }

    // Each block is parsed again with prices of its own, since code and data
    // sections of an executable favour different symbols; further rounds
    // split the improved parse anew and parse its blocks again.
    std::vector<std::vector<Token>> blocks = best;
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
        std::vector<std::vector<Token>> improved = blocks;
        consider(improved);
        if (round + 1 < options.blockRounds) {
            tokens.clear();
            for (const std::vector<Token> &block : blocks)
                tokens.insert(tokens.end(), block.begin(), block.end());
            blocks = cutBlocks(tokens);
            std::vector<std::vector<Token>> recut = blocks;
            consider(recut);
        }
    }
    return best;
}

}  // namespace

std::vector<uint8_t> compress(const uint8_t *data, size_t size, const CompressOptions &options,
                              const Progress &progress)
{
    if (size == 0)
        return {};
    std::vector<std::vector<Token>> blocks = parseBlocks(data, size, options, progress);
    BitWriter out;
    for (const std::vector<Token> &block : blocks) {
        for (size_t at = 0; at < block.size(); at += kMaxBlockSymbols) {
            size_t count = block.size() - at < kMaxBlockSymbols ? block.size() - at : kMaxBlockSymbols;
            writeBlock(out, block.data() + at, count);
        }
    }
    std::vector<uint8_t> stream = out.finish();
    // A level whose matches come from other chains than the level below it
    // also makes that level's stream and keeps the smaller: more chain links
    // and a different cut-off can lose a few bytes elsewhere, and a higher
    // level must never give a larger stream.
    if (options.alsoLevel) {
        std::vector<uint8_t> lower = compress(data, size, levelOptions(options.alsoLevel), nullptr);
        if (lower.size() < stream.size())
            stream.swap(lower);
    }
    if (progress)
        progress(size);
    return stream;
}

CompressOptions levelOptions(unsigned level)
{
    // maxChain, niceLength, passes, blockRounds, alsoLevel.  Level 2 searches
    // as level 1 does, and its steps start from level 1's parse, so it is
    // never larger; levels 3 to 5 search further and make the level below as well.
    static const CompressOptions levels[] = {
        {16, 32, 0, 0, 0},       // 1: the lazy parse
        {16, 32, 1, 0, 0},       // 2: one cost-driven parse
        {64, 128, 1, 1, 2},      // 3
        {256, 192, 2, 1, 3},     // 4
        {1024, 256, 3, 3, 4},    // 5: every option the parser has
    };
    if (level < kFastestLevel)
        level = kFastestLevel;
    if (level > kBestLevel)
        level = kBestLevel;
    return levels[level - kFastestLevel];
}

}  // namespace cxw
