#pragma once

#include <vector>

namespace resgen {

// Linear 0..1 colour channels; alpha is the covered part of a pixel.
struct Color {
    double r = 0, g = 0, b = 0, a = 1;
};

inline Color Mix(const Color& from, const Color& to, double t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
            from.a + (to.a - from.a) * t};
}

inline Color Scale(const Color& c, double f) { return {c.r * f, c.g * f, c.b * f, c.a}; }

struct Canvas {
    int width = 0, height = 0;
    std::vector<Color> pixels;  // rows from the top

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    Color& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Color& At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

} // namespace resgen
