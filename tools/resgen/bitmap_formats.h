#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "palette.h"

namespace resgen {

// An 8-bit device-independent bitmap: BITMAPINFOHEADER, a colour table of 256 entries and
// bottom-up rows of indexes, each padded to a double word. This is what an RT_BITMAP resource
// holds; a third of the bytes of a 24-bit one, which matters in a stub that must stay small.
std::vector<std::uint8_t> EncodeDib8(const IndexedPicture& picture);

// The .bmp file of a DIB: BITMAPFILEHEADER in front, which the resource compiler strips again.
std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& dib);

// One image of an icon: an 8-bit DIB of twice the image's height holding the colour
// pixels and then the 1-bit AND mask (set where the icon is transparent).
struct IconImage {
    int size;                         // width and height in pixels
    std::vector<std::uint8_t> data;   // what an RT_ICON resource holds
};

// Pixels with alpha below one half become transparent; the others take the nearest colour
// of the fixed palette, which Windows 95 can show on any display.
IconImage EncodeIconImage(const Canvas& picture);

// The .ico file of some images (ICONDIR, its entries, the images).
std::vector<std::uint8_t> IcoFile(const std::vector<IconImage>& images);

// The RT_GROUP_ICON resource of some images whose RT_ICON names are firstName, firstName+1, ...
std::vector<std::uint8_t> GroupIconDirectory(const std::vector<IconImage>& images, std::uint16_t firstName);

} // namespace resgen
