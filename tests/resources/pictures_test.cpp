// Bitmap 149 and icon 101 as LoadImage and the shell read them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "palette.h"
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

TEST(SidePicture, IsAPalettedDibThatFillsTheSunkenBoxInEveryLanguage)
{
    // 80 x 140 dialog units are 120 x 227 pixels at 96 dpi; the sunken edge takes a pixel a side.
    // A Thai dialog font makes the box about 331 pixels tall inside: the picture fills that too.
    const Bytes dib = HostResources().at({kRtBitmap, 149, 0});
    const std::size_t header = ExpectDibHeader(dib, 118, 344, 8);
    ASSERT_EQ(dib.size(), header + Stride(118, 8) * 344);
    // Its rows go on above and below the scene's middle rows without a seam: neighbouring rows
    // around where a 226-row frame would end differ no more than rows inside it do.
    const auto rowLight = [&](int row) {
        long sum = 0;
        for (std::size_t x = 0; x < 118; ++x) {
            const std::size_t colour = dib[header + (343 - row) * Stride(118, 8) + x];
            sum += dib[40 + colour * 4] + dib[40 + colour * 4 + 1] + dib[40 + colour * 4 + 2];
        }
        return sum / 118;
    };
    int widest = 0;
    for (int row = 70; row < 270; ++row)
        widest = std::max(widest, static_cast<int>(std::labs(rowLight(row + 1) - rowLight(row))));
    for (int edge : {58, 284})
        EXPECT_LE(std::labs(rowLight(edge) - rowLight(edge - 1)), widest + 4) << "row " << edge;
    EXPECT_LT(std::labs(rowLight(0) - rowLight(57)), 60) << "the sky goes on above";
}

TEST(ReduceColours, KeepsFewColoursExactAndAGradientsAverage)
{
    using resgen::Canvas;
    using resgen::Color;
    // Three flat colours come back as they are.
    Canvas flags(30, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 30; ++x)
            flags.At(x, y) = x < 10 ? Color{1, 0, 0, 1} : x < 20 ? Color{0, 0, 1, 1} : Color{1, 1, 1, 1};
    const resgen::IndexedPicture few = resgen::ReduceColours(flags);
    ASSERT_EQ(few.indexes.size(), 120u);
    for (int x = 0; x < 30; ++x) {
        const resgen::Rgb8 c = few.colours.at(few.indexes[static_cast<std::size_t>(3 * 30 + x)]);
        EXPECT_EQ(c.r, x < 10 || x >= 20 ? 255 : 0) << x;
        EXPECT_EQ(c.b, x < 10 ? 0 : 255) << x;
    }

    // A gradient of more shades than the palette holds: every row's mean stays within a
    // step of what was asked, so error diffusion did not drift or band.
    Canvas ramp(64, 700);
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.At(x, y) = Color{y / 699.0, 0.5, 1 - y / 699.0, 1};
    const resgen::IndexedPicture reduced = resgen::ReduceColours(ramp);
    EXPECT_LE(reduced.colours.size(), 256u);
    for (int y = 0; y < 700; y += 7) {
        double sum = 0;
        for (int x = 0; x < 64; ++x)
            sum += reduced.colours[reduced.indexes[static_cast<std::size_t>(y * 64 + x)]].r;
        EXPECT_NEAR(sum / 64, 255.0 * y / 699, 2.0) << "row " << y;
    }
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
