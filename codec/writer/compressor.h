// Method 2 compressor: candidate matches by hash chains, a cost-driven parse,
// blocks split where new codes pay off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace cxw {

struct CompressOptions {
    unsigned maxChain = 256;      // chain links followed per position (1024 gains 0.2% for half the speed)
    unsigned niceLength = 192;    // a match this long is taken without looking further
    unsigned passes = 2;          // cost-driven parses over the whole input
};

// Progress: bytes of the input handled so far.
using Progress = std::function<void(size_t)>;

// The compressed stream for data; it decodes to exactly data.
std::vector<uint8_t> compress(const uint8_t *data, size_t size, const CompressOptions &options = {},
                              const Progress &progress = nullptr);

}  // namespace cxw
