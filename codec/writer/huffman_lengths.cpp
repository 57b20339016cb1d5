#include "huffman_lengths.h"

#include <algorithm>

namespace cxw {

std::vector<uint8_t> limitedCodeLengths(const uint32_t *freq, size_t symbols, unsigned maxLength)
{
    std::vector<uint8_t> lengths(symbols, 0);
    // The used symbols by increasing frequency (ties by symbol), packed so
    // that one plain sort orders them: this runs for every block candidate
    // the splitter weighs, so it has to be quick.
    std::vector<uint64_t> leaves;
    leaves.reserve(symbols);
    for (size_t s = 0; s < symbols; s++)
        if (freq[s])
            leaves.push_back((uint64_t)freq[s] << 16 | s);
    size_t n = leaves.size();
    if (n < 2)
        return lengths;
    std::sort(leaves.begin(), leaves.end());

    // Huffman by two queues: the sorted leaves and the merged nodes, which
    // come out in increasing weight, so each step takes the two lightest
    // fronts. Nodes 0..n-1 are leaves, n.. merges.
    std::vector<uint64_t> weight(2 * n - 1);
    std::vector<uint32_t> parent(2 * n - 1, 0);
    for (size_t i = 0; i < n; i++)
        weight[i] = leaves[i] >> 16;
    size_t nextLeaf = 0, nextMerge = n, made = n;
    auto lightest = [&]() {
        if (nextLeaf < n && (nextMerge >= made || weight[nextLeaf] <= weight[nextMerge]))
            return nextLeaf++;
        return nextMerge++;
    };
    while (made < 2 * n - 1) {
        size_t a = lightest();
        size_t b = lightest();
        weight[made] = weight[a] + weight[b];
        parent[a] = parent[b] = (uint32_t)made;
        made++;
    }
    std::vector<unsigned> depth(made, 0);
    for (size_t node = made - 1; node-- > 0;)
        depth[node] = depth[parent[node]] + 1;

    // Count codes per length, folding overlong ones back (the adjustment keeps
    // the code complete: two overlong leaves become one shorter leaf's pair).
    std::vector<unsigned> count(std::max<unsigned>(maxLength, 64) + 1, 0);
    unsigned deepest = 0;
    for (size_t i = 0; i < n; i++) {
        count[depth[i]]++;
        deepest = std::max(deepest, depth[i]);
    }
    for (unsigned len = deepest; len > maxLength; len--) {
        while (count[len] > 0) {
            unsigned j = len - 2;
            while (count[j] == 0)
                j--;
            count[len] -= 2;
            count[len - 1] += 1;
            count[j + 1] += 2;
            count[j] -= 1;
        }
    }

    // Shortest codes to the most frequent symbols: the leaves from the end.
    size_t k = n;
    for (unsigned len = 1; len <= maxLength; len++)
        for (unsigned c = 0; c < count[len]; c++)
            lengths[leaves[--k] & 0xFFFF] = (uint8_t)len;
    return lengths;
}

std::vector<uint16_t> canonicalCodes(const std::vector<uint8_t> &lengths)
{
    unsigned count[kLongestCode + 1] = {};
    for (uint8_t len : lengths)
        count[len]++;
    count[0] = 0;
    unsigned nextCode[kLongestCode + 2] = {};
    unsigned code = 0;
    for (unsigned len = 1; len <= kLongestCode; len++) {
        code = (code + count[len - 1]) << 1;
        nextCode[len] = code;
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); s++)
        if (lengths[s])
            codes[s] = (uint16_t)nextCode[lengths[s]]++;
    return codes;
}

}  // namespace cxw
