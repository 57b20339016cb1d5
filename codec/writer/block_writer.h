// One block of the compressed stream: its symbol count, the three code
// descriptions (pretree, literal/length, distance) and its symbols.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bit_writer.h"
#include "lz_tokens.h"

namespace cxw {

struct BlockStats {
    uint32_t literal[kLiteralSymbols] = {};
    uint32_t distance[kDistanceSymbols] = {};
    uint64_t extraBits = 0;
    size_t symbols = 0;

    void add(Token t);
    void add(const Token *tokens, size_t count);
};

// Exact size in bits of a block holding these statistics, head included.
uint64_t blockBits(const BlockStats &stats);

// Writes tokens (1 to 65535 of them) as one block.
void writeBlock(BitWriter &out, const Token *tokens, size_t count);

}  // namespace cxw
