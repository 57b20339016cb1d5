#pragma once

#include <functional>

#include "canvas.h"

namespace resgen {

// The Tessera disc as the side picture and the icon draw it: a silver disc with a
// rainbow sheen, a clear hub and a hole.
//
// Returns the disc's colour at a point given relative to its centre in units of its
// radius (the rim is at distance 1); alpha 0 where the disc does not cover the point,
// partial alpha where the clear hub lets what is behind shine through.
Color DiscAt(double dx, double dy, double outlineWidth);

// Averages n*n samples of `shade` over the pixel whose top-left corner is (x, y).
Color Supersample(int x, int y, int n, const std::function<Color(double, double)>& shade);

// A colour component in 0..1 as a byte, with a per-pixel offset against banding.
unsigned char ToByte(double value, double dither);

} // namespace resgen
