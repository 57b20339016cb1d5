// Code lengths for the block codes: Huffman lengths limited to 16 bits, and
// the canonical code values the decoder derives from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cxw {

constexpr unsigned kLongestCode = 16;

// Lengths (0 for symbols of frequency 0) of a prefix code no longer than
// maxLength.  With fewer than two used symbols every length is 0: such a code
// is sent as a single symbol and costs no bits.
std::vector<uint8_t> limitedCodeLengths(const uint32_t *freq, size_t symbols, unsigned maxLength = kLongestCode);

// Code values, right-aligned, in the order the decoder assigns them: by length,
// then by symbol.
std::vector<uint16_t> canonicalCodes(const std::vector<uint8_t> &lengths);

}  // namespace cxw
