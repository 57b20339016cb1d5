#include "match_finder.h"

#include "lz_tokens.h"

namespace cxw {

namespace {
constexpr unsigned kHashBits = 16;
}

MatchFinder::MatchFinder(const uint8_t *data, size_t size, unsigned maxChain)
    : data_(data), size_(size), maxChain_(maxChain), head_(1u << kHashBits, -1), prev_(size, -1)
{
}

unsigned MatchFinder::hashAt(size_t pos) const
{
    uint32_t v = (uint32_t)data_[pos] | (uint32_t)data_[pos + 1] << 8 | (uint32_t)data_[pos + 2] << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

void MatchFinder::insert(size_t pos)
{
    if (pos + kMinMatch > size_)
        return;
    unsigned h = hashAt(pos);
    prev_[pos] = head_[h];
    head_[h] = (int32_t)pos;
}

size_t MatchFinder::matchLength(size_t pos, size_t back, size_t limit) const
{
    const uint8_t *here = data_ + pos;
    const uint8_t *there = here - back;
    size_t len = 0;
    while (len < limit && there[len] == here[len])
        len++;
    return len;
}

size_t MatchFinder::find(size_t pos, Match *out)
{
    size_t limit = size_ - pos < kMaxMatch ? size_ - pos : kMaxMatch;
    if (limit < kMinMatch) {
        insert(pos);
        return 0;
    }
    size_t found = 0;
    size_t best = kMinMatch - 1;
    const uint8_t *here = data_ + pos;
    unsigned chain = maxChain_;
    for (int32_t p = head_[hashAt(pos)]; p >= 0 && chain-- > 0; p = prev_[p]) {
        size_t back = pos - (size_t)p;
        if (back > kWindow)
            break;
        const uint8_t *there = data_ + p;
        if (there[best] != here[best] || there[0] != here[0])
            continue;
        size_t len = matchLength(pos, back, limit);
        if (len > best) {
            best = len;
            out[found++] = {(uint16_t)len, (uint16_t)(back - 1)};
            if (len == limit)
                break;
        }
    }
    // The repeated distance, when the chain gave out before reaching it: it
    // ends the list, being longer than every match found.
    if (best < limit && lastBack_ && lastBack_ <= pos) {
        size_t len = matchLength(pos, lastBack_, limit);
        if (len > best) {
            best = len;
            out[found++] = {(uint16_t)len, (uint16_t)(lastBack_ - 1)};
        }
    }
    if (found)
        lastBack_ = (size_t)out[found - 1].distance + 1;
    insert(pos);
    return found;
}

}  // namespace cxw
