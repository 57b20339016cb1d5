// Method 2 compressor: candidate matches by hash chains, a cost-driven parse,
// blocks split where new codes pay off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace cxw {

struct CompressOptions {
    unsigned maxChain = 256;      // chain links followed per position
    unsigned niceLength = 192;    // a match this long is taken without looking further
    unsigned passes = 2;          // cost-driven parses over the whole input; 0 keeps the lazy parse
    unsigned blockRounds = 1;     // rounds of parsing each block again with prices of its own
    unsigned alsoLevel = 0;       // a lower level whose stream is made as well; the smaller is kept
};

// The settings of `arq a -1` .. `-5`: 1 the lazy parse alone, 2 (the
// default) one cost-driven parse, 5 the smallest output this compressor
// finds, at a fraction of the speed.
constexpr unsigned kFastestLevel = 1;
constexpr unsigned kDefaultLevel = 2;
constexpr unsigned kBestLevel = 5;
CompressOptions levelOptions(unsigned level);

// Progress: bytes of the input handled so far.
using Progress = std::function<void(size_t)>;

// The compressed stream for data; it decodes to exactly data.
std::vector<uint8_t> compress(const uint8_t *data, size_t size, const CompressOptions &options = {},
                              const Progress &progress = nullptr);

}  // namespace cxw
