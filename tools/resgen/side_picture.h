#pragma once

#include "canvas.h"

namespace resgen {

// The wizard's side picture: a mosaic of small tiles (the tesserae the product is named
// after) in a night-blue gradient, and a disc that a beam of light reads.
Canvas DrawSidePicture(int width, int height);

} // namespace resgen
