#include "huffman_lengths.h"

#include <algorithm>
#include <queue>

namespace cxw {

std::vector<uint8_t> limitedCodeLengths(const uint32_t *freq, size_t symbols, unsigned maxLength)
{
    std::vector<uint8_t> lengths(symbols, 0);
    std::vector<size_t> used;
    for (size_t s = 0; s < symbols; s++)
        if (freq[s])
            used.push_back(s);
    if (used.size() < 2)
        return lengths;

    // Plain Huffman over the used symbols; nodes beyond the leaves are merges.
    struct Node {
        uint64_t weight;
        size_t index;
        bool operator>(const Node &o) const { return weight != o.weight ? weight > o.weight : index > o.index; }
    };
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    std::vector<size_t> parent(2 * used.size(), 0);
    for (size_t i = 0; i < used.size(); i++)
        heap.push({freq[used[i]], i});
    size_t next = used.size();
    while (heap.size() > 1) {
        Node a = heap.top();
        heap.pop();
        Node b = heap.top();
        heap.pop();
        parent[a.index] = parent[b.index] = next;
        heap.push({a.weight + b.weight, next++});
    }
    size_t root = next - 1;
    std::vector<unsigned> depth(next, 0);
    for (size_t n = root; n-- > 0;)
        depth[n] = depth[parent[n]] + 1;

    // Count codes per length, folding overlong ones back (the adjustment keeps
    // the code complete: two overlong leaves become one shorter leaf's pair).
    std::vector<unsigned> count(std::max<unsigned>(maxLength, 64) + 1, 0);
    unsigned deepest = 0;
    for (size_t i = 0; i < used.size(); i++) {
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

    // Shortest codes to the most frequent symbols.
    std::vector<size_t> order(used);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return freq[a] > freq[b]; });
    size_t k = 0;
    for (unsigned len = 1; len <= maxLength; len++)
        for (unsigned c = 0; c < count[len]; c++)
            lengths[order[k++]] = (uint8_t)len;
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
