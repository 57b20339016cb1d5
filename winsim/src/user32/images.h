// Bitmaps and icons loaded from the program's resources.
#ifndef WINSIM_IMAGES_H
#define WINSIM_IMAGES_H

#include <windows.h>

#include <string>

namespace winsim {

// LoadImageA without its fault check. nullptr with the last error set when
// the resource is missing, and with `why` saying what is wrong with bytes
// that do not make an image.
HANDLE LoadModuleImage(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags, std::string* why);

// Forgets the shared images (the objects themselves go with the GDI table).
void ForgetSharedImages();

}  // namespace winsim

#endif
