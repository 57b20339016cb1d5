#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resgen {

// Appends the little-endian fields of Windows' binary resource formats.
class ByteWriter {
public:
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Units(const std::u16string& text)
    {
        for (const char16_t c : text)
            U16(c);
    }
    void UnitsZ(const std::u16string& text)
    {
        Units(text);
        U16(0);
    }
    void Bytes(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    // Pads with zeros to a multiple of `boundary`, counted from the first byte written.
    void AlignTo(std::size_t boundary)
    {
        while (bytes_.size() % boundary != 0)
            U8(0);
    }

    std::size_t Size() const { return bytes_.size(); }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace resgen
