#include "bitmap_formats.h"

#include <array>
#include <cmath>

#include "byte_writer.h"
#include "disc_art.h"

namespace resgen {
namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr int kIconBitCount = 8;

void InfoHeader(ByteWriter& out, int width, int height, int bitCount, std::uint32_t imageSize)
{
    out.U32(kInfoHeaderSize);
    out.I32(width);
    out.I32(height);
    out.U16(1);  // planes
    out.U16(static_cast<std::uint16_t>(bitCount));
    out.U32(0);  // BI_RGB
    out.U32(imageSize);
    out.I32(0);  // no preferred resolution
    out.I32(0);
    out.U32(0);  // all colours of the bit count are used
    out.U32(0);
}

std::size_t RowBytes(int width, int bitCount) { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }

struct Rgb8 {
    std::uint8_t r, g, b;
};

const std::array<Rgb8, 256>& IconPalette()
{
    static const std::array<Rgb8, 256> palette = [] {
        std::array<Rgb8, 256> p{};
        const Rgb8 vga[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                              {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        std::size_t n = 0;
        for (const Rgb8& c : vga)
            p[n++] = c;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p[n++] = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                              static_cast<std::uint8_t>(b * 51)};
        for (int i = 0; n < p.size(); ++i) {  // greys between the cube's grey steps
            const auto v = static_cast<std::uint8_t>(8 + i * 10);
            p[n++] = {v, v, v};
        }
        return p;
    }();
    return palette;
}

std::uint8_t NearestPaletteIndex(const Color& c)
{
    const auto& palette = IconPalette();
    const int r = ToByte(c.r, 0), g = ToByte(c.g, 0), b = ToByte(c.b, 0);
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = r - palette[i].r, dg = g - palette[i].g, db = b - palette[i].b;
        const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || distance < bestDistance)
            best = i, bestDistance = distance;
    }
    return static_cast<std::uint8_t>(best);
}

} // namespace

std::vector<std::uint8_t> EncodeDib24(const Canvas& picture)
{
    const std::size_t rowBytes = RowBytes(picture.width, 24);
    ByteWriter out;
    InfoHeader(out, picture.width, picture.height, 24, static_cast<std::uint32_t>(rowBytes * picture.height));
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const Color& c = picture.At(x, y);
            // Half a step of ordered dither keeps the long gradient free of bands.
            const double dither = ((x * 7 + y * 13) % 16) / 16.0 - 0.5;
            out.U8(ToByte(c.b, dither));
            out.U8(ToByte(c.g, dither));
            out.U8(ToByte(c.r, dither));
        }
        out.AlignTo(4);  // the header is 40 bytes, so row ends fall on double words
    }
    return out.Take();
}

std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& dib)
{
    constexpr std::uint32_t kFileHeaderSize = 14;
    ByteWriter out;
    out.U16(0x4D42);  // "BM"
    out.U32(static_cast<std::uint32_t>(kFileHeaderSize + dib.size()));
    out.U32(0);
    out.U32(kFileHeaderSize + kInfoHeaderSize);  // 24-bit pixels follow the header directly
    out.Bytes(dib);
    return out.Take();
}

IconImage EncodeIconImage(const Canvas& picture)
{
    const int size = picture.width;
    const std::size_t colourRow = RowBytes(size, kIconBitCount), maskRow = RowBytes(size, 1);
    ByteWriter out;
    InfoHeader(out, size, 2 * size, kIconBitCount, static_cast<std::uint32_t>((colourRow + maskRow) * size));
    for (const Rgb8& c : IconPalette()) {
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Color& c = picture.At(x, y);
            out.U8(c.a < 0.5 ? 0 : NearestPaletteIndex(c));
        }
        out.AlignTo(4);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (int x = 0; x < size; ++x) {
            if (picture.At(x, y).a < 0.5)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.Bytes(row);
    }
    return {size, out.Take()};
}

namespace {

// The fields that ICONDIRENTRY and GRPICONDIRENTRY share.
void IconEntryHead(ByteWriter& out, const IconImage& image)
{
    out.U8(static_cast<std::uint8_t>(image.size));  // 256 would be written as 0
    out.U8(static_cast<std::uint8_t>(image.size));
    out.U8(0);  // colour count: 0 for 8 bits and more
    out.U8(0);
    out.U16(1);  // planes
    out.U16(kIconBitCount);
    out.U32(static_cast<std::uint32_t>(image.data.size()));
}

void IconDirHead(ByteWriter& out, std::size_t count)
{
    out.U16(0);
    out.U16(1);  // icons, not cursors
    out.U16(static_cast<std::uint16_t>(count));
}

} // namespace

std::vector<std::uint8_t> IcoFile(const std::vector<IconImage>& images)
{
    ByteWriter out;
    IconDirHead(out, images.size());
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const IconImage& image : images) {
        IconEntryHead(out, image);
        out.U32(offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : images)
        out.Bytes(image.data);
    return out.Take();
}

std::vector<std::uint8_t> GroupIconDirectory(const std::vector<IconImage>& images, std::uint16_t firstName)
{
    ByteWriter out;
    IconDirHead(out, images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        IconEntryHead(out, images[i]);
        out.U16(static_cast<std::uint16_t>(firstName + i));
    }
    return out.Take();
}

} // namespace resgen
