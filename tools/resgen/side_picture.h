#pragma once

#include "canvas.h"

namespace resgen {

// The wizard's side picture: a mosaic of small tiles (the tesserae the product is named
// after) in a night-blue gradient, and a disc that a beam of light reads. The scene is composed
// for `designHeight` rows in the middle; the rows above and below continue its top and bottom.
Canvas DrawSidePicture(int width, int height, int designHeight);

} // namespace resgen
