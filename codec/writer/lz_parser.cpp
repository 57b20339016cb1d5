#include "lz_parser.h"

#include <cmath>
#include <limits>

namespace cxw {

namespace {
constexpr size_t kShortenGain = 16;   // bytes a later match must reach beyond the current one
constexpr unsigned kFarForThree = 512;     // distances (bytes back minus one) from which 3 bytes go as literals
constexpr unsigned kFarForFour = 8192;     // and 4 bytes
}

MatchTable findAllMatches(const uint8_t *data, size_t size, unsigned maxChain, unsigned niceLength,
                          void (*progress)(void *, size_t), void *context)
{
    MatchTable table;
    table.first.resize(size + 1);
    table.matches.reserve(size);
    MatchFinder finder(data, size, maxChain);
    Match found[kMaxMatch];
    size_t coveredUntil = 0;
    for (size_t pos = 0; pos < size; pos++) {
        table.first[pos] = (uint32_t)table.matches.size();
        if (progress && (pos & 0xFFFF) == 0)
            progress(context, pos);
        if (pos < coveredUntil) {
            finder.skip(pos);
            continue;
        }
        size_t n = finder.find(pos, found);
        table.matches.insert(table.matches.end(), found, found + n);
        if (n && found[n - 1].length >= niceLength)
            coveredUntil = pos + found[n - 1].length;
    }
    table.first[size] = (uint32_t)table.matches.size();
    return table;
}

namespace {

// Whether a match pays for itself without prices to go by: a short match far
// back costs more bits (its distance's extra bits) than its literals.
bool worthSending(unsigned length, unsigned distance)
{
    return length >= kMinMatch + 2 || (length == kMinMatch + 1 && distance < kFarForFour) ||
           (length == kMinMatch && distance < kFarForThree);
}

}  // namespace

std::vector<Token> lazyParse(const uint8_t *data, size_t begin, size_t end, const MatchTable &table)
{
    // The longest match at pos that is worth sending, cut at end.
    auto longest = [&](size_t pos) -> Match {
        for (uint32_t k = table.first[pos + 1]; k-- > table.first[pos];) {
            Match m = table.matches[k];
            if (pos + m.length > end)
                m.length = (uint16_t)(end - pos);
            if (m.length >= kMinMatch && worthSending(m.length, m.distance))
                return m;
        }
        return {0, 0};
    };
    // The nearest match at pos of at least length bytes (one exists).
    auto nearest = [&](size_t pos, unsigned length) -> Match {
        uint32_t k = table.first[pos];
        while (table.matches[k].length < length)
            k++;
        return {(uint16_t)length, table.matches[k].distance};
    };
    std::vector<Token> tokens;
    size_t pos = begin;
    while (pos < end) {
        Match m = longest(pos);
        if (m.length >= kMinMatch && pos + 1 < end && longest(pos + 1).length > m.length)
            m.length = 0;   // a longer match starts one byte later: send a literal first
        // A match that starts inside this one and reaches well beyond it ends
        // this one where it starts: the positions a long match covers are not
        // searched, and running on into them would leave literals there.
        for (size_t k = kMinMatch; k < m.length; k++) {
            if (k + longest(pos + k).length >= m.length + kShortenGain) {
                m = nearest(pos, (unsigned)k);
                if (!worthSending(m.length, m.distance))
                    m.length = 0;
                break;
            }
        }
        if (m.length >= kMinMatch) {
            tokens.push_back(matchToken(m.length, m.distance));
            pos += m.length;
        } else {
            tokens.push_back(literalToken(data[pos]));
            pos++;
        }
    }
    return tokens;
}

SymbolPrices pricesFrom(const BlockStats &stats)
{
    SymbolPrices prices;
    // Smoothed so that symbols unseen so far are dear but not forbidden.
    double literalTotal = 0, distanceTotal = 0;
    for (uint32_t f : stats.literal)
        literalTotal += f + 0.25;
    for (uint32_t f : stats.distance)
        distanceTotal += f + 0.25;
    for (unsigned s = 0; s < kLiteralSymbols; s++)
        prices.literal[s] = (float)std::log2(literalTotal / (stats.literal[s] + 0.25));
    for (unsigned s = 0; s < kDistanceSymbols; s++)
        prices.distance[s] = (float)(std::log2(distanceTotal / (stats.distance[s] + 0.25)) + distanceExtraBits(s));
    return prices;
}

std::vector<Token> optimalParse(const uint8_t *data, size_t begin, size_t end, const MatchTable &table,
                                const SymbolPrices &prices)
{
    size_t n = end - begin;
    std::vector<float> cost(n + 1, std::numeric_limits<float>::infinity());
    std::vector<Token> step(n + 1);     // the token that reaches each position most cheaply
    cost[0] = 0;
    for (size_t i = 0; i < n; i++) {
        float here = cost[i];
        size_t pos = begin + i;
        float viaLiteral = here + prices.literal[data[pos]];
        if (viaLiteral < cost[i + 1]) {
            cost[i + 1] = viaLiteral;
            step[i + 1] = literalToken(data[pos]);
        }
        size_t room = n - i;
        unsigned shortest = kMinMatch;
        for (uint32_t k = table.first[pos]; k < table.first[pos + 1]; k++) {
            Match m = table.matches[k];
            unsigned longest = m.length < room ? m.length : (unsigned)room;
            float base = here + prices.distance[distanceSymbol(m.distance)];
            for (unsigned len = shortest; len <= longest; len++) {
                float c = base + prices.literal[len + 256 - kMinMatch];
                if (c < cost[i + len]) {
                    cost[i + len] = c;
                    step[i + len] = matchToken(len, m.distance);
                }
            }
            shortest = longest + 1;
        }
    }
    std::vector<Token> tokens;
    for (size_t i = n; i > 0;) {
        Token t = step[i];
        tokens.push_back(t);
        i -= isMatch(t) ? matchLength(t) : 1;
    }
    return std::vector<Token>(tokens.rbegin(), tokens.rend());
}

}  // namespace cxw
