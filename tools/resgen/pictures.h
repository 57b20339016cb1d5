#pragma once

#include <cstdint>
#include <vector>

#include "bitmap_formats.h"

namespace resgen {

// The pictures are drawn by this program rather than kept as binary files, so that
// they can be reviewed and changed like any other source.
constexpr std::uint16_t kSidePictureName = 149;
constexpr std::uint16_t kIconName = 101;

// 80 x 140 dialog units of "MS Sans Serif" 8 at 96 dots per inch are 120 x 227 pixels;
// the picture fills that inside the control's one-pixel sunken edge. The control shows
// it centred at its real size, so at other font sizes it is clipped or framed evenly.
constexpr int kSidePictureWidth = 118;
constexpr int kSidePictureHeight = 226;

struct Pictures {
    std::vector<std::uint8_t> sidePicture;  // DIB of the RT_BITMAP resource
    std::vector<IconImage> icon;            // 32 x 32, then 16 x 16
};

Pictures DrawPictures();

} // namespace resgen
