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
// the scene fills that inside the control's one-pixel sunken edge. The control shows the
// picture centred at its real size, clipped to the frame, and a Thai font makes the dialog
// half as tall again (dialog base units of about 6 x 19 pixels, a frame of 118 x 331
// inside): the picture is as tall as that with some to spare, so that it fills its frame
// in every language rather than leaving bands of the first pixel's colour above and below.
constexpr int kSidePictureWidth = 118;
constexpr int kSidePictureHeight = 344;
constexpr int kSidePictureDesignHeight = 226;

struct Pictures {
    std::vector<std::uint8_t> sidePicture;  // DIB of the RT_BITMAP resource
    std::vector<IconImage> icon;            // 32 x 32, then 16 x 16
};

Pictures DrawPictures();

} // namespace resgen
