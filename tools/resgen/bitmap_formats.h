#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace resgen {

// A 24-bit device-independent bitmap: BITMAPINFOHEADER and bottom-up BGR rows, each padded
// to a double word. This is what an RT_BITMAP resource holds.
std::vector<std::uint8_t> EncodeDib24(const Canvas& picture);

// The .bmp file of a DIB: BITMAPFILEHEADER in front, which the resource compiler strips again.
std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& dib);

// One image of an icon: an 8-bit DIB of twice the image's height holding the colour
// pixels and then the 1-bit AND mask (set where the icon is transparent).
struct IconImage {
    int size;                         // width and height in pixels
    std::vector<std::uint8_t> data;   // what an RT_ICON resource holds
};

// Pixels with alpha below one half become transparent; the others take the nearest colour
// of a fixed palette (the 16 VGA colours, a 6x6x6 colour cube and greys), which Windows 95
// can show on any display.
IconImage EncodeIconImage(const Canvas& picture);

// The .ico file of some images (ICONDIR, its entries, the images).
std::vector<std::uint8_t> IcoFile(const std::vector<IconImage>& images);

// The RT_GROUP_ICON resource of some images whose RT_ICON names are firstName, firstName+1, ...
std::vector<std::uint8_t> GroupIconDirectory(const std::vector<IconImage>& images, std::uint16_t firstName);

} // namespace resgen
