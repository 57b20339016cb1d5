// Little-endian writing into a growing byte vector, and the DOS header and
// stub every Windows executable starts with. Shared by the PE and LE writers.
#ifndef MKPE_BYTE_WRITER_H
#define MKPE_BYTE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mkpe {

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void At(size_t offset) {
        if (out_.size() < offset) out_.resize(offset, 0);
        pos_ = offset;
    }
    void U8(uint32_t v) { Put(v, 1); }
    void U16(uint32_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    void Bytes(const void* data, size_t n) {
        if (pos_ + n > out_.size()) out_.resize(pos_ + n, 0);
        if (n) std::memcpy(out_.data() + pos_, data, n);
        pos_ += n;
    }
    size_t Pos() const { return pos_; }

private:
    // Little-endian on every host: bytes taken from the value, low first.
    void Put(uint64_t value, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = static_cast<uint8_t>(value >> (8 * i));
            Bytes(&b, 1);
        }
    }
    std::vector<uint8_t>& out_;
    size_t pos_ = 0;
};

// The DOS header (just enough for DOS to run the stub), e_lfanew pointing
// at `newHeader`, and the stub that says the program needs Windows.
void WriteDosStub(Writer& w, uint32_t newHeader);

}  // namespace mkpe

#endif
