// Writes a bit stream most significant bit first, the order the decoder reads it in.
#pragma once

#include <cstdint>
#include <vector>

namespace cxw {

class BitWriter {
public:
    void put(uint32_t value, unsigned bits)
    {
        if (bits == 0)
            return;
        acc_ = (acc_ << bits) | (value & ((1ull << bits) - 1));
        pending_ += bits;
        total_ += bits;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back((uint8_t)(acc_ >> pending_));
        }
    }

    // Pads the last byte with zero bits and hands over the bytes.
    std::vector<uint8_t> finish()
    {
        if (pending_)
            put(0, 8 - pending_);
        return std::move(bytes_);
    }

    uint64_t bitCount() const { return total_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t acc_ = 0;
    unsigned pending_ = 0;
    uint64_t total_ = 0;
};

}  // namespace cxw
