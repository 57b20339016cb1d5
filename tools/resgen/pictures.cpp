#include "pictures.h"

#include "disc_icon.h"
#include "side_picture.h"

namespace resgen {

Pictures DrawPictures()
{
    Pictures pictures;
    pictures.sidePicture = EncodeDib8(ReduceColours(DrawSidePicture(kSidePictureWidth, kSidePictureHeight, kSidePictureDesignHeight)));
    for (const int size : {32, 16})
        pictures.icon.push_back(EncodeIconImage(DrawDiscIcon(size)));
    return pictures;
}

} // namespace resgen
