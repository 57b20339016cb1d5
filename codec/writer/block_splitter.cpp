#include "block_splitter.h"

#include "block_writer.h"

namespace cxw {

namespace {

constexpr size_t kSmallestBlock = 512;      // tokens; below this a head rarely pays for itself
constexpr unsigned kCandidates = 48;        // split points tried per range
constexpr uint64_t kMinimumGain = 64;       // bits a split must save

BlockStats statsOf(const std::vector<Token> &tokens, size_t begin, size_t end)
{
    BlockStats stats;
    stats.add(tokens.data() + begin, end - begin);
    return stats;
}

BlockStats difference(const BlockStats &all, const BlockStats &part)
{
    BlockStats rest;
    for (unsigned s = 0; s < kLiteralSymbols; s++)
        rest.literal[s] = all.literal[s] - part.literal[s];
    for (unsigned s = 0; s < kDistanceSymbols; s++)
        rest.distance[s] = all.distance[s] - part.distance[s];
    rest.extraBits = all.extraBits - part.extraBits;
    rest.symbols = all.symbols - part.symbols;
    return rest;
}

void splitRange(const std::vector<Token> &tokens, size_t begin, size_t end, std::vector<size_t> &starts)
{
    if (end - begin < 2 * kSmallestBlock)
        return;
    BlockStats all = statsOf(tokens, begin, end);
    uint64_t whole = blockBits(all);
    size_t stride = (end - begin) / kCandidates;
    if (stride < kSmallestBlock / 2)
        stride = kSmallestBlock / 2;

    BlockStats left;
    size_t done = begin;
    size_t bestAt = 0;
    uint64_t best = whole;
    for (size_t at = begin + kSmallestBlock; at + kSmallestBlock <= end; at += stride) {
        left.add(tokens.data() + done, at - done);
        done = at;
        uint64_t bits = blockBits(left) + blockBits(difference(all, left));
        if (bits < best) {
            best = bits;
            bestAt = at;
        }
    }
    if (bestAt == 0 || best + kMinimumGain > whole)
        return;
    splitRange(tokens, begin, bestAt, starts);
    starts.push_back(bestAt);
    splitRange(tokens, bestAt, end, starts);
}

}  // namespace

std::vector<size_t> splitBlocks(const std::vector<Token> &tokens)
{
    std::vector<size_t> starts{0};
    size_t pieces = (tokens.size() + kMaxBlockSymbols - 1) / kMaxBlockSymbols;
    if (pieces == 0)
        return starts;
    for (size_t p = 0; p < pieces; p++) {
        size_t begin = tokens.size() * p / pieces;
        size_t end = tokens.size() * (p + 1) / pieces;
        if (p > 0)
            starts.push_back(begin);
        splitRange(tokens, begin, end, starts);
    }
    return starts;
}

}  // namespace cxw
