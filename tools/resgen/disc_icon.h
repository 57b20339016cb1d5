#pragma once

#include "canvas.h"

namespace resgen {

// The installer's icon at `size` pixels square: the disc of the side picture, seen from
// above, on a transparent ground.
Canvas DrawDiscIcon(int size);

} // namespace resgen
