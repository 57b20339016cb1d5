// Where to end one block and start the next: a block pays for its code
// descriptions, and a new block pays off where the data changes character.
#pragma once

#include <cstddef>
#include <vector>

#include "lz_tokens.h"

namespace cxw {

// Token indexes at which blocks start (the first is 0); every block holds at
// most 65535 tokens.
std::vector<size_t> splitBlocks(const std::vector<Token> &tokens);

}  // namespace cxw
