// The process's GDI objects (fonts, bitmaps, brushes) and icons, each under
// its own handle. Stock objects live for the process; DeleteObject leaves
// them alone, as Windows does.
#ifndef WINSIM_GDI_OBJECTS_H
#define WINSIM_GDI_OBJECTS_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

enum class GdiKind { Font, Bitmap, Icon, Brush, Pen };

struct BitmapData {
    LONG width = 0;
    LONG height = 0;  // as drawn: always positive
    WORD bitsPerPixel = 0;
    int resourceId = 0;          // the module resource it was loaded from, or 0
    std::vector<uint8_t> dib;    // BITMAPINFOHEADER, colour table and pixels, as the resource holds them
};

struct IconData {
    int width = 0;
    int height = 0;
    int groupId = 0;  // RT_GROUP_ICON resource it was chosen from, or the stock icon's id
    int imageId = 0;  // RT_ICON resource of the chosen image
};

struct GdiObject {
    GdiKind kind = GdiKind::Font;
    bool stock = false;   // GetStockObject or a system icon: never deleted
    bool shared = false;  // LR_SHARED: destroying it does nothing
    LOGFONTA font{};
    BitmapData bitmap;
    IconData icon;
};

HGDIOBJ AddGdiObject(GdiObject object);
const GdiObject* FindGdiObject(HGDIOBJ handle);
// The object if it is of that kind, else nullptr.
const GdiObject* FindGdiObjectOf(HGDIOBJ handle, GdiKind kind);
// Marks an object as shared (LR_SHARED): destroying it then does nothing.
void MarkShared(HGDIOBJ handle);
// Removes a created object; stock and shared objects stay. False for a
// handle that names no object.
bool DeleteGdiObject(HGDIOBJ handle);
// Objects that a program created and has not deleted (stock and shared ones not counted).
size_t LiveGdiObjectCount();
void ForgetGdiObjects();
// Forgets which handles the stock objects have (after ForgetGdiObjects).
void ForgetStockObjects();

// A font description as the transcript shows it: "-11 400 MS Sans Serif, charset 0".
std::string DescribeFont(const LOGFONTA& font);

}  // namespace winsim

#endif
