#include "disc_art.h"

#include <algorithm>
#include <cmath>

namespace resgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

Color Hue(double h)
{
    // A soft rainbow: hue h in 0..1 at reduced saturation, like light on a pressed disc.
    const double r = 0.5 + 0.5 * std::cos(2 * kPi * (h + 0.00));
    const double g = 0.5 + 0.5 * std::cos(2 * kPi * (h + 0.67));
    const double b = 0.5 + 0.5 * std::cos(2 * kPi * (h + 0.33));
    return {r, g, b, 1};
}

} // namespace

Color DiscAt(double dx, double dy, double outlineWidth)
{
    const double r = std::hypot(dx, dy);
    const double angle = std::atan2(dy, dx);
    const Color rim{0.30, 0.33, 0.40, 1};
    if (r > 1)
        return {0, 0, 0, 0};
    if (r > 1 - outlineWidth)
        return rim;
    if (r < 0.12)
        return {0, 0, 0, 0};                         // the hole
    if (r < 0.15)
        return {0.62, 0.66, 0.72, 1};                // the hole's edge
    if (r < 0.34)
        return {0.90, 0.93, 0.97, 0.45};             // clear plastic of the hub
    if (r < 0.37)
        return {0.66, 0.70, 0.77, 1};                // where the data area begins

    // Data area: silver, swept by two opposite bands of rainbow light and a highlight.
    const Color silver{0.80, 0.82, 0.87, 1};
    const double band = std::pow(std::abs(std::cos(angle - 0.65)), 3.0);
    const Color sheen = Mix(Hue(angle / (2 * kPi) * 2 + r * 0.45 + 0.15), {1, 1, 1, 1}, 0.25);
    Color c = Mix(silver, sheen, 0.15 + 0.35 * band);
    const double highlight = std::pow(std::max(0.0, std::cos(2 * (angle + 0.95))), 12.0);
    c = Mix(c, {1, 1, 1, 1}, 0.55 * highlight);
    const double grooves = 1 + 0.012 * std::sin(r * 90);
    return Scale(c, grooves * (0.92 + 0.08 * r));
}

Color Supersample(int x, int y, int n, const std::function<Color(double, double)>& shade)
{
    Color sum{0, 0, 0, 0};
    for (int sy = 0; sy < n; ++sy) {
        for (int sx = 0; sx < n; ++sx) {
            const Color c = shade(x + (sx + 0.5) / n, y + (sy + 0.5) / n);
            // Premultiplied, so that uncovered samples add no colour.
            sum.r += c.r * c.a;
            sum.g += c.g * c.a;
            sum.b += c.b * c.a;
            sum.a += c.a;
        }
    }
    if (sum.a <= 0)
        return {0, 0, 0, 0};
    return {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (n * n)};
}

unsigned char ToByte(double value, double dither)
{
    const double scaled = std::clamp(value, 0.0, 1.0) * 255 + dither;
    return static_cast<unsigned char>(std::clamp(std::lround(scaled), 0L, 255L));
}

} // namespace resgen
