// Choosing the literals and matches: the candidate matches of every position,
// a greedy first parse, and the cost-driven (optimal) parse that follows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "block_writer.h"
#include "lz_tokens.h"
#include "match_finder.h"

namespace cxw {

// Every position's candidate matches, found once and reused by each parse.
struct MatchTable {
    std::vector<uint32_t> first;   // first[pos]..first[pos+1]-1 index into matches
    std::vector<Match> matches;
};

// Positions whose longest match reaches niceLength take it without the
// positions it covers being searched: long runs cost little time that way.
MatchTable findAllMatches(const uint8_t *data, size_t size, unsigned maxChain, unsigned niceLength,
                          void (*progress)(void *, size_t), void *context);

// The longest match at each position, with one step of lookahead.
std::vector<Token> lazyParse(const uint8_t *data, size_t begin, size_t end, const MatchTable &table);

// Bit prices of every literal/length symbol and distance symbol.
struct SymbolPrices {
    float literal[kLiteralSymbols];
    float distance[kDistanceSymbols];   // extra bits included
};
SymbolPrices pricesFrom(const BlockStats &stats);

// The parse of data[begin..end) that costs fewest bits under the prices.
std::vector<Token> optimalParse(const uint8_t *data, size_t begin, size_t end, const MatchTable &table,
                                const SymbolPrices &prices);

}  // namespace cxw
