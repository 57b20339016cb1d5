#include "palette.h"

#include <algorithm>
#include <cmath>

#include "disc_art.h"

namespace resgen {
namespace {

constexpr std::size_t kMaxColours = 256;

int Channel(const Rgb8& c, int channel) { return channel == 0 ? c.r : channel == 1 ? c.g : c.b; }

// A box of pixels in colour space: the half-open range [begin, end) of a shared pixel list.
struct Box {
    std::size_t begin, end;
    int widestChannel = 0;
    int spread = 0;
};

void Measure(const std::vector<Rgb8>& pixels, Box& box)
{
    box.spread = -1;
    for (int channel = 0; channel < 3; ++channel) {
        int low = 255, high = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            low = std::min(low, Channel(pixels[i], channel));
            high = std::max(high, Channel(pixels[i], channel));
        }
        if (high - low > box.spread)
            box.spread = high - low, box.widestChannel = channel;
    }
}

Rgb8 Average(const std::vector<Rgb8>& pixels, const Box& box)
{
    unsigned long sum[3] = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += static_cast<unsigned long>(Channel(pixels[i], channel));
    const unsigned long n = box.end - box.begin, half = n / 2;
    return {static_cast<std::uint8_t>((sum[0] + half) / n), static_cast<std::uint8_t>((sum[1] + half) / n),
            static_cast<std::uint8_t>((sum[2] + half) / n)};
}

std::vector<Rgb8> MedianCut(std::vector<Rgb8> pixels)
{
    std::vector<Box> boxes;
    if (pixels.empty())
        return {};
    boxes.push_back({0, pixels.size()});
    Measure(pixels, boxes.back());
    while (boxes.size() < kMaxColours) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.spread < b.spread; });
        if (widest->spread <= 0)
            break;  // every box holds a single colour
        Box box = *widest;
        const int channel = box.widestChannel;
        const auto first = pixels.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = pixels.begin() + static_cast<std::ptrdiff_t>(box.end);
        const auto middle = first + (last - first) / 2;
        std::nth_element(first, middle, last,
                         [channel](const Rgb8& a, const Rgb8& b) { return Channel(a, channel) < Channel(b, channel); });
        Box low{box.begin, static_cast<std::size_t>(middle - pixels.begin())};
        Box high{low.end, box.end};
        Measure(pixels, low);
        Measure(pixels, high);
        *widest = low;
        boxes.push_back(high);
    }
    std::vector<Rgb8> palette;
    for (const Box& box : boxes)
        palette.push_back(Average(pixels, box));
    return palette;
}

} // namespace

const std::array<Rgb8, 256>& FixedPalette()
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

std::uint8_t NearestIndex(const std::vector<Rgb8>& palette, int r, int g, int b)
{
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

IndexedPicture ReduceColours(const Canvas& picture)
{
    IndexedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    std::vector<Rgb8> pixels;
    pixels.reserve(picture.pixels.size());
    for (const Color& c : picture.pixels)
        pixels.push_back({ToByte(c.r, 0), ToByte(c.g, 0), ToByte(c.b, 0)});
    out.colours = MedianCut(pixels);
    out.indexes.resize(pixels.size());

    // Error diffusion: what a pixel's colour misses is carried to its right and lower
    // neighbours (7/16, 3/16, 5/16, 1/16); two rows of error are enough.
    const std::size_t width = static_cast<std::size_t>(picture.width);
    std::vector<double> error(2 * (width + 2) * 3, 0.0);
    for (int y = 0; y < picture.height; ++y) {
        double* current = &error[(y % 2) * (width + 2) * 3];
        double* next = &error[((y + 1) % 2) * (width + 2) * 3];
        std::fill(next, next + (width + 2) * 3, 0.0);
        for (std::size_t x = 0; x < width; ++x) {
            const Rgb8& p = pixels[y * width + x];
            int wanted[3];
            for (int channel = 0; channel < 3; ++channel) {
                const double value = Channel(p, channel) + current[(x + 1) * 3 + channel];
                wanted[channel] = static_cast<int>(std::clamp(std::lround(value), 0L, 255L));
            }
            const std::uint8_t index = NearestIndex(out.colours, wanted[0], wanted[1], wanted[2]);
            out.indexes[y * width + x] = index;
            for (int channel = 0; channel < 3; ++channel) {
                const double miss = wanted[channel] - Channel(out.colours[index], channel);
                current[(x + 2) * 3 + channel] += miss * 7 / 16;
                next[x * 3 + channel] += miss * 3 / 16;
                next[(x + 1) * 3 + channel] += miss * 5 / 16;
                next[(x + 2) * 3 + channel] += miss * 1 / 16;
            }
        }
    }
    return out;
}

} // namespace resgen
