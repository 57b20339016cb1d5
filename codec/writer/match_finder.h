// Hash chains over the 8192-byte window: for a position, the nearest match of
// each length that no nearer match reaches.  A short chain of a common
// three-byte string ends in nearby copies of it, so the distance of the last
// long match is tried as well: a repeated block is then followed to its end
// however many nearer copies of its first bytes there are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cxw {

struct Match {
    uint16_t length;
    uint16_t distance;   // bytes back minus one
};

class MatchFinder {
public:
    MatchFinder(const uint8_t *data, size_t size, unsigned maxChain);

    // Matches at pos, by increasing length; pos must advance by one per call
    // (find or skip) from 0.
    size_t find(size_t pos, Match *out);
    void skip(size_t pos) { insert(pos); }

private:
    void insert(size_t pos);
    unsigned hashAt(size_t pos) const;

    size_t matchLength(size_t pos, size_t back, size_t limit) const;

    const uint8_t *data_;
    size_t size_;
    unsigned maxChain_;
    size_t lastBack_ = 0;    // distance of the longest match found last, tried first at the next search
    std::vector<int32_t> head_;
    std::vector<int32_t> prev_;
};

}  // namespace cxw
