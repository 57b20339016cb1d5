#include "disc_icon.h"

#include "disc_art.h"

namespace resgen {

Canvas DrawDiscIcon(int size)
{
    const double radius = size / 2.0 - 0.25;
    const double centre = size / 2.0;
    // An icon has no translucency, so the clear hub is drawn over a light grey.
    const Color hubGround{0.70, 0.73, 0.78, 1};
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            canvas.At(x, y) = Supersample(x, y, 4, [&](double sx, double sy) {
                const Color c = DiscAt((sx - centre) / radius, (sy - centre) / radius, 1.2 / radius);
                if (c.a <= 0 || c.a >= 1)
                    return c;
                Color opaque = Mix(hubGround, c, c.a);
                opaque.a = 1;
                return opaque;
            });
        }
    }
    return canvas;
}

} // namespace resgen
