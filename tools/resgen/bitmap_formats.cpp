#include "bitmap_formats.h"

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

// The colour table of an 8-bit DIB: 256 RGBQUADs, unused entries black.
void ColourTable(ByteWriter& out, const std::vector<Rgb8>& colours)
{
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb8 c = i < colours.size() ? colours[i] : Rgb8{};
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
}

const std::vector<Rgb8>& IconPalette()
{
    static const std::vector<Rgb8> palette(FixedPalette().begin(), FixedPalette().end());
    return palette;
}

} // namespace

std::vector<std::uint8_t> EncodeDib8(const IndexedPicture& picture)
{
    const std::size_t rowBytes = RowBytes(picture.width, 8);
    ByteWriter out;
    InfoHeader(out, picture.width, picture.height, 8, static_cast<std::uint32_t>(rowBytes * picture.height));
    ColourTable(out, picture.colours);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t row = static_cast<std::size_t>(y) * picture.width;
        for (int x = 0; x < picture.width; ++x)
            out.U8(picture.indexes[row + x]);
        out.AlignTo(4);  // header and colour table end on a double word, so rows do too
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
    // The pixels follow the colour table, which a DIB of up to 8 bits carries in full.
    const unsigned bitCount = dib.size() > 15 ? dib[14] | (dib[15] << 8) : 24;
    const std::uint32_t colourTable = bitCount <= 8 ? (1u << bitCount) * 4 : 0;
    out.U32(kFileHeaderSize + kInfoHeaderSize + colourTable);
    out.Bytes(dib);
    return out.Take();
}

IconImage EncodeIconImage(const Canvas& picture)
{
    const int size = picture.width;
    const std::size_t colourRow = RowBytes(size, kIconBitCount), maskRow = RowBytes(size, 1);
    ByteWriter out;
    InfoHeader(out, size, 2 * size, kIconBitCount, static_cast<std::uint32_t>((colourRow + maskRow) * size));
    ColourTable(out, IconPalette());
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Color& c = picture.At(x, y);
            out.U8(c.a < 0.5 ? 0 : NearestIndex(IconPalette(), ToByte(c.r, 0), ToByte(c.g, 0), ToByte(c.b, 0)));
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
