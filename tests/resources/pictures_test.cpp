// Bitmap 149 and icon 101 as LoadImage and the shell read them.

#include <gtest/gtest.h>

#include "resource_bytes.h"

namespace {

std::size_t Stride(std::uint32_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// Checks a bottom-up, uncompressed DIB's header; returns the bytes before its pixels.
std::size_t ExpectDibHeader(const Bytes& dib, std::uint32_t width, std::uint32_t height, int bits)
{
    EXPECT_EQ(U32At(dib, 0), 40u) << "BITMAPINFOHEADER first, no file header";
    EXPECT_EQ(U32At(dib, 4), width);
    EXPECT_EQ(U32At(dib, 8), height);
    EXPECT_EQ(U16At(dib, 14), bits);
    EXPECT_EQ(U32At(dib, 16), 0u) << "BI_RGB";
    return 40 + (bits <= 8 ? std::size_t{4} << bits : 0);
}

} // namespace

TEST(SidePicture, IsATrueColourDibThatFillsTheSunkenBox)
{
    // 80 x 140 dialog units are 120 x 227 pixels at 96 dpi; the sunken edge takes a pixel a side.
    const Bytes dib = HostResources().at({kRtBitmap, 149, 0});
    EXPECT_EQ(dib.size(), ExpectDibHeader(dib, 118, 226, 24) + Stride(118, 24) * 226);
}

TEST(Icon, GroupsA32AndA16PixelImageThatExist)
{
    const auto resources = HostResources();
    const Bytes dir = resources.at({kRtGroupIcon, 101, 0});
    ASSERT_EQ(dir.size(), 6u + 2 * 14);
    EXPECT_EQ(U16At(dir, 2), 1) << "icons, not cursors";
    EXPECT_EQ(U16At(dir, 4), 2);
    for (const std::uint32_t size : {32u, 16u}) {
        const std::size_t entry = size == 32 ? 6 : 20;
        EXPECT_EQ(dir[entry], size);
        const int bits = U16At(dir, entry + 6);
        const auto image = resources.find({kRtIcon, U16At(dir, entry + 12), 0});
        ASSERT_NE(image, resources.end()) << "the group names an RT_ICON that is not there";
        EXPECT_EQ(U32At(dir, entry + 8), image->second.size());
        // Colour pixels and the 1-bit AND mask stacked: twice the height.
        EXPECT_EQ(image->second.size(), ExpectDibHeader(image->second, size, 2 * size, bits) +
                                            (Stride(size, bits) + Stride(size, 1)) * size);
    }
}
