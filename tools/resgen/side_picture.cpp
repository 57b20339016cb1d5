#include "side_picture.h"

#include <cmath>
#include <cstdint>

#include "disc_art.h"

namespace resgen {
namespace {

// A fixed pseudo-random value in 0..1 per tile, so that the picture is the same on every build.
double TileNoise(int tx, int ty)
{
    std::uint32_t h = static_cast<std::uint32_t>(tx) * 374761393u + static_cast<std::uint32_t>(ty) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::fmin(1.0, std::fmax(0.0, (x - edge0) / (edge1 - edge0)));
    return t * t * (3 - 2 * t);
}

// The picture is composed for a frame of `designHeight` rows in its middle (the frame of the
// wizard in the template's font); the rows above and below carry its sky and its floor on, so
// that a taller frame (a larger dialog font) is filled all the same.
class SidePicture {
public:
    SidePicture(int width, int height, int designHeight)
        : height_(designHeight), top_((height - designHeight) / 2.0), discX_(width * 0.5),
          discY_(designHeight * 0.60), discRadius_(width * 0.40), beamX0_(width * 0.88),
          beamX1_(discX_ + discRadius_ * 0.42), beamY1_(discY_ - discRadius_ * 0.55)
    {
    }

    Color Shade(double x, double row) const
    {
        const double y = row - top_;
        Color c = Background(x, y);
        c = Scale(c, 1 - 0.5 * Shadow(x, y));
        const Color disc = DiscAt((x - discX_) / discRadius_, (y - discY_) / discRadius_, 1.3 / discRadius_);
        c = Mix(c, disc, disc.a);
        return Beam(c, x, y);
    }

private:
    Color Background(double x, double y) const
    {
        const double t = std::fmin(1.0, std::fmax(0.0, y / height_));
        const Color top{0.03, 0.07, 0.20, 1}, middle{0.06, 0.20, 0.42, 1}, bottom{0.09, 0.40, 0.56, 1};
        Color c = t < 0.55 ? Mix(top, middle, t / 0.55) : Mix(middle, bottom, (t - 0.55) / 0.45);

        // Staggered tiles, 9 pixels wide, each a little lighter or darker than its neighbours,
        // with darker grout between them; the mosaic fades out towards the top.
        constexpr double kTile = 9;
        const int row = static_cast<int>(std::floor(y / kTile));
        const double shifted = x + (row % 2 ? kTile / 2 : 0);
        const int column = static_cast<int>(std::floor(shifted / kTile));
        const double u = shifted - column * kTile, v = y - row * kTile;
        const bool grout = u < 1 || v < 1;
        const double strength = 0.25 + 0.75 * t;
        const double tile = grout ? 0.80 : 1 + 0.16 * (TileNoise(column, row) - 0.5);
        c = Scale(c, 1 + (tile - 1) * strength);

        // A soft glow behind the disc.
        const double d = std::hypot(x - discX_, y - discY_) / (discRadius_ * 1.9);
        return Mix(c, {0.35, 0.65, 0.85, 1}, 0.35 * std::exp(-d * d * 2.5));
    }

    double Shadow(double x, double y) const
    {
        const double d = std::hypot(x - discX_ - 2.5, y - discY_ - 3.5);
        return SmoothStep(discRadius_ + 5, discRadius_ - 1, d);
    }

    // The reading beam comes down from the top edge to a spot on the data area.
    Color Beam(Color c, double x, double y) const
    {
        if (y > beamY1_ + 4)
            return c;
        const double along = std::fmax(0.0, y / beamY1_);
        const double centre = beamX0_ + (beamX1_ - beamX0_) * along;
        const double across = (x - centre) / 2.0;
        const double intensity = 0.45 * along * along * std::exp(-across * across);
        const double spot = std::hypot(x - beamX1_, y - beamY1_) / 4.5;
        const Color light{0.75, 0.95, 1.0, 1};
        c = Mix(c, light, std::fmin(1.0, intensity + 0.8 * std::exp(-spot * spot)));
        return c;
    }

    int height_;
    double top_;
    double discX_, discY_, discRadius_;
    double beamX0_, beamX1_, beamY1_;
};

} // namespace

Canvas DrawSidePicture(int width, int height, int designHeight)
{
    const SidePicture picture(width, height, designHeight);
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            canvas.At(x, y) = Supersample(x, y, 4, [&](double sx, double sy) { return picture.Shade(sx, sy); });
    }
    return canvas;
}

} // namespace resgen
