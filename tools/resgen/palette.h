#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "canvas.h"

namespace resgen {

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
};

// A picture reduced to at most 256 colours: the colour table and one index a pixel,
// rows from the top.
struct IndexedPicture {
    int width = 0, height = 0;
    std::vector<Rgb8> colours;
    std::vector<std::uint8_t> indexes;
};

// The icons' fixed palette: the 16 VGA colours, a 6x6x6 colour cube and greys, which
// Windows 95 can show on any display.
const std::array<Rgb8, 256>& FixedPalette();

// The palette entry nearest to a colour, weighing green most and blue least as the eye does.
std::uint8_t NearestIndex(const std::vector<Rgb8>& palette, int r, int g, int b);

// Chooses up to 256 colours for the picture by median cut (the box with the widest
// spread of pixels is split at its median until there are enough boxes) and maps the
// pixels to them with Floyd-Steinberg error diffusion, so that long gradients show no bands.
IndexedPicture ReduceColours(const Canvas& picture);

} // namespace resgen
