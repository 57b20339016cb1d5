// Fonts and the object calls of gdi32.
#include <algorithm>
#include <cstring>

#include "gdi32/gdi_objects.h"
#include "machine/faults.h"

extern "C" HFONT WINAPI CreateFontIndirectA(const LOGFONTA* description) {
    if (winsim::FailsHere("CreateFontIndirectA", false)) return nullptr;
    if (!description) return nullptr;  // gdi32 leaves the last error alone here
    winsim::GdiObject font;
    font.kind = winsim::GdiKind::Font;
    font.font = *description;
    return static_cast<HFONT>(winsim::AddGdiObject(font));
}

extern "C" HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                                   DWORD underline, DWORD strikeOut, DWORD charset, DWORD outPrecision,
                                   DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face) {
    LOGFONTA d;
    std::memset(&d, 0, sizeof d);
    d.lfHeight = height;
    d.lfWidth = width;
    d.lfEscapement = escapement;
    d.lfOrientation = orientation;
    d.lfWeight = weight;
    d.lfItalic = static_cast<BYTE>(italic);
    d.lfUnderline = static_cast<BYTE>(underline);
    d.lfStrikeOut = static_cast<BYTE>(strikeOut);
    d.lfCharSet = static_cast<BYTE>(charset);
    d.lfOutPrecision = static_cast<BYTE>(outPrecision);
    d.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    d.lfQuality = static_cast<BYTE>(quality);
    d.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face) std::strncpy(d.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&d);
}

// A font gives its LOGFONTA, a bitmap its BITMAP; with no buffer, the size
// that is needed. Brushes, pens and icons have nothing to give here.
extern "C" int WINAPI GetObjectA(HANDLE handle, int size, LPVOID buffer) {
    if (winsim::FailsHere("GetObjectA", false)) return 0;
    const winsim::GdiObject* object = winsim::FindGdiObject(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (object->kind == winsim::GdiKind::Font) {
        if (!buffer) return static_cast<int>(sizeof(LOGFONTA));
        if (size <= 0) return 0;
        size_t n = std::min(static_cast<size_t>(size), sizeof(LOGFONTA));
        std::memcpy(buffer, &object->font, n);
        return static_cast<int>(n);
    }
    if (object->kind == winsim::GdiKind::Bitmap) {
        BITMAP b;
        std::memset(&b, 0, sizeof b);
        b.bmWidth = object->bitmap.width;
        b.bmHeight = object->bitmap.height;
        b.bmBitsPixel = object->bitmap.bitsPerPixel;
        b.bmPlanes = 1;
        b.bmWidthBytes = ((b.bmWidth * b.bmBitsPixel + 15) / 16) * 2;
        if (!buffer) return static_cast<int>(sizeof(BITMAP));
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        std::memcpy(buffer, &b, sizeof b);
        return static_cast<int>(sizeof(BITMAP));
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ handle) {
    const winsim::GdiObject* object = winsim::FindGdiObject(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (object->kind) {
        case winsim::GdiKind::Font: return OBJ_FONT;
        case winsim::GdiKind::Bitmap: return OBJ_BITMAP;
        case winsim::GdiKind::Brush: return OBJ_BRUSH;
        case winsim::GdiKind::Pen: return OBJ_PEN;
        case winsim::GdiKind::Icon: return 0;
    }
    return 0;
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ handle) {
    if (winsim::FailsHere("DeleteObject", false)) return FALSE;
    const winsim::GdiObject* object = winsim::FindGdiObject(handle);
    if (!object || object->kind == winsim::GdiKind::Icon) return FALSE;
    return winsim::DeleteGdiObject(handle) ? TRUE : FALSE;
}
