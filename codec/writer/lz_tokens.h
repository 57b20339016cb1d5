// The compressed stream's symbols before entropy coding, and their alphabet.
#pragma once

#include <cstdint>

namespace cxw {

constexpr unsigned kWindow = 8192;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 256;
constexpr unsigned kLiteralSymbols = 510;
constexpr unsigned kDistanceSymbols = 14;
constexpr unsigned kPretreeSymbols = 19;
constexpr unsigned kMaxBlockSymbols = 65535;

// A literal (symbol below 256) or a match (symbol 256 + length - 3, distance
// stored as bytes back minus one, 0 to 8191).
struct Token {
    uint16_t symbol;
    uint16_t distance;
};

inline Token literalToken(uint8_t byte) { return {byte, 0}; }
inline Token matchToken(unsigned length, unsigned distance)
{
    return {(uint16_t)(length + 256 - kMinMatch), (uint16_t)distance};
}
inline bool isMatch(Token t) { return t.symbol >= 256; }
inline unsigned matchLength(Token t) { return t.symbol - 256 + kMinMatch; }

// Distance symbol: 0 for 0, else the bit length of the distance; the bits
// below its top bit follow as extra bits.
inline unsigned distanceSymbol(unsigned distance)
{
    unsigned j = 0;
    while (distance >> j)
        j++;
    return j;
}
inline unsigned distanceExtraBits(unsigned symbol) { return symbol ? symbol - 1 : 0; }

}  // namespace cxw
